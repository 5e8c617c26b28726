// Filling the form from the language files: lists, captions, header, order,
// and the bad inputs a data folder may hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "form/catalogue.h"
#include "form/memory_form.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text_folder.h"

namespace ce {
namespace {

using namespace textfix;

constexpr int kOptionCounts[12] = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3};

std::vector<std::string> items(const Form& form, int id) {
    std::vector<std::string> out;
    for (int i = 0; i < form.item_count(id); ++i) out.push_back(form.item_text(id, i).value_or("?"));
    return out;
}

// Every text any control of the form shows: captions, contents and entries.
std::vector<std::string> everything_shown(const MemoryForm& form) {
    std::vector<std::string> shown;
    std::vector<int> seen;
    for (const Control& c : editor_controls()) {
        int occurrence = 0;
        for (int id : seen) occurrence += id == c.id;
        seen.push_back(c.id);
        shown.push_back(form.text_at(c.id, occurrence));
        for (const std::string& item : items(form, c.id)) shown.push_back(item);
    }
    return shown;
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

struct Filled {
    MemoryForm form;
    std::string header;
};

void fill(Filled& f, const TextFolder& folder, int current = 0) {
    apply_language(f.form, folder.root(), current, f.header);
}

TEST(ApplyLanguage, FillsTheListsFromFullTables) {
    TextFolder folder(1000, 100);
    Filled f;
    fill(f, folder, 250);
    EXPECT_TRUE(f.form.errors().empty());

    EXPECT_EQ(f.form.item_count(300), 1000);
    EXPECT_EQ(f.form.item_count(302), 1000);
    EXPECT_EQ(f.form.item_count(301), 1001);
    EXPECT_EQ(f.form.item_count(323), 1001);
    const std::string entry7 = "007 " + creature(0, 7);
    EXPECT_EQ(f.form.item_text(302, 7), entry7);
    EXPECT_EQ(f.form.item_text(301, 8), entry7);
    EXPECT_EQ(f.form.item_text(323, 8), entry7);
    EXPECT_EQ(f.form.item_text(300, 7), creature(0, 7));
    EXPECT_EQ(f.form.item_text(300, 999), creature(0, 999));
    EXPECT_EQ(f.form.item_text(302, 999), "999 " + creature(0, 999));

    EXPECT_EQ(f.form.item_count(303), 100);
    for (int id : {317, 318, 319}) {
        EXPECT_EQ(f.form.item_count(id), 101) << id;
        EXPECT_EQ(f.form.item_text(id, 1), "000 " + spell(0, 0)) << id;
        EXPECT_EQ(f.form.item_text(id, 100), "099 " + spell(0, 99)) << id;
    }
    EXPECT_EQ(f.form.item_text(303, 42), "042 " + spell(0, 42));

    // The none entry heads 301, 317, 318, 319 and 323 only.
    for (int id : {301, 317, 318, 319, 323}) EXPECT_EQ(f.form.item_text(id, 0), none_entry(0)) << id;
    for (int id : {300, 302, 303}) EXPECT_FALSE(contains(items(f.form, id), none_entry(0))) << id;

    // Options of 305..316 follow the Common file in order; 320..322 share 213..216.
    int line = 133;
    for (int k = 0; k < 12; ++k) {
        std::vector<std::string> expected;
        for (int j = 0; j < kOptionCounts[k]; ++j) expected.push_back(common(0, line++));
        EXPECT_EQ(items(f.form, 305 + k), expected) << 305 + k;
    }
    EXPECT_EQ(line, 213);
    const std::vector<std::string> shared = {common(0, 213), common(0, 214), common(0, 215),
                                             common(0, 216)};
    for (int id : {320, 321, 322}) EXPECT_EQ(items(f.form, id), shared) << id;

    // The current creature's texts, and its entry selected.
    EXPECT_EQ(f.form.get_text(5000, 1000), plural(0, 250));
    EXPECT_EQ(f.form.get_text(5001, 1000), ability(0, 250));
    EXPECT_EQ(f.form.selected_item(300), 250);
    EXPECT_EQ(f.form.get_text(300, 1000), creature(0, 250));
}

TEST(ApplyLanguage, CaptionsAndTheHeader) {
    TextFolder folder(20, 5);
    Filled f;
    fill(f, folder, 17);
    for (int i = 0; i <= 132; ++i) {
        if (i == 3 || i == 97 || i == 98 || !f.form.has_control(2000 + i)) continue;
        EXPECT_EQ(f.form.text_at(2000 + i, 0), common(0, i)) << 2000 + i;
    }
    EXPECT_EQ(f.form.get_text(2001, 100), common(0, 1));
    EXPECT_EQ(f.form.get_text(2100, 100), common(0, 100));
    // 2101: the portrait frame comes first and takes the caption; the jump button keeps its arrow.
    EXPECT_EQ(f.form.text_at(2101, 0), common(0, 101));
    EXPECT_EQ(f.form.text_at(2101, 1), "->");
    // Lines 97 and 98 have no control and show nowhere.
    const std::vector<std::string> shown = everything_shown(f.form);
    EXPECT_FALSE(contains(shown, common(0, 97)));
    EXPECT_FALSE(contains(shown, common(0, 98)));
    EXPECT_TRUE(contains(shown, common(0, 96)));
    // Line 3 is the header format, applied to the current creature.
    EXPECT_EQ(f.header, "Creature %d");
    EXPECT_EQ(f.form.get_text(2003, 1000), "Creature 17");
}

TEST(ApplyLanguage, EachListKeepsItsEntryAcrossARefill) {
    TextFolder folder(30, 10);
    Filled f;
    fill(f, folder, 3);
    // Entry 4 where the list has one, its last entry where it is shorter.
    std::vector<int> chosen(24, -1);
    for (int id = 300; id <= 323; ++id) {
        if (id == 304 || id == 302) continue;
        chosen[id - 300] = std::min(4, f.form.item_count(id) - 1);
        f.form.select_item(id, chosen[id - 300]);
    }
    folder.set_settings(1, 3);  // a language switch
    fill(f, folder, 3);
    for (int id = 301; id <= 323; ++id) {
        if (id == 304) continue;
        EXPECT_EQ(f.form.selected_item(id), chosen[id - 300]) << id;
    }
    EXPECT_EQ(f.form.selected_item(305), 4);
    EXPECT_EQ(f.form.selected_item(320), 3);
    EXPECT_EQ(f.form.item_text(305, 4), common(1, 137));
    // List 300 ends on the current creature.
    EXPECT_EQ(f.form.selected_item(300), 3);
    EXPECT_EQ(f.form.get_text(300, 100), creature(1, 3));
    // The lists were refilled, not added to.
    EXPECT_EQ(f.form.item_count(300), 30);
    EXPECT_EQ(f.form.item_count(303), 10);
    EXPECT_EQ(f.form.item_count(320), 4);
}

TEST(ApplyLanguage, TheLanguageComesFromTheSettingsFile) {
    TextFolder folder(12, 4);
    // Only the Russian files exist: any read of an English one would be reported.
    for (int kind = 0; kind < 5; ++kind) folder.remove(static_cast<TextKind>(kind), 0);
    folder.set_settings(1, 0);
    Filled f;
    fill(f, folder, 2);
    EXPECT_TRUE(f.form.errors().empty());
    EXPECT_EQ(f.form.get_check(2001), 0);
    EXPECT_EQ(f.form.get_check(2002), 1);
    EXPECT_EQ(f.form.language(), 1);
    EXPECT_EQ(f.form.item_text(300, 2), creature(1, 2));
    EXPECT_EQ(f.form.item_text(303, 1), "001 " + spell(1, 1));
    EXPECT_EQ(f.form.get_text(5000, 100), plural(1, 2));
    EXPECT_EQ(f.form.get_text(2003, 100), "\xD1\xF3\xF9\xE5\xF1\xF2\xE2\xEE 2");  // "Существо 2"

    // Back to English: 2001 alone; a language byte of 7 is used as English.
    TextFolder english(12, 4);
    for (int language_byte : {0, 7}) {
        english.set_settings(language_byte, 0);
        f.form.set_check(2002, 1);
        f.form.set_language(1);
        fill(f, english, 2);
        EXPECT_EQ(f.form.get_check(2001), 1) << language_byte;
        EXPECT_EQ(f.form.get_check(2002), 0) << language_byte;
        EXPECT_EQ(f.form.language(), 0) << language_byte;
        EXPECT_EQ(f.form.item_text(300, 2), creature(0, 2)) << language_byte;
    }
}

// Records the order of the control operations apply_language performs.
class RecordingForm : public MemoryForm {
public:
    mutable std::vector<std::string> log;
    void set_text(int id, std::string_view text) override {
        log.push_back("text " + std::to_string(id));
        MemoryForm::set_text(id, text);
    }
    std::string get_text(int id, int capacity) const override {
        log.push_back("get " + std::to_string(id) + " " + std::to_string(capacity));
        return MemoryForm::get_text(id, capacity);
    }
    void set_check(int id, int state) override {
        log.push_back("check " + std::to_string(id) + " " + std::to_string(state));
        MemoryForm::set_check(id, state);
    }
    void select_item(int id, int index) override {
        log.push_back("select " + std::to_string(id) + " " + std::to_string(index));
        MemoryForm::select_item(id, index);
    }
    int selected_item(int id) const override {
        log.push_back("selected " + std::to_string(id));
        return MemoryForm::selected_item(id);
    }
    void clear_items(int id) override {
        log.push_back("clear " + std::to_string(id));
        MemoryForm::clear_items(id);
    }
    int add_item(int id, std::string_view text) override {
        log.push_back("add " + std::to_string(id));
        return MemoryForm::add_item(id, text);
    }
    void set_language(int language) override {
        log.push_back("language " + std::to_string(language));
        MemoryForm::set_language(language);
    }
};

TEST(ApplyLanguage, RunsItsStepsInTheFixedOrder) {
    const int creatures = 3, spells = 2, current = 1;
    TextFolder folder(creatures, spells);
    folder.set_settings(1, 0);
    RecordingForm form;
    form.add_item(310, "old");
    form.select_item(310, 0);
    form.log.clear();
    std::string header;
    apply_language(form, folder.root(), current, header);

    std::vector<std::string> expected;
    auto add = [&](int id, int times = 1) {
        for (int i = 0; i < times; ++i) expected.push_back("add " + std::to_string(id));
    };
    for (int id = 300; id <= 323; ++id) {
        if (id == 304) continue;
        expected.push_back("selected " + std::to_string(id));
        expected.push_back("clear " + std::to_string(id));
    }
    expected.insert(expected.end(), {"check 2001 0", "check 2002 0", "check 2002 1", "language 1"});
    for (int i = 0; i <= 132; ++i) expected.push_back("text " + std::to_string(2000 + i));
    expected.insert(expected.end(), {"get 2003 120", "text 2003"});
    for (int k = 0; k < 12; ++k) add(305 + k, kOptionCounts[k]);
    for (int i = 0; i < 4; ++i) add(320), add(321), add(322);
    add(303, spells);
    for (int i = 0; i <= spells; ++i) add(317), add(318), add(319);
    expected.insert(expected.end(), {"text 5000", "text 5001"});
    add(301), add(323);
    for (int i = 0; i < creatures; ++i) add(300), add(301), add(302), add(323);
    for (int id = 300; id <= 323; ++id) {
        if (id == 304) continue;
        expected.push_back("select " + std::to_string(id) + " " + (id == 310 ? "0" : "-1"));
    }
    expected.push_back("select 300 1");
    EXPECT_EQ(form.log, expected);
}

TEST(ApplyLanguageBadInput, MissingFilesAreReportedOnceAndReadAsEmpty) {
    TextFolder folder(10, 5);
    folder.remove(TextKind::Spells, 0);
    folder.remove(TextKind::Plural, 0);
    Filled f;
    fill(f, folder, 4);
    ASSERT_EQ(f.form.errors().size(), 1u);
    const std::string& message = f.form.errors()[0];
    EXPECT_NE(message.find(folder.path(TextKind::Spells, 0).string()), std::string::npos) << message;
    EXPECT_NE(message.find(folder.path(TextKind::Plural, 0).string()), std::string::npos) << message;
    EXPECT_EQ(message.find(folder.path(TextKind::Ability, 0).string()), std::string::npos) << message;
    EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
    // Read as empty: one spell entry of an empty line, an empty plural.
    EXPECT_EQ(items(f.form, 303), std::vector<std::string>{"000 "});
    EXPECT_EQ(items(f.form, 317), (std::vector<std::string>{none_entry(0), "000 "}));
    EXPECT_EQ(f.form.get_text(5000, 100), "");
    EXPECT_EQ(f.form.get_text(5001, 100), ability(0, 4));
    EXPECT_EQ(f.form.item_count(300), 10);

    // A missing Monsters file still leaves one (empty) entry in each creature list.
    folder.remove(TextKind::Monsters, 0);
    f.form.clear_records();
    fill(f, folder, 0);
    ASSERT_EQ(f.form.errors().size(), 1u);
    EXPECT_EQ(items(f.form, 300), std::vector<std::string>{""});
    EXPECT_EQ(items(f.form, 301), (std::vector<std::string>{"", "000 "}));
    EXPECT_EQ(items(f.form, 302), std::vector<std::string>{"000 "});
}

TEST(ApplyLanguageBadInput, AShortCommonFileStartsAgainAtLineZero) {
    TextFolder folder(5, 3);
    std::vector<std::string> lines;
    for (int k = 0; k < 10; ++k) lines.push_back(common(0, k));
    folder.write(TextKind::Common, 0, join_lines(lines));
    Filled f;
    fill(f, folder, 0);
    // A cycle of 11 reads: lines 0..9 and the empty line at the end.
    auto cycled = [&](int line) { return line % 11 == 10 ? std::string() : common(0, line % 11); };
    EXPECT_EQ(f.form.get_text(2002, 100), cycled(2));
    EXPECT_EQ(f.form.get_text(2010, 100), "");
    EXPECT_EQ(f.form.get_text(2011, 100), common(0, 0));
    EXPECT_EQ(f.form.get_text(2100, 100), cycled(100));
    EXPECT_EQ(f.form.item_text(305, 0), cycled(133));
    EXPECT_EQ(f.form.item_text(316, 2), cycled(212));
    EXPECT_EQ(items(f.form, 322), (std::vector<std::string>{cycled(213), cycled(214), cycled(215),
                                                            cycled(216)}));
    EXPECT_TRUE(f.form.errors().empty());
}

TEST(ApplyLanguageBadInput, SpellsFileWithoutAnyLineFeed) {
    TextFolder folder(5, 3);
    folder.write(TextKind::Spells, 0, "Only spell");
    Filled f;
    fill(f, folder, 0);
    EXPECT_EQ(items(f.form, 303), std::vector<std::string>{"000 Only spell"});
    EXPECT_EQ(items(f.form, 318), (std::vector<std::string>{none_entry(0), "000 Only spell"}));
    // Bare CR breaks are breaks too: no spell is lost and no byte swallowed.
    folder.write(TextKind::Spells, 0, "Fire\rIce\rWind");
    fill(f, folder, 0);
    EXPECT_EQ(items(f.form, 303), (std::vector<std::string>{"000 Fire", "001 Ice", "002 Wind"}));
    EXPECT_EQ(f.form.item_count(319), 4);
}

TEST(ApplyLanguageBadInput, LongLinesPassWhole) {
    TextFolder folder(6, 3);
    const std::string long_name(5000, 'N');
    const std::string long_ability(5000, 'a');
    std::vector<std::string> monsters{none_entry(0)}, abilities;
    for (int k = 0; k < 6; ++k) {
        monsters.push_back(k == 2 ? long_name : creature(0, k));
        abilities.push_back(k == 2 ? long_ability : ability(0, k));
    }
    folder.write(TextKind::Monsters, 0, join_lines(monsters));
    folder.write(TextKind::Ability, 0, join_lines(abilities));
    folder.write(TextKind::Spells, 0, join_lines({std::string(5000, 's'), "after"}));
    Filled f;
    fill(f, folder, 2);
    EXPECT_EQ(f.form.item_text(300, 2), long_name);
    EXPECT_EQ(f.form.item_text(302, 2), "002 " + long_name);
    EXPECT_EQ(f.form.item_text(301, 3), "002 " + long_name);
    EXPECT_EQ(f.form.item_text(300, 3), creature(0, 3));
    EXPECT_EQ(f.form.get_text(5001, 6000), long_ability);
    EXPECT_EQ(f.form.item_text(303, 0), "000 " + std::string(5000, 's'));
    EXPECT_EQ(f.form.item_text(303, 1), "001 after");
}

TEST(ApplyLanguageBadInput, HeaderLinesAreDataNotFormats) {
    TextFolder folder(5, 2);
    struct Case {
        std::string line;
        std::string format;
        std::string caption;  // for creature 42
    };
    const std::string long_line = "Creature %d " + std::string(288, 'z');  // 300 characters
    const std::vector<Case> cases = {
        {long_line, long_line.substr(0, 119), "Creature 42 " + std::string(107, 'z')},
        {"%s%s%n", "%s%s%n", "%s%s%n"},
        {"%d%d", "%d%d", "42%d"},
        {"100%", "100%", "100%"},
        {"%08X", "%08X", "0000002A"},
        {"No number", "No number", "No number"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        for (int k = 0; k < 217; ++k) lines.push_back(k == 3 ? c.line : common(0, k));
        folder.write(TextKind::Common, 0, join_lines(lines));
        Filled f;
        fill(f, folder, 42);
        EXPECT_EQ(f.header, c.format) << c.line;
        EXPECT_EQ(f.form.get_text(2003, 2000), c.caption) << c.line;
        EXPECT_EQ(format_header(f.header, 7), format_header(c.format, 7)) << c.line;
    }
}

TEST(ApplyLanguageBadInput, ShortPluralAndAbilityFilesShowNoOtherCreaturesText) {
    TextFolder folder(10, 2);
    folder.write(TextKind::Plural, 0, join_lines({plural(0, 0), plural(0, 1), plural(0, 2)}));
    folder.write(TextKind::Ability, 0, "one\r\ntwo");  // no break after the last line
    Filled f;
    fill(f, folder, 1);
    EXPECT_EQ(f.form.get_text(5000, 100), plural(0, 1));
    EXPECT_EQ(f.form.get_text(5001, 100), "two");  // the last line counts
    // Past the end the reader would start again at line 0 and show an earlier
    // creature's text as this one's; a creature without a line shows nothing.
    for (int current : {2, 3, 4, 5, 999}) {
        fill(f, folder, current);
        EXPECT_EQ(f.form.get_text(5001, 100), "") << current;
        if (current >= 3) {
            EXPECT_EQ(f.form.get_text(5000, 100), "") << current;
        }
    }
}

}  // namespace
}  // namespace ce
