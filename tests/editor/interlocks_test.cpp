// The interlocks between governing check boxes and their dependents, driven by
// the user's clicks on MemoryForm and checked down to what Save stores.
#include <gtest/gtest.h>

#include "editor/session.h"
#include "form/interlocks.h"

namespace ce {
namespace {

using fixture::Bytes;
using fixture::kMonsters;
using fixture::peek;
using fixture::Session;

constexpr int kSlot = 20;

// Slot kSlot's governing boxes and dependents as given.
void prepare(const fixture::DataFolder& folder, std::initializer_list<std::pair<int, bool>> boxes) {
    for (auto [box, on] : boxes) fixture::set_flag(folder, kSlot, box, on);
}

void expect_enabled(const MemoryForm& form, std::initializer_list<int> ids, bool enabled) {
    for (int id : ids) EXPECT_EQ(form.is_enabled(id), enabled) << "control " << id;
}

void expect_checked(const MemoryForm& form, std::initializer_list<int> ids, int state) {
    for (int id : ids) EXPECT_EQ(form.get_check(id), state) << "check box " << id;
}

TEST(Interlocks, Slot149ShowsItsTextsEmptyAndDisabledAndSavesThemEmpty) {
    Session s;
    s.start();
    const Bytes old = s.folder.read(kMonsters);
    s.choose_creature(149);
    EXPECT_EQ(s.form.get_text(121, 100), "");
    EXPECT_EQ(s.form.get_text(122, 100), "");
    expect_enabled(s.form, {121, 122}, false);

    s.form.click(2100);
    const Bytes saved = s.folder.read(kMonsters);
    EXPECT_EQ(saved[16 * 149], 0);
    EXPECT_EQ(saved[16000 + 5 * 149], 0);
    for (int i = 1; i < 16; ++i) EXPECT_EQ(saved[16 * 149 + i], old[16 * 149 + i]);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(saved[16000 + 5 * 149 + i], old[16000 + 5 * 149 + i]);

    s.choose_creature(150);
    expect_enabled(s.form, {121, 122}, true);
    EXPECT_EQ(s.form.get_text(121, 1000), fixture::field_text(saved, 16 * 150));
    EXPECT_EQ(s.form.get_text(122, 1000), fixture::field_text(saved, 16000 + 5 * 150));
}

TEST(Interlocks, Box2025EmptiesOrZeroesEdit212) {
    Session s;
    prepare(s.folder, {{2025, true}});
    fixture::patch(s.folder, kMonsters, 27000 + kSlot, 77, 1);
    fixture::patch(s.folder, kMonsters, 27000 + kSlot + 1, 88, 1);
    fixture::set_flag(s.folder, kSlot + 1, 2025, false);
    s.start();

    s.choose_creature(kSlot + 1);
    EXPECT_EQ(s.form.get_text(212, 10), "88");
    EXPECT_TRUE(s.form.is_enabled(212));

    s.choose_creature(kSlot);
    EXPECT_EQ(s.form.get_text(212, 10), "");
    EXPECT_FALSE(s.form.is_enabled(212));

    s.form.click(2025);  // off: enabled, still empty
    EXPECT_TRUE(s.form.is_enabled(212));
    EXPECT_EQ(s.form.get_text(212, 10), "");
    s.form.click(2100);
    EXPECT_EQ(s.folder.read(kMonsters)[27000 + kSlot], 0);

    s.retype(212, "55");
    s.form.click(2025);  // on: the digit zero, disabled
    EXPECT_EQ(s.form.get_text(212, 10), "0");
    EXPECT_FALSE(s.form.is_enabled(212));
    s.form.type(212, "9");  // a disabled edit takes no keys
    EXPECT_EQ(s.form.get_text(212, 10), "0");
    s.form.click(2100);
    const Bytes saved = s.folder.read(kMonsters);
    EXPECT_EQ(saved[27000 + kSlot], 0);
    EXPECT_EQ(peek(saved, 21000 + 4 * kSlot, 4) & (1u << 6), 1u << 6);
}

TEST(Interlocks, ListBoxesCheck2021AndResetTheirLists) {
    struct Case {
        int box, list, reset, other;
    };
    for (const Case c : {Case{2039, 306, 0, 1}, Case{2030, 305, 2, 4}, Case{2024, 307, 0, 3}}) {
        SCOPED_TRACE(c.box);
        Session s;
        prepare(s.folder, {{2021, false}, {2039, false}, {2030, false}, {2024, false}});
        s.start();
        s.choose_creature(kSlot);
        expect_enabled(s.form, {304, 305, 306, 307, 2058, 2059, 2060, 2061}, false);

        s.form.click(c.box);  // on
        EXPECT_EQ(s.form.get_check(2021), 1);
        expect_enabled(s.form, {304, c.list, 2058, 2059, 2060, 2061}, true);
        s.form.choose(c.list, c.other);
        EXPECT_EQ(s.form.selected_item(c.list), c.other);

        s.form.click(c.box);  // off: 2021 stays checked, the list falls back
        EXPECT_EQ(s.form.get_check(2021), 1);
        EXPECT_EQ(s.form.selected_item(c.list), c.reset);
        EXPECT_FALSE(s.form.is_enabled(c.list));
        expect_enabled(s.form, {304, 2058, 2059, 2060, 2061}, true);

        s.form.click(2100);
        const Bytes saved = s.folder.read(kMonsters);
        const int offset = c.list == 306 ? 33000 : c.list == 305 ? 82000 : 31000;
        EXPECT_EQ(saved[offset + kSlot], c.reset);
        EXPECT_EQ(peek(saved, 21000 + 4 * kSlot, 4) & (1u << 2), 1u << 2);
    }
}

TEST(Interlocks, Clearing2021ClearsAndResetsEverythingBelowIt) {
    Session s;
    prepare(s.folder, {{2021, true}, {2039, true}, {2030, true}, {2024, true}});
    for (int offset : {37000, 74000, 73000, 81000, 40000, 80000}) {
        fixture::patch(s.folder, kMonsters, offset + kSlot, 1, 1);  // 2058-2063
    }
    fixture::patch(s.folder, kMonsters, 33000 + kSlot, 1, 1);
    fixture::patch(s.folder, kMonsters, 82000 + kSlot, 4, 1);
    fixture::patch(s.folder, kMonsters, 31000 + kSlot, 3, 1);
    s.start();
    s.choose_creature(kSlot);
    expect_checked(s.form, {2021, 2039, 2030, 2024, 2058, 2059, 2060, 2061, 2062, 2063}, 1);
    expect_enabled(s.form, {304, 305, 306, 307, 2058, 2059, 2060, 2061}, true);

    s.form.click(2021);
    expect_checked(s.form, {2021, 2039, 2030, 2024, 2058, 2059, 2060, 2061}, 0);
    expect_checked(s.form, {2062, 2063}, 1);
    EXPECT_EQ(s.form.selected_item(306), 0);
    EXPECT_EQ(s.form.selected_item(305), 2);
    EXPECT_EQ(s.form.selected_item(307), 0);  // 307 falls back as well
    expect_enabled(s.form, {304, 305, 306, 307, 2058, 2059, 2060, 2061}, false);
    expect_enabled(s.form, {2062, 2063}, true);

    s.form.click(2100);
    const Bytes saved = s.folder.read(kMonsters);
    const std::uint32_t word = peek(saved, 21000 + 4 * kSlot, 4);
    for (int box : {2021, 2024, 2030, 2039}) EXPECT_EQ(word & (1u << (box - 2019)), 0u) << box;
    EXPECT_EQ(saved[33000 + kSlot], 0);
    EXPECT_EQ(saved[82000 + kSlot], 2);
    EXPECT_EQ(saved[31000 + kSlot], 0);
    for (int offset : {37000, 74000, 73000, 81000}) EXPECT_EQ(saved[offset + kSlot], 0);
    EXPECT_EQ(saved[80000 + kSlot], 1);
}

TEST(Interlocks, Box2036GovernsBox2073) {
    Session s;
    prepare(s.folder, {{2036, true}});
    fixture::patch(s.folder, kMonsters, 28000 + kSlot, 1, 1);
    s.start();
    s.choose_creature(kSlot);
    // Shown checked but disabled; the interlocks never clear it.
    EXPECT_EQ(s.form.get_check(2073), 1);
    EXPECT_FALSE(s.form.is_enabled(2073));
    s.form.click(2073);  // disabled: no effect
    EXPECT_EQ(s.form.get_check(2073), 1);
    s.form.click(2100);
    EXPECT_EQ(s.folder.read(kMonsters)[28000 + kSlot], 1);

    s.form.click(2036);  // off: enabled, left as it was
    EXPECT_TRUE(s.form.is_enabled(2073));
    EXPECT_EQ(s.form.get_check(2073), 1);
    s.form.click(2036);  // on: cleared and disabled
    EXPECT_EQ(s.form.get_check(2073), 0);
    EXPECT_FALSE(s.form.is_enabled(2073));
    s.form.click(2036);  // off again: enabled, not checked
    EXPECT_TRUE(s.form.is_enabled(2073));
    EXPECT_EQ(s.form.get_check(2073), 0);
    s.form.click(2100);
    EXPECT_EQ(s.folder.read(kMonsters)[28000 + kSlot], 0);
}

TEST(Interlocks, Box2038GovernsBox2084) {
    Session s;
    prepare(s.folder, {{2038, false}});
    fixture::patch(s.folder, kMonsters, 68000 + kSlot, 1, 1);
    s.start();
    s.choose_creature(kSlot);
    EXPECT_EQ(s.form.get_check(2084), 1);
    EXPECT_FALSE(s.form.is_enabled(2084));

    s.form.click(2038);  // on: enabled, left checked
    EXPECT_TRUE(s.form.is_enabled(2084));
    EXPECT_EQ(s.form.get_check(2084), 1);
    s.form.click(2084);
    EXPECT_EQ(s.form.get_check(2084), 0);
    s.form.click(2084);
    s.form.click(2038);  // off: cleared and disabled
    EXPECT_EQ(s.form.get_check(2084), 0);
    EXPECT_FALSE(s.form.is_enabled(2084));
    s.form.click(2100);
    EXPECT_EQ(s.folder.read(kMonsters)[68000 + kSlot], 0);
}

TEST(Interlocks, UpdateChangesNoCheckOrSelection) {
    MemoryForm form;
    form.add_item(306, "a");
    form.add_item(306, "b");
    form.select_item(306, 1);
    form.set_check(2036, 1);
    form.set_check(2073, 1);
    form.set_check(2084, 1);
    form.set_text(212, "12");
    update_interlocks(3, form);
    EXPECT_EQ(form.get_check(2073), 1);
    EXPECT_EQ(form.get_check(2084), 1);
    EXPECT_EQ(form.selected_item(306), 1);
    EXPECT_FALSE(form.is_enabled(306));
    EXPECT_FALSE(form.is_enabled(2073));
    EXPECT_FALSE(form.is_enabled(2084));
    EXPECT_EQ(form.get_text(212, 10), "12");  // 2025 clear: text kept

    EXPECT_TRUE(has_click_reaction(2038));
    EXPECT_FALSE(has_click_reaction(2062));
    react_to_click(2062, form);  // no reaction: nothing happens
    EXPECT_EQ(form.get_check(2073), 1);
}

}  // namespace
}  // namespace ce
