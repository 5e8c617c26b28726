// Save through the user's actions: what an untouched Save keeps, what each kind
// of change stores, and what a failing write leaves behind.
#include <gtest/gtest.h>

#include <bit>

#include "editor/session.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::kMonsters;
using fixture::lines_of;
using fixture::peek;
using fixture::Session;

// The creature slot whose element holds byte i of the creature table file.
int slot_of(std::size_t i) {
    struct Wide {
        std::size_t start, width;
    };
    // Every array not listed here has one byte per slot.
    constexpr Wide kWide[] = {{0, 16},     {16000, 5},  {21000, 4},  {43000, 4},  {47000, 4},
                              {63000, 4},  {69000, 2},  {85000, 84}, {169000, 84}};
    for (const Wide& w : kWide) {
        if (i >= w.start && i < w.start + 1000 * w.width) return static_cast<int>((i - w.start) / w.width);
    }
    return static_cast<int>(i % 1000);
}

// The changes a Save with nothing touched is expected to make to slot s.
Bytes expected_monsters(Bytes bytes, int slot) {
    if (slot == 149) {
        bytes[16 * 149] = 0;
        bytes[16000 + 5 * 149] = 0;
    }
    if (peek(bytes, 21000 + 4 * slot, 4) & (1u << 6)) bytes[27000 + slot] = 0;  // 2025
    return bytes;
}

TEST(Save, UntouchedSaveKeepsEveryFileButTheInterlockedValues) {
    for (unsigned seed : {11u, 12u}) {
        Session s(seed);
        fixture::ScriptedOps no_flush;  // the device flush is the store's business
        no_flush.skip_flush = true;
        s.state.files = &no_flush;
        s.start();
        test::Random random(seed);
        std::vector<int> slots{0, 1, 148, 149, 150, 998, 999};
        for (int i = 0; i < 8; ++i) slots.push_back(random.below(kSlots));
        for (int slot : slots) {
            SCOPED_TRACE(slot);
            s.choose_creature(slot);
            ASSERT_EQ(s.state.current, slot);
            auto before = s.folder.snapshot();
            s.form.click(2100);
            auto after = s.folder.snapshot();
            ASSERT_EQ(after.names, before.names);  // no file added or left behind
            for (std::size_t i = 0; i < before.names.size(); ++i) {
                const bool monsters = before.names[i] == kMonsters;
                const Bytes expected = monsters ? expected_monsters(before.bytes[i], slot) : before.bytes[i];
                EXPECT_TRUE(after.bytes[i] == expected) << before.names[i];
            }
            // A second Save without changes writes the same bytes again.
            s.form.click(2100);
            EXPECT_TRUE(s.folder.snapshot().bytes == after.bytes);
        }
        EXPECT_TRUE(s.form.errors().empty());
    }
}

TEST(Save, ChecksRadiosAndListsStoreWhatTheUserChose) {
    constexpr int kSlot = 30;
    Session s;
    fixture::patch(s.folder, kMonsters, 40000 + kSlot, 0, 1);
    fixture::set_flag(s.folder, kSlot, 2019, false);
    fixture::set_flag(s.folder, kSlot, 2021, true);  // list 307 takes a choice only while 2021 and 2024 are checked
    fixture::set_flag(s.folder, kSlot, 2024, true);
    fixture::patch(s.folder, kMonsters, 26000 + kSlot, 100, 1);  // no radio button
    s.start();
    s.choose_creature(kSlot);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(s.form.get_check(id), 0);

    auto saved = [&](const char* name, std::size_t offset, int width) {
        s.form.click(2100);
        return peek(s.folder.read(name), offset, width);
    };
    s.form.click(2062);
    EXPECT_EQ(saved(kMonsters, 40000 + kSlot, 1), 1u);
    s.form.click(2019);
    EXPECT_EQ(saved(kMonsters, 40000 + kSlot, 1), 2u);
    s.form.click(2062);
    EXPECT_EQ(saved(kMonsters, 40000 + kSlot, 1), 0u);
    EXPECT_EQ(saved(kMonsters, 26000 + kSlot, 1), 100u);  // no radio checked: kept

    s.form.click(2012);
    EXPECT_EQ(saved(kMonsters, 26000 + kSlot, 1), 3u);
    s.form.click(2008);
    EXPECT_EQ(saved(kMonsters, 26000 + kSlot, 1), 0xFFu);

    s.form.choose(301, 0);
    s.form.choose(302, 7);
    s.form.choose(323, 0);
    s.form.choose(317, 0);
    s.form.choose(318, 6);
    s.form.choose(322, 3);
    s.form.choose(307, 4);
    s.form.click(2100);
    const Bytes monsters = s.folder.read(kMonsters);
    EXPECT_EQ(peek(monsters, 47000 + 4 * kSlot, 4), 0xFFFFFFFFu);
    EXPECT_EQ(peek(monsters, 43000 + 4 * kSlot, 4), 7u);
    EXPECT_EQ(monsters[31000 + kSlot], 4);
    EXPECT_EQ(peek(s.folder.read("Demonology.vrh"), 2 * kSlot, 2), 0xFFFFu);
    const Bytes spells = s.folder.read("ImposedSpells.vrh");
    EXPECT_EQ(spells[6 * kSlot], 255);
    EXPECT_EQ(spells[6 * kSlot + 1], 5);
    EXPECT_EQ(spells[6 * kSlot + 5], 3);

    const bool fire = (s.folder.read("Firewall.vrh")[kSlot >> 3] >> (kSlot & 7)) & 1;
    s.form.click(2132);
    s.form.click(2100);
    EXPECT_EQ(((s.folder.read("Firewall.vrh")[kSlot >> 3] >> (kSlot & 7)) & 1) != 0, !fire);
    EXPECT_TRUE(s.form.errors().empty());
}

TEST(Save, TypedAndSpunNumbersAndTexts) {
    constexpr int kSlot = 31;
    Session s;
    fixture::patch(s.folder, kMonsters, 85000 + 84 * kSlot + 4, 0xFFFFFFFFu, 4);  // edit 71: -1
    fixture::patch(s.folder, kMonsters, 25000 + kSlot, 2, 1);                      // edit 151: 3
    fixture::patch(s.folder, kMonsters, 253000 + kSlot, 0, 1);                     // edit 97: 0
    fixture::set_flag(s.folder, kSlot, 2021, true);                                // 304 enabled
    s.start();
    s.choose_creature(kSlot);
    EXPECT_EQ(s.form.get_text(71, 20), "4294967295");
    const Bytes old = s.folder.read(kMonsters);

    s.retype(70, "");
    s.retype(76, "123456789");
    s.form.spin(1917, 2);   // 151: 3 -> 5
    s.form.spin(1976, -5);  // 97: 0 -> -5
    s.retype(5019, "0.869");
    s.retype(5016, "0.5");
    s.retype(5017, "-0.5");
    s.retype(5002, "1.5");
    s.retype(121, "Dragon");
    s.retype(122, "abc");
    s.retype(304, "Fire arrows");
    s.retype(98, "200");
    s.form.click(2100);
    EXPECT_TRUE(s.form.errors().empty());

    const Bytes saved = s.folder.read(kMonsters);
    const std::size_t block = 85000 + 84 * kSlot, cranim = 169000 + 84 * kSlot;
    EXPECT_EQ(peek(saved, block, 4), 0u);
    EXPECT_EQ(peek(saved, block + 4, 4), 0xFFFFFFFFu);  // 4294967295 untouched: -1 kept
    EXPECT_EQ(peek(saved, block + 24, 4), 123456789u);
    EXPECT_EQ(saved[25000 + kSlot], 4);
    EXPECT_EQ(saved[253000 + kSlot], 0xFB);
    EXPECT_EQ(static_cast<std::int32_t>(peek(saved, cranim + 80, 4)), 99);
    EXPECT_EQ(static_cast<std::int32_t>(peek(saved, cranim + 68, 4)), 4500);
    EXPECT_EQ(static_cast<std::int32_t>(peek(saved, cranim + 72, 4)), -250);
    EXPECT_EQ(peek(saved, cranim + 12, 4), std::bit_cast<std::uint32_t>(1.5f));
    EXPECT_EQ(fixture::field_text(saved, 16 * kSlot), "Dragon");
    for (int i = 7; i < 16; ++i) EXPECT_EQ(saved[16 * kSlot + i], old[16 * kSlot + i]);  // after the zero
    EXPECT_EQ(fixture::field_text(saved, 16000 + 5 * kSlot).substr(0, 3), "ABC");
    EXPECT_EQ(fixture::field_text(s.folder.read("Ammo.vrh"), 16 * kSlot), "Fire arrows");
    EXPECT_EQ(s.folder.read("DefenseBonus.vrh")[kSlot], 200);
    // Save does not show the creature again: the typed text stays as typed.
    EXPECT_EQ(s.form.get_text(5002, 10), "1.5");
    EXPECT_EQ(s.form.get_text(70, 10), "");

    // Only the slot's bytes changed.
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] != old[i]) {
            EXPECT_EQ(slot_of(i), kSlot) << "byte " << i;
        }
    }
}

TEST(Save, NamePluralAndAbilityGoToTheirLinesOnly) {
    constexpr int kSlot = 40;
    Session s;
    s.start();
    s.choose_creature(kSlot);
    const std::string monsters_old = s.folder.text(TextKind::Monsters, 0);
    const auto rus_before = s.folder.read(TextKind::Monsters, 1);
    s.retype(300, "Wyvern");
    EXPECT_EQ(s.form.selected_item(300), -1);  // typing leaves no selection
    s.retype(5000, "Wyverns");
    s.retype(5001, "Flies\r\nand bites");  // a line break cannot move other lines
    s.form.click(2100);
    EXPECT_TRUE(s.form.errors().empty());

    const auto monsters = lines_of(s.folder.text(TextKind::Monsters, 0));
    const auto old_lines = lines_of(monsters_old);
    ASSERT_EQ(monsters.size(), old_lines.size());
    for (std::size_t i = 0; i < monsters.size(); ++i) {
        EXPECT_EQ(monsters[i], i == kSlot + 1 ? "Wyvern" : old_lines[i]) << i;
    }
    const auto plural = lines_of(s.folder.text(TextKind::Plural, 0));
    const auto ability = lines_of(s.folder.text(TextKind::Ability, 0));
    ASSERT_EQ(plural.size(), 1000u);
    ASSERT_EQ(ability.size(), 1000u);
    EXPECT_EQ(plural[kSlot], "Wyverns");
    EXPECT_EQ(plural[kSlot + 1], fixture::plural_of(0, kSlot + 1));
    EXPECT_EQ(ability[kSlot].rfind("Flies", 0), 0u);
    EXPECT_EQ(ability[kSlot + 1], fixture::ability_of(0, kSlot + 1));
    EXPECT_EQ(s.folder.read(TextKind::Monsters, 1), rus_before);

    // The lists show the new name, and the creature stays selected.
    EXPECT_EQ(s.form.item_text(300, kSlot), "Wyvern");
    EXPECT_EQ(s.form.item_text(301, kSlot + 1), "040 Wyvern");
    EXPECT_EQ(s.form.selected_item(300), kSlot);
    EXPECT_EQ(s.state.current, kSlot);
}

// The same edits, in every data file and text file, for the failure runs.
void edit_everything(Session& s) {
    fixture::set_flag(s.folder, 60, 2021, true);  // the ammo edit 304 takes a typed name only while 2021 is checked
    s.choose_creature(60);
    s.retype(121, "Phoenix");
    s.retype(304, "Embers");
    s.form.choose(317, 0);
    s.form.click(2132);
    s.form.choose(323, 9);
    s.retype(98, "7");
    s.retype(300, "Phoenix");
    s.retype(5000, "Phoenixes");
    s.retype(5001, "Rises again");
}

TEST(SaveFailure, AFileThatCannotBeWrittenKeepsItsOldBytes) {
    Session clean(5), failing(5);
    clean.start();
    failing.start();
    fixture::ScriptedOps ops;
    ops.fail_file = "Ammo.vrh";
    failing.state.files = &ops;
    edit_everything(clean);
    edit_everything(failing);
    const Bytes ammo_old = failing.folder.read("Ammo.vrh");
    const auto old = failing.folder.snapshot();

    clean.form.click(2100);
    failing.form.click(2100);
    ASSERT_EQ(failing.form.errors().size(), 1u);
    EXPECT_NE(failing.form.errors()[0].find("Ammo.vrh"), std::string::npos);
    EXPECT_EQ(failing.form.errors()[0].find("MonstersSetup.vrh"), std::string::npos);
    // A Save is one write: the files already replaced are put back.
    EXPECT_NE(failing.form.errors()[0].find(" was not saved:\n"), std::string::npos)
        << failing.form.errors()[0];
    EXPECT_NE(failing.form.errors()[0].find("nothing was written"), std::string::npos) << failing.form.errors()[0];
    EXPECT_TRUE(clean.form.errors().empty());

    const auto want = clean.folder.snapshot();
    const auto got = failing.folder.snapshot();
    ASSERT_EQ(got.names, want.names);
    for (std::size_t i = 0; i < got.names.size(); ++i) {
        EXPECT_TRUE(got.bytes[i] == old.bytes[i]) << got.names[i];
        if (got.names[i] == "Ammo.vrh") {
            EXPECT_TRUE(got.bytes[i] == ammo_old);
            EXPECT_FALSE(got.bytes[i] == want.bytes[i]);
        }
    }
    // The next Save, once the file can be written, stores everything.
    ops.fail_file.clear();
    failing.form.click(2100);
    EXPECT_EQ(failing.form.errors().size(), 1u);
    EXPECT_TRUE(failing.folder.snapshot().bytes == want.bytes);
}

TEST(SaveFailure, EveryFailingStepLeavesEachFileWhollyOldOrWhollyNew) {
    Session clean(6);
    fixture::ScriptedOps counting;
    clean.state.files = &counting;
    clean.start();
    edit_everything(clean);
    const auto old = clean.folder.snapshot();
    counting.steps = 0;
    clean.form.click(2100);
    const int steps = counting.steps;
    const auto fresh = clean.folder.snapshot();
    ASSERT_GE(steps, 9 * 5);

    for (int k = 0; k < steps; ++k) {
        SCOPED_TRACE(k);
        Session s(6);
        fixture::ScriptedOps ops;
        ops.skip_flush = true;
        s.state.files = &ops;
        s.start();
        edit_everything(s);
        ops.steps = 0;
        ops.fail_at = k;
        s.form.click(2100);
        const auto got = s.folder.snapshot();
        ASSERT_EQ(got.names, old.names);  // nothing left behind
        int changed = 0;
        for (std::size_t i = 0; i < got.names.size(); ++i) {
            const bool is_old = got.bytes[i] == old.bytes[i];
            const bool is_new = got.bytes[i] == fresh.bytes[i];
            EXPECT_TRUE(is_old || is_new) << got.names[i];
            if (!is_new) ++changed;
        }
        // All nine files move together: wholly old or wholly new as a set.
        EXPECT_TRUE(got.bytes == old.bytes || got.bytes == fresh.bytes);
        // A file that kept its old bytes is named in the one message.
        EXPECT_LE(s.form.errors().size(), 1u);
        if (changed > 0) {
            EXPECT_EQ(s.form.errors().size(), 1u);
        }
    }
}

}  // namespace
}  // namespace ce
