#include "tables/import_suspect.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "store/value_text.h"
#include "folder/number_forms.h"
#include "text/code_page.h"

namespace ce {

std::optional<Misread> misread_utf8(std::string_view text) {
    // A misread text has characters of two bytes or more: an ASCII text is none.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::nullopt;
    struct Set {
        int language;  // -1: Latin-1
        const char* name;
    };
    static constexpr std::array<Set, 3> kSets = {{{0, "Windows-1252"}, {1, "Windows-1251"}, {-1, "Latin-1"}}};
    for (const Set& set : kSets) {
        std::string bytes;
        bool mapped = true;
        std::size_t pos = 0;
        while (mapped && pos < text.size()) {
            const std::optional<char32_t> c = next_utf8(text, pos);
            if (!c) return std::nullopt;
            std::optional<unsigned char> b;
            if (set.language >= 0) b = code_page_byte(set.language, *c);
            // Latin-1, and the bytes a code page leaves undefined, read as U+0080..U+009F.
            if (!b && *c <= 0xFF && (set.language < 0 || (*c >= 0x80 && *c <= 0x9F))) b = static_cast<unsigned char>(*c);
            if (b) bytes += static_cast<char>(*b);
            else mapped = false;
        }
        if (!mapped) continue;
        bool wide = false, valid = true;
        for (std::size_t p = 0; valid && p < bytes.size();) {
            const std::size_t from = p;
            valid = next_utf8(bytes, p).has_value();
            wide = wide || p - from > 1;
        }
        if (valid && wide) return Misread{std::move(bytes), set.name};
    }
    return std::nullopt;
}

const char* suspect_text(Suspect s) {
    switch (s) {
        case Suspect::None: return "an edit";
        case Suspect::CharacterSet: return "characters mixed up by a wrong character set";
        case Suspect::FormulaResult: return "a formula's result or error in place of the text";
        case Suspect::Missing: return "a missing-value marker (NA, nan, null) emptied or added";
        case Suspect::NumberRewritten: return "a number-like text rewritten";
        case Suspect::Serial: return "a text turned into a date's serial number";
        case Suspect::Date: return "a text turned into a date";
        case Suspect::Time: return "a text turned into a time";
        case Suspect::Percentage: return "a text turned into a percentage";
        case Suspect::Boolean: return "a true/false text rewritten";
        case Suspect::Spaces: return "spaces trimmed or collapsed";
        case Suspect::Quotes: return "quotes added around the text";
        case Suspect::ZeroSign: return "the sign of a zero lost (-0.0 -> 0)";
        case Suspect::Rounded: return "a float rounded to fewer digits";
        case Suspect::Dropped: return "a tab or another control character dropped";
        case Suspect::TypedNumber: return "a text replaced by a number as a spreadsheet writes one";
    }
    return "";
}

const char* suspect_name(Suspect s) {
    switch (s) {
        case Suspect::None: return "";
        case Suspect::CharacterSet: return "character-set";
        case Suspect::FormulaResult: return "formula";
        case Suspect::Missing: return "missing";
        case Suspect::NumberRewritten: return "number";
        case Suspect::Serial: return "serial";
        case Suspect::Date: return "date";
        case Suspect::Time: return "time";
        case Suspect::Percentage: return "percentage";
        case Suspect::Boolean: return "boolean";
        case Suspect::Spaces: return "spaces";
        case Suspect::Quotes: return "quotes";
        case Suspect::ZeroSign: return "zero-sign";
        case Suspect::Rounded: return "rounding";
        case Suspect::Dropped: return "dropped";
        case Suspect::TypedNumber: return "typed-number";
    }
    return "";
}

Suspect suspect_named(std::string_view name) {
    for (int i = 1; i <= kSuspectClasses; ++i)
        if (name == suspect_name(static_cast<Suspect>(i))) return static_cast<Suspect>(i);
    return Suspect::None;
}

const char* suspect_advice(Suspect s) {
    constexpr const char* kAsText =
        "open the CSV with every column of type Text (in Calc's text import: select all columns, column type "
        "Text), and format a cell as Text before typing a new value in it (Format Cells, Text)";
    switch (s) {
        case Suspect::None: return "";
        case Suspect::CharacterSet:
            return "open and save the file as UTF-8 (in Calc: character set Unicode (UTF-8) in the text import, and "
                   "Edit filter settings when saving)";
        case Suspect::FormulaResult:
        case Suspect::NumberRewritten:
        case Suspect::Serial:
        case Suspect::Date:
        case Suspect::Time:
        case Suspect::Percentage:
        case Suspect::Boolean:
        case Suspect::TypedNumber: return kAsText;
        case Suspect::Missing:
            return "open the CSV with every column of type Text; in pandas, read it with keep_default_na=False";
        case Suspect::Spaces: return "open the CSV with \"Trim spaces\" off and every column of type Text";
        case Suspect::Quotes: return "save the CSV with the text delimiter \" (a double quote)";
        case Suspect::ZeroSign:
        case Suspect::Rounded:
            return "save with \"Save cell content as shown\" off, or give the column no number format (open it as "
                   "Text)";
        case Suspect::Dropped:
            return "a spreadsheet keeps no tab or control character in a cell: edit such texts in a text editor, or "
                   "in a JSON export";
    }
    return "";
}

namespace {

bool is_missing_marker(std::string_view s) {
    if (s.size() > kLongestWord) return false;
    static constexpr std::array<std::string_view, 19> kMarkers = {
        "na",   "n/a",  "#n/a", "#n/a n/a", "#na",  "nan",      "-nan",     "null",     "none", "nil",
        "<na>", "nat",  "-1.#ind", "-1.#qnan", "1.#ind", "1.#qnan", "#null!", "missing", "n.a."};
    const std::string l = lower(trim(s));
    return std::find(kMarkers.begin(), kMarkers.end(), l) != kMarkers.end();
}

bool is_error_value(std::string_view s) {
    if (s.size() > kLongestWord) return false;
    static constexpr std::array<std::string_view, 9> kErrors = {"#name?", "#value!", "#ref!", "#div/0!", "#num!",
                                                               "#null!", "#n/a",    "#error!", "#calc!"};
    const std::string l = lower(trim(s));
    if (std::find(kErrors.begin(), kErrors.end(), l) != kErrors.end()) return true;
    return l.starts_with("err:") && l.size() == 7 && is_digit(l[4]) && is_digit(l[5]) && is_digit(l[6]);
}

// A formula as a person types it: "=" and printable characters.
bool is_formula(std::string_view s) {
    s = trim(s);
    return s.size() > 1 && s.front() == '=' &&
           std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// One rule of the table: the class, and whether a change from `before` to
// `after` has it. The first rule that matches names the change.
struct TextRule {
    Suspect what;
    bool (*matches)(std::string_view before, std::string_view after);
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kBomChar = "\xEF\xBB\xBF";      // U+FEFF
constexpr std::string_view kBomRead = "\xC3\xAF\xC2\xBB\xC2\xBF";  // its bytes read as Windows-1252

// The length of the replacement mark at `pos` of `text` ('?', U+001A or
// U+FFFD, as programs write a character that their character set lacks), or 0.
std::size_t mark_at(std::string_view text, std::size_t pos) {
    if (pos < text.size() && (text[pos] == '?' || text[pos] == '\x1A')) return 1;
    return text.substr(pos).starts_with(kReplacement) ? kReplacement.size() : 0;
}

// Whether `a` is `b` with some of its characters each put another way:
// `swap(c, at, to)` adds to `to` the places of `a` where `b`'s character `c`,
// begun at `at`, may end when it is not kept as it is.
template <class Swap>
bool aligns(std::string_view b, std::string_view a, Swap swap) {
    if (a == b || b.size() > 1024) return false;
    std::vector<std::size_t> reached{0}, next;  // the places of `a` where `b`'s characters so far may end
    for (std::size_t p = 0; p < b.size() && !reached.empty();) {
        const std::size_t from = p;
        if (!next_utf8(b, p)) return false;
        const std::string_view c = b.substr(from, p - from);
        next.clear();
        for (std::size_t at : reached) {
            if (a.substr(at).starts_with(c)) next.push_back(at + c.size());
            swap(c, at, next);
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        reached.swap(next);
    }
    return std::find(reached.begin(), reached.end(), a.size()) != reached.end();
}

// Whether `a` is `b` with some of its characters outside ASCII each replaced
// by one mark or by one mark per byte of its UTF-8 ("Жук" -> "???" or
// "??????"): a save in a character set that lacks them. A single mark is
// not told apart from an edit to "?".
bool letters_replaced(std::string_view b, std::string_view a) {
    return a.size() > 1 && aligns(b, a, [a](std::string_view c, std::size_t at, std::vector<std::size_t>& to) {
        for (std::size_t k = 0; c.size() > 1 && k < c.size(); ++k) {
            const std::size_t mark = mark_at(a, at);
            if (mark == 0) break;
            to.push_back(at += mark);
        }
    });
}

bool is_control(std::string_view c) {
    const auto first = static_cast<unsigned char>(c.front());
    return (c.size() == 1 && (first < 0x20 || first == 0x7F)) ||
           (c.size() == 2 && first == 0xC2 && static_cast<unsigned char>(c[1]) <= 0x9F);
}

// Whether `a` is `b` with some of its control characters (a tab, a carriage
// return, U+0085 ...) left out or made spaces, as a program that cannot keep
// them in a cell does. Only where something stays: a text emptied is an edit.
bool controls_dropped(std::string_view b, std::string_view a) {
    return !a.empty() && aligns(b, a, [a](std::string_view c, std::size_t at, std::vector<std::size_t>& to) {
        if (!is_control(c)) return;
        to.push_back(at);
        if (at < a.size() && a[at] == ' ') to.push_back(at + 1);
    });
}

bool misread_or_replaced(std::string_view b, std::string_view a) {
    if (a.find(kReplacement) != std::string_view::npos && b.find(kReplacement) == std::string_view::npos) return true;
    for (std::string_view bom : {kBomChar, kBomRead})
        if (a.starts_with(bom) && !b.starts_with(bom)) return true;
    if (letters_replaced(b, a)) return true;
    const std::optional<Misread> m = misread_utf8(a);
    return m && m->original == b;
}

// Whether a text is a number as a spreadsheet writes a cell that holds one:
// no sign but '-', no leading or trailing zeros, an exponent "E+019" at most.
bool is_written_number(std::string_view s) {
    std::size_t p = s.starts_with('-') ? 1 : 0;
    const std::size_t start = p;
    while (p < s.size() && is_digit(s[p])) ++p;
    if (p == start || (s[start] == '0' && p - start > 1)) return false;
    if (p < s.size() && s[p] == '.') {
        const std::size_t point = p++;
        while (p < s.size() && is_digit(s[p])) ++p;
        if (p == point + 1 || s[p - 1] == '0') return false;
    }
    if (p < s.size() && (s[p] == 'E' || s[p] == 'e')) {
        ++p;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
        const std::size_t digits = p;
        while (p < s.size() && is_digit(s[p])) ++p;
        if (p == digits) return false;
    }
    return p == s.size() && s.size() <= kLongestNumber;
}

constexpr std::array<TextRule, 13> kTextRules = {{
    {Suspect::CharacterSet, misread_or_replaced},
    {Suspect::Dropped, controls_dropped},
    {Suspect::FormulaResult,
     [](std::string_view b, std::string_view a) {
         // What a formula gives: a number, TRUE or FALSE, an error value.
         if (a.size() > kLongestNumber) return false;
         const std::string value = lower(trim(a));
         const bool result = is_number_like(a) || value == "true" || value == "false" || is_error_value(a);
         return (is_formula(b) && result) || (is_error_value(a) && !is_error_value(b));
     }},
    {Suspect::Missing,
     [](std::string_view b, std::string_view a) {
         return (trim(a).empty() && is_missing_marker(b)) || (trim(b).empty() && is_missing_marker(a));
     }},
    {Suspect::NumberRewritten,
     [](std::string_view b, std::string_view a) {
         if (a.size() > kLongestNumber || b.size() > kLongestNumber) return false;
         for (const Number& x : readings(b))
             for (const Number& y : readings(a))
                 if (same_number(x, y)) return true;
         return false;
     }},
    {Suspect::Serial,
     [](std::string_view b, std::string_view a) {
         if (!is_plain_decimal(a) || is_number_like(b)) return false;
         if (is_date_like(b) || is_time_like(b)) return true;
         const std::optional<Number> n = read_number(a, '.');
         return n && n->value >= 18264 && n->value < 73051;  // 1950 to 2099 in days since 1899-12-30
     }},
    // A value typed anew into a cell that is not formatted as Text: "007" or
    // "1.50" typed over a name is stored as the number 7 or 1.5. What was
    // typed is lost, so a text that was no number and now reads as one as a
    // spreadsheet writes it is held (after the rules that know its old form).
    {Suspect::TypedNumber, [](std::string_view b, std::string_view a) { return is_written_number(a) && !is_number_like(b); }},
    {Suspect::Date, [](std::string_view b, std::string_view a) { return is_date_like(a) && shape(a) != shape(b); }},
    {Suspect::Time, [](std::string_view b, std::string_view a) { return is_time_like(a) && shape(a) != shape(b); }},
    {Suspect::Percentage,
     [](std::string_view b, std::string_view a) {
         return trim(a).ends_with('%') && is_number_like(a) && shape(a) != shape(b);
     }},
    {Suspect::Boolean,
     [](std::string_view b, std::string_view a) {
         if (b.size() > kLongestWord) return false;
         const std::string l = lower(trim(b));
         return (l == "true" || l == "false") && equal_ignoring_case(trim(a), trim(b));
     }},
    {Suspect::Spaces,
     [](std::string_view b, std::string_view a) {
         // Only where something visible stays: a text of spaces emptied may be an edit.
         return !a.empty() && a.size() < b.size() && (a == trim(b) || a == collapsed(b));
     }},
    {Suspect::Quotes,
     [](std::string_view b, std::string_view a) {
         if (a.size() == b.size() + 1) return a.front() == '\'' && a.substr(1) == b;
         if (a.size() != b.size() + 2 || a.front() != a.back()) return false;
         return (a.front() == '"' || a.front() == '\'') && a.substr(1, b.size()) == b;
     }},
}};

// A decimal text's digits: how many after the point (less the exponent), how
// many significant, and whether it has an exponent.
struct Digits {
    long decimals = 0;
    int significant = 0;
    bool exponent = false;
};

std::optional<Digits> digits_of(std::string_view s) {
    s = trim(s);
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
    Digits d;
    std::size_t pos = 0;
    bool point = false, leading = true;
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '.' && !point) {
            point = true;
        } else if (is_digit(c)) {
            if (point) ++d.decimals;
            if (c != '0') leading = false;
            if (!leading) ++d.significant;
        } else {
            break;
        }
    }
    if (pos < s.size()) {
        if (s[pos] != 'e' && s[pos] != 'E') return std::nullopt;
        long e = 0;
        std::string_view exp = s.substr(pos + 1);
        if (!exp.empty() && exp.front() == '+') exp.remove_prefix(1);
        if (exp.size() > 6) return std::nullopt;
        if (std::from_chars(exp.data(), exp.data() + exp.size(), e).ptr != exp.data() + exp.size()) return std::nullopt;
        d.decimals -= e;
        d.exponent = true;
    }
    return d;
}

bool finite_bits(std::uint32_t bits) { return ((bits >> 23) & 0xFFu) != 0xFF; }

}  // namespace

Suspect class_text_change(std::string_view before, std::string_view after) {
    for (const TextRule& rule : kTextRules)
        if (rule.matches(before, after)) return rule.what;
    return Suspect::None;
}

Suspect class_float_change(std::uint32_t before, std::uint32_t after, std::string_view written) {
    // A spreadsheet reads "-0.0" as the number 0; nothing makes -0.0 of 0 but a person.
    if (before == 0x80000000u && after == 0) return Suspect::ZeroSign;
    // A value rounded to 0 or -0 counts as well: a whole-number display format shows -0.267 as "-0".
    // "-0.0" is how this program writes -0.0: no display format gives it to a value shown as a whole number.
    if (!finite_bits(before) || !finite_bits(after) || (after == 0x80000000u && trim(written) == "-0.0"))
        return Suspect::None;
    const std::optional<Digits> shown = digits_of(written);
    const std::optional<Digits> exact = digits_of(float_value_text(before));
    if (!shown || !exact) return Suspect::None;
    // The new value is the old one to the place of the text's last digit,
    // rounded either way at a tie (programs differ there): within half of
    // that place, give or take the float's own precision.
    if (shown->decimals >= exact->decimals || shown->decimals < -38 || shown->decimals > 45) return Suspect::None;
    const double old_value = static_cast<double>(bits_float(before));
    const double new_value = static_cast<double>(bits_float(after));
    const double half = std::pow(10.0, static_cast<double>(-shown->decimals)) / 2;
    const double slack = std::fabs(old_value) * 1e-7 + std::fabs(new_value) * 1e-7;
    if (std::fabs(old_value - new_value) <= half + slack) return Suspect::Rounded;
    return Suspect::None;
}

}  // namespace ce
