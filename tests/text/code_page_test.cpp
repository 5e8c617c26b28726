#include <gtest/gtest.h>

#include "text/code_page.h"

namespace ce {
namespace {

TEST(CodePage, DecodesBothCodePagesToUtf8) {
    EXPECT_EQ(decode_code_page("Abc 123", 0), "Abc 123");
    EXPECT_EQ(decode_code_page("\xC0\xE9\xFF", 0), "Àéÿ");
    EXPECT_EQ(decode_code_page("\x80\x9F\x8A", 0), "€Ÿ\u0160");
    EXPECT_EQ(decode_code_page("\xC0\xE1\xE2\xFF", 1), "Абвя");
    EXPECT_EQ(decode_code_page("\xA8\xB8\xB9\x88", 1), "Ёё№€");
    EXPECT_EQ(code_page_of(0), 1252);
    EXPECT_EQ(code_page_of(1), 1251);
    // Bytes a code page leaves unassigned decode to the C1 control of that number.
    EXPECT_EQ(code_page_char(0, 0x81), U'\u0081');
    EXPECT_EQ(code_page_char(0, 0x9D), U'\u009D');
    EXPECT_EQ(code_page_char(1, 0x98), U'\u0098');
}

TEST(CodePage, EveryByteRoundTripsInBothLanguages) {
    for (int language = 0; language < 2; ++language) {
        std::string all;
        for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
        const std::string utf8 = decode_code_page(all, language);
        auto back = encode_code_page(utf8, language);
        ASSERT_TRUE(back) << "language " << language;
        EXPECT_EQ(*back, all) << "language " << language;
        // Distinct bytes give distinct characters.
        for (int b = 0x80; b < 256; ++b)
            for (int c = b + 1; c < 256; ++c)
                ASSERT_NE(code_page_char(language, static_cast<unsigned char>(b)),
                          code_page_char(language, static_cast<unsigned char>(c)));
    }
}

TEST(CodePage, RejectsCharactersTheCodePageLacksAndBadUtf8) {
    EncodeError e{};
    EXPECT_FALSE(encode_code_page("ab\xE4\xB8\xAD", 0, &e));  // U+4E2D
    EXPECT_EQ(e.offset, 2u);
    EXPECT_EQ(e.message, "U+4E2D cannot be written in Windows-1252");
    EXPECT_FALSE(encode_code_page("Жук", 0, &e));  // Cyrillic is not in 1252
    EXPECT_EQ(e.message, "U+0416 cannot be written in Windows-1252");
    EXPECT_EQ(*encode_code_page("Жук", 1), "\xC6\xF3\xEA");
    EXPECT_FALSE(encode_code_page("é", 1, &e));  // nor Latin accents in 1251
    EXPECT_FALSE(encode_code_page("😀", 0, &e));
    EXPECT_EQ(e.message, "U+1F600 cannot be written in Windows-1252");

    const char* bad[] = {
        "\xC3",              // truncated
        "\x80",              // a lone continuation byte
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xFF",
        "a\xE2\x82",         // truncated at the end
    };
    for (const char* b : bad) {
        EXPECT_FALSE(encode_code_page(b, 0, &e)) << b;
        EXPECT_EQ(e.message, "not valid UTF-8");
    }
    std::string with_zero("a\0b", 3);
    EXPECT_EQ(*encode_code_page(with_zero, 0), with_zero);  // the caller decides about zeros
}

TEST(CodePage, Utf8Helpers) {
    std::string s;
    for (char32_t c : {U'A', U'\u00E9', U'\u20AC', U'\U0001F600'}) append_utf8(s, c);
    EXPECT_EQ(s, "Aé€😀");
    std::size_t pos = 0;
    EXPECT_EQ(*next_utf8(s, pos), U'A');
    EXPECT_EQ(*next_utf8(s, pos), U'\u00E9');
    EXPECT_EQ(*next_utf8(s, pos), U'\u20AC');
    EXPECT_EQ(*next_utf8(s, pos), U'\U0001F600');
    EXPECT_EQ(pos, s.size());
    EXPECT_FALSE(next_utf8(s, pos));
}

}  // namespace
}  // namespace ce

namespace ce {
namespace {

TEST(CodePage, EveryByteMapsToOneCodePointAndBack) {
    for (int language : {0, 1}) {
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            const char32_t c = code_page_char(language, byte);
            EXPECT_EQ(code_page_byte(language, c), byte) << language << " " << b;
            // Unassigned bytes stand for the C1 control of their own number.
            EXPECT_EQ(code_page_defines(language, byte), b < 0x80 || c < 0x80 || c > 0x9F)
                << language << " " << b;
        }
    }
    EXPECT_FALSE(code_page_defines(0, 0x81));
    EXPECT_FALSE(code_page_defines(1, 0x98));
    EXPECT_TRUE(code_page_defines(1, 0x81));
    EXPECT_EQ(code_page_byte(1, U'Ж'), 0xC6);
    EXPECT_EQ(code_page_byte(0, U'Ж'), std::nullopt);
    EXPECT_EQ(code_page_byte(1, U'\u4E2D'), std::nullopt);
}

}  // namespace
}  // namespace ce
