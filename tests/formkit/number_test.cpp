// Number texts as the dialog manager shows and reads them.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "form/form.h"

namespace ce {
namespace {

TEST(NumberText, FormatSignedAndUnsigned) {
    EXPECT_EQ(format_number(0, true), "0");
    EXPECT_EQ(format_number(0, false), "0");
    EXPECT_EQ(format_number(-1, true), "-1");
    EXPECT_EQ(format_number(-1, false), "4294967295");
    EXPECT_EQ(format_number(std::numeric_limits<std::int32_t>::min(), true), "-2147483648");
    EXPECT_EQ(format_number(std::numeric_limits<std::int32_t>::min(), false), "2147483648");
    EXPECT_EQ(format_number(std::numeric_limits<std::int32_t>::max(), true), "2147483647");
    EXPECT_EQ(format_number(1234567, true), "1234567");  // no separators
}

TEST(NumberText, ParseStopsAndFailsLikeGetDlgItemInt) {
    EXPECT_EQ(parse_number("   7", true), 7);
    EXPECT_EQ(parse_number("\t7", true), 0) << "only spaces are skipped";
    EXPECT_EQ(parse_number("7 ", true), 7);
    EXPECT_EQ(parse_number("-0", true), 0);
    EXPECT_EQ(parse_number("--1", true), 0);
    EXPECT_EQ(parse_number("-5", false), 0);
    EXPECT_EQ(parse_number("1.5", true), 1);
    EXPECT_EQ(parse_number("0000000000000000000000000042", true), 42);
    EXPECT_EQ(parse_number("1000000000000000000000000000000", true), 0);
    EXPECT_EQ(parse_number("1000000000000000000000000000000", false), 0);
    EXPECT_EQ(parse_number("4294967295", false), -1);
    EXPECT_EQ(parse_number("4294967295", true), 0);
    EXPECT_EQ(parse_number("-2147483648", true), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(parse_number("-2147483649", true), 0);
    EXPECT_EQ(parse_number("-99999999999", true), 0);
    EXPECT_EQ(parse_number(std::string_view("12\0" "3", 4), true), 12);
}

TEST(NumberText, EveryShownValueReadsBack) {
    const std::int32_t samples[] = {0, 1, -1, 9, 10, -10, 99, 255, -128, 65535, 999999999,
                                    std::numeric_limits<std::int32_t>::max(),
                                    std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::min() + 1};
    for (std::int32_t v : samples) {
        EXPECT_EQ(parse_number(format_number(v, true), true), v) << v;
        EXPECT_EQ(parse_number(format_number(v, false), false), v) << v;
    }
    // A spread over the whole 32-bit range.
    for (std::uint64_t u = 0; u <= 0xFFFF'FFFFull; u += 0x0100'0193ull) {
        const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
        EXPECT_EQ(parse_number(format_number(v, true), true), v);
        EXPECT_EQ(parse_number(format_number(v, false), false), v);
    }
}

}  // namespace
}  // namespace ce
