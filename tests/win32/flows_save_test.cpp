// Save end to end on the real dialog, by the user's own input: what a Save with
// nothing touched keeps, where every kind of control's typed value lands, the
// cuts and extensions of the text lines, and what a Save leaves behind when a
// file cannot be replaced or the process dies at any step.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/session.h"
#include "save_fixture.h"
#include "store/settings.h"
#include "store/file_ops.h"
#include "store/whole_file.h"

// The demo data set comes from the demo generator's library, when the test
// program links it (ce_demo, with CE_TEST_DEMO_DATA defined).
#ifdef CE_TEST_DEMO_DATA
#include "support/demo_folder.h"
#endif

namespace ce {

namespace {

using flows::Bytes;
using flows::DataFolder;
using flows::kMonstersFile;
using flows::peek;
using flows::poke;
using flows::retype;
using flows::Snapshot;
using test::EditorHarness;

constexpr int kSave = 2100;

// What an untouched Save is expected to change in the creature table file: the
// two texts of slot 149, which the form shows empty, and the array at 27000
// while check box 2025 (bit 6 of the flag word) empties edit 212.
Bytes expected_after_untouched_save(Bytes bytes, int slot) {
    if (slot == 149) {
        bytes[16 * 149] = 0;
        bytes[16000 + 5 * 149] = 0;
    }
    if (peek(bytes, 21000 + 4 * static_cast<std::size_t>(slot), 4) & (1u << 6)) bytes[27000 + slot] = 0;
    return bytes;
}

void expect_untouched_saves_keep_the_files(const DataFolder& folder, std::vector<int> slots) {
    EditorHarness editor(folder.root());
    for (std::size_t n = 0; n < slots.size(); ++n) {
        const int slot = slots[n];
        SCOPED_TRACE("creature " + std::to_string(slot));
        editor.choose(300, slot);
        ASSERT_EQ(editor.state().current, slot);
        const Snapshot before = flows::snapshot(folder.root());
        editor.click(kSave);
        const Snapshot after = flows::snapshot(folder.root());
        ASSERT_EQ(flows::names_of(after), flows::names_of(before)) << "a file was added or left behind";
        for (const auto& [name, bytes] : before) {
            const Bytes expected = name == kMonstersFile ? expected_after_untouched_save(bytes, slot) : bytes;
            EXPECT_TRUE(after.at(name) == expected) << name;
        }
        if (n % 4 == 0) {  // a second Save writes the same bytes again
            editor.click(kSave);
            EXPECT_TRUE(flows::snapshot(folder.root()) == after);
        }
    }
    EXPECT_TRUE(editor.take_errors().empty());
}

TEST(SaveFlow, UntouchedSaveKeepsAllNineFilesOnTheDemoAndOnRandomData) {
    // The demo's slots with values that must survive a show and a Save, the
    // edges of the range, and slots drawn at random.
    std::vector<int> slots{0,   1,   13,  21,  34,  55,  89,  144, 145, 148,
                           149, 150, 233, 500, 998, 999};
    test::Random random(5);
    for (int i = 0; i < 6; ++i) slots.push_back(random.below(kSlots));
#ifdef CE_TEST_DEMO_DATA
    {
        SCOPED_TRACE("demo data set");
        // The demo data set without its pictures, over the folder's files.
        DataFolder folder(1);
        test::write_demo_folder(folder.root(), kDefaultDemoSeed, false);
        expect_untouched_saves_keep_the_files(folder, slots);
    }
#else
    std::printf("[  NOTE    ] the demo data set is left out: this program does not link ce_demo\n");
#endif
    {
        // In Russian: the names and texts carry bytes above 0x7F through the
        // form in code page 1251.
        SCOPED_TRACE("random data files");
        DataFolder folder(23);
        folder.write_settings(1, 0);
        // Some of the chosen creatures have check box 2025 checked.
        int with_2025 = 0;
        const Bytes monsters = folder.read(kMonstersFile);
        for (int slot : slots) with_2025 += (peek(monsters, 21000 + 4 * static_cast<std::size_t>(slot), 4) >> 6) & 1;
        ASSERT_GT(with_2025, 0);
        expect_untouched_saves_keep_the_files(folder, slots);
    }
}

// --- typed values ---------------------------------------------------------------

constexpr int kTyped = 40;

std::size_t at(std::size_t offset, int stride, int slot = kTyped) {
    return offset + static_cast<std::size_t>(stride) * static_cast<std::size_t>(slot);
}

void put_text(Bytes& bytes, std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    bytes[offset + text.size()] = 0;
}

TEST(SaveFlow, EveryKindOfControlStoresWhatTheUserEnteredWhereTheBindingSays) {
    DataFolder folder(31);
    {
        // The governing boxes that keep the dependent controls enabled:
        // 2021, 2024, 2030, 2038, 2039 checked; 2019, 2025, 2036 clear.
        Bytes m = folder.read(kMonstersFile);
        poke(m, at(21000, 4), (1u << 2) | (1u << 5) | (1u << 11) | (1u << 19) | (1u << 20), 4);
        m[at(40000, 1)] = 0;          // 2062 clear
        m[at(61000, 1)] = 0;          // 2077 clear
        m[at(26000, 1)] = 0;          // radio 2009
        poke(m, at(47000, 4), 3, 4);  // list 301 on creature 3
        poke(m, at(85000, 84) + 4, 5, 4);
        folder.write(kMonstersFile, m);
        Bytes spells = folder.read("ImposedSpells.vrh");
        spells[at(0, 6)] = 2;
        folder.write("ImposedSpells.vrh", spells);
        Bytes demons = folder.read("Demonology.vrh");
        poke(demons, at(0, 2), 5, 2);
        folder.write("Demonology.vrh", demons);
    }
    EditorHarness editor(folder.root());
    editor.choose(300, kTyped);
    ASSERT_EQ(editor.state().current, kTyped);
    const Snapshot before = flows::snapshot(folder.root());

    // The creature's texts: the edit part of list 300, the plural, and the
    // multi-line ability with a typed line break.
    retype(editor, 300, "Fire Drake");
    retype(editor, 5000, "Fire Drakes");
    retype(editor, 5001, "Breathes fire");
    editor.type(5001, "\r");
    editor.type(5001, "twice");
    // Text edits (122 capitalises what is typed) and number edits.
    retype(editor, 121, "Drake");
    retype(editor, 122, "fd");
    retype(editor, 304, "Iron bolt");
    retype(editor, 151, "5");
    retype(editor, 212, "123");
    retype(editor, 247, "123456789");
    retype(editor, 251, "65535");
    retype(editor, 70, "7");
    retype(editor, 71, "");  // an empty number-block edit
    retype(editor, 98, "250");
    // Negative values reach the number edits through their spins only.
    retype(editor, 97, "0");
    editor.spin(1976, -3);
    retype(editor, 91, "0");
    editor.spin(1952, -1);
    // CrAnim: a NewEdit float, three scaled fields and a number edit.
    retype(editor, 5002, "12.5");
    retype(editor, 5016, "0.5");
    retype(editor, 5017, "-0.5");
    retype(editor, 5019, "0.869");
    retype(editor, 5014, "77");
    // Check boxes, the radio group and the pair 2062 + 2019.
    editor.click(2077);
    editor.click(2132);
    editor.click(2012);
    editor.click(2019);
    editor.click(2062);
    // Lists: with a none entry, of creatures, of spells, of fixed entries.
    editor.choose(301, 0);
    editor.choose(302, 17);
    editor.choose(303, 5);
    editor.choose(306, 1);
    editor.choose(308, 3);
    editor.choose(317, 0);
    editor.choose(318, 4);
    editor.choose(320, 2);
    editor.choose(323, 0);
    EXPECT_EQ(editor.form().get_text(122, 10), "FD");
    EXPECT_EQ(editor.form().get_text(97, 10), "-3");
    EXPECT_EQ(editor.form().get_text(91, 10), "-1");
    EXPECT_TRUE(flows::snapshot(folder.root()) == before) << "nothing is written before Save";

    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    const Snapshot after = flows::snapshot(folder.root());

    Bytes m = before.at(kMonstersFile);
    const bool firewall_was = (before.at("Firewall.vrh")[kTyped >> 3] >> (kTyped & 7)) & 1;
    put_text(m, at(0, 16), "Drake");
    put_text(m, at(16000, 5), "FD");
    poke(m, at(21000, 4), peek(m, at(21000, 4), 4) | 1u, 4);  // box 2019
    m[at(25000, 1)] = 4;
    m[at(26000, 1)] = 3;
    m[at(27000, 1)] = 123;
    m[at(33000, 1)] = 1;
    m[at(40000, 1)] = 2;
    poke(m, at(43000, 4), 17, 4);
    poke(m, at(47000, 4), 0xFFFFFFFF, 4);
    m[at(51000, 1)] = 3;
    m[at(59000, 1)] = 5;
    m[at(61000, 1)] = 1;
    poke(m, at(63000, 4), 123456789, 4);
    poke(m, at(69000, 2), 0xFFFF, 2);
    poke(m, at(85000, 84), 7, 4);
    poke(m, at(85000, 84) + 4, 0, 4);
    poke(m, at(169000, 84), 0xFFFF, 2);
    poke(m, at(169000, 84) + 12, std::bit_cast<std::uint32_t>(12.5f), 4);
    poke(m, at(169000, 84) + 60, 77, 4);
    poke(m, at(169000, 84) + 68, 4500, 4);
    poke(m, at(169000, 84) + 72, static_cast<std::uint32_t>(-250), 4);
    poke(m, at(169000, 84) + 80, 99, 4);
    m[at(253000, 1)] = 0xFD;
    EXPECT_TRUE(after.at(kMonstersFile) == m);
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (after.at(kMonstersFile)[i] != m[i]) ADD_FAILURE() << "MonstersSetup.vrh byte " << i;
    }

    Bytes ammo = before.at("Ammo.vrh");
    put_text(ammo, at(0, 16), "Iron bolt");
    EXPECT_TRUE(after.at("Ammo.vrh") == ammo);
    Bytes spells = before.at("ImposedSpells.vrh");
    spells[at(0, 6)] = 0xFF;
    spells[at(0, 6) + 1] = 3;
    spells[at(0, 6) + 3] = 2;
    EXPECT_TRUE(after.at("ImposedSpells.vrh") == spells);
    Bytes firewall = before.at("Firewall.vrh");
    firewall[kTyped >> 3] = static_cast<std::uint8_t>(firewall[kTyped >> 3] ^ (1u << (kTyped & 7)));
    EXPECT_TRUE(after.at("Firewall.vrh") == firewall) << "was " << firewall_was;
    Bytes demons = before.at("Demonology.vrh");
    poke(demons, at(0, 2), 0xFFFF, 2);
    EXPECT_TRUE(after.at("Demonology.vrh") == demons);
    Bytes bonus = before.at("DefenseBonus.vrh");
    bonus[kTyped] = 250;
    EXPECT_TRUE(after.at("DefenseBonus.vrh") == bonus);

    // Only the creature's own line changes in each language file.
    auto expect_lines = [&](TextKind kind, int line, const std::string& text) {
        const std::string name = language_file_name(kind, 0);
        std::vector<std::string> expected = flows::lines_of(before.at(name));
        expected[static_cast<std::size_t>(line)] = text;
        EXPECT_EQ(flows::lines_of(after.at(name)), expected) << name;
        const std::string joined = fixture::join_lines(expected);
        EXPECT_TRUE(after.at(name) == Bytes(joined.begin(), joined.end())) << name;
    };
    expect_lines(TextKind::Monsters, kTyped + 1, "Fire Drake");
    expect_lines(TextKind::Plural, kTyped, "Fire Drakes");
    expect_lines(TextKind::Ability, kTyped, "Breathes fire twice");
    // The other language's files, the spells, the captions and Lang stay.
    const std::vector<std::string> saved = flows::saved_file_names();
    for (const auto& [name, bytes] : before) {
        if (std::find(saved.begin(), saved.end(), name) == saved.end()) {
            EXPECT_TRUE(after.at(name) == bytes) << name;
        }
    }

    // The lists show the new name at once.
    const Form& form = editor.form();
    EXPECT_EQ(form.item_text(300, kTyped).value_or(""), "Fire Drake");
    EXPECT_EQ(form.get_text(300, 64), "Fire Drake");
    EXPECT_EQ(form.selected_item(300), kTyped);
    EXPECT_EQ(form.item_text(301, kTyped + 1).value_or(""), "040 Fire Drake");
    EXPECT_EQ(form.item_text(302, kTyped).value_or(""), "040 Fire Drake");
    EXPECT_EQ(form.item_text(323, kTyped + 1).value_or(""), "040 Fire Drake");
    EXPECT_EQ(form.selected_item(302), 17) << "the lists keep their selections";
    // Save does not show the creature again: the typed texts stay as typed.
    EXPECT_EQ(form.get_text(5016, 64), "0.5");
    EXPECT_EQ(form.get_text(5019, 64), "0.869");
}

TEST(SaveFlow, TextCutsShortLanguageFilesAndTheInterlockedValues) {
    DataFolder folder(37);
    constexpr int kLong = 60;
    const std::string name70(70, 'N'), plural70(70, 'P');
    flows::set_line(folder, TextKind::Monsters, kLong + 1, name70);
    flows::set_line(folder, TextKind::Plural, kLong, plural70);
    {
        Bytes m = folder.read(kMonstersFile);
        poke(m, 21000 + 4 * 70, 1u << 0, 4);  // creature 70: 2019 checked, 2025 clear
        m[40000 + 70] = 1;
        m[27000 + 70] = 99;
        folder.write(kMonstersFile, m);
    }
    EditorHarness editor(folder.root());

    // Typing or pasting 70 characters into the edit part of list 300 or into
    // edit 5000 stops at the visible width (neither scrolls), so a name or a
    // plural that long can only come from the files.
    for (int id : {300, 5000}) {
        retype(editor, id, name70);
        EXPECT_LT(editor.form().get_text(id, 1000).size(), 64u) << id;
        flows::paste_over(editor, id, name70);
        EXPECT_LT(editor.form().get_text(id, 1000).size(), 64u) << id;
    }
    editor.choose(300, kLong);
    EXPECT_EQ(editor.form().get_text(300, 1000), name70);
    EXPECT_EQ(editor.form().get_text(5000, 1000), plural70);
    const std::string ability(1200, 'a');
    retype(editor, 5001, ability);  // typed: the multi-line edit scrolls
    EXPECT_EQ(editor.form().get_text(5001, 2000), ability);
    editor.click(kSave);
    // The name and plural the user left alone keep every character; the typed
    // ability is cut to what a line holds.
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Monsters, 0)).at(kLong + 1), name70);
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Plural, 0)).at(kLong), plural70);
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Ability, 0)).at(kLong), ability.substr(0, 999));
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Monsters, 0)).size(), 1001u);
    EXPECT_EQ(flows::lines_of(folder.read(TextKind::Ability, 0)).size(), 1000u);

    // A Plural file of 3 lines and creature 5: the plural typed for it is
    // stored on line 5 of a file extended to 6 lines.
    fixture::write_text(folder.path(TextKind::Plural, 0), "One\r\nTwo\r\nThree\r\n");
    editor.choose(300, 5);
    retype(editor, 5000, "Ghosts");
    editor.click(kSave);
    EXPECT_EQ(folder.text(TextKind::Plural, 0), "One\r\nTwo\r\nThree\r\n\r\n\r\nGhosts\r\n");

    // Check box 2062 with 2019: 2 when both are checked, 1 without 2019, 0
    // when 2062 is clear.
    editor.choose(300, 70);
    auto stored_40000 = [&] { return folder.read(kMonstersFile)[40000 + 70]; };
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 1) << "untouched";
    editor.click(2062);
    editor.click(2062);  // off and on again: what it shows is what it was
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 1);
    editor.click(2019);
    editor.click(2019);
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 1);
    Bytes stored = folder.read(kMonstersFile);
    stored[40000 + 70] = 2;  // a stored 2 shows as 2062 checked; 2019 decides
    folder.write(kMonstersFile, stored);
    editor.choose(300, 69);
    editor.choose(300, 70);
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 2) << "kept while both boxes show what they showed";
    editor.click(2019);  // 2019 clear
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 1);
    editor.click(2019);  // both checked
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 2);
    editor.click(2062);  // 2062 clear
    editor.click(kSave);
    EXPECT_EQ(stored_40000(), 0);

    // Check box 2025 clicked on puts 0 into edit 212 and disables it; Save
    // stores 0 at 27000.
    EXPECT_EQ(editor.form().get_text(212, 10), "99");
    editor.click(2025);
    EXPECT_EQ(editor.form().get_text(212, 10), "0");
    EXPECT_FALSE(editor.form().is_enabled(212));
    editor.click(kSave);
    EXPECT_EQ(folder.read(kMonstersFile)[27000 + 70], 0);

    // No radio button checked (a stored 20 names none): another change is
    // saved and the radio byte stays.
    stored = folder.read(kMonstersFile);
    stored[26000 + 70] = 20;
    folder.write(kMonstersFile, stored);
    editor.choose(300, 69);
    editor.choose(300, 70);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(editor.form().get_check(id), 0) << id;
    retype(editor, 98, "12");
    editor.click(kSave);
    EXPECT_EQ(folder.read(kMonstersFile)[26000 + 70], 20);
    EXPECT_EQ(folder.read("DefenseBonus.vrh")[70], 12);
    EXPECT_TRUE(editor.take_errors().empty());
}

// --- failures --------------------------------------------------------------------

constexpr int kFailing = 7;

// Check box 2021 checked and 2025 clear for the creature, so that edits 304 and
// 212 take typing.
void enable_dependents(const DataFolder& folder, int slot) {
    Bytes m = folder.read(kMonstersFile);
    const std::size_t word = 21000 + 4 * static_cast<std::size_t>(slot);
    poke(m, word, (peek(m, word, 4) | (1u << 2)) & ~(1u << 6), 4);
    folder.write(kMonstersFile, m);
}

// Changes by the user in each of the nine files of a Save.
void change_every_file(EditorHarness& editor, const std::string& name) {
    retype(editor, 121, "Changed");
    retype(editor, 304, "New ammo");
    editor.choose(318, editor.form().selected_item(318) == 3 ? 4 : 3);
    editor.click(2132);
    editor.choose(323, editor.form().selected_item(323) == 8 ? 9 : 8);
    retype(editor, 98, "77");
    retype(editor, 300, name);
    retype(editor, 5000, "Renamed ones");
    retype(editor, 5001, "Does something new");
}

bool links_of(const std::string& path, DWORD& links) {
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    links = info.nNumberOfLinks;
    return ok;
}

TEST(SaveFailure, AmmoThatCannotBeReplacedKeepsItsBytesAndIsNamed) {
    DataFolder folder(41);
    enable_dependents(folder, kFailing);
    EditorHarness editor(folder.root());
    editor.choose(300, kFailing);
    change_every_file(editor, "Renamed");
    const Snapshot before = flows::snapshot(folder.root());
    {
        flows::Immutable locked(folder.path("Ammo.vrh").string());
        ASSERT_TRUE(locked.taken()) << "chattr +i did not take on " << flows::host_path(folder.path("Ammo.vrh").string());
        editor.click(kSave);
    }
    const auto errors = editor.take_errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Ammo.vrh"), std::string::npos) << errors[0];
    EXPECT_EQ(errors[0].find("MonstersSetup.vrh"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("nothing was written"), std::string::npos) << errors[0];
    const Snapshot after = flows::snapshot(folder.root());
    EXPECT_EQ(flows::names_of(after), flows::names_of(before)) << "no temporary file is left";
    // A Save is one write: the files already replaced were put back.
    for (const std::string& name : flows::saved_file_names()) {
        EXPECT_TRUE(after.at(name) == before.at(name)) << name << " keeps its old bytes";
    }

    // Once the file can be replaced again, the next Save stores all of it.
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    const Snapshot saved = flows::snapshot(folder.root());
    EXPECT_EQ(fixture::field_text(folder.read("Ammo.vrh"), 16 * kFailing), "New ammo");
    EXPECT_EQ(fixture::field_text(saved.at(kMonstersFile), 16 * kFailing), "Changed");
    EXPECT_EQ(saved.at("DefenseBonus.vrh")[kFailing], 77);
    EXPECT_EQ(flows::lines_of(saved.at(language_file_name(TextKind::Monsters, 0))).at(kFailing + 1), "Renamed");

    // A data file one byte short refuses the whole Save before any file is
    // written, and says which.
    Bytes spells = folder.read("ImposedSpells.vrh");
    spells.pop_back();
    folder.write("ImposedSpells.vrh", spells);
    retype(editor, 98, "78");
    const Snapshot refused = flows::snapshot(folder.root());
    editor.click(kSave);
    const auto refusal = editor.take_errors();
    ASSERT_EQ(refusal.size(), 1u);
    EXPECT_NE(refusal[0].find("ImposedSpells.vrh"), std::string::npos) << refusal[0];
    EXPECT_TRUE(flows::snapshot(folder.root()) == refused);
    EXPECT_EQ(editor.form().get_text(98, 10), "78") << "the form keeps what the user typed";
}

TEST(SaveFailure, HardLinkedFilesKeepTheirLinks) {
    DataFolder folder(43);
    enable_dependents(folder, kFailing);
    for (const char* name : {"Ammo.vrh", "MonstersSetup.vrh"}) {
        ASSERT_TRUE(CreateHardLinkA(folder.path(std::string("linked-") + name).string().c_str(),
                                    folder.path(name).string().c_str(), nullptr));
    }
    EditorHarness editor(folder.root());
    editor.choose(300, kFailing);
    change_every_file(editor, "Renamed");
    const Snapshot before = flows::snapshot(folder.root());
    editor.click(kSave);
    EXPECT_TRUE(editor.take_errors().empty());
    const Snapshot after = flows::snapshot(folder.root());
    EXPECT_EQ(flows::names_of(after), flows::names_of(before)) << "no backup copy is left";
    for (const char* name : {"Ammo.vrh", "MonstersSetup.vrh"}) {
        EXPECT_FALSE(after.at(name) == before.at(name)) << name;
        EXPECT_TRUE(after.at(std::string("linked-") + name) == after.at(name)) << name;
        DWORD links = 0;
        ASSERT_TRUE(links_of(folder.path(name).string(), links));
        EXPECT_EQ(links, 2u) << name;
    }
    EXPECT_EQ(fixture::field_text(after.at("linked-Ammo.vrh"), 16 * kFailing), "New ammo");
}

// The settings file made unwritable for real (chattr +i: root ignores a
// read-only bit): the language switch and the close are reported, Lang keeps its
// bytes, and nothing is left beside it.
TEST(SettingsFailure, ALockedSettingsFileIsReportedAndKeepsItsBytes) {
    DataFolder folder(45);
    EditorHarness editor(folder.root());
    editor.choose(300, 250);
    const Snapshot before = flows::snapshot(folder.root());
    {
        flows::Immutable locked(folder.path("Lang").string());
        ASSERT_TRUE(locked.taken()) << "chattr +i did not take on the settings file";
        editor.click(2002);
        auto errors = editor.take_errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("Lang"), std::string::npos) << errors[0];
        // The form follows the language the file still holds.
        EXPECT_EQ(editor.form().get_check(2001), 1);
        EXPECT_EQ(editor.form().get_check(2002), 0);
        editor.escape();
        errors = editor.take_errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("Lang"), std::string::npos) << errors[0];
        EXPECT_TRUE(editor.closed());
    }
    const Snapshot after = flows::snapshot(folder.root());
    EXPECT_EQ(flows::names_of(after), flows::names_of(before)) << "no temporary file is left";
    EXPECT_TRUE(after.at("Lang") == before.at("Lang"));
}

// A process killed at any point of a Save, simulated by failing each file step
// in turn: every file is then wholly old or wholly new, and nothing is left
// beside them.
TEST(SaveFailure, EveryFileIsWhollyOldOrWhollyNewWhicheverStepFails) {
    DataFolder folder(47);
    enable_dependents(folder, kFailing);
    // One hard-linked file, so that the in-place rewrite is killed too.
    ASSERT_TRUE(CreateHardLinkA(folder.path("linked-Firewall.vrh").string().c_str(),
                                folder.path("Firewall.vrh").string().c_str(), nullptr));
    EditorHarness editor(folder.root());
    editor.choose(300, kFailing);
    const Snapshot old_files = flows::snapshot(folder.root());
    change_every_file(editor, "Renamed");
    const ShownCreature typed_over_old = editor.state().shown;

    fixture::ScriptedOps ops;
    editor.state().files = &ops;
    flows::QuietMessages messages;
    ASSERT_TRUE(messages.active());
    editor.click(kSave);
    ASSERT_TRUE(messages.take().empty());
    const Snapshot new_files = flows::snapshot(folder.root());
    const int steps = ops.steps;
    for (const std::string& name : flows::saved_file_names()) {
        ASSERT_FALSE(new_files.at(name) == old_files.at(name)) << name << " is changed by the Save";
    }

    for (int k = 0; k < steps; ++k) {
        SCOPED_TRACE("step " + std::to_string(k) + " of " + std::to_string(steps) + " fails");
        // The old files again, and the editor as it was before the first Save:
        // the user's changes typed over what it showed of them.
        flows::restore(folder.root(), old_files);
        editor.state().shown = typed_over_old;
        ops.steps = 0;
        ops.fail_at = k;
        editor.click(kSave);
        // At most one message; a failed step that the store can go round (a
        // probe for a free temporary name) gives none.
        const auto errors = messages.take();
        EXPECT_LE(errors.size(), 1u);
        const std::string message = errors.empty() ? "" : errors[0];
        const Snapshot files = flows::snapshot(folder.root());
        int old_count = 0, new_count = 0;
        for (const auto& [name, bytes] : old_files) {
            const bool is_old = files.at(name) == bytes;
            const bool is_new = files.at(name) == new_files.at(name);
            EXPECT_TRUE(is_old || is_new) << name;
            if (is_old && !is_new) ++old_count;
            if (is_new && !is_old) ++new_count;
        }
        EXPECT_TRUE(files.at("linked-Firewall.vrh") == files.at("Firewall.vrh"));
        // A Save is one write: the nine files are all old (and the message says
        // nothing was saved) or all new.
        EXPECT_TRUE(old_count == 0 || new_count == 0) << old_count << " old, " << new_count << " new";
        if (old_count > 0) {
            EXPECT_NE(message.find("nothing was written"), std::string::npos) << message;
        }
        // What a failure leaves beside the files is named in the message.
        for (const auto& [name, bytes] : files) {
            if (old_files.count(name) != 0) continue;
            EXPECT_NE(message.find(name), std::string::npos) << name << " is left behind";
            std::filesystem::remove(folder.path(name));
        }
        // The form still shows what the user typed, whichever file failed, so
        // the next Save (the next turn of this loop) stores it.
        EXPECT_EQ(editor.form().get_text(300, 64), "Renamed");
        EXPECT_EQ(editor.form().get_text(5000, 64), "Renamed ones");
        EXPECT_EQ(editor.form().get_text(5001, 64), "Does something new");
    }
    editor.state().files = nullptr;
    flows::restore(folder.root(), old_files);
    editor.state().shown = typed_over_old;
    editor.click(kSave);
    EXPECT_TRUE(messages.take().empty());
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_TRUE(flows::snapshot(folder.root()) == new_files);
}

// --- timing, reported only -----------------------------------------------------------

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-48s median %8.1f ms   min %8.1f ms   max %8.1f ms   (%zu runs)\n", what,
                times[times.size() / 2], times.front(), times.back(), times.size());
}

// Run by hand: test_win32 --gtest_also_run_disabled_tests --gtest_filter=*SaveTiming*
// A Save end to end is the click on the button (the whole save_creature runs
// inside it) plus the repaint that follows; its parts are timed on their own.
TEST(DISABLED_SaveTiming, SaveOnTheRealDialog) {
    DataFolder folder(53);
    EditorHarness editor(folder.root());
    editor.choose(300, 40);
    using clock = std::chrono::steady_clock;
    constexpr int kRuns = 21;
    std::vector<double> untouched, changed, command, repaint, no_flush, stores, refill;
    HWND save = test::button_of(editor.dialog(), kSave);
    for (int i = 0; i < kRuns; ++i) {
        auto start = clock::now();
        editor.click(kSave);
        untouched.push_back(milliseconds(clock::now() - start));

        retype(editor, 98, std::to_string(i));
        retype(editor, 300, "Timed " + std::to_string(i));
        start = clock::now();
        SendMessageW(save, BM_CLICK, 0, 0);
        const auto clicked = clock::now();
        test::pump(editor.dialog());
        UpdateWindow(editor.dialog());
        const auto painted = clock::now();
        changed.push_back(milliseconds(painted - start));
        command.push_back(milliseconds(clicked - start));
        repaint.push_back(milliseconds(painted - clicked));

        fixture::ScriptedOps ops;
        ops.skip_flush = true;
        editor.state().files = &ops;
        retype(editor, 98, std::to_string(i + 1));
        start = clock::now();
        editor.click(kSave);
        no_flush.push_back(milliseconds(clock::now() - start));
        editor.state().files = nullptr;

        // The nine files written as a Save writes them, flushes included.
        const Snapshot files = flows::snapshot(folder.root());
        start = clock::now();
        for (const std::string& name : flows::saved_file_names()) {
            const Bytes& bytes = files.at(name);
            EXPECT_TRUE(store_whole_file(system_file_ops(), folder.path(name).string(), bytes.data(), bytes.size()).ok());
        }
        stores.push_back(milliseconds(clock::now() - start));

        // The refill of every caption and list that ends a Save, with the
        // lists' redraw paused as the dialog procedure pauses it for a Save.
        start = clock::now();
        editor.form().pause_list_redraw();
        apply_language(editor.form(), "", editor.state().current, editor.state().header_format);
        editor.form().resume_list_redraw();
        test::pump(editor.dialog());
        refill.push_back(milliseconds(clock::now() - start));
    }
    EXPECT_TRUE(editor.take_errors().empty());
    report("Save, nothing changed", untouched);
    report("Save, value and name changed", changed);
    report("  of which the command (save_creature)", command);
    report("  of which the repaint after it", repaint);
    report("Save, value changed, no device flush", no_flush);
    report("the nine files stored (flushes included)", stores);
    report("apply_language on the dialog, with its repaint", refill);
}

}  // namespace
}  // namespace ce
