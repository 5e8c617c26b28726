// Float text formatting and parsing without the C library's locale-dependent
// routines: std::to_chars and std::from_chars are exact and locale-free.
#include "store/value_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ce {
namespace {

// Rounds to single precision through memory. On i686 the x87 unit keeps excess
// precision in registers; the store forces the one rounding that single-precision
// arithmetic performs (the exact product, or the quotient rounded to 64 or 53
// bits first, both round to the same float).
float to_single(double value) {
    volatile float stored = static_cast<float>(value);
    return stored;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[i]) != word[i]) return false;
    return true;
}

// Digits with an optional point from text[i]: where they end, how many there
// are, and whether one is not zero and the decimal exponent of the first that
// is not.
struct Mantissa {
    std::size_t end;
    std::size_t digits;
    bool nonzero;
    long long lead;
};

Mantissa scan_mantissa(std::string_view text, std::size_t i) {
    const std::size_t start = i;
    long long lead = 0;
    bool nonzero = false;
    long long int_digits = 0;
    while (i < text.size() && is_digit(text[i])) {
        if (text[i] != '0' && !nonzero) {
            nonzero = true;
            lead = 0;
        }
        if (nonzero) ++int_digits;
        ++i;
    }
    std::size_t digits = i - start;
    long long frac_zeros = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t frac_start = i;
        while (i < text.size() && is_digit(text[i])) {
            if (!nonzero) {
                if (text[i] != '0') {
                    nonzero = true;
                    lead = -(frac_zeros + 1);
                } else {
                    ++frac_zeros;
                }
            }
            ++i;
        }
        digits += i - frac_start;
    }
    if (nonzero && int_digits > 0) lead = int_digits - 1;
    return {i, digits, nonzero, lead};
}

// The exponent at text[i] ('e' or 'E', a sign, digits; its size capped): where
// it ends, or i when no digits follow the 'e' ("1e" reads as 1).
std::size_t scan_exponent(std::string_view text, std::size_t i, long long& exponent) {
    exponent = 0;
    if (!(i < text.size() && (text[i] == 'e' || text[i] == 'E'))) return i;
    std::size_t j = i + 1;
    bool exp_negative = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
        exp_negative = text[j] == '-';
        ++j;
    }
    if (!(j < text.size() && is_digit(text[j]))) return i;
    while (j < text.size() && is_digit(text[j])) {
        if (exponent < 1000000) exponent = exponent * 10 + (text[j] - '0');
        ++j;
    }
    if (exp_negative) exponent = -exponent;
    return j;
}

}  // namespace

std::string format_lf(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[400];  // the longest double in fixed notation is 309 digits + 8
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, r.ptr);
}

std::string float_text(float value) {
    std::string text = format_lf(static_cast<double>(value));
    if (text.size() > kFloatTextLength) text.resize(kFloatTextLength);
    return text;
}

float scaled_value(std::int32_t value, float scale) {
    const float as_float = to_single(static_cast<double>(value));
    return to_single(static_cast<double>(as_float) / static_cast<double>(scale));
}

std::string scaled_text(std::int32_t value, float scale) { return float_text(scaled_value(value, scale)); }

std::optional<float> parse_float(std::string_view text, std::size_t* used) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    const float sign = negative ? -1.0f : 1.0f;
    if (starts_with_word(rest, "nan")) {
        if (used) *used = i + 3;
        return std::copysign(std::numeric_limits<float>::quiet_NaN(), sign);
    }
    if (starts_with_word(rest, "inf")) {
        if (used) *used = i + (starts_with_word(rest, "infinity") ? 8 : 3);
        return sign * std::numeric_limits<float>::infinity();
    }

    const std::size_t start = i;
    const Mantissa m = scan_mantissa(text, start);
    if (m.digits == 0) return std::nullopt;
    long long exponent = 0;
    const std::size_t end = scan_exponent(text, m.end, exponent);

    float value = 0.0f;
    const std::from_chars_result r =
        std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large rounds to infinity, too small to zero, as a correctly
        // rounding reader gives.
        value = m.nonzero && m.lead + exponent >= 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (r.ec != std::errc()) {
        return std::nullopt;
    }
    if (used) *used = end;
    return negative ? -value : value;
}

bool scaled_fits(float parsed, float scale) {
    const float product = to_single(static_cast<double>(parsed) * static_cast<double>(scale));
    // The float range of int32 is [-2^31, 2^31): the product is exact in double.
    return product >= -2147483648.0f && product < 2147483648.0f;
}

std::int32_t scaled_store(float parsed, float scale) {
    if (!scaled_fits(parsed, scale)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(to_single(static_cast<double>(parsed) * static_cast<double>(scale)));
}

}  // namespace ce
