// Conversion between the language files' single-byte code pages and Unicode:
// Windows-1252 for English (language 0), Windows-1251 for Russian (language 1).
//
// Every byte 0x00..0xFF decodes to one code point; the bytes a code page leaves
// unassigned decode to the C1 control of the same number (as Windows does for
// 0x81 in 1252), so any byte string survives decode then encode unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ce {

// The Windows code page number of a language: 1252 or 1251.
int code_page_of(int language);

// The code point of byte b in the language's code page.
char32_t code_page_char(int language, unsigned char b);
// Whether the code page assigns a character to byte b (all bytes below 0x80 do).
bool code_page_defines(int language, unsigned char b);
// The byte of code point c in the language's code page (the C1 controls of the
// unassigned bytes included), or nothing when the page cannot write it.
std::optional<unsigned char> code_page_byte(int language, char32_t c);

// The bytes decoded to UTF-8.
std::string decode_code_page(std::string_view bytes, int language);

// Why a UTF-8 text could not be encoded: the byte offset in the UTF-8 text and a
// message ("not valid UTF-8", "U+4E2D cannot be written in Windows-1251").
struct EncodeError {
    std::size_t offset;
    std::string message;
};

// The UTF-8 text in the language's code page, or the first fault.
std::optional<std::string> encode_code_page(std::string_view utf8, int language,
                                            EncodeError* error = nullptr);

// Appends code point c as UTF-8.
void append_utf8(std::string& out, char32_t c);

// The next code point of a UTF-8 text at `pos` (advanced past it), or nothing
// when the bytes there are not well-formed UTF-8 (overlong forms, surrogates and
// values above U+10FFFF included).
std::optional<char32_t> next_utf8(std::string_view text, std::size_t& pos);

}  // namespace ce
