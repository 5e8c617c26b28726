// The application shell: start-up, the numeric entry filter of the NewEdit
// fields and the editor form's dialog procedure, which turns window messages
// into calls of the portable handlers of form/editor.h.
#pragma once

#include <windows.h>

#include <memory>

#include "app/win32_form.h"
#include "form/editor.h"

namespace ce {

// What lives for the editor dialog's lifetime; passed as the creation
// parameter and kept in the dialog's user data.
struct EditorSession {
    EditorState state;
    std::unique_ptr<Win32Form> form;  // made when the dialog initialises
    bool reporting = false;           // an unexpected error's message box is open
    HWND choice_field = nullptr;      // the edit field of list 300 (see choice_field.h)
};

// While alive, Ctrl+Z pressed anywhere in the editor form of this thread (not
// in a window over it, nor at a question) is the menu's undo: the dialog
// box's own loop knows no accelerators.
class UndoKey {
public:
    UndoKey();
    ~UndoKey();
    UndoKey(const UndoKey&) = delete;
    UndoKey& operator=(const UndoKey&) = delete;

private:
    HHOOK hook_;
};

// Checks the files, registers NewEdit, initialises the common controls and runs
// the editor form modally. Returns the exit code: the form's result, 2 when the
// start-up check found faults.
int run_editor();

// Registers the class "NewEdit": the system "Edit" class with the numeric
// entry filter as its procedure, in this module. Idempotent; false on failure.
bool register_new_edit();

// Initialises the common controls (record size 8, every class).
void init_common_controls();

LRESULT CALLBACK numeric_entry_filter(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The editor form's event routine. lParam of WM_INITDIALOG is an EditorSession*.
INT_PTR CALLBACK editor_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The colours the system gives by default to a control that paints (message
// WM_CTLCOLOR...): set into `dc`, and the background brush returned; 0 for
// other messages and for scroll bars, whose default is left to the system.
INT_PTR control_colours(UINT message, HDC dc);

// The typed characters the filter lets through: digits, '.', '-', backspace.
bool numeric_entry_accepts(WPARAM character);

}  // namespace ce
