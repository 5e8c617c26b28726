#include "demo/cp1251.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "text/code_page.h"

namespace ce {

std::string to_cp1251(std::string_view utf8) {
    EncodeError error{};
    std::optional<std::string> bytes = encode_code_page(utf8, 1, &error);
    if (!bytes)
        throw std::invalid_argument(error.message + " (at byte " + std::to_string(error.offset) + ")");
    return *std::move(bytes);
}

std::string capitalize(std::string_view utf8) {
    if (utf8.empty()) return {};
    std::size_t i = 0;
    std::optional<char32_t> decoded = next_utf8(utf8, i);
    if (!decoded) throw std::invalid_argument("broken UTF-8 at byte 0");
    char32_t code = *decoded;
    if (code >= U'a' && code <= U'z') code -= 0x20;
    else if (code >= U'а' && code <= U'я') code -= 0x20;
    else if (code == U'ё') code = U'Ё';
    std::string out;
    append_utf8(out, code);
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
