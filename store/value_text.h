// Values as text, in one place: how the editor's form shows a stored element and
// reads it back, how the tool writes an element exactly and reads it back
// strictly, hexadecimal bytes, plain decimal counts, and the range of every
// element. Our own code, independent of the C library and of the process locale
// (the decimal point is always '.'), so that every build gives the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/fault.h"

namespace ce {

struct BindingRow;

// --- The form's number texts (how the dialog manager shows and reads 32-bit values)

// Decimal text of a 32-bit value: signed, or the unsigned reading of its bits
// (-1 shows 4294967295).
std::string format_number(std::int32_t value, bool is_signed);
// Reads a number text as the dialog manager does: leading spaces, an optional
// '-' when signed, digits up to the first other character; 0 when there are no
// digits or the value does not fit.
std::int32_t parse_number(std::string_view text, bool is_signed);

// --- The form's float texts

// Characters a float text keeps after the "%lf" formatting.
constexpr std::size_t kFloatTextLength = 5;
// Capacity with which Save reads a float text (at most 63 characters).
constexpr int kFloatTextCapacity = 64;

// The full "%lf" text of a value: fixed notation with six decimals, correctly
// rounded; a NaN gives "nan", infinities "inf" and "-inf".
std::string format_lf(double value);

// The text shown for a float element: format_lf of the value widened to double,
// cut to its first 5 characters.
std::string float_text(float value);

// A scaled integer as a float: the value rounded to single precision, divided in
// single precision by the scale.
float scaled_value(std::int32_t value, float scale);
// The text shown for a scaled integer: float_text(scaled_value(value, scale)).
std::string scaled_text(std::int32_t value, float scale);

// Reads a text as "%f" would for decimal text: leading white space, an optional
// sign, digits with an optional point and an optional exponent, or "nan", "inf"
// or "infinity" in any case; no hexadecimal floats. The reading stops at the
// first character that does not fit and is correctly rounded to single
// precision. Nothing when the text does not begin with a number; `used`, when
// given, receives how many characters the number took.
std::optional<float> parse_float(std::string_view text, std::size_t* used = nullptr);

// The stored integer of a scaled value: the float times the scale in single
// precision, truncated toward zero; -2147483648 when that is not a number or is
// outside the signed 32-bit range.
std::int32_t scaled_store(float parsed, float scale);
// Whether that product is within the signed 32-bit range (not NaN).
bool scaled_fits(float parsed, float scale);

// The text the form shows for the slot's element of a Text, Number,
// NumberPlusOne, Float or Scaled row ("" for other rows). `bytes` must hold
// the element.
std::string shown_element_text(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);

// --- Reading the form's texts for a Save: strictly, the whole text, in range

// What a Save stores from a control's text: an integer (Number, NumberPlusOne,
// and Scaled after scaling) or a float (Float). Text rows: the text fits.
struct FormValue {
    std::int64_t integer = 0;
    float real = 0;
};
// Reads the text of the row's control as a Save stores it: a number row takes
// an optional '-' and decimal digits (empty reads 0) within the values the
// field shows; a float row a whole float text (surrounding spaces allowed, '.'
// the decimal point) within the float range, or nan or inf; a scaled row a
// float text whose stored integer fits; a text row at most width - 1
// characters. Otherwise a fault saying what is wrong with the text ("300 is
// outside 0..255", "\"7x\" is not a number").
Result<FormValue> read_form_text(const BindingRow& row, std::string_view text);

// Said after a number text that a decimal comma spoilt ("-36,25"), by the
// editor's Save and the tool's import alike.
constexpr std::string_view kDecimalCommaHint = " (the decimal point is '.', not ',')";

// A text of the editor's code page quoted for a message: in double quotes, cut
// as every message cuts a value (quoted_length, store/quoted_text.h), control
// bytes as '?'.
std::string quoted_value(std::string_view text);

// --- Exact texts (export, import, patches, the history)

// The quiet NaN that arithmetic and the C library produce; written "nan".
constexpr std::uint32_t kDefaultNan = 0x7FC00000u;

// Shortest round-trip text of the float with these bits: "1.5", "-0.0" (the sign
// of zero kept, and a point so that JSON reads it as a float), "3.4028235e+38";
// "inf", "-inf"; "nan" for kDefaultNan and "nan(0xFFC00000)" for any other NaN,
// with all 32 bits.
std::string float_value_text(std::uint32_t bits);

// Reads a float text back to its bits: what float_value_text writes, plus any
// decimal number that is within the float range (rounded to nearest), "+inf",
// "infinity" and any letter case of the words. Surrounding spaces are allowed.
// Nothing for anything else (hexadecimal floats, trailing text, out of range).
std::optional<std::uint32_t> parse_float_value(std::string_view text);

// Reads an integer: optional sign and decimal digits, surrounding spaces
// allowed. Nothing when it is not an integer or does not fit 64 bits.
std::optional<std::int64_t> parse_integer(std::string_view text);
// Reads a creature slot: an integer as parse_integer reads it that is_slot.
std::optional<int> parse_slot(std::string_view text);

// Reads a count or a number of ours (an entry number, a size, a seed): decimal
// digits only, no sign, no space, at most `max`. Nothing for anything else.
std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t max = UINT64_MAX);

// Bytes as hexadecimal digits, two per byte ("00FF41"), and back: an even
// number of digits of either case, surrounding spaces allowed; nothing for
// anything else.
// A pair of dots stands for a byte that the digits do not give: it reads as a
// zero byte, marked in `dots` when given.
std::string hex_bytes(std::string_view bytes);
std::optional<std::string> parse_hex_bytes(std::string_view text, std::vector<bool>* dots = nullptr);
// One hexadecimal digit: its character for 0..15, and the value of a character
// (-1 when it is none).
char hex_digit(unsigned value, bool upper = true);
int hex_value(char c);

// Float bits <-> float.
std::uint32_t float_bits(float f);
float bits_float(std::uint32_t bits);

// --- The range of an element

// The values an integer element takes as text: its width's range, and for a
// 32-bit element that the editor shows unsigned also the unsigned reading of
// its bits (4294967295 for -1). Bit elements take 0 and 1.
struct ValueRange {
    std::int64_t min = 0;
    std::int64_t max = 0;
    bool contains(std::int64_t v) const { return v >= min && v <= max; }
    // "0..255"
    std::string text() const;
};
ValueRange element_range(const BindingRow& row);
// The stored integer of a value within the element's range: its unsigned
// reading folded back onto the signed bits.
std::int64_t element_value(const ValueRange& range, std::int64_t value);

}  // namespace ce
