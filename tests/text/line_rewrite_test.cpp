// Replacing some lines of a language file: the two ways the rest is treated
// (its own enders kept, or every line CR LF) and when a short file grows.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/random.h"
#include "text/lines.h"

namespace ce {
namespace {

using namespace std::string_literals;

// Every kind of ender: CR LF, LF, a lone CR, a control byte, and a last line
// without one; then a zero and bytes the editor never reads.
const std::string kOdd = "zero\r\none\ntwo\rthree\x01" "four\0tail\r\n"s;

TEST(ReplaceLines, KeepsOrRewritesTheEndersOfTheOtherLines) {
    EXPECT_EQ(replace_lines(kOdd, {{1, "ONE"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends),
              "zero\r\nONE\ntwo\rthree\x01" "four\0tail\r\n"s);
    EXPECT_EQ(replace_lines(kOdd, {{1, "ONE"}}, OtherLines::EndCrLf, EmptyPastEnd::Extends),
              "zero\r\nONE\r\ntwo\r\nthree\r\nfour\r\n\0tail\r\n"s);
    // Nothing replaced: kept as it is, or only the enders made CR LF.
    EXPECT_EQ(replace_lines(kOdd, {}, OtherLines::KeepEnders, EmptyPastEnd::Extends), kOdd);
    EXPECT_EQ(replace_lines(kOdd, {}, OtherLines::EndCrLf, EmptyPastEnd::Extends),
              "zero\r\none\r\ntwo\r\nthree\r\nfour\r\n\0tail\r\n"s);
}

TEST(ReplaceLines, AShortFileGrowsToTheLineUnlessTheTextIsEmptyAndMayLeaveItShort) {
    const std::string two = "a\r\nb";  // the last line has no ender
    for (EmptyPastEnd empty : {EmptyPastEnd::Extends, EmptyPastEnd::LeavesShort}) {
        EXPECT_EQ(replace_lines(two, {{4, "e"}}, OtherLines::KeepEnders, empty), "a\r\nb\r\n\r\n\r\ne\r\n");
        EXPECT_EQ(replace_lines(two, {{4, "e"}}, OtherLines::EndCrLf, empty), "a\r\nb\r\n\r\n\r\ne\r\n");
    }
    EXPECT_EQ(replace_lines(two, {{4, ""}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\r\nb\r\n\r\n\r\n\r\n");
    EXPECT_EQ(replace_lines(two, {{4, ""}}, OtherLines::KeepEnders, EmptyPastEnd::LeavesShort), two);
    EXPECT_EQ(replace_lines(two, {{4, ""}}, OtherLines::EndCrLf, EmptyPastEnd::LeavesShort), "a\r\nb\r\n");
    // An empty text before a non-empty one past the end is an empty line either way.
    EXPECT_EQ(replace_lines(two, {{2, ""}, {3, "d"}, {5, ""}}, OtherLines::KeepEnders, EmptyPastEnd::LeavesShort),
              "a\r\nb\r\n\r\nd\r\n");
    // An empty text within the file empties its line in both cases.
    EXPECT_EQ(replace_lines(two, {{1, ""}}, OtherLines::KeepEnders, EmptyPastEnd::LeavesShort), "a\r\n");
    EXPECT_EQ(replace_lines(two, {{1, ""}}, OtherLines::EndCrLf, EmptyPastEnd::LeavesShort), "a\r\n\r\n");
}

TEST(ReplaceLines, GrowsBeforeTheZeroAndFromAnEmptyFile) {
    EXPECT_EQ(replace_lines("a\0b"s, {{2, "c"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\r\n\r\nc\r\n\0b"s);
    EXPECT_EQ(replace_lines("", {{0, "x"}}, OtherLines::EndCrLf, EmptyPastEnd::LeavesShort), "x\r\n");
    EXPECT_EQ(replace_lines("", {{0, ""}}, OtherLines::EndCrLf, EmptyPastEnd::LeavesShort), "");
    EXPECT_EQ(replace_lines("\0z"s, {{1, "x"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "\r\nx\r\n\0z"s);
    // A line number below zero names no line.
    EXPECT_EQ(replace_lines("a\n", {{-1, "x"}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\n");
}

TEST(ReplaceLines, AnEmptiedLineAfterALoneCarriageReturnStaysALineWhenEndersAreKept) {
    EXPECT_EQ(replace_lines("a\rb\nc", {{1, ""}}, OtherLines::KeepEnders, EmptyPastEnd::Extends), "a\r\r\nc");
    EXPECT_EQ(replace_lines("a\rb\nc", {{1, ""}}, OtherLines::EndCrLf, EmptyPastEnd::Extends), "a\r\n\r\nc\r\n");
}

bool is_content(char c) { return c == '\t' || static_cast<unsigned char>(c) > 13; }

std::vector<std::string> lines_of(const std::string& bytes) {
    const std::string_view text = text_of(bytes);
    std::vector<std::string> lines;
    std::string line;
    std::size_t offset = 0;
    for (int k = count_lines(text); k > 0; --k) {
        offset = next_line(text, offset, line);
        lines.push_back(line);
    }
    return lines;
}

// On random files and replacements: the replaced lines read back as given,
// every other line as it was, and the file has as many lines as it needs.
TEST(ReplaceLines, EveryOtherLineReadsBackAsItWasOnRandomFiles) {
    test::Random rng(7);
    const std::string alphabet = "ab \t\r\n\x01\x0b\x0c";
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int n = rng.below(24); n > 0; --n) bytes += rng.pick(alphabet);
        if (rng.one_in(4)) bytes += "\0tail"s;
        std::map<int, std::string> lines;
        for (int n = rng.below(4); n > 0; --n)
            lines[rng.below(10)] = rng.one_in(3) ? "" : std::string(static_cast<std::size_t>(rng.range(1, 3)), 'X');
        const OtherLines others = rng.below(2) ? OtherLines::KeepEnders : OtherLines::EndCrLf;
        const EmptyPastEnd empty = rng.below(2) ? EmptyPastEnd::Extends : EmptyPastEnd::LeavesShort;
        const std::string out = replace_lines(bytes, lines, others, empty);

        std::vector<std::string> expected = lines_of(bytes);
        for (const auto& [k, text] : lines) {
            if (k >= static_cast<int>(expected.size()) && text.empty() && empty == EmptyPastEnd::LeavesShort) continue;
            if (k >= static_cast<int>(expected.size())) expected.resize(static_cast<std::size_t>(k) + 1);
            expected[static_cast<std::size_t>(k)] = text;
        }
        // An emptied last line without a break, its ender kept, is no line to count.
        const std::string_view text = text_of(bytes);
        const bool open_last = !text.empty() && is_content(text.back());
        if (others == OtherLines::KeepEnders && open_last && expected.size() == lines_of(bytes).size() &&
            expected.back().empty())
            expected.pop_back();
        ASSERT_EQ(lines_of(out), expected) << "round " << round;
        const std::size_t zero = bytes.find('\0');
        if (zero != std::string::npos) {
            ASSERT_EQ(out.substr(out.find('\0')), bytes.substr(zero));
        }
        // Each line replaced by itself, with the enders kept: not a byte moves.
        std::map<int, std::string> same;
        const std::vector<std::string> before = lines_of(bytes);
        for (std::size_t k = 0; k < before.size(); ++k) same[static_cast<int>(k)] = before[k];
        ASSERT_EQ(replace_lines(bytes, same, OtherLines::KeepEnders, empty), bytes) << "round " << round;
    }
}

}  // namespace
}  // namespace ce
