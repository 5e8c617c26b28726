// Texts keep their bytes: each language's code page converts them for the
// Unicode window, and every byte comes back unchanged.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/code_page.h"
#include "app/win32_form.h"
#include "text/code_page.h"
#include "win32_support.h"

namespace ce {
namespace {

// Whether the page defines the byte (its language's code page table).
bool byte_is_defined(CodePage page, unsigned char byte) {
    return code_page_defines(page == CodePage::Cyrillic1251 ? 1 : 0, byte);
}

std::string all_bytes() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

TEST(CodePage, EveryByteRoundTripsAndDefinedBytesMatchThePlatform) {
    for (const auto& [page, number] : {std::pair{CodePage::Western1252, 1252u}, std::pair{CodePage::Cyrillic1251, 1251u}}) {
        SCOPED_TRACE(number);
        const std::string bytes = all_bytes();
        const std::u16string units = bytes_to_utf16(page, bytes);
        EXPECT_EQ(utf16_to_bytes(page, units), bytes);
        // One unit per byte, no two bytes alike.
        EXPECT_EQ(std::set<char16_t>(units.begin(), units.end()).size(), bytes.size());
        for (int b = 0x80; b < 0x100; ++b) {
            const char in = static_cast<char>(b);
            wchar_t platform = 0;
            const int made = MultiByteToWideChar(number, MB_ERR_INVALID_CHARS, &in, 1, &platform, 1);
            if (byte_is_defined(page, static_cast<unsigned char>(b))) {
                ASSERT_EQ(made, 1) << b;
                EXPECT_EQ(static_cast<char16_t>(platform), byte_to_unit(page, static_cast<unsigned char>(b))) << b;
            }
        }
    }
    EXPECT_FALSE(byte_is_defined(CodePage::Western1252, 0x81));
    EXPECT_FALSE(byte_is_defined(CodePage::Cyrillic1251, 0x98));
    EXPECT_EQ(byte_to_unit(CodePage::Cyrillic1251, 0xC0), u'\u0410');
    EXPECT_EQ(byte_to_unit(CodePage::Western1252, 0xC0), u'\u00C0');
    // What a page cannot express becomes '?'.
    EXPECT_EQ(utf16_to_bytes(CodePage::Western1252, u"a\u0410\u4E2D"), "a??");
    EXPECT_EQ(utf16_to_bytes(CodePage::Cyrillic1251, u"\u0410\u00C0"), "\xC0?");
    EXPECT_EQ(code_page_for_language(0), CodePage::Western1252);
    EXPECT_EQ(code_page_for_language(1), CodePage::Cyrillic1251);
    EXPECT_EQ(code_page_for_language(7), CodePage::Western1252);
}

INT_PTR CALLBACK quiet_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(CodePage, FormShowsEachLanguageInItsOwnPage) {
    HWND dialog = test::create_editor_window(quiet_proc, 0);
    Win32Form form(dialog);
    auto shown = [&](int id) {
        wchar_t text[64] = {};
        GetWindowTextW(form.control(id), text, 64);
        return std::wstring(text);
    };
    form.set_text(121, "\xC0\xE9");  // English until a language is set
    EXPECT_EQ(shown(121), L"\u00C0\u00E9");
    form.set_language(1);
    form.set_text(121, "\xC0\xE9");
    EXPECT_EQ(shown(121), L"\u0410\u0439");
    EXPECT_EQ(form.get_text(121, 16), "\xC0\xE9");
    form.add_item(301, "\xC4\xE0");
    EXPECT_EQ(form.item_text(301, 0), std::optional<std::string>("\xC4\xE0"));
    form.set_language(0);
    // A switch keeps the edit's bytes and shows them in the new page.
    EXPECT_EQ(form.get_text(121, 16), "\xC0\xE9");
    EXPECT_EQ(shown(121), L"\u00C0\u00E9");
    DestroyWindow(dialog);
}

}  // namespace
}  // namespace ce
