// The Russian texts are written in UTF-8 in the sources and stored in the
// language files as Windows-1251 bytes.
#pragma once

#include <string>
#include <string_view>

namespace ce {

// Windows-1251 bytes of a UTF-8 text. Throws std::invalid_argument on broken
// UTF-8 or a character that Windows-1251 cannot hold, so a text that the
// Russian files cannot hold fails the generator loudly.
std::string to_cp1251(std::string_view utf8);

// The text with its first letter in upper case (ASCII or Cyrillic, UTF-8).
std::string capitalize(std::string_view utf8);

// The last character of a UTF-8 text (empty when the text is empty).
std::string_view last_char(std::string_view utf8);

}  // namespace ce
