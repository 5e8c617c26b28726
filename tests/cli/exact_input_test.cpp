// Import takes back exactly what export writes, refuses what it cannot be sure
// of, and says precisely what went wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <streambuf>

#include "tables/import_table.h"
#include "store/binding.h"
#include "support.h"

namespace ce {
namespace {

using namespace ce::test;

class ExactInput : public ::testing::Test {
protected:
    void SetUp() override { write_fixture_folder(dir.str()); }

    std::string monsters() const { return read_file(dir / "MonstersSetup.vrh"); }
    ToolRun import_text(const std::string& text, const std::string& format = "json") {
        return run_tool({"import", "-C", dir.str(), "-", "--format", format}, text);
    }
    std::uint32_t word_at(std::size_t at) const {
        const std::string m = monsters();
        std::uint32_t v = 0;
        std::memcpy(&v, m.data() + at, 4);
        return v;
    }

    TempDir dir;
};

TEST_F(ExactInput, ATextThatFillsItsFieldComesBackFromItsExport) {
    const int s = fixture_slot::kCodeNoZero;  // "QUILL": five letters, no zero
    const std::size_t at = 16000 + 5 * static_cast<std::size_t>(s);
    for (const char* format : {"json", "csv"}) {
        ToolRun e = run_tool({"export", "-C", dir.str(), "--format", format, "--slots", std::to_string(s)});
        ASSERT_EQ(e.status, 0) << e.err;
        std::string m = monsters();
        m.replace(at, 5, std::string("AB\0\0\0", 5));  // changed elsewhere
        write_file(dir / "MonstersSetup.vrh", m);
        ToolRun i = import_text(e.out, format);
        EXPECT_EQ(i.status, 0) << i.err;
        EXPECT_EQ(monsters().substr(at, 5), "QUILL") << format;
        EXPECT_NE(i.out.find("\"AB\" -> \"QUILL\""), std::string::npos) << i.out;
    }
    ToolRun too_long = import_text("slot,MonstersSetup.vrh@16000\r\n1,QUILLS\r\n", "csv");
    EXPECT_EQ(too_long.status, 2);
    EXPECT_NE(too_long.err.find("the text \"QUILLS\" has 6 characters; the field holds at most 5"), std::string::npos);
}

TEST_F(ExactInput, NegativeZeroNaNPayloadsAndUnsignedReadingsKeepTheirBits) {
    const std::size_t f6 = 169000 + 84 + 12;  // slot 1, CrAnim element 6 (a float)
    ToolRun r = import_text(R"({"creatures": [{"slot": 1, "MonstersSetup.vrh@169000[6]": -0}]})");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(word_at(f6), 0x80000000u);
    r = import_text(R"({"creatures": [{"slot": 1, "MonstersSetup.vrh@169000[6]": 0}]})");
    EXPECT_EQ(word_at(f6), 0u);
    r = import_text("[{\"slot\": 1, \"MonstersSetup.vrh@169000[6]\": -0.0}]");
    EXPECT_EQ(word_at(f6), 0x80000000u);
    r = import_text("slot,MonstersSetup.vrh@169000[6]\r\n1,nan(0x7FC01234)\r\n", "csv");
    EXPECT_EQ(word_at(f6), 0x7FC01234u);
    r = import_text(R"j([{"slot": 1, "MonstersSetup.vrh@169000[6]": "nan(0xFF800001)"}])j");
    EXPECT_EQ(word_at(f6), 0xFF800001u);

    // The number block: what the editor shows for -1 stores -1.
    const std::size_t b3 = 85000 + 84 * 2 + 12;  // slot 2, element 3
    r = import_text("slot,MonstersSetup.vrh@85000[3]\r\n2,4294967295\r\n", "csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(word_at(b3), 0xFFFFFFFFu);
    EXPECT_EQ(import_text("slot,MonstersSetup.vrh@85000[3]\r\n2,-1\r\n", "csv").out,
              "0 fields changed in 0 slots; nothing to write\n");
    r = import_text("slot,MonstersSetup.vrh@85000[3]\r\n2,2147483648\r\n", "csv");
    EXPECT_EQ(word_at(b3), 0x80000000u);
    r = import_text("slot,MonstersSetup.vrh@85000[3]\r\n2,4294967296\r\n", "csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("outside -2147483648..4294967295"), std::string::npos) << r.err;
    // A signed element the editor shows signed keeps its range.
    r = import_text("slot,MonstersSetup.vrh@169000[0]\r\n2,65535\r\n", "csv");
    EXPECT_EQ(r.status, 2);
}

// A creature given twice is refused wherever its first place is, the very
// first entry or row included.
TEST_F(ExactInput, ASlotGivenTwiceIsRefusedWhereverItsFirstPlaceIs) {
    const auto before = snapshot(dir.str());
    struct Case {
        const char* format;
        std::string text, fault;
    };
    for (const Case& c : std::vector<Case>{
             {"json", R"({"creatures": [{"slot": 5, "name": "a"}, {"slot": 5, "name": "b"}]})",
              "creatures[1]: slot 5 appears again (first in creatures[0])"},
             {"json", R"({"creatures": [{"slot": 1}, {"slot": 5, "name": "a"}, {"slot": 5, "name": "b"}]})",
              "creatures[2]: slot 5 appears again (first in creatures[1])"},
             {"json", R"([{"slot": 0, "name": "a"}, {"slot": 0, "name": "b"}])", "slot 0 appears again (first in creatures[0])"},
             {"csv", "slot,name\r\n5,a\r\n5,b\r\n", "slot 5 appears again (first in row 2)"},
             {"csv", "slot,name\r\n0,a\r\n1,c\r\n0,b\r\n", "slot 0 appears again (first in row 2)"}}) {
        const ToolRun r = import_text(c.text, c.format);
        EXPECT_EQ(r.status, 2) << c.text;
        EXPECT_NE(r.err.find(c.fault), std::string::npos) << c.text << "\n" << r.err;
    }
    EXPECT_EQ(snapshot(dir.str()), before);
}

// Every way a slot is given takes 0 to 999, and nothing past either end.
TEST_F(ExactInput, SlotsAreZeroToNineHundredNinetyNineWhereverTheyAreGiven) {
    const auto before = snapshot(dir.str());
    for (const char* slot : {"-1", "1000", "1001", "65536"}) {
        SCOPED_TRACE(slot);
        const std::string s = slot;
        // Refused, and worded the same way wherever the slot was given.
        for (const ToolRun& r : {import_text("slot,MonstersSetup.vrh@27000\r\n" + s + ",1\r\n", "csv"),
                                 import_text(R"({"creatures": [{"slot": )" + s + R"(, "MonstersSetup.vrh@27000": 1}]})"),
                                 run_tool({"show", "-C", dir.str(), s}),
                                 run_tool({"restore", "-C", dir.str(), "1", "--slot", s})}) {
            EXPECT_EQ(r.status, 2);
            EXPECT_NE(r.err.find(" is not a creature slot (0 to 999)"), std::string::npos) << r.err;
        }
        // (In a range "-1" is "0-1".)
        EXPECT_EQ(run_tool({"export", "-C", dir.str(), "--slots", s == "-1" ? "998-1000" : s}).status, 2);
    }
    EXPECT_EQ(snapshot(dir.str()), before);
    for (const char* slot : {"0", "999"}) {
        const std::string s = slot;
        EXPECT_EQ(import_text("slot,MonstersSetup.vrh@27000\r\n" + s + ",1\r\n", "csv").status, 0) << s;
        EXPECT_EQ(import_text(R"({"creatures": [{"slot": )" + s + R"(, "MonstersSetup.vrh@27000": 2}]})").status, 0) << s;
        EXPECT_EQ(run_tool({"show", "-C", dir.str(), s}).status, 0) << s;
        EXPECT_EQ(run_tool({"export", "-C", dir.str(), "--slots", s}).status, 0) << s;
    }
}

TEST_F(ExactInput, RepeatedKeysAreRefusedWhereverTheyAre) {
    const auto before = snapshot(dir.str());
    ToolRun r = import_text(R"({"creatures": [{"slot": 1, "MonstersSetup.vrh@27000": 1}],
"creatures": [{"slot": 2, "MonstersSetup.vrh@27000": 2}]})");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2: the key \"creatures\" appears again (first on line 1)"), std::string::npos) << r.err;
    r = import_text(R"({"language": "English", "language": "Russian", "creatures": []})");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the key \"language\" appears again"), std::string::npos) << r.err;
    r = import_text(R"([{"slot": 1, "name": "a", "name": "b"}])");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("appears twice"), std::string::npos) << r.err;
    r = import_text(R"([{"slot": 1, "slot": 1}])");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(snapshot(dir.str()), before);
}

TEST_F(ExactInput, ACsvCutShortIsRefusedAndJsonMustBeClosed) {
    const auto before = snapshot(dir.str());
    ToolRun e = run_tool({"export", "-C", dir.str(), "--format", "csv", "--slots", "0-3"});
    ASSERT_EQ(e.status, 0);
    ASSERT_TRUE(e.out.ends_with("\r\n"));
    // Cut inside the last row: "20" read as "2" would be a silent change.
    ToolRun r = import_text(e.out.substr(0, e.out.size() - 3), "csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("does not end with a line break; the file may have been cut short"), std::string::npos)
        << r.err;
    EXPECT_EQ(import_text(e.out.substr(0, e.out.size() - 1), "csv").status, 0);  // a lone CR ends it too
    ToolRun j = run_tool({"export", "-C", dir.str(), "--slots", "0-3"});
    EXPECT_EQ(import_text(j.out.substr(0, j.out.size() - 3)).status, 2);
    EXPECT_EQ(snapshot(dir.str()), before);
}

TEST_F(ExactInput, EveryByteThatEndsALineIsNotedWhenItBecomesASpace) {
    int slot = 4;
    for (const char* breaker : {"\\n", "\\r", "\\u000b", "\\u0001", "\\u0008", "\\r\\n"}) {
        ToolRun r = import_text("[{\"slot\": " + std::to_string(++slot) + ", \"name\": \"Left" + breaker + "right\"}]");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("-> \"Left right\" (line breaks became spaces)"), std::string::npos)
            << breaker << ": " << r.out;
    }
    ToolRun tab = import_text("[{\"slot\": 4, \"name\": \"Left\\tright\"}]");
    EXPECT_EQ(tab.out.find("line breaks"), std::string::npos) << tab.out;
}

TEST_F(ExactInput, MessagesCountCharactersAndUseOurOwnWords) {
    // "é" is two bytes of UTF-8 but one character of the text.
    ToolRun r = import_text("[{\"slot\": 1, \"name\": \"ab\xC3\xA9\xC3\xA9\xE4\xB8\xAD\"}]");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("(character 5 of the text;"), std::string::npos) << r.err;
    r = import_text("[{\"slot\": 1, \"MonstersSetup.vrh@169000[6]\": 1e999}]");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the number 1e999 is too large for any field"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err;
    r = run_tool({"check", "-C", dir.str(), "--first", "-1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("0 to 1000"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("1.79769"), std::string::npos) << r.err;
    EXPECT_EQ(run_tool({"check", "-C", dir.str(), "--first", "1000"}).status, 0);
}

// A standard output that takes nothing, like /dev/full.
class FullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(ExactInput, AnImportWhoseReportCannotBeWrittenSaysThatItWroteTheFiles) {
    const std::string file = dir / "change.csv";
    write_file(file, "slot,MonstersSetup.vrh@27000\r\n3,77\r\n");
    FullBuffer full;
    std::ostream out(&full);
    std::istringstream in;
    std::ostringstream err;
    const std::string root = dir.str();
    const char* argv[] = {"creatures", "import", "-C", root.c_str(), file.c_str()};
    EXPECT_EQ(run_creatures(5, argv, system_file_ops(), in, out, err), kExitOk);
    EXPECT_NE(err.str().find("the import is done: wrote MonstersSetup.vrh"), std::string::npos) << err.str();
    EXPECT_TRUE(output_failure_reported(out));
    EXPECT_EQ(static_cast<unsigned char>(read_file(dir / "MonstersSetup.vrh")[27003]), 77);

    // Nothing to write: the program's own message stands, and nothing claims a write.
    std::ostream out2(&full);
    std::ostringstream err2;
    EXPECT_EQ(run_creatures(5, argv, system_file_ops(), in, out2, err2), kExitOk);
    EXPECT_FALSE(output_failure_reported(out2));
    EXPECT_TRUE(err2.str().empty()) << err2.str();
}

}  // namespace
}  // namespace ce

namespace ce {
namespace {

using namespace ce::test;

// Large inputs are read without keeping what a person never sees: every fault
// is counted, the first ones are spelled out.
TEST_F(ExactInput, HugeInputsAreCountedNotKept) {
    std::string rows = "slot,MonstersSetup.vrh@27000\r\n";
    for (int i = 0; i < 300; ++i) rows += "5,1\r\n";
    ToolRun r = import_text(rows, "csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("... and 274 more\n"), std::string::npos) << r.err.substr(r.err.size() - 200);
    EXPECT_NE(r.err.find("299 faults; nothing was written"), std::string::npos);

    std::string header = "slot";
    for (int i = 0; i < 5000; ++i) header += ",name";
    r = import_text(header + "\r\n1,a\r\n", "csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("row 1, column 3 (C, name): the key appears again (first in column 2)"), std::string::npos);
    EXPECT_NE(r.err.find("4999 faults"), std::string::npos) << r.err.substr(r.err.size() - 200);

    // A value longer than any field holds is refused before a reader copies it.
    const std::string huge(kLongestValue + 1, 'x');
    r = import_text("slot,ability\r\n5," + huge + "\r\n", "csv");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("row 2, column 2 (B): the field is longer than 1048576 bytes"), std::string::npos) << r.err;
    r = import_text("[{\"slot\": 5,\n \"ability\": \"" + huge + "\"}]");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2, column 13: a text or number longer than 1048576 bytes"), std::string::npos) << r.err;
    r = import_text("[{\"slot\": 5, \"MonstersSetup.vrh@27000\": 1" + std::string(kLongestValue + 5, '0') + "}]");
    EXPECT_EQ(r.status, 2);
    // Just within the limit, the text is taken (and cut as the editor cuts it).
    r = import_text("[{\"slot\": 5, \"ability\": \"" + std::string(kLongestValue, 'y') + "\"}]");
    EXPECT_EQ(r.status, 0) << r.err.substr(0, 300);
    EXPECT_NE(r.out.find("cut to 999 characters"), std::string::npos);
}

}  // namespace
}  // namespace ce
