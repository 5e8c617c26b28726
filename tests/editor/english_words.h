// A check that a text the editor shows a Russian-speaking user holds no
// English sentence: two words of Latin letters in a row ("was not", "is
// outside"). A lone Latin word (a proper name, "CrAnim") is no sentence, and
// quoted values ("...") are the user's own texts, so they are left out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ce::test {

// The first English sentence's two words in the UTF-8 text, or "" when none.
inline std::string english_sentence(std::string_view utf8) {
    std::string text;
    bool quoted = false;
    for (char c : utf8) {
        if (c == '"') {
            quoted = !quoted;
            text += ' ';
        } else if (!quoted) {
            text += c;
        }
    }
    auto latin = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    std::string previous;  // the Latin word just before, when only spaces followed it
    for (std::size_t i = 0; i < text.size();) {
        if (!latin(text[i])) {
            if (text[i] != ' ') previous.clear();
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && latin(text[end])) ++end;
        const bool word = end - i >= 2 && (end == text.size() || static_cast<unsigned char>(text[end]) < 0x80);
        const bool clean_start = i == 0 || static_cast<unsigned char>(text[i - 1]) < 0x80;
        std::string current = word && clean_start ? text.substr(i, end - i) : std::string();
        if (!previous.empty() && !current.empty()) return previous + " " + current;
        previous = current;
        i = end;
    }
    return {};
}

}  // namespace ce::test
