#include <gtest/gtest.h>

#include "tables/csv.h"

namespace ce {
namespace {

std::vector<std::vector<std::string>> fields_of(const std::vector<CsvRecord>& records) {
    std::vector<std::vector<std::string>> out;
    for (const CsvRecord& r : records) out.push_back(r.fields);
    return out;
}

TEST(Csv, ReadsQuotedFieldsAndEveryLineEnd) {
    std::vector<CsvRecord> r;
    ASSERT_FALSE(read_csv("a,b,c\r\n1,\"x, y\",\"say \"\"hi\"\"\"\r\n", r));
    EXPECT_EQ(fields_of(r), (std::vector<std::vector<std::string>>{{"a", "b", "c"}, {"1", "x, y", "say \"hi\""}}));

    r.clear();  // LF, lone CR, and no break after the last record
    ASSERT_FALSE(read_csv("a,b\n1,2\r3,4", r));
    EXPECT_EQ(fields_of(r), (std::vector<std::vector<std::string>>{{"a", "b"}, {"1", "2"}, {"3", "4"}}));

    r.clear();  // line breaks inside quotes are kept byte for byte
    ASSERT_FALSE(read_csv("x,\"one\r\ntwo\nthree\"\r\nnext,row\r\n", r));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].fields[1], "one\r\ntwo\nthree");
    EXPECT_EQ(r[1].row, 2);
    EXPECT_EQ(r[1].line, 4);

    r.clear();  // empty fields, a trailing comma, an empty quoted field
    ASSERT_FALSE(read_csv(",a,,\"\",\r\n", r));
    EXPECT_EQ(r[0].fields, (std::vector<std::string>{"", "a", "", "", ""}));

    r.clear();  // a byte order mark is skipped; empty lines hold no record but count as rows
    ASSERT_FALSE(read_csv("\xEF\xBB\xBFslot,k\r\n\r\n5,6\r\n\r\n", r));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].fields[0], "slot");
    EXPECT_EQ(r[1].row, 3);
    EXPECT_EQ(r[1].fields, (std::vector<std::string>{"5", "6"}));

    r.clear();
    ASSERT_FALSE(read_csv("", r));
    EXPECT_TRUE(r.empty());
}

TEST(Csv, NamesRowLineAndColumnOfEveryFault) {
    std::vector<CsvRecord> r;
    auto e = read_csv("a,b\r\n1,2\r\n3,x\"y\r\n", r);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->row, 3);
    EXPECT_EQ(e->column, 2);
    EXPECT_NE(e->message.find("quote inside an unquoted field"), std::string::npos);

    r.clear();
    e = read_csv("a,b\r\n\"1\"x,2\r\n", r);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->row, 2);
    EXPECT_EQ(e->column, 1);
    EXPECT_NE(e->message.find("after the closing quote"), std::string::npos);

    r.clear();  // a quote left open swallows the rest: the fault names where it opened
    e = read_csv("a,b,c\r\n\r\n1,2,\"open\r\nmore\r\n", r);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->row, 3);
    EXPECT_EQ(e->line, 3);
    EXPECT_EQ(e->column, 3);
    EXPECT_NE(e->message.find("not closed"), std::string::npos);
}

TEST(Csv, FieldByFieldReadingStopsWhenAskedAndBoundsFields) {
    struct Count : CsvVisitor {
        int fields = 0, records = 0, stop_after = 0;
        std::vector<int> columns;
        bool field(int, int, int, std::string&) override { return ++fields != stop_after; }
        bool end_record(int, int, int n) override {
            columns.push_back(n);
            ++records;
            return true;
        }
    } count;
    EXPECT_FALSE(read_csv_fields("a,b,c\r\n1,\"2,3\"\r\n\r\nx\r\n", count));
    EXPECT_EQ(count.fields, 6);
    EXPECT_EQ(count.columns, (std::vector<int>{3, 2, 1}));

    Count stop;
    stop.stop_after = 2;
    EXPECT_FALSE(read_csv_fields("a,b,c\r\n1,2\r\n", stop));
    EXPECT_EQ(stop.fields, 2);
    EXPECT_EQ(stop.records, 0);

    Count bounded;
    EXPECT_FALSE(read_csv_fields("abcd,\"abcd\"\r\n", bounded, 4));
    auto e = read_csv_fields("ab,abcde\r\n", bounded, 4);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->column, 2);
    EXPECT_NE(e->message.find("longer than 4 bytes"), std::string::npos);
    e = read_csv_fields("x\r\n\"ab\"\"cd\"\r\n", bounded, 4);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->row, 2);
}

TEST(Csv, WritesRfc4180AndReadsItBack) {
    std::string out;
    append_csv_record(out, {"plain", "with,comma", "with \"quote\"", "two\r\nlines", " lead", "trail\t", "", "-5"});
    EXPECT_EQ(out, "plain,\"with,comma\",\"with \"\"quote\"\"\",\"two\r\nlines\",\" lead\",\"trail\t\",,-5\r\n");

    // Any bytes survive a write and a read.
    std::vector<std::string> fields;
    for (int i = 0; i < 64; ++i) {
        std::string f;
        for (int j = 0; j < i % 9; ++j) f += static_cast<char>("a,\"\r\n \tz\xE9"[(i * 7 + j * 3) % 9]);
        fields.push_back(f);
    }
    out.clear();
    append_csv_record(out, fields);
    append_csv_record(out, fields);
    std::vector<CsvRecord> r;
    ASSERT_FALSE(read_csv(out, r));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].fields, fields);
    EXPECT_EQ(r[1].fields, fields);
}

TEST(Csv, ColumnLetters) {
    EXPECT_EQ(column_letters(1), "A");
    EXPECT_EQ(column_letters(26), "Z");
    EXPECT_EQ(column_letters(27), "AA");
    EXPECT_EQ(column_letters(118), "DN");
    EXPECT_EQ(column_letters(702), "ZZ");
    EXPECT_EQ(column_letters(703), "AAA");
}

}  // namespace
}  // namespace ce
