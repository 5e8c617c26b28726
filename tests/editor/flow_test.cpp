// Start-up, choosing creatures, the jump button, the language switch, closing
// and the refusals of shows over missing or short data files, driven through
// MemoryForm's user actions.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/session.h"
#include "form/show.h"
#include "store/layouts.h"
#include "text/language.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::Session;

TEST(EditorStart, ShowsTheCreatureNamedBySettingsAndSetsLimits) {
    Session s;
    s.folder.write("Lang", {0, 0xE7, 0x03});
    s.start();
    EXPECT_EQ(s.state.current, 999);
    EXPECT_EQ(s.form.selected_item(300), 999);
    EXPECT_EQ(s.form.get_text(300, 64), fixture::creature_name(0, 999));
    EXPECT_EQ(s.form.get_text(2003, 1000), "Creature 999");
    EXPECT_EQ(s.form.get_text(5000, 64), fixture::plural_of(0, 999));
    EXPECT_EQ(s.form.get_text(5001, 1000), fixture::ability_of(0, 999));
    ASSERT_FALSE(s.form.portraits().empty());
    EXPECT_EQ(s.form.portraits().back(), 999);
    EXPECT_TRUE(s.form.errors().empty());

    // Limits and spin ranges; rows without a limit leave the edit without one.
    EXPECT_EQ(s.form.text_limit(122), 4);
    EXPECT_EQ(s.form.text_limit(247), 9);
    EXPECT_EQ(s.form.text_limit(97), -1);
    ASSERT_TRUE(s.form.spin_range(1917).has_value());
    EXPECT_EQ(s.form.spin_range(1917)->low, 1);
    EXPECT_EQ(s.form.spin_range(1917)->high, 7);
    ASSERT_TRUE(s.form.spin_range(1976).has_value());
    EXPECT_EQ(s.form.spin_range(1976)->low, -100);
    EXPECT_FALSE(s.form.spin_range(1927).has_value());  // absent from the form
}

TEST(EditorStart, OutOfRangeOrMissingSettingsStartOnCreatureZero) {
    {
        Session s;
        s.folder.write("Lang", {0, 0xE8, 0x03});  // 1000
        s.start();
        EXPECT_EQ(s.state.current, 0);
        EXPECT_EQ(s.form.selected_item(300), 0);
    }
    {
        Session s;
        std::filesystem::remove(s.folder.path("Lang"));
        s.start();
        EXPECT_EQ(s.state.current, 0);
        EXPECT_EQ(s.form.get_check(2001), 1);
        EXPECT_TRUE(s.form.errors().empty());
    }
}

TEST(EditorStart, FaultsNameEveryMissingOrShortFile) {
    Session s;
    EXPECT_TRUE(startup_faults(s.state.root).empty());

    std::filesystem::remove(s.folder.path("MonstersSetup.vrh"));
    Bytes demonology = s.folder.read("Demonology.vrh");
    demonology.resize(1999);
    s.folder.write("Demonology.vrh", demonology);
    Bytes longer = s.folder.read("Firewall.vrh");
    longer.resize(200);  // longer than its size is fine
    s.folder.write("Firewall.vrh", longer);
    std::filesystem::remove(s.folder.path(TextKind::Spells, 0));
    std::filesystem::remove(s.folder.path(TextKind::Ability, 1));  // not the current language

    auto faults = startup_faults(s.state.root);
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_NE(faults[0].message().find("MonstersSetup.vrh"), std::string::npos);
    EXPECT_NE(faults[0].message().find("does not exist"), std::string::npos);
    EXPECT_EQ(faults[0].kind, FaultKind::missing);
    EXPECT_NE(faults[1].message().find("Demonology.vrh"), std::string::npos);
    EXPECT_NE(faults[1].message().find("1999"), std::string::npos);
    EXPECT_NE(faults[1].message().find("2000"), std::string::npos);
    EXPECT_NE(faults[2].message().find(language_file_name(TextKind::Spells, 0)), std::string::npos);
    EXPECT_EQ(faults[2].kind, FaultKind::missing);

    const std::string message = startup_message(0, s.state.root, faults).flat();
    EXPECT_NE(message.find(s.state.root), std::string::npos);
    for (const Fault& fault : faults) EXPECT_NE(message.find(fault.message()), std::string::npos);

    // With Russian chosen, the Russian files are the ones required.
    s.folder.write_settings(1, 0);
    faults = startup_faults(s.state.root);
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_NE(faults[2].message().find(language_file_name(TextKind::Ability, 1)), std::string::npos);
}

TEST(EditorChoose, ChoosingACreatureShowsItAndCloseStoresIt) {
    {
        Session s;
        s.folder.write_settings(1, 3);
        s.start();
        s.choose_creature(250);
        EXPECT_EQ(s.state.current, 250);
        EXPECT_EQ(s.form.selected_item(300), 250);
        EXPECT_EQ(s.form.get_text(5000, 64), fixture::plural_of(1, 250));
        EXPECT_EQ(s.form.portraits().back(), 250);
        const Bytes data = s.folder.read("MonstersSetup.vrh");
        if (s.form.is_enabled(121)) {
            EXPECT_EQ(s.form.get_text(121, 1000), fixture::field_text(data, 16 * 250));
        }

        s.form.key_escape();
        EXPECT_EQ(s.closes, 1);
        EXPECT_EQ(s.folder.read("Lang"), (Bytes{1, 0xFA, 0x00}));  // byte 0 kept

        // The next start shows creature 250.
        EditorState again;
        again.root = s.state.root;
        MemoryForm form;
        on_initialise(again, form);
        EXPECT_EQ(again.current, 250);
        EXPECT_EQ(form.selected_item(300), 250);
    }
    {
        // A selection change that reports no selection changes nothing.
        Session s;
        s.start();
        s.choose_creature(42);
        const auto before = test::form_values(s.form, {300});
        s.form.select_item(300, -1);
        s.command((1u << 16) | 300u);
        EXPECT_EQ(s.state.current, 42);
        EXPECT_EQ(test::form_values(s.form, {300}), before);
    }
}

// Keys held down in list 300: the steps that newer ones overtake are left
// unshown (the shell defers them), and the form never shows a creature other
// than the current one.
TEST(EditorChoose, DeferredChoicesShowOnlyTheNewest) {
    Session shown_alone;
    shown_alone.start();
    shown_alone.choose_creature(14);
    const auto creature_14 = test::form_values(shown_alone.form);
    auto held_key_to_14 = [](Session& s) {
        s.start();
        s.choose_creature(10);
        for (int slot = 11; slot <= 14; ++slot) {
            s.form.select_item(300, slot);
            EXPECT_TRUE(defer_creature_choice(s.state, s.form));
        }
    };
    {
        Session s;
        held_key_to_14(s);
        EXPECT_EQ(s.state.current, 10);
        EXPECT_EQ(s.form.get_text(2003, 100), "Creature 10");
        // A paint meanwhile shows the portrait of the creature the form holds.
        s.form.clear_records();
        on_paint(s.state, s.form);
        EXPECT_EQ(s.form.portraits(), std::vector<int>{10});
        // The keys end: only the newest is shown, as if chosen alone.
        s.form.clear_records();
        show_pending_choice(s.state, s.form);
        EXPECT_EQ(s.state.current, 14);
        EXPECT_EQ(s.form.portraits(), std::vector<int>{14});
        EXPECT_EQ(test::form_values(s.form), creature_14);
        show_pending_choice(s.state, s.form);  // nothing pending any more
        EXPECT_EQ(s.form.portraits(), std::vector<int>{14});
    }
    {
        // The next selection change shows its own creature and ends the wait.
        Session s;
        held_key_to_14(s);
        s.choose_creature(15);
        EXPECT_EQ(s.state.current, 15);
        s.form.clear_records();
        show_pending_choice(s.state, s.form);
        EXPECT_TRUE(s.form.portraits().empty());
    }
    {
        // A click or menu command acts on the creature list 300 names: Save
        // stores creature 14 unchanged, closing stores its index.
        Session s;
        fixture::set_flag(s.folder, 14, 2025, false);  // checked, an untouched Save would empty 27000
        held_key_to_14(s);
        const Bytes data = s.folder.read("MonstersSetup.vrh");
        s.form.click(2100);
        EXPECT_EQ(s.state.current, 14);
        EXPECT_EQ(s.folder.read("MonstersSetup.vrh"), data);
        s.form.select_item(300, 20);
        EXPECT_TRUE(defer_creature_choice(s.state, s.form));
        s.form.key_escape();
        EXPECT_EQ(s.closes, 1);
        EXPECT_EQ(s.folder.read("Lang"), (Bytes{0, 20, 0}));
        EXPECT_TRUE(s.form.errors().empty());
    }
    {
        // Other notifications do not end the wait; a selection that names no
        // creature (typed into the edit field) shows nothing.
        Session s;
        held_key_to_14(s);
        s.command((2u << 16) | 300u);
        EXPECT_EQ(s.state.current, 10);
        s.form.type(300, "x");
        s.form.clear_records();
        show_pending_choice(s.state, s.form);
        EXPECT_EQ(s.state.current, 10);
        EXPECT_TRUE(s.form.portraits().empty());
        EXPECT_FALSE(s.state.choice_pending);
    }
}

TEST(EditorJump, JumpButtonShowsTheCreatureOfList301) {
    Session s;
    s.start();
    s.form.choose(301, 12);
    EXPECT_EQ(s.state.current, 0);  // choosing in 301 alone does nothing
    s.form.click(2101);
    EXPECT_EQ(s.state.current, 11);
    EXPECT_EQ(s.form.selected_item(300), 11);
    EXPECT_EQ(s.form.get_text(2003, 100), "Creature 11");

    // The none entry, and no selection at all, do nothing.
    const std::size_t paints = s.form.portraits().size();
    s.form.choose(301, 0);
    s.form.click(2101);
    s.form.select_item(301, -1);
    s.form.click(2101);
    EXPECT_EQ(s.state.current, 11);
    EXPECT_EQ(s.form.selected_item(300), 11);
    EXPECT_EQ(s.form.portraits().size(), paints);
}

TEST(EditorRouting, CommandsCompareTheWholeWord) {
    Session s;
    s.start();
    s.form.choose(301, 5);
    const auto before = test::form_values(s.form);
    s.command((1u << 16) | 2101u);   // not a click
    s.command((5u << 16) | 2021u);
    s.command((1u << 16) | 2100u);
    s.command((2u << 16) | 300u);    // another notification of list 300
    s.command(1);                    // the Enter key
    s.command((1u << 16) | 10000u);
    EXPECT_EQ(s.state.current, 0);
    EXPECT_FALSE(s.state.copied);
    EXPECT_EQ(s.form.language_list_opens(), 0);
    EXPECT_EQ(test::form_values(s.form), before);
    EXPECT_EQ(s.closes, 0);
}

TEST(EditorLanguage, SwitchStoresByteZeroAndRefillsEveryText) {
    Session s;
    s.folder.write_settings(0, 17);
    s.start();
    s.form.click(2002);
    EXPECT_EQ(s.folder.read("Lang"), (Bytes{1, 17, 0}));
    EXPECT_EQ(s.form.language(), 1);
    EXPECT_EQ(s.form.get_check(2002), 1);
    EXPECT_EQ(s.form.get_check(2001), 0);
    EXPECT_EQ(s.form.item_text(300, 3), fixture::creature_name(1, 3));
    EXPECT_EQ(s.form.get_text(5000, 64), fixture::plural_of(1, 17));
    EXPECT_EQ(s.form.selected_item(300), 17);

    s.form.click(2001);
    EXPECT_EQ(s.folder.read("Lang"), (Bytes{0, 17, 0}));
    EXPECT_EQ(s.form.item_text(300, 3), fixture::creature_name(0, 3));
    EXPECT_TRUE(s.form.errors().empty());
}

TEST(EditorLanguage, FailedSettingsWritesAreReported) {
    Session s;
    fixture::ScriptedOps ops;
    ops.fail_file = "Lang";
    s.state.files = &ops;
    s.start();
    s.choose_creature(8);

    // The switch fails: reported, and the form follows the file, still English.
    s.form.click(2002);
    ASSERT_EQ(s.form.errors().size(), 1u);
    EXPECT_EQ(s.folder.read("Lang"), (Bytes{0, 0, 0}));
    EXPECT_EQ(s.form.get_check(2001), 1);
    EXPECT_EQ(s.form.get_check(2002), 0);
    EXPECT_EQ(s.form.item_text(300, 3), fixture::creature_name(0, 3));

    // Closing still ends the form after reporting.
    s.form.key_escape();
    EXPECT_EQ(s.closes, 1);
    EXPECT_EQ(s.form.errors().size(), 2u);
    EXPECT_EQ(s.folder.read("Lang"), (Bytes{0, 0, 0}));
}

// One action, one message: a switch whose settings write fails while a
// language file is missing reports both in one box.
TEST(EditorLanguage, AFailedWriteAndAMissingFileMakeOneMessage) {
    Session s;
    fixture::ScriptedOps ops;
    ops.fail_file = "Lang";
    s.state.files = &ops;
    s.start();
    std::filesystem::remove(s.folder.path(TextKind::Spells, 0));
    s.form.click(2002);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string& message = s.form.errors()[0];
    EXPECT_NE(message.find("settings file"), std::string::npos) << message;
    EXPECT_NE(message.find(s.folder.path(TextKind::Spells, 0).string()), std::string::npos) << message;
    EXPECT_LT(message.find("settings file"), message.find("Spells"));
}

TEST(EditorShow, RefusedWhenADataFileIsMissingOrShort) {
    Session s;
    s.start();
    s.choose_creature(5);
    const auto shown = test::form_values(s.form);
    const std::size_t paints = s.form.portraits().size();

    std::filesystem::remove(s.folder.path("Ammo.vrh"));
    Bytes firewall = s.folder.read("Firewall.vrh");
    firewall.resize(100);
    s.folder.write("Firewall.vrh", firewall);
    const auto files = s.folder.snapshot();

    s.choose_creature(9);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string& message = s.form.errors()[0];
    EXPECT_NE(message.find(s.state.root), std::string::npos);
    EXPECT_NE(message.find("Ammo.vrh: does not exist"), std::string::npos);
    EXPECT_NE(message.find("Firewall.vrh: 100 bytes"), std::string::npos);
    EXPECT_EQ(s.state.current, 5);
    EXPECT_EQ(test::form_values(s.form), shown);
    EXPECT_EQ(s.form.portraits().size(), paints);

    // The jump is refused the same way, and so is Save, which writes nothing.
    s.form.choose(301, 10);
    s.form.click(2101);
    EXPECT_EQ(s.state.current, 5);
    s.form.click(2100);
    EXPECT_EQ(s.form.errors().size(), 3u);
    EXPECT_NE(s.form.errors()[2].find("Ammo.vrh: does not exist"), std::string::npos);
    EXPECT_EQ(s.folder.snapshot().bytes, files.bytes);
    EXPECT_EQ(s.folder.snapshot().names, files.names);
}

TEST(EditorShow, MissingLanguageFileShowsEmptyTextAndIsReported) {
    Session s;
    s.start();
    std::filesystem::remove(s.folder.path(TextKind::Ability, 0));
    s.choose_creature(7);
    EXPECT_EQ(s.state.current, 7);
    EXPECT_EQ(s.form.get_text(5000, 64), fixture::plural_of(0, 7));
    EXPECT_EQ(s.form.get_text(5001, 64), "");
    ASSERT_EQ(s.form.errors().size(), 1u);
    EXPECT_NE(s.form.errors()[0].find(language_file_name(TextKind::Ability, 0)), std::string::npos);
}

TEST(EditorShow, ShortPluralFileShowsNothingForLaterCreaturesAndSaveKeepsIt) {
    Session s;
    s.start();
    const std::string three = "Ones\r\nTwos\r\nThrees\r\n";
    fixture::write_text(s.folder.path(TextKind::Plural, 0), three);
    s.choose_creature(1);
    EXPECT_EQ(s.form.get_text(5000, 64), "Twos");
    // Creature 5 has no line: it must not show (and Save must not store) the
    // plural of creature 1 that reading past the end would reach.
    s.choose_creature(5);
    EXPECT_EQ(s.form.get_text(5000, 64), "");
    s.form.click(2100);
    EXPECT_TRUE(s.form.errors().empty());
    const fixture::Bytes after = fixture::read_bytes(s.folder.path(TextKind::Plural, 0));
    EXPECT_EQ(std::string(after.begin(), after.end()), three);
}

TEST(EditorShow, HeaderAndSlotLimits) {
    Session s;
    s.start();
    // A header format without a conversion shows unchanged.
    s.state.header_format = "No number here";
    s.choose_creature(3);
    EXPECT_EQ(s.form.get_text(2003, 100), "No number here");
    // A slot outside 0..999 is refused without touching the form.
    const auto before = test::form_values(s.form);
    EXPECT_FALSE(show_creature(s.state, s.form, 1000));
    EXPECT_FALSE(show_creature(s.state, s.form, -1));
    EXPECT_EQ(test::form_values(s.form), before);
}

TEST(EditorPaint, PaintsThePortraitOfTheSelectedEntry) {
    Session s;
    s.start();
    s.choose_creature(33);
    s.form.clear_records();
    on_paint(s.state, s.form);
    ASSERT_EQ(s.form.portraits().size(), 1u);
    EXPECT_EQ(s.form.portraits()[0], 33);
    EXPECT_EQ(s.form.decoration_paints(), 1);
    s.form.select_item(300, -1);
    on_paint(s.state, s.form);
    EXPECT_EQ(s.form.portraits().back(), -1);
}

}  // namespace
}  // namespace ce
