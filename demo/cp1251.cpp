#include "demo/cp1251.h"

#include <cstdint>
#include <stdexcept>

namespace ce {

namespace {

// Characters outside А..я that the demo texts use, with their Windows-1251 bytes.
struct Extra {
    char32_t code;
    unsigned char byte;
};
constexpr Extra kExtras[] = {
    {U'Ё', 0xA8}, {U'ё', 0xB8}, {U'«', 0xAB}, {U'»', 0xBB},
    {U'–', 0x96}, {U'—', 0x97}, {U'№', 0xB9},
};

// Decodes the character at text[i], advancing i. Throws on a malformed sequence.
char32_t decode(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        code = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        code = lead & 0x0F;
        extra = 2;
    } else {
        throw std::invalid_argument("not a demo text character at byte " + std::to_string(i));
    }
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            throw std::invalid_argument("broken UTF-8 at byte " + std::to_string(i));
        code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    return code;
}

void encode(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string to_cp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const char32_t code = decode(utf8, i);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code >= U'А' && code <= U'я') {
            out += static_cast<char>(0xC0 + (code - U'А'));
        } else {
            bool found = false;
            for (const Extra& e : kExtras) {
                if (e.code == code) {
                    out += static_cast<char>(e.byte);
                    found = true;
                    break;
                }
            }
            if (!found)
                throw std::invalid_argument("character U+" + std::to_string(static_cast<std::uint32_t>(code)) +
                                            " at byte " + std::to_string(at) + " has no Windows-1251 byte");
        }
    }
    return out;
}

std::string capitalize(std::string_view utf8) {
    if (utf8.empty()) return {};
    std::size_t i = 0;
    char32_t code = decode(utf8, i);
    if (code >= U'a' && code <= U'z') code -= 0x20;
    else if (code >= U'а' && code <= U'я') code -= 0x20;
    else if (code == U'ё') code = U'Ё';
    std::string out;
    encode(code, out);
    out.append(utf8.substr(i));
    return out;
}

std::string_view last_char(std::string_view utf8) {
    std::size_t start = utf8.size();
    while (start > 0) {
        --start;
        if ((static_cast<unsigned char>(utf8[start]) & 0xC0) != 0x80) break;
    }
    return utf8.substr(start);
}

}  // namespace ce
