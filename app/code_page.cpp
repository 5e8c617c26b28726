#include "app/code_page.h"

#include "text/code_page.h"

namespace ce {
namespace {

int language_of(CodePage page) { return page == CodePage::Cyrillic1251 ? 1 : 0; }

}  // namespace

CodePage code_page_for_language(int language) {
    return language == 1 ? CodePage::Cyrillic1251 : CodePage::Western1252;
}

char16_t byte_to_unit(CodePage page, unsigned char byte) {
    // Every character of both pages lies in the Basic Multilingual Plane.
    return static_cast<char16_t>(code_page_char(language_of(page), byte));
}

std::u16string bytes_to_utf16(CodePage page, std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(byte_to_unit(page, static_cast<unsigned char>(c)));
    return out;
}

std::string utf16_to_bytes(CodePage page, std::u16string_view units) {
    const int language = language_of(page);
    std::string out;
    out.reserve(units.size());
    for (char16_t u : units) {
        const auto byte = code_page_byte(language, u);
        out.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return out;
}

}  // namespace ce
