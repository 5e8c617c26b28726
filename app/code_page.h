// Conversion between the core's byte texts and the UTF-16 of the Unicode
// dialog, with the code page of the current language (Windows-1252 for
// English, Windows-1251 for Russian) rather than the system's ANSI page, so
// that Russian shows right on any system.
//
// Every byte round-trips: the bytes a code page leaves undefined map to the C1
// control characters U+0080..U+009F of the same value, which no defined byte
// of either page uses.
#pragma once

#include <string>
#include <string_view>

namespace ce {

enum class CodePage { Western1252, Cyrillic1251 };

// The code page of a language index: 1 is Russian, anything else English.
CodePage code_page_for_language(int language);

// The UTF-16 unit for one byte.
char16_t byte_to_unit(CodePage page, unsigned char byte);

std::u16string bytes_to_utf16(CodePage page, std::string_view bytes);
// Units the page cannot express (typed or pasted from elsewhere) become '?'.
std::string utf16_to_bytes(CodePage page, std::u16string_view units);

}  // namespace ce
