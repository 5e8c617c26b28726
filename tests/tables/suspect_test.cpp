// The classes of an import's changes: what a spreadsheet, a data-frame library
// or a wrong character set does to a cell, told apart from a person's edit.
#include <gtest/gtest.h>

#include "tables/import_suspect.h"
#include "store/value_text.h"

namespace ce {
namespace {

struct TextCase {
    const char* before;
    const char* after;
    Suspect expected;
};

// One table: every row a change from the stored text to the file's text.
constexpr TextCase kTextCases[] = {
    // Number-like texts rewritten: leading zeros, signs, decimals, exponents,
    // thousands separators, precision, percent, currency, accounting, decimal comma.
    {"007", "7", Suspect::NumberRewritten},
    {"0012", "12", Suspect::NumberRewritten},
    {"+5", "5", Suspect::NumberRewritten},
    {"1.50", "1.5", Suspect::NumberRewritten},
    {"1e3", "1000", Suspect::NumberRewritten},
    {"1e3", "1.00E+03", Suspect::NumberRewritten},
    {"1000", "1,000", Suspect::NumberRewritten},
    {"1,000", "1000", Suspect::NumberRewritten},
    {"1 000 000", "1000000", Suspect::NumberRewritten},
    {"12345678901234567890", "1.23456789012346E+019", Suspect::NumberRewritten},
    {"-36.919", "-36.9", Suspect::NumberRewritten},
    {"100%", "100.00%", Suspect::NumberRewritten},
    {"0.5", "50%", Suspect::NumberRewritten},
    {"5", "$5.00", Suspect::NumberRewritten},
    {"-5", "(5)", Suspect::NumberRewritten},
    {"1.5", "1,5", Suspect::NumberRewritten},
    {"-0", "0", Suspect::NumberRewritten},
    // Dates, times, percentages and serial numbers.
    {"3/4", "03/04/26", Suspect::Date},
    {"Mar 3", "03/03/26", Suspect::Date},
    {"1-2", "2-Jan", Suspect::Date},
    {"Imp", "2026-03-04", Suspect::Date},
    {"Imp", "04.03.2026 12:30", Suspect::Date},
    {"Imp", "3 \xD0\xBC\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0 2026", Suspect::Date},  // "3 марта 2026"
    {"12:30", "12:30:00 PM", Suspect::Time},
    {"Imp", "0:05", Suspect::Time},
    {"Imp", "46024", Suspect::Serial},
    // Typed into a cell not formatted as Text: what was typed ("007", "1.50") is lost.
    {"Imp", "42", Suspect::TypedNumber},
    {"Imp", "-1.5", Suspect::TypedNumber},
    {"Imp", "1.23456789012346E+019", Suspect::TypedNumber},
    {"", "7", Suspect::TypedNumber},
    {"12:30", "0.520833333333333", Suspect::Serial},
    {"Mar 3", "46084", Suspect::Serial},
    {"Imp", "75%", Suspect::Percentage},
    // Formulas, missing values, booleans, spaces, quotes.
    {"=1+1", "2", Suspect::FormulaResult},
    {"=A1", "#REF!", Suspect::FormulaResult},
    {"-Imp", "#NAME?", Suspect::FormulaResult},
    {"Imp", "Err:508", Suspect::FormulaResult},
    {"NA", "", Suspect::Missing},
    {"nan", "", Suspect::Missing},
    {"null", "", Suspect::Missing},
    {"None", "", Suspect::Missing},
    {"#N/A", "", Suspect::Missing},
    {"", "NaN", Suspect::Missing},
    {"true", "TRUE", Suspect::Boolean},
    {" Imp ", "Imp", Suspect::Spaces},
    {"Fire  Imp", "Fire Imp", Suspect::Spaces},
    {"Fire\xC2\xA0Imp", "Fire Imp", Suspect::Spaces},
    {"Imp", "\"Imp\"", Suspect::Quotes},
    {"007", "'007", Suspect::Quotes},
    // Character sets: UTF-8 read as Windows-1252, Windows-1251 or Latin-1, a
    // byte-order mark, replacement characters.
    {"Caf\xC3\xA9", "Caf\xC3\x83\xC2\xA9", Suspect::CharacterSet},
    {"\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xA0\xE2\x80\x93\xD0\xA1\xD1\x93\xD0\xA0\xD1\x94", Suspect::CharacterSet},
    {"Caf\xC3\xA9", "Caf\xEF\xBF\xBD", Suspect::CharacterSet},
    {"Imp", "\xEF\xBB\xBFImp", Suspect::CharacterSet},
    // Letters a character set lacks, replaced by one mark each or one per byte
    // ("Мувикс" saved as Windows-1252), and bytes a code page leaves undefined
    // read as U+0080..U+009F ("Ё" read as Windows-1252: "Ð" and U+0081).
    {"\xD0\x9C\xD1\x83\xD0\xB2\xD0\xB8\xD0\xBA\xD1\x81", "??????", Suspect::CharacterSet},
    {"\xD0\x9C\xD1\x83\xD0\xB2\xD0\xB8\xD0\xBA\xD1\x81", "????????????", Suspect::CharacterSet},
    {"Fire \xD0\x96?", "Fire ??", Suspect::CharacterSet},
    {"Caf\xC3\xA9", "Caf\x1A", Suspect::CharacterSet},
    {"Caf\xC3\xA9s", "Caf\xEF\xBF\xBD\xEF\xBF\xBDs", Suspect::CharacterSet},
    {"\xD0\x81", "\xC3\x90\xC2\x81", Suspect::CharacterSet},
    // Tabs and other control characters gone from a text that had them.
    {"Fire\tImp", "FireImp", Suspect::Dropped},
    {"Fire\tImp", "Fire Imp", Suspect::Dropped},
    {"Bite\tFire\tIce", "Bite\tFire Ice", Suspect::Dropped},
    {"Bite\r\nFire", "Bite\nFire", Suspect::Dropped},
    {"Imp\x01", "Imp", Suspect::Dropped},
    {"\t\tImp", "Imp", Suspect::Dropped},
    {"\xD0\x96", "??", Suspect::CharacterSet},
    {"Imp\xC2\x85", "Imp", Suspect::Dropped},
    // Edits.
    {"5", "6", Suspect::None},
    {"007", "008", Suspect::None},
    {"Imp", "Fire Imp", Suspect::None},
    {"Imp", "imp", Suspect::None},
    {"Imp", "", Suspect::None},
    {"Imp", "007", Suspect::None},   // typed into a cell formatted as Text: kept as typed
    {"Imp", "1.50", Suspect::None},
    {"Imp", "0.5.1", Suspect::None},
    {"03/04/26", "05/06/27", Suspect::None},
    {"12:30", "13:45", Suspect::None},
    {"=1+1", "=2+2", Suspect::None},
    {"=concat(a)", "Fire Imp", Suspect::None},
    {"  ", "", Suspect::None},
    {"Caf\xC3\xA9", "Caf\xC3\xA8s", Suspect::None},
    {"May", "June", Suspect::None},
    {"Imp", "Imp?", Suspect::None},
    {"Caf\xC3\xA9", "Cafe?", Suspect::None},
    {"Caf\xC3\xA9", "Caf???", Suspect::None},  // more marks than the letter has bytes
    {"\xD0\x96", "?", Suspect::None},            // a single mark
    {"\t", "", Suspect::None},
    {"Fire\tImp", "Ice\tImp", Suspect::None},
    {"Fire\tImp", "", Suspect::None},  // emptied
    {"Fire\tImp", "Fire\t", Suspect::None},
    {"Fire\tImp", "Fire\tImp\t", Suspect::None},
    {"Imp", "Fire\tImp", Suspect::None},
};

TEST(Suspect, TextChangesAreClassedByTheFirstRuleThatMatches) {
    for (const TextCase& c : kTextCases) {
        if (std::string_view(c.before) == c.after) continue;
        EXPECT_EQ(class_text_change(c.before, c.after), c.expected)
            << '"' << c.before << "\" -> \"" << c.after << "\": " << suspect_text(class_text_change(c.before, c.after));
    }
}

TEST(Suspect, FloatsLoseTheSignOfZeroOrDigitsAsShown) {
    const auto bits = [](const char* text) { return *parse_float_value(text); };
    struct FloatCase {
        const char* before;
        const char* after;
        const char* written;
        Suspect expected;
    } const cases[] = {
        {"-0.0", "0", "0", Suspect::ZeroSign},
        {"-0.0", "0", "-0", Suspect::ZeroSign},
        {"0", "-0.0", "-0.0", Suspect::None},  // only a person writes -0.0
        {"-36.919", "-36.9", "-36.9", Suspect::Rounded},
        {"-36.919", "-37", "-37", Suspect::Rounded},
        {"52.185", "52.19", "52.19", Suspect::Rounded},
        {"123456.5", "123000", "1.23E+05", Suspect::Rounded},
        {"1.5", "1.5", "1.50", Suspect::None},      // no change
        {"-36.919", "-36.8", "-36.8", Suspect::None},  // an edit
        {"-36.9", "-37", "-37", Suspect::Rounded},
        {"-36", "-37", "-37", Suspect::None},
        {"0.004", "0", "0", Suspect::Rounded},  // no digit left, yet rounded
        {"0.7", "0", "0", Suspect::None},
        {"nan", "0", "0", Suspect::None},
        {"inf", "3.4028235e+38", "3.4028235e+38", Suspect::None},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(class_float_change(bits(c.before), bits(c.after), c.written), c.expected)
            << c.before << " -> " << c.written;
}

// Each rounding judged against the old value alone: at ties the new value may
// lie on either side (0.125 written "0.12" or "0.13"), which only holds with
// the float's own precision allowed for; at the edges of single precision; and
// small values that a whole-number display format shows as 0 or -0.
TEST(Suspect, RoundingsAtTiesAndAtTheEdgesOfSinglePrecision) {
    const auto bits = [](const char* text) { return *parse_float_value(text); };
    struct RoundCase {
        const char* before;
        const char* written;
        bool rounded;
    } const cases[] = {
        {"0.125", "0.12", true},
        {"0.125", "0.13", true},
        {"-0.125", "-0.12", true},
        {"-0.125", "-0.13", true},
        {"0.375", "0.37", true},
        {"0.375", "0.38", true},
        {"2.5", "2", true},
        {"2.5", "3", true},
        {"1.005", "1", true},
        {"0.35", "0.3", true},
        {"0.35", "0.4", true},
        {"1234.5", "1234", true},
        {"1234.5", "1235", true},
        {"8388607.5", "8388607", true},
        {"3.4028235e+38", "3.4e+38", true},
        {"3.4028235e+38", "3.40E+38", true},
        {"-3.4028235e+38", "-3.4e+38", true},
        {"3.4028235e+38", "3e+38", true},
        {"1.1754944e-38", "1.18e-38", true},
        {"1.1754944e-38", "1.2e-38", true},
        {"-1.1754944e-38", "-1.18e-38", true},
        {"1.1754944e-38", "0", true},
        {"1e-45", "0", true},
        {"-0.267", "0", true},
        {"-0.267", "-0", true},
        {"0.292", "0", true},
        {"0.1", "0", true},
        {"-0.1", "-0", true},
        {"0.5", "0", true},
        {"0.5", "1", true},
        {"-0.03", "-0", true},
        {"0.004", "0.00", true},
        {"-0.03", "-0.0", false},  // how this program writes -0.0
        // Not roundings: past half of the last digit's place, or no digit fewer.
        {"0.125", "0.11", false},
        {"0.125", "0.14", false},
        {"2.5", "4", false},
        {"0.51", "0", false},
        {"3.4028235e+38", "3.3e+38", false},
        {"1.1754944e-38", "1.17e-38", false},
        {"1.1754944e-38", "1.19e-38", false},
        {"0.292", "0.3", true},
        {"0.292", "0.29", true},
        {"0.292", "0.28", false},
        {"0", "-0", false},
        {"0.25", "0.5", false},
    };
    for (const RoundCase& c : cases) {
        const std::uint32_t before = bits(c.before), after = bits(c.written);
        ASSERT_NE(before, after) << c.before << " -> " << c.written;
        EXPECT_EQ(class_float_change(before, after, c.written), c.rounded ? Suspect::Rounded : Suspect::None)
            << c.before << " -> " << c.written;
    }
}

TEST(Suspect, MisreadUtf8NamesTheCharacterSetAndTheOriginal) {
    auto m = misread_utf8("Caf\xC3\x83\xC2\xA9");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->original, "Caf\xC3\xA9");
    EXPECT_STREQ(m->character_set, "Windows-1252");
    m = misread_utf8("\xD0\xA0\xE2\x80\x93");  // "Ж" read as Windows-1251
    ASSERT_TRUE(m);
    EXPECT_EQ(m->original, "\xD0\x96");
    EXPECT_STREQ(m->character_set, "Windows-1251");
    m = misread_utf8("\xC3\x90\xC2\x81");  // "Ё" read as Windows-1252, its undefined byte 0x81 as U+0081
    ASSERT_TRUE(m);
    EXPECT_EQ(m->original, "\xD0\x81");
    EXPECT_STREQ(m->character_set, "Windows-1252");
    EXPECT_FALSE(misread_utf8("Imp"));            // nothing of two bytes
    EXPECT_FALSE(misread_utf8("Caf\xC3\xA9"));    // "é" is no UTF-8 byte pair in any of them
    EXPECT_FALSE(misread_utf8("\xD0\x96\xD1\x83"));  // Cyrillic maps to bytes that are not UTF-8
}

}  // namespace
}  // namespace ce
