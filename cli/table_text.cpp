#include "cli/table_text.h"

#include <algorithm>

namespace ce {

std::string terminal_text(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b < 0x20 && b != '\t') || b == 0x7F) {
            out += '?';
        } else if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

std::size_t display_width(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string format_table(const std::vector<std::vector<std::string>>& rows, std::size_t max_width) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c + 1 < row.size(); ++c)
            widths[c] = std::max(widths[c], std::min(display_width(row[c]), max_width));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) {
                const std::size_t w = display_width(row[c]);
                line.append(w < widths[c] ? widths[c] - w : 0, ' ');
                line += "  ";
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace ce
