// show, diff and check on fixture folders, and the tool's arguments.
#include <gtest/gtest.h>

#include "folder/folder.h"
#include "text/lines.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

// The line of the text that holds needle, or "" when none does.
std::string line_with(const std::string& text, const std::string& needle) {
    const std::size_t at = text.find(needle);
    if (at == std::string::npos) return {};
    const std::size_t start = text.rfind('\n', at) + 1;
    return text.substr(start, text.find('\n', at) - start);
}

// A table line that shows the stored value and ends with the shown text.
#define EXPECT_THAT_LINE(line, stored, shown)                                        \
    do {                                                                             \
        const std::string l_ = (line);                                               \
        EXPECT_NE(l_.find(stored), std::string::npos) << "[" << l_ << "]";           \
        EXPECT_TRUE(l_.size() >= std::string(shown).size() &&                        \
                    l_.substr(l_.size() - std::string(shown).size()) == (shown))     \
            << "[" << l_ << "]";                                                     \
    } while (0)

template <std::size_t N>
std::string bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

TEST(Show, PrintsEveryFieldWithCaptionPlaceStoredValueAndShownText) {
    TempDir dir;
    write_fixture_folder(dir.str());
    ToolRun r = run_tool({"show", "-C", dir.str(), std::to_string(fixture_slot::kNegativeNumber)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(r.out.rfind("Slot 13: ", 0), 0u) << r.out.substr(0, 100);
    // The number block is stored signed and shown as its unsigned reading.
    EXPECT_THAT_LINE(line_with(r.out, "MonstersSetup.vrh@86092 "), " -7 ", "  4294967289");
    // Places of each kind of element, one line per flag of the word at 21000.
    EXPECT_NE(r.out.find("Eng/Monsters.txt line 14"), std::string::npos);
    EXPECT_NE(r.out.find("Eng/Plural.txt line 13"), std::string::npos);
    EXPECT_NE(r.out.find("Firewall.vrh@1 bit 5"), std::string::npos);
    EXPECT_NE(r.out.find("bit 31"), std::string::npos);
    EXPECT_NE(r.out.find("(no control)"), std::string::npos);

    // Unusual slots show as the editor shows them.
    r = run_tool({"show", "-C", dir.str(), std::to_string(fixture_slot::kListNoEntry)});
    EXPECT_THAT_LINE(line_with(r.out, "MonstersSetup.vrh@51021 "), " 12 ", "  (no entry)");
    r = run_tool({"show", "-C", dir.str(), std::to_string(fixture_slot::kRadioNine)});
    EXPECT_THAT_LINE(line_with(r.out, "MonstersSetup.vrh@26089 "), " 9 ", "  (no button checked)");
    r = run_tool({"show", "-C", dir.str(), std::to_string(fixture_slot::kBigFloat)});
    EXPECT_THAT_LINE(line_with(r.out, "MonstersSetup.vrh@188584 "), " 123456.5 ", "  12345");  // the editor's 5 characters

    // Russian texts come out in UTF-8.
    write_file(dir / "Lang", bytes("\x01\x00\x00"));
    r = run_tool({"show", "-C", dir.str(), "0"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Russian texts"), std::string::npos);
    EXPECT_NE(r.out.find("Rus/Monsters.txt line 1"), std::string::npos);
    EXPECT_NE(r.out.find("\xD0"), std::string::npos);  // Cyrillic letters as UTF-8

    r = run_tool({"show", "-C", dir.str(), "1000"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\"1000\" is not a creature slot (0 to 999)"), std::string::npos);
    fs::remove(dir / "Demonology.vrh");
    r = run_tool({"show", "-C", dir.str(), "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Demonology.vrh: does not exist"), std::string::npos);
}

// What the editor shows comes from the editor's own filling: a Common file too
// short for the list options is read again from its first line, as the editor
// reads it, instead of showing empty entries.
TEST(Show, ListEntriesAreTheEditorsFromAShortCommonFile) {
    TempDir dir;
    write_fixture_folder(dir.str());
    std::string common;
    for (int k = 0; k < 10; ++k) common += "c" + std::to_string(k) + "\r\n";
    write_file((dir.path() / "Eng" / "Common.txt").string(), common);
    std::string monsters = read_file(dir / "MonstersSetup.vrh");
    monsters[33000 + 5] = 2;  // list 306, entry 2: Common line 140
    write_file(dir / "MonstersSetup.vrh", monsters);
    ToolRun r = run_tool({"show", "-C", dir.str(), "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    // A cycle of 11 reads: lines 0..9 and the empty line after the last break.
    EXPECT_THAT_LINE(line_with(r.out, "MonstersSetup.vrh@33005 "), " 2 ", "  c" + std::to_string(140 % 11));
}

TEST(Diff, PrintsExactlyTheFieldsThatDiffer) {
    TempDir a, b;
    write_fixture_folder(a.str());
    write_fixture_folder(b.str());
    ToolRun r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.out.empty());

    // One changed field.
    ToolRun i = run_tool({"import", "-C", b.str(), "-", "--format", "csv"}, "slot,MonstersSetup.vrh@27000\r\n250,77\r\n");
    ASSERT_EQ(i.status, 0) << i.err;
    const std::string old_value = [&] {
        ToolRun e = run_tool({"export", "-C", a.str(), "--format", "csv", "--slots", "250", "--fields", "MonstersSetup.vrh@27000"});
        const std::size_t from = e.out.find("\r\n250,") + 6;
        return e.out.substr(from, e.out.rfind(',') - from);  // before the row's digest
    }();
    r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count_lines_of(r.out), 1) << r.out;
    EXPECT_EQ(r.out.rfind("slot 250: MonstersSetup.vrh@27000 (", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("): " + old_value + " | 77\n"), std::string::npos) << r.out;

    // A name in the other language, bytes after a text's zero, a longer data file.
    std::string rus = read_file((b.path() / "Rus" / "Plural.txt").string());
    rus.insert(rus.find("\r\n"), "X");
    write_file((b.path() / "Rus" / "Plural.txt").string(), rus);
    std::string ammo = read_file(b / "Ammo.vrh");
    const std::size_t zero = ammo.find('\0', 16 * 5);
    ASSERT_LT(zero, 16u * 5 + 15);
    ammo[zero + 1] = static_cast<char>(ammo[zero + 1] ^ 1);
    write_file(b / "Ammo.vrh", ammo + "extra");
    r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count_lines_of(r.out), 4) << r.out;
    EXPECT_NE(r.out.find("slot 0: plural (Russian, Rus/Plural.txt line 0): "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slot 5: Ammo.vrh@0 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("the bytes after the text differ"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ammo.vrh: 16000 | 16005 bytes"), std::string::npos) << r.out;

    fs::remove(b / "MonstersSetup.vrh");
    r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("DIR_B"), std::string::npos);
    EXPECT_NE(r.err.find("MonstersSetup.vrh: does not exist"), std::string::npos);
}

// A language file that cannot be read compares as empty, and the diff names
// it (an empty file's lines would look changed, or hide a change).
TEST(Diff, ALanguageFileThatCannotBeReadIsNamedAndReadAsEmpty) {
    TempDir a, b;
    write_fixture_folder(a.str());
    write_fixture_folder(b.str());
    ToolRun r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;

    fs::remove((a.path() / "Rus" / "Ability.txt").string());
    fs::remove((b.path() / "Rus" / "Ability.txt").string());
    fs::create_directory((b.path() / "Rus" / "Ability.txt").string());  // the other language's file
    r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.err.find("Ability.txt: does not exist; read as empty"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Ability.txt: is a folder; read as empty"), std::string::npos) << r.err;

    fs::remove((a.path() / "Eng" / "Plural.txt").string());
    r = run_tool({"diff", a.str(), b.str()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Plural.txt: does not exist; read as empty"), std::string::npos) << r.err;
}

TEST(Check, FindsEachPlantedFault) {
    TempDir dir;
    write_fixture_folder(dir.str());
    ToolRun r = run_tool({"check", "-C", dir.str()});
    EXPECT_EQ(r.status, 0) << r.out;
    // The fixture's unusual slots are found.
    EXPECT_NE(r.out.find("MonstersSetup.vrh@51000 (list 308, 10 entries): positions that name no entry: 1 slot (21)"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("MonstersSetup.vrh@61000 (check box 2077): bytes above 1: 1 slot (34)"), std::string::npos);
    EXPECT_NE(r.out.find("MonstersSetup.vrh@26000 (radio buttons 2008-2017): bytes outside -1..8: 1 slot (89)"),
              std::string::npos);
    EXPECT_NE(r.out.find("Ammo.vrh@0 (edit 304): text fields without a zero: 1 slot (144)"), std::string::npos);
    EXPECT_NE(r.out.find("MonstersSetup.vrh@16000 (edit 122): text fields without a zero: 1 slot (145)"), std::string::npos);
    EXPECT_NE(r.out.find("Eng/Monsters.txt: 1001 lines, ok"), std::string::npos);
    EXPECT_NE(r.out.find("The editor can use this folder"), std::string::npos);

    // Planted faults.
    std::string m = read_file(dir / "MonstersSetup.vrh");
    for (int s : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}) m[static_cast<std::size_t>(33000 + s)] = 3;  // list 306 has 3
    m[40000 + 2] = 3;                                                      // the pair byte above 2
    write_file(dir / "MonstersSetup.vrh", m);
    std::string plural = read_file((dir.path() / "Eng" / "Plural.txt").string());
    plural.erase(plural.find("\r\n") , 1);                                 // a bare LF on line 0
    plural.resize(plural.size() - 2);                                      // the last line without a break
    write_file((dir.path() / "Eng" / "Plural.txt").string(), plural);
    std::string ability = read_file((dir.path() / "Eng" / "Ability.txt").string());
    ability.resize(ability.find("\r\n") + 2);                             // one line
    write_file((dir.path() / "Eng" / "Ability.txt").string(), ability);
    write_file(dir / "Lang", bytes("\x07\x10\x27"));              // language 7, creature 10000
    r = run_tool({"check", "-C", dir.str(), "--first", "3"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("MonstersSetup.vrh@33000 (list 306, 3 entries): positions that name no entry: 11 slots (3, 4, 5, ...)"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("MonstersSetup.vrh@40000 (check box 2062): bytes above 2: 1 slot (2)"), std::string::npos);
    EXPECT_NE(r.out.find("Eng/Plural.txt: 1000 lines; 1 line ends with something other than CR LF (first: line 0); "
                         "the last line has no line break"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Eng/Ability.txt: 1 line; too few lines: needs 1000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("language 7 is not 0 or 1 (used as English); creature 10000 is not a creature slot (0 to 999), used as 0"),
              std::string::npos) << r.out;

    // Missing and short files keep the editor out: status 1.
    write_file(dir / "DefenseBonus.vrh", std::string(999, '\0'));
    fs::remove((dir.path() / "Eng" / "Common.txt"));
    r = run_tool({"check", "-C", dir.str()});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("DefenseBonus.vrh: 999 bytes, SHORT: needs 1000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Eng/Common.txt: CANNOT BE READ: does not exist"), std::string::npos);
    EXPECT_NE(r.out.find("2 faults keep the editor from using this folder"), std::string::npos);
}

TEST(Arguments, HelpUsageAndErrors) {
    ToolRun r = run_tool({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"show", "export", "import", "diff", "check"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
    r = run_tool({"export", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--slots"), std::string::npos);
    EXPECT_NE(r.out.find("--captions"), std::string::npos);
    r = run_tool({});
    EXPECT_EQ(r.status, 2);
    r = run_tool({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown command \"frobnicate\""), std::string::npos) << r.err;
    r = run_tool({"export", "--format", "xml"});
    EXPECT_EQ(r.status, 2);
    r = run_tool({"export", "--slots", "5-1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad slot range \"5-1\""), std::string::npos);
    r = run_tool({"export", "--fields", "bogus"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown field \"bogus\""), std::string::npos);
    for (const char* command : {"show", "export", "check"}) {
        r = command == std::string("show") ? run_tool({command, "-C", "/no/such/folder", "1"})
                                           : run_tool({command, "-C", "/no/such/folder"});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(r.err, std::string("creatures ") + command + ": /no/such/folder: no such folder\n");
    }
    r = run_tool({"diff", "/no/such/folder", "."});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "creatures diff: /no/such/folder: no such folder\n");
    TempDir empty;
    r = run_tool({"export", "-C", empty.str()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("MonstersSetup.vrh: does not exist"), std::string::npos);
}

TEST(LanguageLines, ReplaceLinesKeepsEveryOtherByte) {
    LanguageText t;
    t.bytes = bytes("zero\r\none\ntwo\rthree\x01" "four\r\n\0tail");
    split_lines(t);
    ASSERT_EQ(t.line_count(), 5);
    EXPECT_EQ(t.line(3), "three");
    EXPECT_EQ(replace_lines(t.bytes, {{1, "ONE"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), bytes("zero\r\nONE\ntwo\rthree\x01" "four\r\n\0tail"));
    EXPECT_EQ(replace_lines(t.bytes, {{4, ""}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), bytes("zero\r\none\ntwo\rthree\x01\r\n\0tail"));
    EXPECT_EQ(replace_lines(t.bytes, {{6, "six"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), bytes("zero\r\none\ntwo\rthree\x01" "four\r\n\r\nsix\r\n\0tail"));
    LanguageText empty;
    split_lines(empty);
    EXPECT_EQ(replace_lines(empty.bytes, {{1, "x"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "\r\nx\r\n");
}

TEST(LanguageLines, AnEmptiedLineAfterALoneCarriageReturnStaysALine) {
    // Found by fuzzing: "b" emptied between "a\r" and its "\n" made one CR LF of
    // the two enders, and "c" moved up to b's line.
    LanguageText t;
    t.bytes = "a\rb\nc\r\n";
    split_lines(t);
    ASSERT_EQ(t.line_count(), 3);
    LanguageText after;
    after.bytes = replace_lines(t.bytes, {{1, ""}}, OtherLines::KeepEnders, EmptyPastEnd::Extends);
    EXPECT_EQ(after.bytes, "a\r\r\nc\r\n");
    split_lines(after);
    ASSERT_EQ(after.line_count(), 3);
    EXPECT_EQ(after.line(1), "");
    EXPECT_EQ(after.line(2), "c");
    // Two such lines at once, and one that is not emptied, keep their bytes.
    t.bytes = "a\rb\rc\nd\n";
    split_lines(t);
    EXPECT_EQ(replace_lines(t.bytes, {{1, ""}, {2, ""}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\r\r\r\nd\n");
    EXPECT_EQ(replace_lines(t.bytes, {{2, "C"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\rb\rC\nd\n");
}

}  // namespace
}  // namespace ce
