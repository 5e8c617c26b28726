// Quoting stored texts for messages (see quoted_text.h).
#include "store/quoted_text.h"

#include <algorithm>
#include <cstdint>

#include "store/value_text.h"

namespace ce {
namespace {

void append_u_escape(std::string& out, std::uint32_t code) {
    out += "\\u00";
    out += hex_digit((code >> 4) & 0xF, false);
    out += hex_digit(code & 0xF, false);
}

// The length of the well-formed UTF-8 sequence at the start of `s` (positive),
// or minus the number of bytes that one U+FFFD replaces: the longest start of
// a well-formed sequence there, at least one byte.
int sequence_length(std::string_view s) {
    const auto b = static_cast<std::uint8_t>(s[0]);
    if (b < 0x80) return 1;
    int length = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) length = 2;
    else if (b == 0xE0) length = 3, low = 0xA0;
    else if (b >= 0xE1 && b <= 0xEC) length = 3;
    else if (b == 0xED) length = 3, high = 0x9F;
    else if (b >= 0xEE && b <= 0xEF) length = 3;
    else if (b == 0xF0) length = 4, low = 0x90;
    else if (b >= 0xF1 && b <= 0xF3) length = 4;
    else if (b == 0xF4) length = 4, high = 0x8F;
    else return -1;
    for (int k = 1; k < length; ++k) {
        if (static_cast<std::size_t>(k) >= s.size()) return -k;
        const auto c = static_cast<std::uint8_t>(s[static_cast<std::size_t>(k)]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return -k;
    }
    return length;
}

}  // namespace

std::string quoted_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < bytes.size();) {
        const int n = sequence_length(bytes.substr(i));
        if (n < 0) {
            out += "\xEF\xBF\xBD";
            i += static_cast<std::size_t>(-n);
            continue;
        }
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        const auto next = n == 2 ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
        switch (b) {
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (b < 0x20) append_u_escape(out, b);
                else if (b == 0xC2 && next >= 0x80 && next <= 0x9F) append_u_escape(out, next);
                else out.append(bytes.substr(i, static_cast<std::size_t>(n)));
        }
        i += static_cast<std::size_t>(n);
    }
    out += '"';
    return out;
}

std::size_t quoted_length(std::string_view text) {
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kQuotedCharacters; ++characters) {
        const int n = sequence_length(text.substr(at));
        at += static_cast<std::size_t>(n < 0 ? 1 : n);
    }
    return at;
}

std::string quoted_piece(std::string_view text) {
    const std::size_t n = quoted_length(text);
    return n < text.size() ? quoted_text(text.substr(0, n)) + "..." : quoted_text(text);
}

std::string message_piece(std::string_view text) {
    const std::size_t n = quoted_length(text);
    return n < text.size() ? std::string(text.substr(0, n)) + "..." : std::string(text);
}

std::string shown_text(std::string_view bytes) {
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    });
    return plain ? std::string(bytes) : quoted_text(bytes);
}

std::string record_text(std::string_view bytes) {
    const bool plain = (bytes.empty() || bytes.front() != '"') &&
                       std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (plain) return std::string(bytes);
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b >= 0x7F) {
            out += "\\x";
            out += hex_digit(b >> 4, false);
            out += hex_digit(b & 0xF, false);
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::optional<std::string> record_text_read(std::string_view text) {
    if (text.empty() || text.front() != '"') return std::string(text);
    if (text.size() < 2 || text.back() != '"') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        if (text[i] == '"' || text[i] == '\\') {
            out += text[i];
            continue;
        }
        if (text[i] != 'x' || i + 2 >= text.size()) return std::nullopt;
        const int high = hex_value(text[i + 1]), low = hex_value(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

void escape_c1_controls(std::string& json) {
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<std::uint8_t>(json[i + 1]) : 0;
        if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            append_u_escape(out, next);
            ++i;
        } else {
            out += json[i];
        }
    }
    json = std::move(out);
}

}  // namespace ce
