// The fields of a creature as the command-line tool names them: one per row of
// the binding table, keyed "<file>@<offset>" ("<file>@<offset>[<element>]" for
// the elements of a record), plus the creature's name, plural and ability text.
// Keys are the same in every language.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "folder/captions.h"
#include "store/binding.h"
#include "store/fault.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {

enum class FieldKind : std::uint8_t {
    Integer,  // any element stored as an integer (numbers, lists, checks, flags, bits)
    Float,    // a single-precision float element
    Text,     // a zero-terminated text field
    Line,     // a line of a language file: name, plural, ability
    After,    // the bytes after a text field's zero, as hexadecimal digits
};

struct Field {
    std::string key;
    FieldKind kind;
    const BindingRow* row = nullptr;  // the binding row (not for Line)
    TextKind text_kind = TextKind::Monsters;  // Line: which file
    std::int64_t min = 0, max = 0;    // Integer: the range of the element (a 32-bit
                                      // element that the editor shows unsigned also
                                      // takes the unsigned reading of its bits)

    // How a person names the field, in the language of `caption_of` (the
    // folder's Common texts, or the form's captions): the caption of its
    // control (row_caption, line_caption), "... (bytes after the text)" for an
    // After field, "(no control)" for a row that no control shows; its key
    // when the captions are empty.
    std::string caption(const CaptionOf& caption_of) const;
    // The bytes of the field's element in its data file (0 for a Line).
    std::size_t width() const { return row ? row->width : 0; }
    // The longest text the field stores: a Text field's width, a Line's 63 or
    // 999 characters; 0 for the other kinds.
    std::size_t text_max() const;
    // A Line field's line of the creature in its language file.
    int line(int slot) const { return creature_line_number(text_kind, slot); }
};

// Every field: name, plural, ability, then the six files' rows in file order.
// With `text_tails`, each text field is followed by its After field, keyed
// "<text key>.after": what export and import carry so that every byte of the
// field comes back.
std::vector<Field> make_fields(bool text_tails = false);

// Suffix of an After field's key.
constexpr std::string_view kAfterSuffix = ".after";

// Line number in the language file of the creature's line (Field::line).
int line_of(const Field& field, int slot);
// Longest text stored for the line (63 or 999; Field::text_max of a Line).
std::size_t line_max(const Field& field);

// The selection named by a comma-separated list of keys: a key, an array key
// without its element ("MonstersSetup.vrh@85000": every element), a file name
// ("Ammo.vrh": all its fields), "name", "plural", "ability", or "texts" (the
// three). Indices into `fields`, in table order; a fault when a name is unknown
// or none is given.
Result<std::vector<int>> select_fields(const std::vector<Field>& fields, std::string_view list);

// Index of the field with this key, or -1.
int find_field(const std::vector<Field>& fields, std::string_view key);

// Parses "A-B", "A", "A-", "-B" and comma-separated lists of them into slots
// 0..999, sorted and without repeats.
Result<std::vector<int>> parse_slots(std::string_view text);

// The slots (ascending) as ranges: "0-3, 7, 9-12".
std::string slot_ranges(const std::vector<int>& slots);

}  // namespace ce
