// A headless model of a form built from the catalogue: the control operations
// behave as the dialog manager's do, and the user's actions (click, type,
// choose, spin, Escape, menu) change the controls as the platform would and
// raise the command it would raise, through a command sink. Flow tests drive
// the editor's handlers with it; the contract suite holds it to the same cases
// as the real dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "form/catalogue.h"
#include "form/form.h"
#include "form/form_window.h"

namespace ce {

class MemoryForm : public Form {
public:
    // Receives wParam of every command the user's actions raise, as the dialog
    // procedure would: the notification code in the high 16 bits.
    using CommandSink = std::function<void(std::uint32_t wparam)>;

    explicit MemoryForm(std::span<const Control> controls = editor_controls(),
                        std::span<const MenuItem> menu = editor_menu());

    // --- control operations -------------------------------------------------------
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

    // --- hooks: recorded for tests ---------------------------------------------------
    void paint_portrait(int index) override { portraits_.push_back(index); }
    void paint_decorations() override { ++decoration_paints_; }
    void report_error(const UserText& message) override { errors_.push_back(message.flat()); }
    // Records the question and gives the next of the answers queued with
    // answer_next (Cancel when none is queued, as closing the box does).
    Answer ask(const UserText& question) override;
    void focus(int id) override { focused_ = id; }
    void set_language(int language) override { language_ = language; }
    int language() const override { return language_; }
    void open_language_list() override { ++language_list_opens_; }
    // Makes the window as a MemoryForm of its layout (in this form's language),
    // initialises it and hands it to the next script queued with on_next_window,
    // whose actions on it reach the window's routine; it closes when the script
    // returns, or when its routine closes it (later actions then do nothing).
    void open_window(FormWindow& window) override;

    // --- the user's actions ----------------------------------------------------------
    void set_command_sink(CommandSink sink) { sink_ = std::move(sink); }
    // A mouse click on the first push button, check box or radio button carrying
    // id (so 2101 reaches the jump button). Push button: command id. Check box:
    // toggles, then command id. Radio button: checks it, clears the other radio
    // buttons of its group, then command id. Disabled or not clickable: nothing.
    void click(int id);
    // Keystrokes typed at the end of an edit's text (or of 300's edit field).
    // Number edits take digits only; NewEdit fields run the numeric entry
    // filter (a rejected key beeps); upper-case edits capitalise letters; the
    // text limit refuses keys beyond it; backspace (8) deletes the last
    // character. Typing into 300 leaves list 300 with no selection and raises
    // (ctl::kEditChange << 16) | 300 for each change of its text, no selection
    // change. Other controls, or a disabled one: nothing.
    void type(int id, std::string_view chars);
    // A user's choice of entry index in a list: selects it (300 also shows it in
    // its edit field) and raises (1 << 16) | id. Out of range or disabled: nothing.
    void choose(int id, int index);
    // Arrow clicks on a spin: each step moves the buddy's number by one within
    // the spin's range, without wrapping, and writes it as plain decimal.
    // Positive steps go up. Nothing when the spin or its buddy is disabled.
    void spin(int spin_id, int steps);
    // The Escape key or the caption's close button: command 2.
    void key_escape();
    // A command of the menu bar; an id the menu does not have does nothing.
    void menu(int id);

    // --- queries for tests -----------------------------------------------------------
    // Text of the occurrence-th control (0-based, template order) carrying id,
    // so a shared identifier's later controls can be read; "" when there is none.
    std::string text_at(int id, int occurrence) const;
    // The user's text limit of an edit, -1 when none is set (or no such edit).
    int text_limit(int id) const;
    struct SpinRange {
        int low, high;
    };
    std::optional<SpinRange> spin_range(int spin_id) const;
    // The catalogue entry of the first control carrying id, or nullptr.
    const Control* control(int id) const;

    // --- recorders -------------------------------------------------------------------
    int beeps() const { return beeps_; }
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<int>& portraits() const { return portraits_; }
    int decoration_paints() const { return decoration_paints_; }
    int language_list_opens() const { return language_list_opens_; }
    const std::vector<std::string>& questions() const { return questions_; }
    void answer_next(Answer answer) { answers_.push_back(answer); }
    // What the user does in the next window that opens.
    using WindowScript = std::function<void(MemoryForm& window)>;
    void on_next_window(WindowScript script) { window_scripts_.push_back(std::move(script)); }
    int windows_opened() const { return windows_opened_; }
    // The next path chooser answers `path` (nothing: the user cancels, as when
    // none is queued); the choices asked for are recorded.
    std::optional<std::string> choose_path(PathChoice what) override;
    void answer_path_next(std::optional<std::string> path) { paths_.push_back(std::move(path)); }
    const std::vector<PathChoice>& path_choices() const { return path_choices_; }
    // The control given the focus last, 0 when none.
    int focused() const { return focused_; }
    void clear_records();

private:
    struct State {
        const Control* def;
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<std::string> items;
        int selected = -1;
        int limit = -1;
        // An up-down control starts with the range 100..0 (reversed) and 0.
        int low = 100, high = 0, position = 0;
    };

    State* find(int id);
    const State* find(int id) const;
    bool is_list(const State& s) const;
    bool is_edit(const State& s) const;
    void raise(std::uint32_t wparam);
    void type_one(State& s, unsigned char c);

    std::vector<State> controls_;        // template order
    std::vector<int> first_by_id_;       // id -> index of its first control, -1 when none
    std::span<const MenuItem> menu_;
    CommandSink sink_;

    int beeps_ = 0;
    std::vector<std::string> errors_;
    std::vector<int> portraits_;
    int decoration_paints_ = 0;
    int language_ = 0;
    int language_list_opens_ = 0;
    std::vector<std::string> questions_;
    std::vector<Answer> answers_;
    int focused_ = 0;
    std::vector<WindowScript> window_scripts_;
    std::vector<std::optional<std::string>> paths_;
    std::vector<PathChoice> path_choices_;
    int windows_opened_ = 0;
};

}  // namespace ce
