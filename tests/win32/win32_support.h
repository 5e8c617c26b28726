// Real input for the Win32 tests: clicks, typing, list choices and spin steps
// sent to a dialog the way the platform delivers them, a counter of the beeps
// this program makes, and an automatic closer for message boxes and the
// language list form so that a modal box never hangs a test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/win32_form.h"
#include "support/data_folder.h"
#include "support/temp_dir.h"

namespace ce::test {

// MessageBeep calls made through this program's import table since the last
// call (the import is patched once to count instead of sounding).
int take_beep_count();

// Runs every pending message, passing dialog keys through IsDialogMessage.
void pump(HWND dialog);

// The first push button, check box or radio button with this identifier.
HWND button_of(HWND dialog, int id);
// The occurrence-th control (0-based, template order) with this identifier.
HWND nth_control(HWND dialog, int id, int occurrence);

// A click on a button, as the mouse makes it (BM_CLICK).
void click(HWND dialog, const Win32Form& form, int id);
// Typed characters at the end of the edit (for a combo box, its edit field);
// bytes are converted with the form's code page, byte 8 is backspace.
void type(HWND dialog, const Win32Form& form, int id, std::string_view chars);
// A user's choice of a list entry: the selection and the CBN_SELCHANGE the
// platform sends for it.
void choose(HWND dialog, const Win32Form& form, int id, int index);
// Steps of a spin through the arrow keys in its buddy (negative: down).
void spin(HWND dialog, const Win32Form& form, int spin_id, int steps);
// The Escape key, through the dialog manager.
void key_escape(HWND dialog);

// While alive, every message box and language list form that opens on this
// thread is recorded and closed with OK.
class ModalCloser {
public:
    // with_escape: close with the Escape key instead of the OK button.
    explicit ModalCloser(bool with_escape = false);
    ~ModalCloser();
    ModalCloser(const ModalCloser&) = delete;
    ModalCloser& operator=(const ModalCloser&) = delete;

    std::vector<std::wstring> take_messages();  // texts of the closed message boxes
    std::vector<std::wstring> take_titles();    // their titles
    int take_language_lists();                   // language list forms closed
    // Questions (a message box with Yes, No and Cancel) are answered with
    // `button` (IDYES, IDNO or IDCANCEL; IDNO until told otherwise) and
    // recorded apart from the messages.
    std::vector<std::wstring> take_questions();
    void answer_questions(int button);
    // Every word of each box closed or answered, messages and questions: its
    // title, its text and its buttons, one line each.
    std::vector<std::wstring> take_box_words();
};

// A data folder the editor starts on (support/data_folder.h): the six data
// files at their sizes (zeros), the Named language files of both languages,
// and `Lang` holding the language and creature index.
void make_data_folder(const TempDir& folder, int language = 0, int creature = 0);

// Whether this program carries the editor's menu resource 10000.
bool has_menu_resource();

// The editor's window from the in-memory template 37, modeless. When this
// program carries no menu resource, the menu bar is built from the catalogue.
HWND create_editor_window(DLGPROC proc, LPARAM param);

}  // namespace ce::test
