// The form seam: every routine of the editor talks to the window only through
// this interface. Win32Form implements it over the real dialog, MemoryForm as a
// headless model built from the same catalogue.
//
// Texts are byte strings in the code page of the current language; the form
// keeps their bytes (0x80..0xFF included) unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "form/messages.h"
#include "store/value_text.h"

namespace ce {

class FormWindow;

class Form {
public:
    virtual ~Form() = default;

    // --- the control operations -------------------------------------------------
    // Set operations on an identifier the form does not have do nothing; get
    // operations yield 0 or an empty text. An operation on a shared identifier
    // reaches the control that comes first in template order.

    // Replaces the caption or content (for drop-down 300: its edit field).
    virtual void set_text(int id, std::string_view text) = 0;
    // At most capacity - 1 bytes of the control's text (capacity <= 0: empty).
    virtual std::string get_text(int id, int capacity) const = 0;
    // 0 clears, any other value checks (no other radio button is touched).
    virtual void set_check(int id, int state) = 0;
    // 1 when checked, 0 when not or absent.
    virtual int get_check(int id) const = 0;
    // Radio buttons first..last: checked when equal to id, cleared otherwise.
    virtual void check_radio(int first, int last, int id) = 0;
    // index -1 or >= count: no selection and an empty shown text.
    virtual void select_item(int id, int index) = 0;
    // -1 when no selection; 0 for an absent control or one that is not a list.
    virtual int selected_item(int id) const = 0;
    virtual void clear_items(int id) = 0;
    virtual int add_item(int id, std::string_view text) = 0;
    virtual int insert_item(int id, int index, std::string_view text) = 0;
    virtual void delete_item(int id, int index) = 0;
    // The entry's text, or nothing when index is outside 0..count-1.
    virtual std::optional<std::string> item_text(int id, int index) const = 0;
    virtual void set_enabled(int id, bool enabled) = 0;
    virtual void set_text_limit(int id, int limit) = 0;
    virtual void set_spin_range(int spin_id, int low, int high) = 0;

    // Shows the 32-bit value as decimal text; unsigned shows the bit pattern as
    // an unsigned number (-1 shows 4294967295). Built on set_text.
    void set_number(int id, std::int32_t value, bool is_signed);
    // Reads the control's text as the dialog manager would (see parse_number).
    std::int32_t get_number(int id, bool is_signed) const;

    // --- queries used by flows and tests ---------------------------------------
    virtual int item_count(int id) const = 0;     // 0 for absent controls
    virtual bool is_enabled(int id) const = 0;    // false for absent controls
    virtual bool has_control(int id) const = 0;

    // --- hooks ------------------------------------------------------------------
    // Paint the portrait of creature `index` (any int: -1 when nothing selected).
    virtual void paint_portrait(int index) { (void)index; }
    // Paint the eight decoration bitmaps.
    virtual void paint_decorations() {}
    // Report an error to the user: one message box titled with the editor's
    // title, in the language the form shows (its words in that language's
    // code page, file names and the system's reasons in the system's).
    virtual void report_error(const UserText& message) = 0;
    // Ask the user a question with the answers Yes, No and Cancel (one message
    // box titled with the editor's title, the buttons worded in the form's
    // language); closing the box answers Cancel.
    enum class Answer { Yes, No, Cancel };
    virtual Answer ask(const UserText& question) = 0;
    // Put the keyboard focus on the control (an edit: its text selected).
    virtual void focus(int id) { (void)id; }
    // The language whose code page the texts are in (0 English, 1 Russian),
    // and in which the form's boxes speak.
    virtual void set_language(int language) = 0;
    virtual int language() const = 0;
    // Open the language list form (template 100) modally and return when it closes.
    virtual void open_language_list() {}
    // Open one of the editor's own windows modally over the form, in the form's
    // language, and return when it closes.
    virtual void open_window(FormWindow& window) { (void)window; }
    // Ask the user for a path (the system's file and folder choosers): a mod to
    // open, a base folder, where to save a mod, a table to import or export. Nothing when the user cancels.
    enum class PathChoice { OpenMod, BaseFolder, SaveMod, OpenTable, SaveTable };
    virtual std::optional<std::string> choose_path(PathChoice what) {
        (void)what;
        return std::nullopt;
    }
};

}  // namespace ce
