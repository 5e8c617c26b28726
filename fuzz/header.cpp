// The creature header: any format text with any index gives at most 999
// characters, and a format of one integer conversion reads as printf reads it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "text/language.h"

namespace {

// printf's text of one conversion (flags, width, l and type as given), with a
// long of 32 bits as the editor's platform has it.
std::string printf_text(const std::string& conversion, bool wide, int index) {
    const char type = conversion.back();
    const long as_long = type == 'd' || type == 'i' ? static_cast<long>(index)
                                                   : static_cast<long>(static_cast<std::uint32_t>(index));
    const int n = wide ? std::snprintf(nullptr, 0, conversion.c_str(), as_long)
                       : std::snprintf(nullptr, 0, conversion.c_str(), index);
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
    if (wide) std::snprintf(buffer.data(), buffer.size(), conversion.c_str(), as_long);
    else std::snprintf(buffer.data(), buffer.size(), conversion.c_str(), index);
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace

#if defined(__clang__)
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    std::int32_t index;
    std::memcpy(&index, data, 4);
    const std::string_view rest = ce::fuzz::as_text(data + 7, size - 7);

    const std::string any = ce::format_header(rest, index);
    CE_FUZZ_CHECK(any.size() <= 999, "a header longer than 999 characters");

    // The same text around one conversion that printf knows, without other percent signs.
    std::string plain;
    for (char c : rest)
        if (c != '%' && c != '\0') plain += c;
    const std::size_t cut = plain.size() / 2;
    const std::uint8_t how = data[4];
    const std::size_t width = (static_cast<std::size_t>(data[5]) << 8 | data[6]) % 1100;
    const bool wide = how & 4;
    std::string conversion = "%";
    if (how & 1) conversion += '-';
    if (how & 2) conversion += '0';
    if (width > 0 && (how & 8)) conversion += std::to_string(width);
    if (wide) conversion += 'l';
    conversion += "diuxX"[(how >> 4) % 5];
    const std::string format = plain.substr(0, cut) + conversion + plain.substr(cut);
    std::string expected = plain.substr(0, cut) + printf_text(conversion, wide, index) + plain.substr(cut);
    if (expected.size() > 999) expected.resize(999);
    CE_FUZZ_CHECK(ce::format_header(format, index) == expected, "a header differs from printf's");
    return 0;
}
