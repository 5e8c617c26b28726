// The exact texts, the form's number texts, hexadecimal bytes and element
// ranges (the form's float texts are in float_text.cpp).
#include "store/value_text.h"

#include <bit>
#include <charconv>
#include <cstdio>
#include <system_error>
#include <algorithm>
#include <limits>

#include "store/binding.h"
#include "store/layouts.h"
#include "store/quoted_text.h"

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

}  // namespace

char hex_digit(unsigned value, bool upper) {
    return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 15u];
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string hex_bytes(std::string_view bytes) {
    std::string out;
    out.reserve(2 * bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += hex_digit(b >> 4);
        out += hex_digit(b & 15u);
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
        const int hi = hex_value(text[i]), lo = hex_value(text[i + 1]);
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

std::optional<int> parse_slot(std::string_view text) {
    const std::optional<std::int64_t> v = parse_integer(text);
    if (!v || !is_slot(*v)) return std::nullopt;
    return static_cast<int>(*v);
}

std::optional<std::uint64_t> parse_decimal(std::string_view text, std::uint64_t max) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::uint64_t value = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

// --- the form's number texts -----------------------------------------------------

std::string format_number(std::int32_t value, bool is_signed) {
    if (is_signed) return std::to_string(value);
    return std::to_string(static_cast<std::uint32_t>(value));
}

std::int32_t parse_number(std::string_view text, bool is_signed) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (is_signed && pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    const std::size_t first_digit = pos;
    // The magnitude is capped just above the widest allowed value, so a long
    // run of digits cannot overflow the accumulator.
    constexpr std::uint64_t kCap = 0x1'0000'0000ull;
    std::uint64_t magnitude = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (magnitude > kCap) magnitude = kCap + 1;
        ++pos;
    }
    if (pos == first_digit) return 0;
    if (is_signed) {
        if (negative) {
            if (magnitude > 0x8000'0000ull) return 0;
            return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
        }
        if (magnitude > 0x7FFF'FFFFull) return 0;
        return static_cast<std::int32_t>(magnitude);
    }
    if (magnitude > 0xFFFF'FFFFull) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
}

// --- ranges ---------------------------------------------------------------------

std::string ValueRange::text() const { return std::to_string(min) + ".." + std::to_string(max); }

ValueRange element_range(const BindingRow& row) {
    if (row.kind == Conversion::Bit) return {0, 1};
    const int bits = 8 * row.width;
    if (!row.is_signed) return {0, (std::int64_t{1} << bits) - 1};
    ValueRange range{-(std::int64_t{1} << (bits - 1)), (std::int64_t{1} << (bits - 1)) - 1};
    // Shown (and saved) as unsigned: 4294967295 is how the editor shows -1.
    if (row.kind == Conversion::Number && !row.show_signed && !row.save_signed)
        range.max = (std::int64_t{1} << bits) - 1;
    return range;
}

std::int64_t element_value(const ValueRange& range, std::int64_t value) {
    // The unsigned reading of a signed element: the same bits.
    if (range.min < 0 && value > -range.min - 1) return value + 2 * range.min;
    return value;
}

std::string shown_element_text(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    switch (row.kind) {
        case Conversion::Text: return read_text(row, bytes, slot);
        case Conversion::Number:
            return format_number(static_cast<std::int32_t>(read_int(row, bytes, slot)), row.show_signed);
        case Conversion::NumberPlusOne:
            return format_number(static_cast<std::int32_t>(read_int(row, bytes, slot) + 1), row.show_signed);
        case Conversion::Float: return float_text(read_float(row, bytes, slot));
        case Conversion::Scaled:
            return scaled_text(static_cast<std::int32_t>(read_int(row, bytes, slot)), row.scale);
        default: return {};
    }
}

// --- reading the form's texts for a Save ----------------------------------------

std::string quoted_value(std::string_view text) {
    const std::size_t shown = quoted_length(text);
    std::string out = "\"";
    for (std::size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (text.size() > shown) out += "...";
    return out + "\"";
}

namespace {

bool only_spaces(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// A float text that is a number as a whole: "%f"'s syntax, nothing after it but
// spaces. `why` names what is wrong, with a hint for a decimal comma.
Result<float> whole_float(std::string_view text) {
    std::size_t used = 0;
    const std::optional<float> value = parse_float(text, &used);
    if (value && only_spaces(text.substr(used))) {
        const std::string_view body = trim(text);
        const bool word = body.find_first_of("iInN") != std::string_view::npos;
        if (!word && (*value == std::numeric_limits<float>::infinity() ||
                      *value == -std::numeric_limits<float>::infinity()))
            return Fault(FaultKind::out_of_range, "", quoted_value(text) + " is outside the float range");
        return *value;
    }
    std::string why = quoted_value(text) + " is not a number";
    std::string dotted(text);
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    std::size_t dotted_used = 0;
    if (dotted != text && parse_float(dotted, &dotted_used) && only_spaces(std::string_view(dotted).substr(dotted_used)))
        why += kDecimalCommaHint;
    return Fault(FaultKind::invalid, "", why);
}

std::string fixed_text(double value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::string(buffer, r.ptr);
}

Result<FormValue> read_integer_text(const BindingRow& row, std::string_view text) {
    const int plus = row.kind == Conversion::NumberPlusOne ? 1 : 0;
    const ValueRange stored = element_range(row);
    const ValueRange shown{stored.min + plus, stored.max + plus};
    std::optional<std::int64_t> value = only_spaces(text) ? std::optional<std::int64_t>(0) : parse_integer(text);
    if (!value) return Fault(FaultKind::invalid, "", quoted_value(text) + " is not a whole number");
    if (!shown.contains(*value))
        return Fault(FaultKind::out_of_range, "", std::string(trim(text)) + " is outside " + shown.text());
    return FormValue{element_value(stored, *value - plus), 0};
}

}  // namespace

Result<FormValue> read_form_text(const BindingRow& row, std::string_view text) {
    switch (row.kind) {
        case Conversion::Number:
        case Conversion::NumberPlusOne: return read_integer_text(row, text);
        case Conversion::Float: {
            const Result<float> value = whole_float(text);
            if (!value.ok()) return value.fault();
            return FormValue{0, *value};
        }
        case Conversion::Scaled: {
            const Result<float> value = whole_float(text);
            if (!value.ok()) return value.fault();
            if (!scaled_fits(*value, row.scale))
                return Fault(FaultKind::out_of_range, "",
                             std::string(trim(text)) + " is outside " + fixed_text(-2147483648.0 / row.scale) + ".." +
                                 fixed_text(2147483647.0 / row.scale));
            return FormValue{scaled_store(*value, row.scale), *value};
        }
        case Conversion::Text:
            if (text.size() > static_cast<std::size_t>(row.width) - 1)
                return Fault(FaultKind::out_of_range, "",
                             quoted_value(text) + " has " + std::to_string(text.size()) +
                                 " characters; the field holds at most " + std::to_string(row.width - 1));
            return FormValue{};
        default: return FormValue{};
    }
}

}  // namespace ce
