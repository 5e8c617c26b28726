// Number texts of the form: how the dialog manager shows and reads 32-bit values.
#include "form/form.h"

#include <cstdint>
#include <string>

namespace ce {

namespace {
// Longer than any number text the editor shows; get_number reads no further.
constexpr int kNumberCapacity = 1024;
}  // namespace

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

void Form::set_number(int id, std::int32_t value, bool is_signed) {
    set_text(id, format_number(value, is_signed));
}

std::int32_t Form::get_number(int id, bool is_signed) const {
    return parse_number(get_text(id, kNumberCapacity), is_signed);
}

}  // namespace ce
