// Line text codec of the language files.
#include "text/lines.h"

#include <iterator>

namespace ce {

namespace {

bool is_content(unsigned char b) { return b == 9 || b > 13; }

// Where the line starting at offset ends, and where the next one starts (0 when
// the line was ended by the end of the text).
struct LineSpan {
    std::size_t end;
    std::size_t next;
};

LineSpan scan_line(std::string_view text, std::size_t offset) {
    std::size_t i = offset < text.size() ? offset : text.size();
    while (i < text.size() && is_content(static_cast<unsigned char>(text[i]))) ++i;
    if (i >= text.size() || text[i] == '\0') return {i, 0};
    // Only CR LF is consumed as a pair; any other ender is one byte, so the
    // first byte of the next line is never swallowed.
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return {i, i + 2};
    return {i, i + 1};
}

// The new lines of replace_lines past the text's last line (`count` lines):
// empty CR LF lines up to each, then the line and CR LF. `ended` tells whether
// the text's last line has an ender already.
void extend_lines(std::string& out, std::map<int, std::string>::const_iterator from,
                  std::map<int, std::string>::const_iterator to, int count, bool ended,
                  EmptyPastEnd empty_past_end) {
    if (empty_past_end == EmptyPastEnd::LeavesShort) {
        while (to != from && std::prev(to)->second.empty()) --to;
    }
    if (from == to) return;
    if (!ended) out.append("\r\n");
    for (int next = count; from != to; ++from, ++next) {
        for (; next < from->first; ++next) out.append("\r\n");
        out.append(from->second);
        out.append("\r\n");
    }
}

}  // namespace

std::string replace_lines(std::string_view bytes, const std::map<int, std::string>& lines,
                          OtherLines others, EmptyPastEnd empty_past_end) {
    const std::string_view text = text_of(bytes);
    std::size_t grow = 0;
    for (const auto& [k, content] : lines) grow += content.size() + 2;
    std::string out;
    out.reserve(bytes.size() + grow);
    auto it = lines.lower_bound(0);
    int count = 0;
    std::string_view ender = "\r\n";  // of the last line written
    for (std::size_t offset = 0; offset < text.size(); ++count) {
        const LineSpan span = scan_line(text, offset);
        const std::size_t next = span.next == 0 ? text.size() : span.next;
        ender = others == OtherLines::EndCrLf ? "\r\n" : text.substr(span.end, next - span.end);
        if (it != lines.end() && it->first == count) {
            out.append(it->second);
            // An emptied line between a lone CR and its own LF ends CR LF: CR + LF
            // would join it to the line before.
            if (it->second.empty() && ender == "\n" && !out.empty() && out.back() == '\r') ender = "\r\n";
            ++it;
        } else {
            out.append(text.substr(offset, span.end - offset));
        }
        out.append(ender);
        offset = next;
    }
    extend_lines(out, it, lines.end(), count, !ender.empty(), empty_past_end);
    out.append(bytes.substr(text.size()));
    return out;
}

std::string_view text_of(std::string_view bytes) {
    const std::size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

std::size_t next_line(std::string_view text, std::size_t offset, std::string& line) {
    const LineSpan span = scan_line(text, offset);
    if (offset < span.end)
        line.assign(text.data() + offset, span.end - offset);
    else
        line.clear();
    return span.next;
}

std::string line_at(std::string_view text, int n) {
    if (n < 0) return {};
    // Skip lines without copying them. Past the end the reading starts again at
    // line 0, so once one full cycle is known n can be reduced modulo its length.
    std::size_t offset = 0;
    long long reads = 0;
    long long target = n;
    while (reads < target) {
        offset = scan_line(text, offset).next;
        ++reads;
        if (offset == 0) {  // back at line 0 after one whole cycle of `reads` lines
            target %= reads;
            reads = 0;
        }
    }
    const LineSpan span = scan_line(text, offset);
    return offset < span.end ? std::string(text.substr(offset, span.end - offset)) : std::string();
}

std::string creature_line(std::string_view text, int n) {
    if (n < 0 || n >= count_lines(text)) return {};
    return line_at(text, n);
}

int count_lines(std::string_view text) {
    int count = 0;
    std::size_t i = 0;
    bool open_line = false;  // content since the last ender
    for (; i < text.size() && text[i] != '\0'; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (is_content(b)) {
            open_line = true;
            continue;
        }
        ++count;
        open_line = false;
        if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return open_line ? count + 1 : count;
}

std::size_t append_line(std::string& out, std::string_view line, bool no_break) {
    // The line is a C text: it ends at its first zero byte.
    line = text_of(line);
    out.append(line);
    if (no_break) return line.size();
    out.append("\r\n");
    return line.size() + 2;
}

std::string as_one_line(std::string_view typed) {
    typed = text_of(typed);
    std::string line;
    line.reserve(typed.size());
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const auto b = static_cast<unsigned char>(typed[i]);
        if ((b >= 1 && b <= 8) || (b >= 10 && b <= 13)) {
            line += ' ';
            if (b == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n') ++i;
        } else {
            line += typed[i];
        }
    }
    return line;
}

}  // namespace ce
