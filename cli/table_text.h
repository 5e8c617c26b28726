// Plain-text tables for the terminal: columns padded to their widest cell,
// counted in characters (UTF-8), separated by two spaces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

// The text with every control character as '?': C0 controls but tab, DEL, and
// the C1 controls U+0080..U+009F (which some terminals obey in UTF-8 too), so
// that a text from a data folder cannot move the cursor, retitle the window or
// send any other command to the terminal.
std::string terminal_text(std::string_view utf8);

// Characters of a UTF-8 text (continuation bytes do not count).
std::size_t display_width(std::string_view utf8);

// The rows as lines; the last column is not padded. Cells wider than
// `max_width` are not cut, they only push their own line wider.
std::string format_table(const std::vector<std::vector<std::string>>& rows, std::size_t max_width = 48);

}  // namespace ce
