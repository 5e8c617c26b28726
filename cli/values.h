// Exact texts of stored values, for export and import: a float is written as
// the shortest decimal text that reads back to the same bits, and the texts read
// back are checked strictly (no silent cuts or roundings).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

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

// Bytes as hexadecimal digits, two per byte ("00FF41"), and back: an even
// number of digits of either case, surrounding spaces allowed; nothing for
// anything else.
// A pair of dots stands for a byte that the digits do not give: it reads as a
// zero byte, marked in `dots` when given.
std::string hex_bytes(std::string_view bytes);
std::optional<std::string> parse_hex_bytes(std::string_view text, std::vector<bool>* dots = nullptr);

// Float bits <-> float.
std::uint32_t float_bits(float f);
float bits_float(std::uint32_t bits);

}  // namespace ce
