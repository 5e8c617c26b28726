// The form over a real dialog window. The dialog is a Unicode window; its text
// operations convert between the core's bytes and UTF-16 with the code page of
// the current language.
#pragma once

#include <windows.h>

#include <unordered_map>
#include <vector>

#include "app/code_page.h"
#include "form/form.h"

namespace ce {

class Win32Form : public Form {
public:
    // The dialog's controls are looked up once: an identifier names the first
    // of its controls in creation (template) order.
    explicit Win32Form(HWND dialog);

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
    void report_error(std::string_view message) override;
    // Also shows the bytes of every edit's text in the new language's page.
    void set_language(int language) override;
    void open_language_list() override;

    CodePage code_page() const { return page_; }

    // The drop-down lists stop redrawing until resume_list_redraw, or until an
    // error is reported (its message box must stand over a drawn form).
    // Refilling every list (a language switch, Save) adds thousands of entries,
    // and a list that redraws costs several times as much per entry under Wine.
    // Each paused list is invalidated once when it resumes.
    void pause_list_redraw();
    void resume_list_redraw();
    bool list_redraw_paused() const { return !paused_lists_.empty(); }

private:
    HWND list(int id) const;  // the control when it is a combo box
    std::wstring to_wide(std::string_view text) const;
    std::string to_bytes(const std::wstring& text) const;

    HWND dialog_;
    CodePage page_ = CodePage::Western1252;
    std::unordered_map<int, HWND> controls_;
    std::vector<HWND> paused_lists_;
};

// The language list form (template 100), modal over `owner`: OK and Escape
// close it; nothing of the editor changes. Returns when it is closed.
void run_language_list(HWND owner);

// One message box titled with the editor's title.
void show_error(HWND owner, std::wstring_view message);

// Text in the system's ANSI code page (file and folder names) as UTF-16.
std::wstring ansi_to_wide(std::string_view text);

}  // namespace ce
