// The states clipboard through the menu: copy, paste all, paste CrAnim, and
// what a Save after a paste stores.
#include <gtest/gtest.h>

#include <string>

#include "editor/session.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::kMonsters;
using fixture::lines_of;
using fixture::peek;
using fixture::Session;

constexpr int kSource = 5;
constexpr int kTarget = 9;

// Creature 5 with values that fit every clipboard field exactly.
void tame_source(const fixture::DataFolder& folder) {
    Bytes m = folder.read(kMonsters);
    const char name[16] = "Hydra";
    std::copy(name, name + 16, m.begin() + 16 * kSource);
    const char sound[5] = "HYD";
    std::copy(sound, sound + 5, m.begin() + 16000 + 5 * kSource);
    m[25000 + kSource] = 2;  // edit 151 shows 3
    m[26000 + kSource] = 3;  // radio 2012
    for (int i = 0; i < 4; ++i) m[63000 + 4 * kSource + i] = i == 0 ? 0x39 : 0;  // edit 247: 57
    folder.write(kMonsters, m);
    Bytes ammo = folder.read("Ammo.vrh");
    const char arrows[16] = "Arrows";
    std::copy(arrows, arrows + 16, ammo.begin() + 16 * kSource);
    folder.write("Ammo.vrh", ammo);
}

bool is_cranim(int id) { return (id >= 91 && id <= 96) || (id >= 5002 && id <= 5019); }

TEST(Clipboard, PastesBeforeAnyCopyDoNothing) {
    Session s;
    s.start();
    s.choose_creature(kTarget);
    const auto before = test::form_values(s.form);
    s.form.menu(10001);
    s.form.menu(10002);
    EXPECT_EQ(test::form_values(s.form), before);
    EXPECT_FALSE(s.state.copied);
}

TEST(Clipboard, CopyOpensTheLanguageListOnceAndChangesNothing) {
    Session s;
    s.start();
    s.choose_creature(kSource);
    const auto shown = test::form_values(s.form);
    const auto files = s.folder.snapshot();
    s.form.menu(10000);
    EXPECT_TRUE(s.state.copied);
    EXPECT_EQ(s.form.language_list_opens(), 1);
    s.form.menu(10000);
    EXPECT_EQ(s.form.language_list_opens(), 2);
    EXPECT_EQ(test::form_values(s.form), shown);
    EXPECT_EQ(s.state.current, kSource);
    EXPECT_EQ(s.state.header_format, "Creature %d");
    EXPECT_TRUE(s.folder.snapshot().bytes == files.bytes);
    EXPECT_TRUE(s.form.errors().empty());
}

TEST(Clipboard, PasteAllCarriesTheCreatureAndSaveStoresItInTheTarget) {
    Session s;
    tame_source(s.folder);
    s.start();
    s.choose_creature(kSource);
    const auto source = test::form_values(s.form, {323, 2003, 300});
    const std::string source_name = s.form.get_text(300, 64);
    s.form.menu(10000);

    s.choose_creature(kTarget);
    const std::string target_323 = test::form_values(s.form).at(323);
    const auto files = s.folder.snapshot();
    s.form.menu(10001);
    EXPECT_EQ(test::form_values(s.form, {323, 2003, 300}), source);
    EXPECT_EQ(test::form_values(s.form).at(323), target_323);
    EXPECT_EQ(s.form.get_text(2003, 100), "Creature 9");
    EXPECT_EQ(s.form.item_text(300, kTarget), source_name);
    EXPECT_EQ(s.form.item_text(300, kSource), source_name);
    EXPECT_EQ(s.form.item_count(300), 1000);
    EXPECT_EQ(s.form.selected_item(300), kTarget);
    EXPECT_EQ(s.form.get_text(300, 64), source_name);
    EXPECT_TRUE(s.folder.snapshot().bytes == files.bytes);  // nothing written yet

    const std::string monsters_old = s.folder.text(TextKind::Monsters, 0);
    s.form.click(2100);
    EXPECT_TRUE(s.form.errors().empty());
    const auto monsters = lines_of(s.folder.text(TextKind::Monsters, 0));
    const auto old_lines = lines_of(monsters_old);
    ASSERT_EQ(monsters.size(), old_lines.size());
    for (std::size_t i = 0; i < monsters.size(); ++i) {
        EXPECT_EQ(monsters[i], i == kTarget + 1 ? source_name : old_lines[i]) << i;
    }
    EXPECT_EQ(lines_of(s.folder.text(TextKind::Plural, 0))[kTarget], fixture::plural_of(0, kSource));

    // Shown afresh, creature 9 now looks like creature 5.
    s.choose_creature(0);
    s.choose_creature(kTarget);
    EXPECT_EQ(test::form_values(s.form, {323, 2003, 300}), source);
}

TEST(Clipboard, PasteCrAnimChangesOnlyTheCrAnimEdits) {
    Session s;
    s.start();
    s.choose_creature(kSource);
    const auto source = test::form_values(s.form);
    s.form.menu(10000);
    s.choose_creature(kTarget);
    const auto target = test::form_values(s.form);
    s.form.menu(10002);
    const auto pasted = test::form_values(s.form);
    int differing = 0;
    for (const auto& [id, value] : pasted) {
        if (is_cranim(id)) {
            EXPECT_EQ(value, source.at(id)) << id;
            differing += value != target.at(id);
        } else {
            EXPECT_EQ(value, target.at(id)) << id;
        }
    }
    EXPECT_GT(differing, 0);
}

TEST(Clipboard, PasteOnto149EmptiesItsTexts) {
    Session s;
    tame_source(s.folder);
    s.start();
    s.choose_creature(kSource);
    s.form.menu(10000);
    s.choose_creature(149);
    s.form.menu(10001);
    EXPECT_EQ(s.form.get_text(121, 100), "");
    EXPECT_EQ(s.form.get_text(122, 100), "");
    EXPECT_FALSE(s.form.is_enabled(121));
    EXPECT_FALSE(s.form.is_enabled(122));
    EXPECT_EQ(s.form.get_text(304, 100), "Arrows");
    EXPECT_EQ(s.form.item_text(300, 149), fixture::creature_name(0, kSource));
}

TEST(Clipboard, PastedChecksGovernEnabledStatesBoxByBox) {
    Session s;
    fixture::set_flag(s.folder, kSource, 2021, false);
    fixture::set_flag(s.folder, kSource, 2039, true);
    fixture::set_flag(s.folder, kTarget, 2021, true);
    fixture::patch(s.folder, kMonsters, 33000 + kSource, 1, 1);
    s.start();
    s.choose_creature(kSource);
    s.form.menu(10000);
    s.choose_creature(kTarget);
    EXPECT_TRUE(s.form.is_enabled(304));
    s.form.menu(10001);
    EXPECT_EQ(s.form.get_check(2021), 0);
    EXPECT_EQ(s.form.get_check(2039), 1);
    EXPECT_TRUE(s.form.is_enabled(306));
    EXPECT_EQ(s.form.selected_item(306), 1);
    EXPECT_FALSE(s.form.is_enabled(304));
    for (int id : {2058, 2059, 2060, 2061}) EXPECT_FALSE(s.form.is_enabled(id)) << id;
}

TEST(Clipboard, WideValuesAndLongAbilitiesPasteWhole) {
    Session s;
    fixture::patch(s.folder, kMonsters, 253000 + kSource, 0x9C, 1);                  // -100
    fixture::patch(s.folder, kMonsters, 169000 + 84 * kSource + 60, 1234567890, 4);  // 5014
    fixture::patch(s.folder, kMonsters, 169000 + 84 * kSource + 64, 0xFFFFFFFFu, 4); // 5015: -1
    fixture::patch(s.folder, kMonsters, 85000 + 84 * kSource, 0xFFFFFFFFu, 4);       // 70: -1
    s.start();
    s.choose_creature(kSource);
    std::string ability;
    for (int i = 0; i < 600; ++i) ability += static_cast<char>('a' + i % 26);
    s.retype(5001, ability);
    EXPECT_EQ(s.form.get_text(97, 10), "-100");
    EXPECT_EQ(s.form.get_text(5015, 20), "4294967295");
    s.form.menu(10000);

    // The typed ability is left unsaved on the source.
    s.form.answer_next(Form::Answer::No);
    s.choose_creature(kTarget);
    s.form.menu(10001);
    EXPECT_EQ(s.form.get_text(97, 10), "-100");
    EXPECT_EQ(s.form.get_text(5014, 20), "1234567890");
    EXPECT_EQ(s.form.get_text(5015, 20), "4294967295");
    EXPECT_EQ(s.form.get_text(70, 20), "4294967295");
    EXPECT_EQ(s.form.get_text(5001, 1000), ability);

    s.form.click(2100);
    const Bytes saved = s.folder.read(kMonsters);
    EXPECT_EQ(saved[253000 + kTarget], 0x9C);
    EXPECT_EQ(peek(saved, 169000 + 84 * kTarget + 60, 4), 1234567890u);
    EXPECT_EQ(peek(saved, 169000 + 84 * kTarget + 64, 4), 0xFFFFFFFFu);
    EXPECT_EQ(peek(saved, 85000 + 84 * kTarget, 4), 0xFFFFFFFFu);
    EXPECT_EQ(lines_of(s.folder.text(TextKind::Ability, 0))[kTarget], ability);
}

TEST(Clipboard, EmptyRadioGroupPastesAsEmptyAndSaveStoresTheSourcesByte) {
    Session s;
    fixture::patch(s.folder, kMonsters, 26000 + 7, 0, 1);        // creature 7: radio 2009
    fixture::patch(s.folder, kMonsters, 26000 + kSource, 100, 1); // creature 5: none
    fixture::patch(s.folder, kMonsters, 26000 + kTarget, 2, 1);   // creature 9: radio 2011
    s.start();
    s.choose_creature(7);
    s.form.menu(10000);
    s.choose_creature(kSource);
    s.form.menu(10000);  // a later empty group replaces the earlier capture
    s.choose_creature(kTarget);
    EXPECT_EQ(s.form.get_check(2011), 1);
    s.form.menu(10001);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(s.form.get_check(id), 0) << id;
    s.form.click(2100);
    EXPECT_EQ(s.folder.read(kMonsters)[26000 + kTarget], 100);  // the copied creature's byte, exactly
}

TEST(Clipboard, ClipboardOutlivesShowsSavesAndLanguageSwitches) {
    Session s;
    tame_source(s.folder);
    s.start();
    s.choose_creature(kSource);
    s.form.menu(10000);
    s.choose_creature(kTarget);
    s.form.click(2100);
    s.form.click(2002);
    s.choose_creature(12);
    s.form.menu(10001);
    EXPECT_EQ(s.form.get_text(121, 100), "Hydra");
    // The pasted name stays in the language it was captured in.
    EXPECT_EQ(s.form.item_text(300, 12), fixture::creature_name(0, kSource));
    EXPECT_EQ(s.form.item_text(300, 13), fixture::creature_name(1, 13));
}

}  // namespace
}  // namespace ce
