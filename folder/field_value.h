// One field's value read strictly from its exact text, as the export writes it
// and the import and patches read it back: the checks and the messages live
// here once. Each reader returns the value, or nothing with `why` saying what is
// wrong with the text ("300 is outside 0..255 (a 1-byte unsigned value)").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "folder/fields.h"
#include "store/fault.h"

namespace ce {

// How a value was written in a table: a CSV field, or which JSON value.
enum class CellType : std::uint8_t {
    Text,    // a CSV field: any text
    Number,  // a JSON number; `text` is the number as written
    String,  // a JSON string
    Other,   // a JSON null, true or false
};

// "a 4-byte signed value", "a flag".
std::string width_text(const Field& field);

// An Integer field's value as stored: a whole number within the field's range
// (the unsigned reading of a 32-bit value the editor shows unsigned folded back
// onto its signed bits).
Result<std::int64_t> integer_value(const Field& field, CellType type, std::string_view text);

// A Float field's bits: a float text (a JSON string only for nan and inf, which
// JSON has no numbers for, but any float text is taken).
Result<std::uint32_t> float_value(CellType type, std::string_view text);

// The bytes after a text's zero as an After field gives them: two hexadecimal
// digits a byte, ".." for a byte that the text and its zero take (`dots`).
struct AfterBytes {
    std::string bytes;
    std::vector<bool> dots;
};
Result<AfterBytes> after_value(const Field& field, CellType type, std::string_view text);

// The After text of bytes after a zero: ".." for each of the `dotted` bytes
// of the text and its zero, then the bytes up to the last one that is not zero
// in hexadecimal digits; "" when all of them are zero.
std::string after_text(std::size_t dotted, std::string_view bytes);
// The same text for an After value as given, whatever its case and trailing
// zeros: two values that store the same bytes compare equal.
std::string after_text(const AfterBytes& after);

// A Text or Line field's text in the language's code page, checked to fit the
// field: a JSON string (a CSV cell), no zero character, no line break in a
// line, at most the field's width (a line: 63 or 999 characters).
Result<std::string> text_value(const Field& field, CellType type, std::string_view utf8, int language);

// A text field's new element: its `text` (at most its width), a zero when
// there is room, and in the bytes after it what `after` gives at their places
// (".." keeps the byte `current` holds there; zeros past what it gives); with
// no `after`, zeros. So a shorter text keeps the bytes after it where they
// were, as the editor's Save does.
std::string text_element(std::span<const std::uint8_t> current, std::string_view text, const AfterBytes* after);

}  // namespace ce
