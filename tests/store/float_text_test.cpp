#include "store/value_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

namespace ce {
namespace {

std::uint32_t bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float from_bits(std::uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

std::uint32_t parsed_bits(const char* text) {
    const std::optional<float> v = parse_float(text);
    EXPECT_TRUE(v) << text;
    return v ? bits(*v) : 0xDEADBEEF;
}

TEST(FloatText, FormatsLikePercentLfAndCutsToFiveCharacters) {
    EXPECT_EQ(format_lf(1.5), "1.500000");
    EXPECT_EQ(format_lf(-0.0), "-0.000000");
    EXPECT_EQ(format_lf(2.5e-6), "0.000003");
    EXPECT_EQ(format_lf(0.0000005), "0.000000");  // the double just below 5e-7
    EXPECT_EQ(format_lf(static_cast<double>(std::numeric_limits<float>::max())),
              "340282346638528859811704183484516925440.000000");
    EXPECT_EQ(format_lf(static_cast<double>(0.1f)), "0.100000");
    EXPECT_EQ(format_lf(static_cast<double>(from_bits(1))), "0.000000");

    EXPECT_EQ(float_text(1.5f), "1.500");
    EXPECT_EQ(float_text(0.123456f), "0.123");
    EXPECT_EQ(float_text(100.25f), "100.2");
    EXPECT_EQ(float_text(-1.5f), "-1.50");
    EXPECT_EQ(float_text(12345.0f), "12345");
    EXPECT_EQ(float_text(123456.0f), "12345");
    EXPECT_EQ(float_text(-0.001f), "-0.00");
    EXPECT_EQ(float_text(0.99999f), "0.999");
    EXPECT_EQ(float_text(0.9999996f), "1.000");  // rounded to six decimals first
    EXPECT_EQ(float_text(std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(float_text(-std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(float_text(std::numeric_limits<float>::infinity()), "inf");
    EXPECT_EQ(float_text(-std::numeric_limits<float>::infinity()), "-inf");
}

TEST(FloatText, ScaledValues) {
    EXPECT_EQ(scaled_text(4500, 9000.0f), "0.500");
    EXPECT_EQ(scaled_text(1, 9000.0f), "0.000");
    EXPECT_EQ(scaled_text(9001, 9000.0f), "1.000");
    EXPECT_EQ(scaled_text(7, 115.0f), "0.060");
    EXPECT_EQ(scaled_text(100, 115.0f), "0.869");
    EXPECT_EQ(scaled_text(-250, 500.0f), "-0.50");
    EXPECT_EQ(scaled_text(std::numeric_limits<std::int32_t>::min(), 500.0f), "-4294");
    // The quotient is a single-precision one: 100 / 115 rounds to this float.
    EXPECT_EQ(bits(scaled_value(100, 115.0f)), 0x3F5E9BD3u);
    EXPECT_EQ(bits(scaled_value(16777217, 1.0f)), bits(16777216.0f));
}

TEST(FloatText, ParsesDecimalTextAsPercentF) {
    EXPECT_EQ(parse_float("1.5"), 1.5f);
    EXPECT_EQ(parse_float(" \t\n1.5"), 1.5f);
    EXPECT_EQ(parse_float("+2"), 2.0f);
    EXPECT_EQ(parse_float("-0.5"), -0.5f);
    EXPECT_EQ(parse_float("5."), 5.0f);
    EXPECT_EQ(parse_float(".25"), 0.25f);
    EXPECT_EQ(parse_float("1e3"), 1000.0f);
    EXPECT_EQ(parse_float("1.5E-1x"), 0.15f);
    EXPECT_EQ(parse_float("1e"), 1.0f);
    EXPECT_EQ(parse_float("1e+"), 1.0f);
    EXPECT_EQ(parse_float("12abc"), 12.0f);
    EXPECT_EQ(parse_float("1,5"), 1.0f);  // the decimal point is always '.'
    EXPECT_EQ(parse_float("0x10"), 0.0f);  // no hexadecimal floats
    EXPECT_EQ(parse_float("00012.50"), 12.5f);
    EXPECT_EQ(bits(*parse_float("-0.0")), 0x80000000u);
    EXPECT_EQ(bits(*parse_float("-0.00")), 0x80000000u);

    for (const char* text : {"", " ", "-", "+", ".", "-.", "abc", "e5", "- 1", "\x80"})
        EXPECT_FALSE(parse_float(text)) << '"' << text << '"';

    EXPECT_EQ(parsed_bits("nan"), 0x7FC00000u);
    EXPECT_EQ(parsed_bits("NaN(1)"), 0x7FC00000u);
    EXPECT_EQ(parsed_bits("-nan"), 0xFFC00000u);
    EXPECT_EQ(parse_float("inf"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(parse_float("-INF"), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(parse_float("Infinity"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(parse_float("infinit"), std::numeric_limits<float>::infinity());
}

TEST(FloatText, ParsingRoundsCorrectlyToSinglePrecision) {
    EXPECT_EQ(parsed_bits("0.1"), 0x3DCCCCCDu);
    EXPECT_EQ(parsed_bits("0.123"), bits(0.123f));
    EXPECT_EQ(parsed_bits("16777217"), 0x4B800000u);  // tie: to even
    EXPECT_EQ(parsed_bits("16777219"), 0x4B800002u);
    EXPECT_EQ(parsed_bits("1.000000059604644775390625"), 0x3F800000u);  // exact tie
    EXPECT_EQ(parsed_bits("1.00000005960464477539062500000000000000001"), 0x3F800001u);
    EXPECT_EQ(parsed_bits("3.4028235677973366e38"), 0x7F7FFFFFu);
    EXPECT_EQ(parsed_bits("3.4028235677973367e38"), 0x7F800000u);
    EXPECT_EQ(parsed_bits("1e40"), 0x7F800000u);
    EXPECT_EQ(parsed_bits("-1e40"), 0xFF800000u);
    EXPECT_EQ(parsed_bits("1e99999999999999999999"), 0x7F800000u);
    EXPECT_EQ(parsed_bits("1e-45"), 0x00000001u);
    EXPECT_EQ(parsed_bits("1e-46"), 0x00000000u);
    EXPECT_EQ(parsed_bits("-1e-50"), 0x80000000u);
    EXPECT_EQ(parsed_bits("0.000000000000000000000000000000000000011754943508222875"), 0x00800000u);
    EXPECT_EQ(parsed_bits("0e999999"), 0x00000000u);
    EXPECT_EQ(parsed_bits("12345"), bits(12345.0f));
}

TEST(FloatText, ScaledStore) {
    EXPECT_EQ(scaled_store(*parse_float("0.869"), 115.0f), 99);
    EXPECT_EQ(scaled_store(*parse_float("0.5"), 9000.0f), 4500);
    EXPECT_EQ(scaled_store(*parse_float("-0.5"), 500.0f), -250);
    EXPECT_EQ(scaled_store(*parse_float("0.060"), 115.0f), 6);
    EXPECT_EQ(scaled_store(*parse_float("1.000"), 9000.0f), 9000);
    EXPECT_EQ(scaled_store(-1.9f, 1.0f), -1);
    EXPECT_EQ(scaled_store(2147483520.0f, 1.0f), 2147483520);
    EXPECT_EQ(scaled_store(2147483648.0f, 1.0f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(scaled_store(-2147483648.0f, 1.0f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(scaled_store(1e10f, 1.0f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(scaled_store(-1e10f, 1.0f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(scaled_store(std::numeric_limits<float>::quiet_NaN(), 500.0f), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(scaled_store(std::numeric_limits<float>::infinity(), 500.0f), std::numeric_limits<std::int32_t>::min());
    // The product is rounded to single precision before the truncation:
    // 0.35f * 500 is 174.999997 exactly, 175 as a float.
    EXPECT_EQ(scaled_store(0.35f, 500.0f), 175);
}

TEST(FloatText, IgnoresTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "ru_RU.UTF-8"};
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool switched = false;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name) != nullptr) {
            switched = true;
            break;
        }
    EXPECT_EQ(float_text(1.5f), "1.500");
    EXPECT_EQ(parse_float("1.5"), 1.5f);
    EXPECT_EQ(parse_float("1,5"), 1.0f);
    std::setlocale(LC_ALL, saved.c_str());
    if (!switched) GTEST_SKIP() << "no comma-decimal locale installed";
}

}  // namespace
}  // namespace ce
