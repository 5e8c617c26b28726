// The language files of the demo folder: line format, counts, the Russian
// encoding, and the names.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "demo/cp1251.h"
#include "demo_fixture.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {
namespace {

using demo_test::seed1;
using demo_test::text;

const char* const kKinds[] = {"Monsters", "Spells", "Common", "Plural", "Ability"};

std::vector<std::string> split_crlf(const std::string& t) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = t.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(t.substr(start, at - start));
    EXPECT_EQ(start, t.size()) << "text after the last CR LF";
    return lines;
}

// The Windows-1251 bytes as UTF-8, through the C library's converter.
std::string from_cp1251(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "this system has no CP1251 converter";
        return {};
    }
    std::string in = bytes;
    std::string out(bytes.size() * 3 + 1, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t left = in.size(), room = out.size();
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<std::size_t>(-1)) << "not Windows-1251 text";
    out.resize(out.size() - room);
    return out;
}

std::string lang_file(int language, const char* kind) {
    return std::string(language == 0 ? "Eng/" : "Rus/") + kind + ".txt";
}

TEST(DemoTexts, EveryLanguageFileHasItsLinesEachEndingCrLf) {
    for (int language = 0; language < 2; ++language) {
        for (const char* kind : kKinds) {
            SCOPED_TRACE(lang_file(language, kind));
            const std::string t = text(seed1(), lang_file(language, kind));
            const std::vector<std::string> lines = split_crlf(t);
            // The editor's own reader agrees on the count.
            EXPECT_EQ(count_lines(t), static_cast<int>(lines.size()));
            for (const std::string& line : lines) {
                EXPECT_LE(line.size(), 999u);
                EXPECT_FALSE(line.empty());
                EXPECT_TRUE(std::none_of(line.begin(), line.end(),
                                         [](char c) { return static_cast<unsigned char>(c) < 32; }))
                    << "control byte in: " << line;
            }
            const std::string k = kind;
            if (k == "Common") { EXPECT_EQ(lines.size(), 217u); }
            if (k == "Monsters") { EXPECT_EQ(lines.size(), 1001u); }
            if (k == "Plural" || k == "Ability") { EXPECT_EQ(lines.size(), 1000u); }
            if (k == "Spells") {
                EXPECT_GE(lines.size(), 90u);
                EXPECT_LE(lines.size(), 110u);
            }
            // Names become numbered entries ("%03d %s") of at most 999 bytes.
            if (k == "Monsters" || k == "Spells") {
                for (const std::string& line : lines) EXPECT_LE(line.size(), 995u);
            }
        }
    }
}

TEST(DemoTexts, CommonFilesHoldTheFixedCaptions) {
    const std::vector<std::string> en = split_crlf(text(seed1(), "Eng/Common.txt"));
    const std::vector<std::string> ru = split_crlf(from_cp1251(text(seed1(), "Rus/Common.txt")));
    ASSERT_EQ(en.size(), 217u);
    ASSERT_EQ(ru.size(), 217u);
    EXPECT_EQ(en[1], "English");
    EXPECT_EQ(en[2], "Russian");
    EXPECT_EQ(en[100], "Save");
    EXPECT_EQ(ru[1], "Английский");
    EXPECT_EQ(ru[2], "Русский");
    EXPECT_EQ(ru[100], "Сохранить");
    // Line 3 is the creature header: one integer conversion.
    EXPECT_EQ(format_header(en[3], 42), "Creature 42");
    EXPECT_EQ(format_header(ru[3], 42), "Существо 42");
    // Every caption and option is a real text in both languages, and the
    // options of one list are all different.
    const int list_sizes[] = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3, 4};
    std::size_t at = 133;
    for (const int n : list_sizes) {
        std::set<std::string> en_options(en.begin() + static_cast<long>(at), en.begin() + static_cast<long>(at) + n);
        std::set<std::string> ru_options(ru.begin() + static_cast<long>(at), ru.begin() + static_cast<long>(at) + n);
        EXPECT_EQ(en_options.size(), static_cast<std::size_t>(n)) << "list at line " << at;
        EXPECT_EQ(ru_options.size(), static_cast<std::size_t>(n)) << "list at line " << at;
        at += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(at, 217u);
    // The ten radio buttons 2008..2017 and the 32 trait boxes name different things.
    EXPECT_EQ(std::set<std::string>(en.begin() + 8, en.begin() + 18).size(), 10u);
    EXPECT_EQ(std::set<std::string>(en.begin() + 19, en.begin() + 51).size(), 32u);
    EXPECT_EQ(std::set<std::string>(ru.begin() + 19, ru.begin() + 51).size(), 32u);
}

bool is_cyrillic_text(const std::string& utf8) {
    // Decoded from Windows-1251: Cyrillic letters take two bytes, D0 or D1 first.
    bool any = false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b == 0xD0 || b == 0xD1) {
            any = true;
            ++i;
        } else if (b >= 0x80) {
            return false;
        } else if (!std::isalpha(b) && b != ' ' && b != '(' && b != ')') {
            return false;
        }
    }
    return any;
}

TEST(DemoTexts, RussianFilesAreWindows1251CyrillicAndEnglishFilesAscii) {
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const std::string en = text(seed1(), lang_file(0, kind));
        EXPECT_TRUE(std::all_of(en.begin(), en.end(), [](char c) { return static_cast<unsigned char>(c) < 128; }));
        const std::string ru_bytes = text(seed1(), lang_file(1, kind));
        // Windows-1251, not UTF-8: no byte pair of a UTF-8 Cyrillic letter, and
        // Cyrillic letters present.
        EXPECT_EQ(ru_bytes.find("\xD0\xB0"), std::string::npos);
        const std::string ru = from_cp1251(ru_bytes);
        EXPECT_GT(std::count_if(ru.begin(), ru.end(), [](char c) { return static_cast<unsigned char>(c) == 0xD0; }), 0);
    }
    const std::vector<std::string> names = split_crlf(from_cp1251(text(seed1(), "Rus/Monsters.txt")));
    ASSERT_EQ(names.size(), 1001u);
    EXPECT_EQ(names[0], "(нет)");
    for (std::size_t i = 1; i < names.size(); ++i) EXPECT_TRUE(is_cyrillic_text(names[i])) << names[i];
}

TEST(DemoTexts, Windows1251ConversionCoversTheDemoCharactersAndRefusesOthers) {
    EXPECT_EQ(to_cp1251("Ab Аа Яя Ёё «№» — –"), "Ab \xC0\xE0 \xDF\xFF \xA8\xB8 \xAB\xB9\xBB \x97 \x96");
    EXPECT_THROW(to_cp1251("caf\xC3\xA9"), std::invalid_argument);  // é has no Cyrillic code page byte
    EXPECT_THROW(to_cp1251("\xD0"), std::invalid_argument);          // a cut UTF-8 sequence
    EXPECT_EQ(capitalize("ёж"), "Ёж");
    EXPECT_EQ(capitalize("яр"), "Яр");
    EXPECT_EQ(capitalize("zorv"), "Zorv");
    EXPECT_EQ(capitalize(""), "");
}

bool is_vowel(char c) { return std::string_view("aeiouAEIOU").find(c) != std::string_view::npos; }

TEST(DemoTexts, CreatureNamesAreUniquePronounceableAndMatchTheirPlurals) {
    const std::vector<std::string> en = split_crlf(text(seed1(), "Eng/Monsters.txt"));
    const std::vector<std::string> ru = split_crlf(text(seed1(), "Rus/Monsters.txt"));
    const std::vector<std::string> plural = split_crlf(text(seed1(), "Eng/Plural.txt"));
    ASSERT_EQ(en.size(), 1001u);
    EXPECT_EQ(en[0], "(none)");
    EXPECT_EQ(std::set<std::string>(en.begin(), en.end()).size(), 1001u);
    EXPECT_EQ(std::set<std::string>(ru.begin(), ru.end()).size(), 1001u);
    for (std::size_t i = 1; i < en.size(); ++i) {
        const std::string& name = en[i];
        SCOPED_TRACE(name);
        ASSERT_GE(name.size(), 2u);
        EXPECT_LE(name.size(), 16u);
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(name[0])));
        EXPECT_TRUE(std::all_of(name.begin() + 1, name.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); }));
        // No more than three consonants in a row, and a vowel in every name.
        int run = 0, longest = 0;
        for (char c : name) {
            run = is_vowel(c) ? 0 : run + 1;
            longest = std::max(longest, run);
        }
        EXPECT_LE(longest, 3);
        EXPECT_TRUE(std::any_of(name.begin(), name.end(), is_vowel));
        // Plural line k belongs to Monsters line k + 1.
        EXPECT_EQ(plural[i - 1].rfind(name, 0), 0u) << plural[i - 1];
        EXPECT_TRUE(plural[i - 1] == name + "s" || plural[i - 1] == name + "es") << plural[i - 1];
    }
    const std::vector<std::string> spells = split_crlf(text(seed1(), "Eng/Spells.txt"));
    EXPECT_EQ(std::set<std::string>(spells.begin(), spells.end()).size(), spells.size());
    const std::vector<std::string> spells_ru = split_crlf(text(seed1(), "Rus/Spells.txt"));
    EXPECT_EQ(std::set<std::string>(spells_ru.begin(), spells_ru.end()).size(), spells_ru.size());
}

// The numbers written in a text, sorted.
std::vector<std::string> numbers_in(const std::string& t) {
    std::vector<std::string> numbers;
    std::string current;
    for (const char c : t + " ") {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            current += c;
        } else if (!current.empty()) {
            numbers.push_back(current);
            current.clear();
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

TEST(DemoTexts, AbilityTextsVaryAndSomeAreLongEnoughToWrap) {
    for (int language = 0; language < 2; ++language) {
        const std::vector<std::string> lines = split_crlf(text(seed1(), lang_file(language, "Ability")));
        ASSERT_EQ(lines.size(), 1000u);
        const auto longer = std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.size() > 200; });
        EXPECT_GT(longer, 50);
        EXPECT_GT(std::set<std::string>(lines.begin(), lines.end()).size(), 900u);
    }
    // The Russian sentence of a creature tells the same numbers as the English one.
    const std::vector<std::string> en = split_crlf(text(seed1(), "Eng/Ability.txt"));
    const std::vector<std::string> ru = split_crlf(text(seed1(), "Rus/Ability.txt"));
    for (std::size_t i = 0; i < en.size(); ++i) EXPECT_EQ(numbers_in(en[i]), numbers_in(ru[i])) << en[i];
}

}  // namespace
}  // namespace ce
