#include <gtest/gtest.h>

#include <cstdint>

#include "folder/fields.h"
#include "store/value_text.h"

namespace ce {
namespace {

TEST(FloatValueText, ShortestTextThatReadsBackToTheSameBits) {
    EXPECT_EQ(float_value_text(float_bits(1.5f)), "1.5");
    EXPECT_EQ(float_value_text(float_bits(0.1f)), "0.1");
    EXPECT_EQ(float_value_text(float_bits(-48.848f)), "-48.848");
    EXPECT_EQ(float_value_text(float_bits(123456.5f)), "123456.5");
    EXPECT_EQ(float_value_text(float_bits(0.0f)), "0");
    EXPECT_EQ(float_value_text(0x80000000u), "-0.0");
    EXPECT_EQ(float_value_text(0x7F800000u), "inf");
    EXPECT_EQ(float_value_text(0xFF800000u), "-inf");
    EXPECT_EQ(float_value_text(kDefaultNan), "nan");
    EXPECT_EQ(float_value_text(0xFFC00000u), "nan(0xFFC00000)");
    EXPECT_EQ(float_value_text(0x7F800001u), "nan(0x7F800001)");
    EXPECT_EQ(float_value_text(0x00000001u), "1e-45");
    EXPECT_EQ(float_value_text(0x7F7FFFFFu), "3.4028235e+38");

    // Every class of bit pattern reads back exactly.
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 32);
    };
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t bits = next();
        if (i % 4 == 1) bits = (bits & 0x807FFFFFu) | 0x7F800000u;  // NaNs and infinities
        if (i % 4 == 2) bits &= 0x807FFFFFu;                       // subnormals and zeros
        auto back = parse_float_value(float_value_text(bits));
        ASSERT_TRUE(back) << std::hex << bits << " " << float_value_text(bits);
        ASSERT_EQ(*back, bits) << std::hex << bits << " " << float_value_text(bits);
    }
}

TEST(FloatValueText, ReadsDecimalAndSpelledValuesStrictly) {
    EXPECT_EQ(parse_float_value("2"), float_bits(2.0f));
    EXPECT_EQ(parse_float_value(" +2.5 "), float_bits(2.5f));
    EXPECT_EQ(parse_float_value("-.5"), float_bits(-0.5f));
    EXPECT_EQ(parse_float_value("1e3"), float_bits(1000.0f));
    EXPECT_EQ(parse_float_value("0.1000000000000000055511151231257827"), float_bits(0.1f));
    EXPECT_EQ(parse_float_value("Infinity"), 0x7F800000u);
    EXPECT_EQ(parse_float_value("-INF"), 0xFF800000u);
    EXPECT_EQ(parse_float_value("NaN"), kDefaultNan);
    EXPECT_EQ(parse_float_value("-nan"), 0xFFC00000u);
    EXPECT_EQ(parse_float_value("nan(0x7fc00001)"), 0x7FC00001u);
    for (const char* bad : {"", " ", "abc", "1.5x", "0x1p3", "1e39", "-1e39", "1,5", "--1", "+-1", "nan(0x3F800000)",
                            "nan(12)", "nan(0x)", "1.5.2", "."})
        EXPECT_FALSE(parse_float_value(bad)) << bad;
}

TEST(ParseInteger, SignsSpacesAndRange) {
    EXPECT_EQ(parse_integer("0"), 0);
    EXPECT_EQ(parse_integer("-128"), -128);
    EXPECT_EQ(parse_integer(" +255 "), 255);
    EXPECT_EQ(parse_integer("4294967295"), 4294967295LL);
    EXPECT_EQ(parse_integer("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "-", "+", "1.0", "1e2", "12a", "0x10", "+-1", "--1", "99999999999999999999", "1 2"})
        EXPECT_FALSE(parse_integer(bad)) << bad;
}

TEST(Fields, KeysRangesAndSelections) {
    const std::vector<Field> fields = make_fields();
    ASSERT_GE(fields.size(), 3u + 99 + 1 + 6 + 1 + 1 + 1);
    EXPECT_EQ(fields[0].key, "name");
    EXPECT_EQ(fields[1].key, "plural");
    EXPECT_EQ(fields[2].key, "ability");
    auto field = [&](const char* key) -> const Field& {
        const int i = find_field(fields, key);
        EXPECT_GE(i, 0) << key;
        return fields[static_cast<std::size_t>(i < 0 ? 0 : i)];
    };
    EXPECT_EQ(field("MonstersSetup.vrh@0").kind, FieldKind::Text);
    EXPECT_EQ(field("MonstersSetup.vrh@27000").max, 255);
    EXPECT_EQ(field("MonstersSetup.vrh@26000").min, -128);
    EXPECT_EQ(field("MonstersSetup.vrh@21000").max, 4294967295LL);
    EXPECT_EQ(field("MonstersSetup.vrh@85000[3]").min, INT32_MIN);
    EXPECT_EQ(field("MonstersSetup.vrh@169000[0]").max, 32767);
    EXPECT_EQ(field("MonstersSetup.vrh@169000[6]").kind, FieldKind::Float);
    EXPECT_EQ(field("MonstersSetup.vrh@169000[23]").kind, FieldKind::Integer);
    EXPECT_EQ(field("ImposedSpells.vrh@0[5]").min, -128);
    EXPECT_EQ(field("Firewall.vrh@0").max, 1);
    EXPECT_EQ(field("Demonology.vrh@0").min, -32768);
    EXPECT_EQ(field("DefenseBonus.vrh@0").max, 255);
    EXPECT_EQ(field("Ammo.vrh@0").kind, FieldKind::Text);
    EXPECT_LT(find_field(fields, "MonstersSetup.vrh@85000"), 0);  // an array of a record is no key
    EXPECT_LT(find_field(fields, "MonstersSetup.vrh@27001"), 0);

    auto sel = select_fields(fields, "name, MonstersSetup.vrh@85000,Ammo.vrh");
    ASSERT_TRUE(sel.ok()) << sel.fault();
    EXPECT_EQ(sel->size(), 1u + 21 + 1);
    sel = select_fields(fields, "texts,ImposedSpells.vrh");
    ASSERT_TRUE(sel.ok());
    EXPECT_EQ(sel->size(), 3u + 6);
    sel = select_fields(fields, "name,Bogus.vrh");
    ASSERT_FALSE(sel.ok());
    EXPECT_NE(sel.fault().message().find("Bogus.vrh"), std::string::npos);

    auto slots = parse_slots("5,0-2, 998-,3");
    ASSERT_TRUE(slots.ok()) << slots.fault();
    EXPECT_EQ(*slots, (std::vector<int>{0, 1, 2, 3, 5, 998, 999}));
    EXPECT_EQ(parse_slots("-1")->size(), 2u);  // "-1" is the range up to 1
    for (const char* bad : {"1000", "5-3", "a", "1-2-3", "-", "0-1000", ""}) EXPECT_FALSE(parse_slots(bad).ok()) << bad;
}

}  // namespace
}  // namespace ce
