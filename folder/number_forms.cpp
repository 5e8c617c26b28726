#include "folder/number_forms.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "store/value_text.h"
#include "text/code_page.h"

namespace ce {

// --- characters -------------------------------------------------------------------

constexpr std::string_view kNbsp = "\xC2\xA0", kNarrowNbsp = "\xE2\x80\xAF";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Lower case of ASCII and Cyrillic letters (enough for month names).
std::string lower(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t from = pos;
        std::optional<char32_t> c = next_utf8(text, pos);
        if (!c) {
            out += text[from];
            pos = from + 1;
            continue;
        }
        char32_t l = *c;
        if (l >= 'A' && l <= 'Z') l += 32;
        else if (l >= 0x410 && l <= 0x42F) l += 32;
        else if (l == 0x401) l = 0x451;
        append_utf8(out, l);
    }
    return out;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

// Length of a white space at `pos`: a space, a tab, a no-break space.
std::size_t space_at(std::string_view s, std::size_t pos) {
    if (pos >= s.size()) return 0;
    if (s[pos] == ' ' || s[pos] == '\t') return 1;
    if (s.substr(pos).starts_with(kNbsp)) return kNbsp.size();
    if (s.substr(pos).starts_with(kNarrowNbsp)) return kNarrowNbsp.size();
    return 0;
}

std::string_view trim(std::string_view s) {
    for (std::size_t n; (n = space_at(s, 0)) != 0;) s.remove_prefix(n);
    for (bool more = true; more && !s.empty();) {
        more = false;
        for (std::string_view sp : {std::string_view(" "), std::string_view("\t"), kNbsp, kNarrowNbsp})
            if (s.ends_with(sp)) {
                s.remove_suffix(sp.size());
                more = true;
            }
    }
    return s;
}

// Trimmed, every run of white space one space.
std::string collapsed(std::string_view s) {
    s = trim(s);
    std::string out;
    for (std::size_t pos = 0; pos < s.size();) {
        if (std::size_t n = space_at(s, pos)) {
            while ((n = space_at(s, pos)) != 0) pos += n;
            out += ' ';
        } else {
            out += s[pos++];
        }
    }
    return out;
}

// Digits as '9', letters as 'a', everything else as itself: the form of a text.
std::string shape(std::string_view s) {
    std::string out;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const char c = s[pos];
        if (is_digit(c)) out += '9';
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) out += 'a';
        else if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t from = pos;
            if (!next_utf8(s, pos)) pos = from + 1;
            out += 'a';
            continue;
        } else {
            out += c;
        }
        ++pos;
    }
    return out;
}

// --- numbers ----------------------------------------------------------------------


// Removes a currency sign at the front or the back (with spaces beside it).
void strip_currency(std::string_view& s) {
    static constexpr std::array<std::string_view, 6> kSigns = {"$", "\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5",
                                                              "\xE2\x82\xBD", "\xE2\x82\xB4"};
    for (std::string_view sign : kSigns) {
        if (s.starts_with(sign)) {
            s = trim(s.substr(sign.size()));
            return;
        }
        if (s.ends_with(sign)) {
            s = trim(s.substr(0, s.size() - sign.size()));
            return;
        }
    }
}

// Takes the signs off a number-like text: an accounting negative's
// parentheses, a currency, a percent sign, a plus or minus (or U+2212).
void strip_signs(std::string_view& s, bool& negative, bool& percent) {
    s = trim(s);
    negative = false;
    if (s.size() >= 2 && s.front() == '(' && s.back() == ')') {  // accounting negative
        negative = true;
        s = trim(s.substr(1, s.size() - 2));
    }
    strip_currency(s);
    percent = false;
    if (s.ends_with('%')) {
        percent = true;
        s = trim(s.substr(0, s.size() - 1));
    }
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = negative != (s.front() == '-');
        s.remove_prefix(1);
        strip_currency(s);
    } else if (s.starts_with("\xE2\x88\x92")) {  // U+2212 minus sign
        negative = !negative;
        s.remove_prefix(3);
    }
}

// The digits of the mantissa from `pos` on, thousands groups and decimals;
// false when its groups are not of three.
bool read_mantissa(std::string_view s, char point, std::size_t& pos, std::string& digits, std::size_t& decimals) {
    std::size_t group = 0;
    bool grouped = false;
    while (pos < s.size()) {
        if (is_digit(s[pos])) {
            digits += s[pos++];
            ++group;
            continue;
        }
        std::size_t sep = 0;
        if (s[pos] != point && (s[pos] == '.' || s[pos] == ',' || s[pos] == '\'')) sep = 1;
        else sep = space_at(s, pos);
        if (sep == 0 || digits.empty() || (grouped ? group != 3 : group > 3)) break;
        grouped = true;
        group = 0;
        pos += sep;
    }
    if (grouped && group != 3) return false;
    if (pos < s.size() && s[pos] == point) {
        ++pos;
        while (pos < s.size() && is_digit(s[pos])) {
            digits += s[pos++];
            ++decimals;
        }
    }
    return true;
}

// An exponent at `pos` ("e-3", at most five digits); false when an "e" has no digits.
bool read_exponent(std::string_view s, std::size_t& pos, long& exponent) {
    exponent = 0;
    if (pos >= s.size() || (s[pos] != 'e' && s[pos] != 'E')) return true;
    ++pos;
    const std::size_t from = pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
    const std::size_t digits_from = pos;
    while (pos < s.size() && is_digit(s[pos]) && pos - digits_from < 5) ++pos;
    if (pos == digits_from) return false;
    const std::string_view e = s.substr(from, pos - from);
    std::from_chars(e.data() + (e.front() == '+' ? 1 : 0), e.data() + e.size(), exponent);
    return true;
}

// Reads a number-like text with `point` ('.' or ',') as its decimal separator;
// thousands are grouped by the other of the two, a space, a no-break space or
// an apostrophe, in groups of three.
std::optional<Number> read_number(std::string_view s, char point) {
    bool negative = false, percent = false;
    strip_signs(s, negative, percent);
    std::string digits;  // the mantissa's digits, then the exponent
    std::size_t pos = 0, decimals = 0;
    if (!read_mantissa(s, point, pos, digits, decimals) || digits.empty()) return std::nullopt;
    long exponent = 0;
    if (!read_exponent(s, pos, exponent) || pos != s.size()) return std::nullopt;
    const std::string text = digits + "e" + std::to_string(exponent - static_cast<long>(decimals));
    Number n;
    if (std::from_chars(text.data(), text.data() + text.size(), n.value).ec != std::errc()) return std::nullopt;
    n.unit = std::pow(10.0, static_cast<double>(exponent - static_cast<long>(decimals)));
    if (negative) n.value = -n.value;
    if (percent) {
        n.value /= 100;
        n.unit /= 100;
    }
    n.percent = percent;
    return n;
}

// The readings of a number-like text: with a decimal point, with a decimal comma.
std::vector<Number> readings(std::string_view s) {
    std::vector<Number> out;
    for (char point : {'.', ','})
        if (auto n = read_number(s, point)) out.push_back(*n);
    return out;
}

// Whether two readings are one number, as exactly as the less exact gives it.
bool same_number(const Number& a, const Number& b) {
    const double tolerance = std::max(a.unit, b.unit) / 2 * (1 + 1e-9);
    return std::fabs(a.value - b.value) <= tolerance;
}

// A plain decimal: digits with an optional point and decimals (what a serial
// number of a date looks like in a file).
bool is_plain_decimal(std::string_view s) {
    s = trim(s);
    std::size_t pos = 0, digits = 0;
    while (pos < s.size() && is_digit(s[pos])) ++pos, ++digits;
    if (pos < s.size() && s[pos] == '.') ++pos;
    while (pos < s.size() && is_digit(s[pos])) ++pos;
    return digits > 0 && pos == s.size();
}


namespace {
// --- dates and times --------------------------------------------------------------

struct Token {
    enum Kind { Digits, Word } kind;
    std::string text;
    std::string separator;  // what came before it
};

std::vector<Token> tokens(std::string_view s) {
    std::vector<Token> out;
    std::string sep;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const char c = s[pos];
        if (is_digit(c)) {
            Token t{Token::Digits, {}, sep};
            while (pos < s.size() && is_digit(s[pos])) t.text += s[pos++];
            out.push_back(std::move(t));
            sep.clear();
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0xC0) {
            Token t{Token::Word, {}, sep};
            while (pos < s.size() && ((s[pos] >= 'a' && s[pos] <= 'z') || (s[pos] >= 'A' && s[pos] <= 'Z') ||
                                      static_cast<unsigned char>(s[pos]) >= 0x80))
                t.text += s[pos++];
            t.text = lower(t.text);
            out.push_back(std::move(t));
            sep.clear();
        } else {
            if (c != ' ' || sep.empty() || sep.back() != ' ') sep += c;
            ++pos;
        }
    }
    return out;
}

bool is_month(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kEnglish = {
        "january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
        "november", "december"};
    for (std::string_view m : kEnglish)
        if (word == m || (word.size() == 3 && m.starts_with(word)) || word == "sept") return true;
    // Russian: the month's first three letters, in any of its forms ("мар", "марта").
    static constexpr std::array<std::string_view, 13> kRussian = {
        "\xD1\x8F\xD0\xBD\xD0\xB2", "\xD1\x84\xD0\xB5\xD0\xB2", "\xD0\xBC\xD0\xB0\xD1\x80",
        "\xD0\xB0\xD0\xBF\xD1\x80", "\xD0\xBC\xD0\xB0\xD1\x8F", "\xD0\xBC\xD0\xB0\xD0\xB9",
        "\xD0\xB8\xD1\x8E\xD0\xBD", "\xD0\xB8\xD1\x8E\xD0\xBB", "\xD0\xB0\xD0\xB2\xD0\xB3",
        "\xD1\x81\xD0\xB5\xD0\xBD", "\xD0\xBE\xD0\xBA\xD1\x82", "\xD0\xBD\xD0\xBE\xD1\x8F",
        "\xD0\xB4\xD0\xB5\xD0\xBA"};
    for (std::string_view m : kRussian)
        if (word.starts_with(m) && word.size() <= m.size() + 10) return true;
    return false;
}

bool is_weekday(std::string_view word) {
    static constexpr std::array<std::string_view, 7> kDays = {"monday", "tuesday", "wednesday", "thursday",
                                                              "friday", "saturday", "sunday"};
    for (std::string_view d : kDays)
        if (word == d || (word.size() == 3 && d.starts_with(word))) return true;
    return false;
}

bool is_meridiem(std::string_view word) { return word == "am" || word == "pm" || word == "a" || word == "p"; }

// A time: h:mm, h:mm:ss, h:mm:ss.fff, with AM or PM.
bool time_tokens(const std::vector<Token>& t, std::size_t from) {
    std::size_t n = t.size() - from;
    if (n > 0 && t.back().kind == Token::Word) {
        if (!is_meridiem(t.back().text)) return false;
        --n;
    }
    if (n < 2 || n > 4) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const Token& k = t[from + i];
        if (k.kind != Token::Digits) return false;
        const bool fraction = i == 3;
        if (i > 0 && k.separator != (fraction ? "." : ":") && !(fraction && k.separator == ",")) return false;
        if (!fraction && (k.text.size() > 2 || (i > 0 && k.text.size() != 2))) return false;
    }
    return true;
}

// A date of digits: d/m/y, m/d/y, y-m-d, d.m.y (the same separator twice).
bool numeric_date(const std::vector<Token>& t, std::size_t n) {
    if (n != 3) return false;
    for (std::size_t i = 0; i < 3; ++i)
        if (t[i].kind != Token::Digits) return false;
    const std::string& sep = t[1].separator;
    if (t[2].separator != sep || (sep != "/" && sep != "-" && sep != ".")) return false;
    const std::size_t a = t[0].text.size(), b = t[1].text.size(), c = t[2].text.size();
    return (a <= 2 && b <= 2 && (c == 2 || c == 4)) || (a == 4 && b <= 2 && c <= 2);
}

// A date with a month's name: "Mar 3", "3 Mar", "03-Mar-26", "Mar-26",
// "March 3, 2026", "Tue, 3 Mar 2026".
bool named_date(const std::vector<Token>& t, std::size_t n) {
    std::size_t from = 0;
    if (n > 0 && t[0].kind == Token::Word && is_weekday(t[0].text)) from = 1;
    std::size_t months = 0, numbers = 0;
    for (std::size_t i = from; i < n; ++i) {
        if (t[i].kind == Token::Word) {
            if (!is_month(t[i].text)) return false;
            ++months;
        } else {
            if (t[i].text.size() > 4 || t[i].text.size() == 3) return false;
            ++numbers;
        }
    }
    return months == 1 && numbers >= 1 && numbers <= 2;
}

}  // namespace


bool is_number_like(std::string_view text) { return text.size() <= kLongestNumber && !readings(text).empty(); }

bool is_time_like(std::string_view text) {
    if (text.size() > kLongestDate) return false;
    const std::vector<Token> t = tokens(trim(text));
    return !t.empty() && t[0].separator.empty() && time_tokens(t, 0);
}

bool is_date_like(std::string_view text) {
    if (text.size() > kLongestDate) return false;
    const std::vector<Token> t = tokens(trim(text));
    if (t.empty() || !t[0].separator.empty()) return false;
    // A time may follow the date, after a space or a 'T'.
    std::size_t n = t.size();
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i + 1].separator == ":" && (t[i].separator == " " || t[i].separator == "T" || t[i].separator == ", ")) {
            if (time_tokens(t, i)) n = i;
            break;
        }
        if (t[i].kind == Token::Word && t[i].text == "t" && time_tokens(t, i + 1)) {
            n = i;
            break;
        }
    }
    return numeric_date(t, n) || named_date(t, n);
}

}  // namespace ce
