// The line codec: well-formed CR LF texts, and every other line ender.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "text/lines.h"

namespace ce {
namespace {

using namespace std::string_literals;

// Every line next_line yields from offset 0 until it reports the end (at most
// `limit` reads), and the offsets it returned.
struct Reading {
    std::vector<std::string> lines;
    std::vector<std::size_t> offsets;
};

Reading read_all(std::string_view text, int limit = 100) {
    Reading r;
    std::size_t offset = 0;
    std::string line = "stale";
    for (int i = 0; i < limit; ++i) {
        offset = next_line(text, offset, line);
        r.lines.push_back(line);
        r.offsets.push_back(offset);
        if (offset == 0) break;
    }
    return r;
}

TEST(LineCodec, WellFormedTextReadsLineByLineAndCycles) {
    const std::string text = "A\r\nB\r\n"s + '\0';
    const Reading r = read_all(text);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"A", "B", ""}));
    EXPECT_EQ(r.offsets, (std::vector<std::size_t>{3, 6, 0}));
    EXPECT_EQ(count_lines(text), 2);
    EXPECT_EQ(line_at(text, 0), "A");
    EXPECT_EQ(line_at(text, 1), "B");
    EXPECT_EQ(line_at(text, 2), "");
    EXPECT_EQ(line_at(text, 3), "A");
    EXPECT_EQ(line_at(text, 4), "B");
    // The cycle is L + 1 reads long, however far n goes.
    EXPECT_EQ(line_at(text, 3 * 1000 + 1), "B");
    EXPECT_EQ(line_at(text, INT_MAX), "B");  // INT_MAX % 3 == 1
}

TEST(LineCodec, LastLineWithoutBreakCounts) {
    const std::string text = "A\r\nB"s + '\0';
    const Reading r = read_all(text);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(r.offsets, (std::vector<std::size_t>{3, 0}));
    EXPECT_EQ(count_lines(text), 2);
    EXPECT_EQ(line_at(text, 2), "A");  // a cycle of L reads
    EXPECT_EQ(line_at(text, 5), "B");
    // The end of the view ends the text as a zero byte would.
    EXPECT_EQ(read_all("A\r\nB").lines, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(count_lines("A\r\nB"), 2);
}

TEST(LineCodec, EmptyTextIsOneEmptyLineForever) {
    for (const std::string& text : {""s, "\0"s, "\0\r\nA\r\n"s}) {
        std::string line = "stale";
        EXPECT_EQ(next_line(text, 0, line), 0u);
        EXPECT_EQ(line, "");
        EXPECT_EQ(count_lines(text), 0);
        EXPECT_EQ(line_at(text, 0), "");
        EXPECT_EQ(line_at(text, 999), "");
    }
    EXPECT_EQ(line_at("A\r\n", -1), "");
}

TEST(LineCodec, CreatureLineIsEmptyPastTheEndInsteadOfCycling) {
    const std::string text = "A\r\nB\r\n"s + '\0';
    EXPECT_EQ(creature_line(text, 0), "A");
    EXPECT_EQ(creature_line(text, 1), "B");
    for (int n : {2, 3, 4, 999, INT_MAX, -1}) EXPECT_EQ(creature_line(text, n), "") << n;
    EXPECT_EQ(creature_line("A\r\nB", 1), "B");  // a last line without a break counts
    EXPECT_EQ(creature_line("", 0), "");
}

TEST(LineCodec, TabAndHighBytesAreContent) {
    const std::string line = "a\tb \x80\xC0\xE9\xFF\x0E\x1F"s;
    const std::string text = line + "\r\nnext\r\n";
    const Reading r = read_all(text);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], line);
    EXPECT_EQ(r.lines[1], "next");
    EXPECT_EQ(count_lines(text), 2);
}

TEST(LineCodec, OtherEndersConsumeOnlyThemselves) {
    // A bare LF or CR, and each control byte 1..8, 11, 12, ends its line and
    // loses no byte of the next one.
    EXPECT_EQ(read_all("A\nB\r\nC").lines, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(read_all("A\rB").lines, (std::vector<std::string>{"A", "B"}));
    for (char ender : {'\x01', '\x02', '\x03', '\x04', '\x05', '\x06', '\x07', '\x08', '\x0B', '\x0C'}) {
        const std::string text = "Ab"s + ender + "Cd\r\n";
        EXPECT_EQ(read_all(text).lines, (std::vector<std::string>{"Ab", "Cd", ""})) << int(ender);
        EXPECT_EQ(count_lines(text), 2) << int(ender);
    }
    // LF CR is two breaks; CR CR LF is a bare CR and then a CR LF.
    EXPECT_EQ(read_all("A\n\rB").lines, (std::vector<std::string>{"A", "", "B"}));
    EXPECT_EQ(count_lines("A\n\rB"), 3);
    EXPECT_EQ(read_all("A\r\r\nB").lines, (std::vector<std::string>{"A", "", "B"}));
    EXPECT_EQ(count_lines("A\r\r\nB"), 3);
    // Bare LF lines throughout, as an editor on another system might save them.
    const std::string unix_text = "one\ntwo\nthree\n";
    EXPECT_EQ(read_all(unix_text).lines, (std::vector<std::string>{"one", "two", "three", ""}));
    EXPECT_EQ(count_lines(unix_text), 3);
    EXPECT_EQ(line_at(unix_text, 2), "three");
    EXPECT_EQ(line_at(unix_text, 4), "one");
    // A CR at the very end is a break: the empty end line follows.
    EXPECT_EQ(read_all("A\r").lines, (std::vector<std::string>{"A", ""}));
    EXPECT_EQ(count_lines("A\r"), 1);
}

TEST(LineCodec, ZeroByteEndsTheText) {
    const std::string bytes = "A\r\nB\0C\r\nD\r\n"s;
    EXPECT_EQ(text_of(bytes), "A\r\nB");
    EXPECT_EQ(text_of("no zero"), "no zero");
    EXPECT_EQ(read_all(bytes).lines, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(count_lines(bytes), 2);
    EXPECT_EQ(line_at(bytes, 2), "A");
    // An offset past the end reads as the end.
    std::string line = "stale";
    EXPECT_EQ(next_line("AB", 7, line), 0u);
    EXPECT_EQ(line, "");
}

TEST(LineCodec, LongLinesPassWhole) {
    const std::string long_line(5000, 'x');
    const std::string longer(70000, '\xE0');
    const std::string text = long_line + "\r\n" + longer + "\r\nend";
    const Reading r = read_all(text);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], long_line);
    EXPECT_EQ(r.lines[1], longer);
    EXPECT_EQ(r.lines[2], "end");
    EXPECT_EQ(line_at(text, 1), longer);
}

TEST(LineCodec, AppendLineWritesCrLfAndRoundTrips) {
    std::string out(10, '.');
    EXPECT_EQ(append_line(out, ""), 2u);
    EXPECT_EQ(out, "..........\r\n");
    EXPECT_EQ(out.c_str()[12], '\0');

    std::string bare;
    EXPECT_EQ(append_line(bare, "AB", true), 2u);
    EXPECT_EQ(bare, "AB");

    // A line is a C text: it ends at its first zero byte.
    std::string cut;
    EXPECT_EQ(append_line(cut, "AB\0CD"s), 4u);
    EXPECT_EQ(cut, "AB\r\n");

    const std::vector<std::string> lines = {"first", "", "\tsecond \xC4\xE0", std::string(3000, 'q')};
    std::string text;
    std::size_t total = 0;
    for (const auto& l : lines) total += append_line(text, l);
    EXPECT_EQ(total, text.size());
    EXPECT_EQ(count_lines(text), 4);
    const Reading r = read_all(text);
    ASSERT_EQ(r.lines.size(), 5u);
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(r.lines[i], lines[i]);
    EXPECT_EQ(r.lines[4], "");
}

}  // namespace
}  // namespace ce
