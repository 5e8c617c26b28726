#include "text/code_page.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace ce {
namespace {

// Bytes 0x80..0xFF; 0 marks a byte the code page leaves unassigned.
constexpr std::array<char16_t, 128> kWindows1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  //
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  //
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  //
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  //
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  //
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  //
};

constexpr std::array<char16_t, 128> make_1251() {
    std::array<char16_t, 128> t{
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
        0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
        0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
        0,      0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
        0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
        0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
        0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
        0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    };
    for (int i = 0; i < 64; ++i) t[64 + i] = static_cast<char16_t>(0x0410 + i);  // А..я
    return t;
}
constexpr std::array<char16_t, 128> kWindows1251 = make_1251();

const std::array<char16_t, 128>& table_of(int language) {
    return language == 1 ? kWindows1251 : kWindows1252;
}

struct ReverseEntry {
    char32_t c;
    int byte;
};
using ReverseTable = std::array<ReverseEntry, 128>;

ReverseTable make_reverse(const std::array<char16_t, 128>& table) {
    ReverseTable r{};
    for (int i = 0; i < 128; ++i) {
        char16_t c = table[static_cast<std::size_t>(i)];
        r[static_cast<std::size_t>(i)] = {c == 0 ? char32_t(0x80 + i) : char32_t{c}, 0x80 + i};
    }
    std::sort(r.begin(), r.end(), [](const ReverseEntry& a, const ReverseEntry& b) { return a.c < b.c; });
    return r;
}

// Code point -> byte for 0x80..0xFF, sorted by code point; made once, then constant.
const ReverseTable& reverse_of(int language) {
    static const ReverseTable r1252 = make_reverse(kWindows1252);
    static const ReverseTable r1251 = make_reverse(kWindows1251);
    return language == 1 ? r1251 : r1252;
}

}  // namespace

int code_page_of(int language) { return language == 1 ? 1251 : 1252; }

char32_t code_page_char(int language, unsigned char b) {
    if (b < 0x80) return b;
    char16_t c = table_of(language)[b - 0x80];
    return c == 0 ? char32_t{b} : char32_t{c};
}

bool code_page_defines(int language, unsigned char b) {
    return b < 0x80 || table_of(language)[b - 0x80] != 0;
}

std::optional<unsigned char> code_page_byte(int language, char32_t c) {
    if (c < 0x80) return static_cast<unsigned char>(c);
    const auto& reverse = reverse_of(language);
    auto it = std::lower_bound(reverse.begin(), reverse.end(), c,
                               [](const ReverseEntry& e, char32_t v) { return e.c < v; });
    if (it == reverse.end() || it->c != c) return std::nullopt;
    return static_cast<unsigned char>(it->byte);
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<char32_t> next_utf8(std::string_view text, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (pos >= text.size()) return std::nullopt;
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra;
    char32_t c, least;
    if ((b0 & 0xE0) == 0xC0) { extra = 1; c = b0 & 0x1F; least = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; c = b0 & 0x0F; least = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; c = b0 & 0x07; least = 0x10000; }
    else return std::nullopt;
    if (text.size() - pos <= static_cast<std::size_t>(extra)) return std::nullopt;
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(pos + static_cast<std::size_t>(i));
        if ((b & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    pos += static_cast<std::size_t>(extra) + 1;
    return c;
}

std::string decode_code_page(std::string_view bytes, int language) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) out += ch;
        else append_utf8(out, code_page_char(language, b));
    }
    return out;
}

std::optional<std::string> encode_code_page(std::string_view utf8, int language,
                                            EncodeError* error) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        auto b0 = static_cast<unsigned char>(utf8[pos]);
        if (b0 < 0x80) {  // the common case first
            out += utf8[pos++];
            continue;
        }
        std::size_t at = pos;
        std::optional<char32_t> c = next_utf8(utf8, pos);
        if (!c) {
            if (error) *error = {at, "not valid UTF-8"};
            return std::nullopt;
        }
        const std::optional<unsigned char> found = code_page_byte(language, *c);
        if (!found) {
            if (error) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*c));
                *error = {at, std::string(code) + " cannot be written in Windows-" +
                                  std::to_string(code_page_of(language))};
            }
            return std::nullopt;
        }
        out += static_cast<char>(*found);
    }
    return out;
}

}  // namespace ce
