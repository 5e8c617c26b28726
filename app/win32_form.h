// The form over a real dialog window. The dialog is a Unicode window; its text
// operations convert between the core's bytes and UTF-16 with the code page of
// the current language.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/code_page.h"
#include "form/form.h"
#include "form/form_window.h"

namespace ce {

class DrawScheduler;

class Win32Form : public Form {
public:
    // The dialog's controls are looked up once: an identifier names the first
    // of its controls in creation (template) order.
    explicit Win32Form(HWND dialog);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    HWND dialog() const { return dialog_; }
    // The window of a control, nullptr when the form has none with this id.
    HWND control(int id) const;

    void set_text(int id, std::string_view text) override;
    std::string get_text(int id, int capacity) const override;
    void set_check(int id, int state) override;
    int get_check(int id) const override;
    void check_radio(int first, int last, int id) override;
    void select_item(int id, int index) override;
    int selected_item(int id) const override;
    void clear_items(int id) override;
    int add_item(int id, std::string_view text) override;
    int insert_item(int id, int index, std::string_view text) override;
    void delete_item(int id, int index) override;
    std::optional<std::string> item_text(int id, int index) const override;
    void set_enabled(int id, bool enabled) override;
    void set_text_limit(int id, int limit) override;
    void set_spin_range(int spin_id, int low, int high) override;

    int item_count(int id) const override;
    bool is_enabled(int id) const override;
    bool has_control(int id) const override;

    void paint_portrait(int index) override;
    void paint_decorations() override;
    void report_error(const UserText& message) override;
    Answer ask(const UserText& question) override;
    void focus(int id) override;
    // Also shows the bytes of every edit's text in the new language's page,
    // and the title and the menu in the new language.
    void set_language(int language) override;
    int language() const override { return language_; }
    void open_language_list() override;
    // A dialog box of the window's layout over this form's dialog, a Win32Form
    // of its own over it (in this form's language) for the window's routine.
    void open_window(FormWindow& window) override;
    // The system's open and save dialogs for a mod, its folder chooser for a base folder.
    std::optional<std::string> choose_path(PathChoice what) override;

    CodePage code_page() const { return page_; }

    // One drawing pass per action (see DrawScheduler). Operations that would
    // leave a control as it is send it nothing, always. Between begin_update
    // and end_update (they nest) the controls an operation really changes are
    // drawn again in one pass when the update ends. A list cleared and filled
    // again in an update keeps the entries it already holds: only from the
    // first entry that differs is it refilled. What the control operations
    // read is the same as without an update.
    void begin_update();
    void end_update();
    bool updating() const;
    // Nothing the update changes is drawn until its end, when all of it is
    // drawn in the one pass (which costs more than the controls drawing
    // themselves as they change, below a number of them).
    void hold_drawing();

    // The part of the dialog a paint draws (nothing: all of it). The pictures
    // outside it are not drawn again.
    void set_paint_area(std::optional<RECT> area);

    // The drop-down lists stop redrawing until resume_list_redraw, or until an
    // error is reported (its message box must stand over a drawn form).
    // Refilling every list adds thousands of entries, and a list that redraws
    // costs several times as much per entry under Wine. Each paused list is
    // invalidated once when it resumes. (An update pauses the lists it refills
    // by itself.)
    void pause_list_redraw();
    void resume_list_redraw();
    // Draws what waits and lets the lists redraw, before a message box.
    void ready_for_message_box();
    // Also while an update pauses the dialog or refills a list.
    bool list_redraw_paused() const;

private:
    HWND list(int id) const;  // the control when it is a combo box
    HWND list_box(int id) const;  // the control when it is a list box (the editor's own windows)
    static INT_PTR CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    std::wstring to_wide(std::string_view text) const;
    std::string to_bytes(const std::wstring& text) const;

    // The entries of a list as this form set them, read from the list again
    // when its count says that something else changed it.
    std::vector<std::wstring>& entries(HWND list) const;
    void really_clear(HWND list) const;
    int append(HWND list, const std::wstring& text) const;
    void cut_entries(HWND list, std::size_t keep) const;
    void show_selection(HWND list, int index) const;
    // A list being refilled (cleared, then entries added) is brought to what
    // the operations so far asked for: the entries added, no selection.
    void settle(HWND hwnd) const;
    void finish_refill(HWND list, int selection) const;
    void finish_refills() const;
    // Ends the update's pauses, drawing what changed (an update can go on).
    void flush_update();
    // The editor frame's title and menu in the form's language.
    void show_own_words();

    HWND dialog_;
    int language_ = 0;
    CodePage page_ = CodePage::Western1252;
    std::unordered_map<int, HWND> controls_;
    std::unordered_map<int, HWND> list_boxes_;  // the controls_ that are list boxes
    // Told of every change the operations make. Reads finish pending refills,
    // which changes what is drawn, not what the form holds: the scheduler is
    // not part of the form's state.
    std::unique_ptr<DrawScheduler> drawing_;

    // The text each one-line edit shows, as last set or read: every message to
    // an edit with a spin costs a tenth of a millisecond under Wine (the spin's
    // hook on it asks the window server), and a show compares some sixty of
    // them. The edit tells the dialog of every change of its text (EN_CHANGE:
    // typing, a spin's step, anyone's WM_SETTEXT), and the form, which watches
    // the dialog's messages, forgets the text then.
    mutable std::unordered_map<HWND, std::wstring> edit_texts_;
    std::wstring shown_text(HWND hwnd) const;
    static LRESULT CALLBACK watch_dialog(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    // Lists being refilled in an update: list -> entries kept so far; and the
    // entries of each list as last set or read. Reads finish a refill.
    mutable std::unordered_map<HWND, std::size_t> refills_;
    mutable std::unordered_map<HWND, std::vector<std::wstring>> entries_;
};

// The language list form (template 100), modal over `owner`, worded in
// `language`: OK and Escape close it; nothing of the editor changes. Returns
// when it is closed.
void run_language_list(HWND owner, int language = 0);

// The editor's words in `language` as the screen shows them: its words by the
// language's code page, file names and the system's reasons by the system's.
std::wstring user_text_wide(const UserText& text, int language);
std::wstring words_wide(int language, MessageKey key);

// One message box titled with the editor's title, its title and button in
// `language`.
void show_error(HWND owner, std::wstring_view message, int language = 0);
// A question with Yes, No and Cancel worded in `language`: IDYES, IDNO or
// IDCANCEL. Keys held down when it opens repeat into nothing while it is open.
int ask_user(HWND owner, std::wstring_view question, int language = 0);

// Text in the system's ANSI code page (file and folder names) as UTF-16.
std::wstring ansi_to_wide(std::string_view text);

}  // namespace ce
