// Changes of an import that look like a program's reformatting rather than a
// person's edit: what a spreadsheet, a data-frame library or a wrong character
// set does to a cell when the file passes through it ("007" read as a number
// and written "7", "3/4" turned into a date, "NA" into an empty cell, floats
// saved as shown with fewer decimals, UTF-8 read as Windows-1252). The import
// holds such changes back until the user accepts or drops them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "folder/number_forms.h"

namespace ce {

enum class Suspect : std::uint8_t {
    None,
    CharacterSet,     // "Café" -> "CafÃ©": UTF-8 read in another character set, a byte-order mark,
                      // letters replaced ("Жук" -> "???", U+FFFD), control characters U+0080..U+009F added
    FormulaResult,    // "=1+1" -> "2", or a spreadsheet's error value in place of a text
    Missing,          // "NA", "nan", "null" <-> an empty text
    NumberRewritten,  // "007" -> "7", "+5" -> "5", "1.50" -> "1.5", "1e3" -> "1000", "1,000" -> "1000"
    Serial,           // a text turned into a date's serial number ("46024")
    Date,             // "3/4" -> "03/04/26", "Mar 3" -> "03/03/26"
    Time,             // "12:30" -> "12:30:00 PM"
    Percentage,       // "100%" -> "100.00%"
    Boolean,          // "true" -> "TRUE"
    Spaces,           // " Imp " -> "Imp": spaces trimmed or runs of spaces collapsed
    Quotes,           // "Imp" -> "\"Imp\"": quotes added around the text
    ZeroSign,         // a float's -0.0 -> 0: only the sign of zero lost
    Rounded,          // a float rounded to fewer digits, or a small one shown as 0 or -0
    Dropped,          // "Fire\tImp" -> "FireImp": a tab or another control character the text had is gone
    TypedNumber,      // "Imp" -> "7": a text typed into a cell not formatted as Text ("007" became 7)
};

// What the class means, for the report ("a number-like text rewritten").
const char* suspect_text(Suspect s);
// The class's short name, as --accept-suspect-for takes it ("number", "rounding").
const char* suspect_name(Suspect s);
// The class a short name names, or None.
Suspect suspect_named(std::string_view name);
// How to open and save a table so that the class does not happen: one line.
const char* suspect_advice(Suspect s);
// Every class but None, in order.
constexpr int kSuspectClasses = static_cast<int>(Suspect::TypedNumber);

// The class of a text field's change from `before` to `after` (both UTF-8,
// different), or None when it looks like an edit.
Suspect class_text_change(std::string_view before, std::string_view after);

// The class of a float field's change between these bits, `written` being the
// cell's text as the file gave it: ZeroSign, Rounded (the new value is the
// old one rounded to the decimals or significant digits the text shows, 0 or
// -0 included), or None. Each such change is judged alone, however few its
// column holds.
Suspect class_float_change(std::uint32_t before, std::uint32_t after, std::string_view written);

// The UTF-8 text that `text` was before a program read its UTF-8 bytes in a
// single-byte character set (Windows-1252, Windows-1251 or Latin-1; a byte
// the set leaves undefined read as the control character of its number,
// U+0080..U+009F, as Calc does), and the name of that set; nothing when it does not look like that (every character
// must map back to a byte, and the bytes must be UTF-8 with at least one
// character of two or more bytes).
struct Misread {
    std::string original;
    const char* character_set;
};
std::optional<Misread> misread_utf8(std::string_view text);
}  // namespace ce
