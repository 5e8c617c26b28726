// The lines of a language text as the editor counts them, and a text made of lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/lines.h"

namespace ce::test {

// The counted lines of a text, without their line enders.
inline std::vector<std::string> lines_of(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t offset = 0;
    for (int i = 0, n = count_lines(text); i < n; ++i) {
        std::string line;
        offset = next_line(text, offset, line);
        lines.push_back(line);
    }
    return lines;
}
inline std::vector<std::string> lines_of(const std::vector<std::uint8_t>& bytes) {
    return lines_of(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Lines joined with CR LF after every line.
inline std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace ce::test
