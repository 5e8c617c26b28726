#include "cli/values.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace ce {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (x != b[i]) return false;
    }
    return true;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string hex_bytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(2 * bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::optional<std::string> parse_hex_bytes(std::string_view text, std::vector<bool>* dots) {
    text = trim(text);
    if (text.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const bool dot = text[i] == '.' && text[i + 1] == '.';
        if (dots) dots->push_back(dot);
        if (dot) {
            out += '\0';
            continue;
        }
        const int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::uint32_t float_bits(float f) { return std::bit_cast<std::uint32_t>(f); }
float bits_float(std::uint32_t bits) { return std::bit_cast<float>(bits); }

std::string float_value_text(std::uint32_t bits) {
    const bool negative = (bits & 0x80000000u) != 0;
    const std::uint32_t exponent = (bits >> 23) & 0xFFu;
    const std::uint32_t mantissa = bits & 0x7FFFFFu;
    if (exponent == 0xFF) {
        if (mantissa == 0) return negative ? "-inf" : "inf";
        if (bits == kDefaultNan) return "nan";
        char text[24];
        std::snprintf(text, sizeof text, "nan(0x%08X)", static_cast<unsigned>(bits));
        return text;
    }
    if (bits == 0x80000000u) return "-0.0";
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, bits_float(bits));
    return std::string(text, result.ptr);
}

std::optional<std::uint32_t> parse_float_value(std::string_view text) {
    text = trim(text);
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (equals_ignoring_case(body, "inf") || equals_ignoring_case(body, "infinity"))
        return negative ? 0xFF800000u : 0x7F800000u;
    if (equals_ignoring_case(body, "nan")) return negative ? (kDefaultNan | 0x80000000u) : kDefaultNan;
    if (body.size() > 4 && equals_ignoring_case(body.substr(0, 4), "nan(") && body.back() == ')') {
        std::string_view payload = body.substr(4, body.size() - 5);
        if (payload.size() > 2 && payload[0] == '0' && (payload[1] == 'x' || payload[1] == 'X'))
            payload.remove_prefix(2);
        else
            return std::nullopt;
        std::uint32_t bits = 0;
        auto r = std::from_chars(payload.data(), payload.data() + payload.size(), bits, 16);
        if (r.ec != std::errc() || r.ptr != payload.data() + payload.size()) return std::nullopt;
        // Only NaN patterns: anything else has a plain spelling.
        if (((bits >> 23) & 0xFFu) != 0xFF || (bits & 0x7FFFFFu) == 0) return std::nullopt;
        if (negative) bits ^= 0x80000000u;
        return bits;
    }
    // Decimal text only: digits, point, exponent (from_chars takes no sign '+'
    // and no hexadecimal in the general format).
    if (body.empty() || !((body.front() >= '0' && body.front() <= '9') || body.front() == '.'))
        return std::nullopt;
    float value = 0;
    auto r = std::from_chars(body.data(), body.data() + body.size(), value,
                             std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != body.data() + body.size()) return std::nullopt;
    std::uint32_t bits = float_bits(value);
    if (negative) bits ^= 0x80000000u;
    return bits;
}

std::optional<std::int64_t> parse_integer(std::string_view text) {
    text = trim(text);
    std::string_view body = text;
    if (!body.empty() && body.front() == '+') {
        body.remove_prefix(1);
        if (!body.empty() && body.front() == '-') return std::nullopt;
    }
    if (body.empty()) return std::nullopt;
    std::size_t digits_from = body.front() == '-' ? 1 : 0;
    if (body.size() == digits_from || body[digits_from] < '0' || body[digits_from] > '9')
        return std::nullopt;
    std::int64_t value = 0;
    auto r = std::from_chars(body.data(), body.data() + body.size(), value, 10);
    if (r.ec != std::errc() || r.ptr != body.data() + body.size()) return std::nullopt;
    return value;
}

}  // namespace ce
