// The creature header format, numbered entries and the language file table.
#include <gtest/gtest.h>

#include <string>

#include "store/whole_file.h"
#include "text/language.h"

namespace ce {
namespace {

TEST(HeaderFormat, FirstIntegerConversionIsApplied) {
    EXPECT_EQ(format_header("Creature %d", 42), "Creature 42");
    EXPECT_EQ(format_header("Creature %i", -7), "Creature -7");
    EXPECT_EQ(format_header("%03d", 7), "007");
    EXPECT_EQ(format_header("%03d", -7), "-07");
    EXPECT_EQ(format_header("[%5d]", 42), "[   42]");
    EXPECT_EQ(format_header("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(format_header("[%-05d]", 42), "[42   ]");  // left alignment wins over zeros
    EXPECT_EQ(format_header("%ld.", 999), "999.");
    EXPECT_EQ(format_header("%u", -1), "4294967295");
    EXPECT_EQ(format_header("%x", 255), "ff");
    EXPECT_EQ(format_header("%08X", 255), "000000FF");
    EXPECT_EQ(format_header("%X", -1), "FFFFFFFF");
    EXPECT_EQ(format_header("%d", 0), "0");
    EXPECT_EQ(format_header("No number here", 5), "No number here");
    EXPECT_EQ(format_header("", 5), "");
}

TEST(HeaderFormat, EverythingElseIsLiteral) {
    // Conversions that would take something other than one integer never reach
    // a formatting routine: they show as they stand.
    EXPECT_EQ(format_header("%s%s%n", 3), "%s%s%n");
    EXPECT_EQ(format_header("%d%d", 3), "3%d");
    EXPECT_EQ(format_header("%s then %d", 3), "%s then 3");
    EXPECT_EQ(format_header("100%", 3), "100%");
    EXPECT_EQ(format_header("100%% of %d", 3), "100% of 3");
    EXPECT_EQ(format_header("%d%%", 3), "3%");
    EXPECT_EQ(format_header("%.3d %p %c %f %hd", 3), "%.3d %p %c %f %hd");
    EXPECT_EQ(format_header("%5", 3), "%5");
    EXPECT_EQ(format_header("%-", 3), "%-");
    EXPECT_EQ(format_header("\xC1\xE5\xF1\xF2 %d \xFF", 9), "\xC1\xE5\xF1\xF2 9 \xFF");
}

TEST(HeaderFormat, ResultIsCutAt999Characters) {
    EXPECT_EQ(format_header("%5000d", 1).size(), 999u);
    EXPECT_EQ(format_header("%99999999999999999999d", 1).size(), 999u);  // width overflow is harmless
    EXPECT_EQ(format_header("%-5000d|", 1).substr(0, 2), "1 ");
    const std::string long_text(2000, 'h');
    EXPECT_EQ(format_header(long_text, 1), long_text.substr(0, 999));
    // A width just past the header pads its digits out of view, as printf's
    // text cut at 999 characters does, whatever stands before it.
    EXPECT_EQ(format_header("x%1005d", 123456), "x" + std::string(998, ' '));
    EXPECT_EQ(format_header("ab%01002X", -1), "ab" + std::string(994, '0') + "FFF");
    EXPECT_EQ(format_header("%01000d", -5), "-" + std::string(998, '0'));
}

TEST(NumberedEntry, ThreeDigitsThenTheLine) {
    EXPECT_EQ(numbered_entry(7, "Wolf"), "007 Wolf");
    EXPECT_EQ(numbered_entry(0, ""), "000 ");
    EXPECT_EQ(numbered_entry(999, "x"), "999 x");
    EXPECT_EQ(numbered_entry(1234, "x"), "1234 x");
    const std::string long_line(5000, 'n');
    EXPECT_EQ(numbered_entry(12, long_line), "012 " + long_line);
}

TEST(LanguageFileTable, NamesAndPaths) {
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(language_file_name(TextKind::Monsters, 0), "Eng" + sep + "Monsters.txt");
    EXPECT_EQ(language_file_name(TextKind::Monsters, 1), "Rus" + sep + "Monsters.txt");
    EXPECT_EQ(language_file_name(TextKind::Spells, 0), "Eng" + sep + "Spells.txt");
    EXPECT_EQ(language_file_name(TextKind::Common, 1), "Rus" + sep + "Common.txt");
    EXPECT_EQ(language_file_name(TextKind::Plural, 0), "Eng" + sep + "Plural.txt");
    EXPECT_EQ(language_file_name(TextKind::Ability, 1), "Rus" + sep + "Ability.txt");
    EXPECT_EQ(language_file_name(TextKind::Ability, 7), "Eng" + sep + "Ability.txt");
    EXPECT_EQ(language_file("", TextKind::Plural, 1), "Rus" + sep + "Plural.txt");
    EXPECT_EQ(language_file("data", TextKind::Plural, 1), "data" + sep + "Rus" + sep + "Plural.txt");
}

}  // namespace
}  // namespace ce
