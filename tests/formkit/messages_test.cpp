// The table of the editor's own words: every key in both languages, with the
// same placeholders, in words each language's code page can write, and the
// English of the template's texts word for word.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/english_words.h"
#include "form/catalogue.h"
#include "form/messages.h"
#include "text/code_page.h"

namespace ce {
namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::string without_placeholders(std::string text) {
    for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{')) {
        const std::size_t close = text.find('}', open);
        if (close == std::string::npos) break;
        text.erase(open, close - open + 1);
    }
    return text;
}

bool has_latin_letter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool has_cyrillic_letter(std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto c = next_utf8(utf8, pos);
        if (!c) return false;
        if (*c >= 0x410 && *c <= 0x44F) return true;
    }
    return false;
}

TEST(Messages, EveryKeyHasBothLanguagesWithTheSamePlaceholdersInTheirCodePages) {
    const auto rows = message_rows();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(MessageKey::count_));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MessageRow& row = rows[i];
        SCOPED_TRACE(row.english);
        EXPECT_EQ(static_cast<std::size_t>(row.key), i);
        ASSERT_NE(row.english, nullptr);
        ASSERT_NE(row.russian, nullptr);
        EXPECT_NE(std::string(row.english), "");
        EXPECT_NE(std::string(row.russian), "");
        EXPECT_EQ(sorted(placeholders(row.english)), sorted(placeholders(row.russian)));
        for (const std::string& name : placeholders(row.english)) EXPECT_FALSE(name.empty());

        EncodeError error;
        EXPECT_TRUE(encode_code_page(row.english, 0, &error)) << error.message;
        EXPECT_TRUE(encode_code_page(row.russian, 1, &error)) << error.message;
        // What message_text hands out is exactly those bytes.
        EXPECT_EQ(message_text(0, row.key), *encode_code_page(row.english, 0));
        EXPECT_EQ(message_text(1, row.key), *encode_code_page(row.russian, 1));

        // Words in English are words in Russian, and no English sentence is
        // left in the Russian.
        const std::string russian = without_placeholders(row.russian);
        if (has_latin_letter(without_placeholders(row.english))) {
            EXPECT_TRUE(has_cyrillic_letter(russian)) << russian;
        }
        EXPECT_EQ(test::english_sentence(russian), "") << russian;
    }
    // A language that is neither speaks English.
    EXPECT_EQ(message_text(7, MessageKey::button_ok), message_text(0, MessageKey::button_ok));
    EXPECT_EQ(message_text(-1, MessageKey::button_ok), "OK");
}

TEST(Messages, TheTemplatesEnglishIsTheTablesWordForWord) {
    EXPECT_EQ(message_text(0, MessageKey::editor_title), editor_frame().title);
    const auto menu = editor_menu();
    ASSERT_EQ(menu.size(), 9u);
    for (const MenuItem& item : menu) EXPECT_EQ(message_text(0, item.words), item.text) << item.id;
    EXPECT_EQ(message_text(0, MessageKey::menu_copy_all_states), "Copy all states");
    EXPECT_EQ(message_text(0, MessageKey::menu_paste_all_states), "Paste all states");
    EXPECT_EQ(message_text(0, MessageKey::menu_paste_cranim), "Paste CrAnim");

    // The language list form: "<name> : " beside each name, and OK.
    const auto controls = language_list_controls();
    ASSERT_EQ(listed_languages().size(), 10u);
    for (const ListedLanguage& listed : listed_languages()) {
        const std::string name(message_text(0, listed.words));
        EXPECT_EQ(say(0, MessageKey::language_label, {{"language", name}}).flat(),
                  find_control(controls, listed.label)->text);
        EXPECT_EQ(name, find_control(controls, listed.name)->text);
    }
    EXPECT_EQ(message_text(0, MessageKey::button_ok), find_control(controls, kLanguageListOk)->text);
}

TEST(Messages, SayFillsPlaceholdersAndKeepsTheSystemsPiecesApart) {
    // Every fill used, in the pattern's order; words and system pieces stay
    // apart, neighbours of one kind joined.
    const UserText text = say(0, MessageKey::save_failed, {{"reason", UserText::system("Lang: denied")}, {"slot", 5}});
    EXPECT_EQ(text.flat(), "Creature 5 was not saved:\n    Lang: denied");
    ASSERT_EQ(text.pieces().size(), 2u);
    EXPECT_FALSE(text.pieces()[0].system);
    EXPECT_EQ(text.pieces()[0].bytes, "Creature 5 was not saved:\n    ");
    EXPECT_TRUE(text.pieces()[1].system);

    // A placeholder without a fill stays; a fill without a placeholder is unused.
    EXPECT_EQ(say(0, MessageKey::ask_save_before_showing, {{"slot", 3}, {"unused", "x"}}).flat(),
              "Creature 3 has changes that are not saved. Save them before showing creature {next}?");
    // Fills may hold braces of their own: they are not read as placeholders.
    EXPECT_EQ(say(0, MessageKey::unexpected_error, {{"what", "{slot}"}}).flat(), "Unexpected error: {slot}");

    // Russian in Windows-1251: "Существо 5 не сохранено:" and the system's words as they are.
    const UserText russian = say(1, MessageKey::save_failed, {{"slot", 5}, {"reason", UserText::system("x")}});
    EXPECT_EQ(russian.flat(), *encode_code_page("Существо 5 не сохранено:\n    ", 1) + "x");
    EXPECT_TRUE(UserText().empty());
    EXPECT_TRUE(UserText::words("").empty());
}

}  // namespace
}  // namespace ce
