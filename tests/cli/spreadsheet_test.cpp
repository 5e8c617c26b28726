// A CSV back from a spreadsheet: suspect changes held back, accepted or
// dropped; the language the file names; refusals that name their cause and
// value once; partial tables.
#include <gtest/gtest.h>

#include "folder/dataset.h"
#include "store/layouts.h"
#include "tables/import_suspect.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

class Spreadsheet : public ::testing::Test {
protected:
    void SetUp() override { write_fixture_folder(dir.str()); }

    ToolRun import(const std::string& csv, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"import", "-C", dir.str(), "-", "--format", "csv"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_tool(args, csv);
    }
    std::string value(int slot, const std::string& key) {
        ToolRun r = run_tool({"export", "-C", dir.str(), "--format", "csv", "--slots", std::to_string(slot),
                              "--fields", key});
        // "slot,value,digest"
        const std::string row = r.out.substr(r.out.find('\n') + 1);
        const std::size_t from = row.find(',') + 1;
        return row.substr(from, row.rfind(',', row.find('\r')) - from);
    }
    void set_language(int language) {
        write_file(dir / "Lang", settings_bytes(language, 0));
    }

    TempDir dir;
};

constexpr const char* kFloat = "MonstersSetup.vrh@169000[7]";

TEST_F(Spreadsheet, SuspectChangesAreHeldBackUntilAcceptedOrDropped) {
    ASSERT_EQ(import("slot,name,plural\r\n1,007,Imps\r\n2,=1+1,Fire Imps\r\n", {"--accept-suspect"}).status, 0);
    const auto before = snapshot(dir.str());
    // "007" read as a number, "=1+1" evaluated, and one real edit.
    const std::string csv = "slot,name,plural\r\n1,7,Imps\r\n2,2,Ice Imps\r\n";
    ToolRun r = import(csv);
    const ToolRun held = r;
    EXPECT_EQ(r.status, 3) << r.err;  // held back: not a refusal
    EXPECT_EQ(snapshot(dir.str()), before);
    // The held changes first, each marked with the flag that writes it, then
    // the advice, then the changes to be written, marked apart.
    EXPECT_EQ(r.out.substr(0, r.out.rfind("\n", r.out.size() - 2) + 1),
              "held back: changes that look like a program's reformatting rather than an edit (2):\n"
              "! slot 1: name (Name): \"007\" -> \"7\" [a number-like text rewritten; --accept-suspect-for number]\n"
              "! slot 2: name (Name): \"=1+1\" -> \"2\" [a formula's result or error in place of the text; "
              "--accept-suspect-for formula]\n"
              "by column:\n"
              "  name (Name): 2 (1 a formula's result or error in place of the text, 1 a number-like text rewritten)\n"
              "to keep a spreadsheet from doing it:\n"
              "  formula, number: " + std::string(suspect_advice(Suspect::NumberRewritten)) + "\n"
              "to be written once the held changes are settled (1):\n"
              "+ slot 2: plural (Caption 102): \"Fire Imps\" -> \"Ice Imps\"\n");
    EXPECT_NE(r.out.find("3 fields changed in 2 slots; 2 of them held back as suspect"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("2 changes look like a program's reformatting rather than an edit; nothing was written"),
              std::string::npos) << r.err;
    // One class, or one column, accepted by name: the rest stays held.
    r = import(csv, {"--accept-suspect-for", "number", "--dry-run"});
    EXPECT_NE(r.out.find("+ slot 1: name (Name): \"007\" -> \"7\" [a number-like text rewritten; accepted]\n! slot 2"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("; 1 of them held back as suspect"), std::string::npos) << r.out;
    r = import(csv, {"--accept-suspect-for", "formula,name", "--dry-run"});
    EXPECT_NE(r.out.find("3 fields changed in 2 slots, 2 of them suspect and accepted; would write"),
              std::string::npos) << r.out;
    r = import(csv, {"--accept-suspect-for", "rounded"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--accept-suspect-for: \"rounded\" is neither a class (character-set, "), std::string::npos)
        << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
    // A dry run shows the same and exits 0.
    ToolRun dry = import(csv, {"--dry-run"});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(dry.out.substr(0, dry.out.rfind(';')), held.out.substr(0, held.out.rfind(';')));
    EXPECT_TRUE(dry.out.ends_with("; dry run: nothing written\n")) << dry.out;
    // Dropped: the edit alone is written.
    r = import(csv, {"--drop-suspect"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 field changed in 1 slot; 2 suspect changes left out; writing Eng/Plural.txt"),
              std::string::npos) << r.out;
    EXPECT_EQ(value(1, "name"), "007");
    EXPECT_EQ(value(2, "name"), "=1+1");
    EXPECT_EQ(value(2, "plural"), "Ice Imps");
    // Accepted: written as given.
    r = import(csv, {"--accept-suspect"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 fields changed in 2 slots, 2 of them suspect and accepted; writing Eng/Monsters.txt"),
              std::string::npos) << r.out;
    EXPECT_EQ(value(1, "name"), "7");
    EXPECT_EQ(run_tool({"import", "-C", dir.str(), "-", "--accept-suspect", "--drop-suspect"}, csv).status, 2);
}

TEST_F(Spreadsheet, FloatsRoundedInBulkAreHeldBackAndTheSignOfZeroToo) {
    // The column as the fixture holds it, then rounded to one decimal (a tie
    // either way), as a display format saved as shown writes it.
    const std::string header = std::string("slot,") + kFloat + "\r\n";
    ASSERT_EQ(import(header + "0,-36.919\r\n1,52.185\r\n2,1.25\r\n3,7.5\r\n").status, 0);
    const std::string rounded = header + "0,-36.9\r\n1,52.2\r\n2,1.3\r\n3,7.5\r\n";
    ToolRun r = import(rounded, {"--dry-run"});
    EXPECT_NE(r.out.find("by column:\n  " + std::string(kFloat) + " ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("): 3 (3 a float rounded to fewer digits)\n"), std::string::npos) << r.out;
    // Two rounded values are held back too: each is judged against its old value.
    r = import(header + "0,-36.9\r\n1,52.2\r\n");
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("-36.919 -> -36.9 [a float rounded to fewer digits; --accept-suspect-for rounding]"), std::string::npos) << r.out;
    // -0.0 read as the number 0.
    ASSERT_EQ(import(header + "5,-0.0\r\n").status, 0);
    r = import(header + "5,0\r\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("-0.0 -> 0 [the sign of a zero lost (-0.0 -> 0); --accept-suspect-for zero-sign]"), std::string::npos)
        << r.out;
}

TEST_F(Spreadsheet, AFullExportImportsAsItStandsWhileAnEditedRowIsClassed) {
    // Texts that a spreadsheet would take for dates, times, percentages and numbers.
    ASSERT_EQ(import("slot,name,plural,ability\r\n1,Mar 3,12:30,100%\r\n2,2024-01-02,007,1.50\r\n",
                     {"--accept-suspect"}).status, 0);
    const ToolRun e = run_tool({"export", "-C", dir.str(), "--format", "csv"});
    ASSERT_EQ(e.status, 0) << e.err;
    // Into a folder of other values (whose floats the source's may read as
    // roundings of): every row is signed as exported, so nothing is held.
    TempDir other;
    write_fixture_folder(other.str(), 2);
    ToolRun r = run_tool({"import", "-C", other.str(), "-", "--format", "csv"}, e.out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("held back"), std::string::npos);
    for (const char* f : {"MonstersSetup.vrh", "DefenseBonus.vrh", "Ammo.vrh", "Firewall.vrh", "Demonology.vrh",
                          "ImposedSpells.vrh", "Eng/Monsters.txt", "Eng/Plural.txt", "Eng/Ability.txt"})
        EXPECT_EQ(read_file((other.path() / f).string()), read_file((dir.path() / f).string())) << f;
    // A row changed after the export no longer matches its digest: its cells
    // are classed again, and the rows left alone are still taken as they stand.
    std::string edited = e.out;
    edited.replace(edited.find("Mar 3"), 5, "03/03/26");
    r = run_tool({"import", "-C", other.str(), "-", "--format", "csv", "--dry-run"}, edited);
    EXPECT_NE(r.out.find("! slot 1: name (Name): \"Mar 3\" -> \"03/03/26\" [a text turned into a date"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 field changed in 1 slot; 1 of them held back"), std::string::npos) << r.out;
    // A digest column that is not the export's own is a row to class; one given twice a fault.
    std::string unsigned_rows =
        "slot,name,plural,digest\r\n2,2024-01-02,7,\r\n1,03/03/26,12:30,d0123456789abcde\r\n";
    r = run_tool({"import", "-C", other.str(), "-", "--format", "csv", "--dry-run"}, unsigned_rows);
    EXPECT_NE(r.out.find("2 of them held back"), std::string::npos) << r.out << r.err;
    r = run_tool({"import", "-C", other.str(), "-", "--format", "csv"}, "slot,digest,digest\r\n1,a,b\r\n");
    EXPECT_NE(r.err.find("column 3 (C): the digest column appears again (first in column 2)"), std::string::npos)
        << r.err;
}

TEST_F(Spreadsheet, TheHeldListShowsTheFirstTwentyOfAColumn) {
    std::string exact = std::string("slot,") + kFloat + "\r\n", rounded = exact;
    for (int slot = 0; slot < 25; ++slot) {
        exact += std::to_string(slot) + "," + std::to_string(slot) + ".125\r\n";
        rounded += std::to_string(slot) + "," + std::to_string(slot) + ".13\r\n";
    }
    ASSERT_EQ(import(exact).status, 0);
    ToolRun r = import(rounded);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("19.125 -> 19.13 [a float rounded to fewer digits; --accept-suspect-for rounding]\n"
                         "  ... and 5 more (the first 20 of each column are listed)\nby column:\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("): 25 (25 a float rounded to fewer digits)\n"), std::string::npos) << r.out;
}

TEST_F(Spreadsheet, TheCsvNamesItsLanguageAndItsTextsGoWhereTheyBelong) {
    ToolRun e = run_tool({"export", "-C", dir.str(), "--format", "csv", "--slots", "7", "--fields", "name"});
    ASSERT_EQ(e.out.rfind("slot (English),name,digest\r\n", 0), 0u) << e.out;
    std::string csv = e.out;
    csv.replace(csv.find("\r\n7,") + 4, 0, "New ");
    // Into the folder switched to Russian: the English names are compared and written.
    set_language(1);
    const std::string rus = read_file((dir.path() / "Rus" / "Monsters.txt").string());
    ToolRun r = import(csv);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("the file's texts are English and the folder's language is Russian: its names, plurals "
                          "and abilities are compared with and written to the English files\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("writing Eng/Monsters.txt"), std::string::npos) << r.out;
    EXPECT_EQ(read_file((dir.path() / "Rus" / "Monsters.txt").string()), rus);
    // A table headed "slot" alone takes the folder's language, as before.
    csv.replace(0, csv.find(','), "slot");
    r = import(csv);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot be written in Windows-1251"), std::string::npos) << r.err;
}

TEST_F(Spreadsheet, RefusalsNameTheirCauseAndValueOnce) {
    auto refused = [&](const std::string& csv, const std::string& expected) {
        ToolRun r = import(csv);
        EXPECT_EQ(r.status, 2) << csv;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        return r.err;
    };
    refused("slot,Ammo.vrh@0\r\n1,Quicksilver darts\r\n", "the text \"Quicksilver darts\" has 17 characters");
    refused(std::string("slot,") + kFloat + "\r\n1,\"-36,25\"\r\n",
            "\"-36,25\" is not a float (a decimal number within the float range, inf, -inf, nan or nan(0x...) with "
            "the NaN's 32 bits) (the decimal point is '.', not ',')");
    refused("slot,MonstersSetup.vrh@85000[0]\r\n1,\"1,000\"\r\n",
            "\"1,000\" is not a whole number (a 4-byte signed value) (a whole number is written without thousands "
            "separators: 1000)");
    // The file's character set, once for all its texts.
    std::string misread = "slot,name\r\n";
    const std::string zhuk = "\xC3\x90\xE2\x80\x93\xC3\x91\xC6\x92\xC3\x90\xC2\xBA";  // "Жук" read as Windows-1252
    for (int s = 0; s < 50; ++s) misread += std::to_string(s) + "," + zhuk + "\r\n";
    set_language(1);
    std::string err = refused(misread, "row 2, column 2 (B, name): \"" + zhuk + "\" "
                                       "looks like UTF-8 read as Windows-1252 (\"\xD0\x96\xD1\x83\xD0\xBA\"): open the "
                                       "file as UTF-8 and save it again; so do 49 more texts");
    EXPECT_EQ(count_lines_of(err), 2) << err;
    set_language(0);
    err = refused("slot,name\r\n1,Caf\xE9\r\n2,Caf\xE9s\r\n",
                  // The byte that is not UTF-8 is quoted as U+FFFD: every message is UTF-8 to the terminal.
                  "row 2, column 2 (B, name): \"Caf\xEF\xBF\xBD\" is not UTF-8: the file was saved in another character set; "
                  "save it as UTF-8; so does 1 more text");
    // The header: a byte-order mark read as text, tabs, semicolons, UTF-16, a long line cut.
    refused("\xC3\xAF\xC2\xBB\xC2\xBFslot,name\r\n1,Imp\r\n", "a byte-order mark read as text");
    const std::string tabbed = "slot\tname\tMonstersSetup.vrh@0" + std::string(4000, 'x') + "\r\n1\tImp\r\n";
    err = refused(tabbed, "the fields seem to be separated by tabs; save the file with commas");
    EXPECT_LT(err.size(), 400u) << err;
    EXPECT_EQ(count_lines_of(err), 2) << err;  // said once, not also as an unknown key
    err = refused("slot;name\r\n1;Imp\r\n", "the fields seem to be separated by ';'; save the file with commas");
    EXPECT_EQ(count_lines_of(err), 2) << err;
    refused("a;b,slot,name\r\n1,2,Imp\r\n", "row 1, column 1 (A): unknown key \"a;b\"");
    // The unnamed first column pandas writes for its row index.
    refused(",slot,name\r\n0,1,Imp\r\n",
            "row 1, column 1 (A): a column without a key, as pandas writes its row index: write the table with "
            "index=False, or delete the column");
    refused(std::string("\xFF\xFEs\0l\0", 6), "the file is UTF-16");
}

TEST_F(Spreadsheet, APartialTableMayPutSlotAnywhereAndKeepsBytesItDoesNotName) {
    // Bytes after the zero of slot 3's code (16000), then a table that gives
    // the text unchanged in its second column.
    ASSERT_EQ(import("MonstersSetup.vrh@16000,slot,MonstersSetup.vrh@16000.after\r\nAB,3,......4C\r\n").status, 0);
    const auto before = snapshot(dir.str());
    const std::string speed = value(3, "MonstersSetup.vrh@27000");
    ToolRun r = import("MonstersSetup.vrh@27000,slot,MonstersSetup.vrh@16000\r\n" + speed + ",3,AB\r\n");
    EXPECT_EQ(r.out, "0 fields changed in 0 slots; nothing to write\n") << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
    // A full export says nothing of those bytes where no slot of its folder
    // has any: imported, it makes them zero, as in the folder it came from.
    TempDir other;
    write_fixture_folder(other.str(), 2);
    std::string clear = "slot,MonstersSetup.vrh@16000.after\r\n";
    for (int s = 0; s < kSlots; ++s) clear += std::to_string(s) + ",\r\n";
    ASSERT_EQ(run_tool({"import", "-C", other.str(), "-", "--format", "csv"}, clear).status, 0);
    ToolRun e = run_tool({"export", "-C", other.str(), "--format", "csv"});
    ASSERT_EQ(e.out.find("MonstersSetup.vrh@16000.after"), std::string::npos);
    r = import(e.out, {"--accept-suspect"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "MonstersSetup.vrh"), read_file(other / "MonstersSetup.vrh"));
}

}  // namespace
}  // namespace ce
