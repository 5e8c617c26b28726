// The editor's own words: every message, question, title, menu item and button
// text it says, English and Russian side by side in one table keyed by name
// (messages.cpp). They are the program's texts, not the game's: the game's
// captions and lists come from the language files.
//
// A text is chosen by the language the form shows (0 English, 1 Russian; any
// other index English) and handed out in that language's code page
// (Windows-1252, Windows-1251), as the form's own texts are, so it goes the
// same way to the screen. A placeholder is a name in braces ("{slot}"); both
// languages of a message hold the same ones.
//
// To add a message: a key here, a row in the table (in the key's place). The
// table test checks both languages, the placeholders and the code pages.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace ce {

enum class MessageKey : std::uint16_t {
    // The frame, its menu and the buttons of the editor's boxes.
    editor_title,
    menu_copy_all_states,
    menu_paste_all_states,
    menu_paste_cranim,
    menu_history,
    menu_undo_save,
    menu_apply_mod,
    menu_save_as_mod,
    button_ok,
    button_yes,
    button_no,
    button_cancel,
    // The language list form: a label "<name> : " beside each name.
    language_label,
    language_chinese,
    language_japanese,
    language_russian,
    language_greek,
    language_hindi,
    language_vietnamese,
    language_georgian,
    language_serbian,
    language_armenian,
    language_korean,
    // Moving on and closing with unsaved changes.
    ask_save_before_closing,
    ask_save_before_showing,
    ask_save_before_language,
    // The settings file.
    index_not_stored,
    language_not_stored,
    // Files the editor reads.
    folder_faults,
    cannot_start,
    creature_not_a_slot,
    creature_not_shown,
    language_files_missing_on_show,
    language_files_unread,
    // Save.
    save_not_shown,
    save_failed,
    save_data_files_unread,
    save_language_files_unread,
    save_values_refused,
    refused_value_line,
    value_not_whole_number,
    value_outside_range,
    value_range,
    value_not_a_number,
    value_decimal_comma,
    value_outside_float_range,
    value_text_too_long,
    save_conflict_question,
    conflict_line,
    state_checked,
    state_clear,
    name_caption,
    // A write that a crash cut off, put right at start-up.
    recovered_current_folder,
    recovered_folder,
    unrecoverable_current_folder,
    unrecoverable_folder,
    // The edges of the program.
    unexpected_error,
    unexpected_unknown_error,
    form_not_created,
    out_of_memory,
    stops_on_error,
    stops_on_unknown_error,
    // The History window and undo.
    button_close,
    history_title,
    history_entries,
    history_changes,
    history_restore_creature,
    history_restore_folder,
    history_empty,
    history_unreadable,
    history_row,
    history_row_slots,
    history_by_save,
    history_by_restore,
    history_by_restore_creature,
    history_by_import,
    history_by_apply,
    history_change_row,
    history_in_english,
    history_in_russian,
    ask_restore_creature,
    ask_restore_folder,
    ask_undo_save,
    ask_undo_over_changes,
    unsaved_dropped,
    nothing_to_undo,
    restore_failed,
    restore_nothing_changed,
    // Mods.
    button_apply,
    mod_title,
    mod_changes,
    mod_take_mod,
    mod_keep_folder,
    mod_all_mod,
    mod_all_folder,
    mod_conflict_row,
    mod_settled_open,
    mod_settled_mod,
    mod_settled_folder,
    mod_summary,
    mod_nothing,
    mod_unreadable,
    mod_faults,
    mod_not_applied,
    mod_folder_changed,
    ask_apply_mod,
    choose_mod,
    choose_base,
    choose_mod_file,
    mod_not_saved,
    mod_no_difference,
    // Tables.
    menu_export_table,
    menu_import_table,
    table_title,
    table_changes,
    table_import_all,
    table_import_without_held,
    table_held_row,
    table_summary,
    table_nothing,
    table_faults,
    table_not_imported,
    table_not_exported,
    ask_import_table,
    ask_import_without_held,
    choose_table,
    choose_table_file,
    table_class_character_set,
    table_class_formula,
    table_class_missing,
    table_class_number,
    table_class_serial,
    table_class_date,
    table_class_time,
    table_class_percentage,
    table_class_boolean,
    table_class_spaces,
    table_class_quotes,
    table_class_zero_sign,
    table_class_rounding,
    table_class_dropped,
    table_class_typed_number,
    count_  // not a message: the number of keys
};

// One row of the table: both languages in UTF-8.
struct MessageRow {
    MessageKey key;
    const char* english;
    const char* russian;
};
// Every row, in the order of the keys.
std::span<const MessageRow> message_rows();

// The message in the language's code page, its placeholders as they are.
std::string_view message_text(int language, MessageKey key);

// The placeholders of a pattern, in order of appearance ("{slot}" gives "slot").
std::vector<std::string> placeholders(std::string_view pattern);

// A text for the user, in pieces: the editor's words and the form's own texts
// (captions, values) are in the code page of the form's language; file names
// and the reasons the system gives are in the system's code page. The Win32
// form turns each piece into Unicode by its own page.
class UserText {
public:
    struct Piece {
        std::string bytes;
        bool system = false;
    };

    UserText() = default;
    static UserText words(std::string_view bytes);
    static UserText system(std::string_view bytes);

    UserText& add_words(std::string_view bytes);
    UserText& add_system(std::string_view bytes);
    UserText& operator+=(const UserText& more);

    // The bytes of every piece, joined (what the headless form records).
    std::string flat() const;
    const std::vector<Piece>& pieces() const { return pieces_; }
    bool empty() const;

private:
    UserText& add(std::string_view bytes, bool system);
    std::vector<Piece> pieces_;  // neighbours of one kind are joined
};

// A placeholder's value.
struct Fill {
    Fill(std::string_view placeholder, UserText text) : name(placeholder), value(std::move(text)) {}
    // The form's words (a caption, a value): the form's code page.
    Fill(std::string_view placeholder, std::string_view words) : name(placeholder), value(UserText::words(words)) {}
    Fill(std::string_view placeholder, const char* words) : Fill(placeholder, std::string_view(words)) {}
    Fill(std::string_view placeholder, const std::string& words) : Fill(placeholder, std::string_view(words)) {}
    template <typename Number, std::enable_if_t<std::is_integral_v<Number>, int> = 0>
    Fill(std::string_view placeholder, Number number)
        : name(placeholder), value(UserText::words(std::to_string(number))) {}

    std::string_view name;
    UserText value;
};

// The message in the language with its placeholders filled; a placeholder
// without a fill stays as it is.
UserText say(int language, MessageKey key, std::initializer_list<Fill> fills = {});

}  // namespace ce
