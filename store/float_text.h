// Float texts: how a CrAnim float or scaled value is shown, and how a shown text
// is read back. Our own code, independent of the C library and of the process
// locale (the decimal point is always '.'), so that every build gives the same
// bits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ce {

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
// precision. Nothing when the text does not begin with a number.
std::optional<float> parse_float(std::string_view text);

// The stored integer of a scaled value: the float times the scale in single
// precision, truncated toward zero; -2147483648 when that is not a number or is
// outside the signed 32-bit range.
std::int32_t scaled_store(float parsed, float scale);

}  // namespace ce
