// MemoryForm beyond the form contract: the user's actions, the recorders and
// the details the flows rely on.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "form/memory_form.h"

namespace ce {
namespace {

struct Recorded {
    MemoryForm form;
    std::vector<std::uint32_t> commands;
    Recorded() {
        form.set_command_sink([this](std::uint32_t w) { commands.push_back(w); });
    }
    std::vector<std::uint32_t> take() { return std::exchange(commands, {}); }
};

using Commands = std::vector<std::uint32_t>;

TEST(MemoryForm, KeysMenuAndClicksOnWhatDoesNotClick) {
    Recorded r;
    r.form.key_escape();
    EXPECT_EQ(r.take(), (Commands{2}));
    r.form.menu(10000);
    r.form.menu(10001);
    r.form.menu(10002);
    r.form.menu(10003);
    r.form.menu(10004);
    r.form.menu(10005);
    r.form.menu(10006);
    r.form.menu(10007);
    r.form.menu(10008);
    EXPECT_EQ(r.take(), (Commands{10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008}));
    r.form.menu(10009);
    r.form.menu(2100);
    EXPECT_TRUE(r.take().empty()) << "only the menu's own commands";

    // Labels, frames, edits, lists and spins raise no command when clicked.
    for (int id : {2071, 2003, 121, 302, 1917, 253}) r.form.click(id);
    EXPECT_TRUE(r.take().empty());

    // Clicking a group's first radio button clears the rest of its group only.
    r.form.set_check(2017, 1);
    r.form.set_check(2001, 1);
    r.form.click(2008);
    EXPECT_EQ(r.form.get_check(2008), 1);
    EXPECT_EQ(r.form.get_check(2017), 0);
    EXPECT_EQ(r.form.get_check(2001), 1);
    r.form.set_enabled(2009, false);
    r.form.click(2009);
    EXPECT_EQ(r.form.get_check(2009), 0);
    EXPECT_EQ(r.take(), (Commands{2008}));

    // Without a sink the actions still change the controls.
    MemoryForm quiet;
    quiet.click(2030);
    quiet.key_escape();
    EXPECT_EQ(quiet.get_check(2030), 1);
}

TEST(MemoryForm, TheSinkMayActOnTheFormAtOnce) {
    // The editor's handlers run inside the sink and set controls again.
    MemoryForm form;
    for (int k = 0; k < 3; ++k) form.add_item(300, "entry " + std::to_string(k));
    std::vector<int> seen;
    form.set_command_sink([&](std::uint32_t w) {
        if (w == 65836) {
            seen.push_back(form.selected_item(300));
            form.select_item(300, form.selected_item(300));  // as show_creature does
            form.set_text(121, "shown");
        }
    });
    form.choose(300, 1);
    EXPECT_EQ(seen, (std::vector<int>{1}));
    EXPECT_EQ(form.get_text(121, 100), "shown");
    form.choose(300, 3);
    form.choose(300, -1);
    form.set_enabled(300, false);
    form.choose(300, 0);
    EXPECT_EQ(seen.size(), 1u) << "no choice of a missing entry, none on a disabled list";
    EXPECT_EQ(form.selected_item(300), 1);
}

TEST(MemoryForm, TypingDetails) {
    Recorded r;
    MemoryForm& f = r.form;
    // Multi-line edit: Ctrl+Enter breaks the line as CR LF, Enter goes to the dialog.
    f.type(5001, "ab\ncd\r");
    EXPECT_EQ(f.get_text(5001, 100), "ab\r\ncd");
    f.type(5001, "\b\b\b");
    EXPECT_EQ(f.get_text(5001, 100), "ab");
    f.set_text_limit(5001, 3);
    EXPECT_EQ(f.text_limit(5001), 3);
    f.type(5001, "\n");
    EXPECT_EQ(f.get_text(5001, 100), "ab") << "a line break counts two characters";

    // Upper case touches letters only; other bytes pass as typed.
    f.type(122, "az\xE9{");
    EXPECT_EQ(f.get_text(122, 100), "AZ\xE9{");

    // Control keys other than backspace change nothing in a plain edit, and
    // backspace on an empty text does nothing.
    f.set_text(304, "x");
    f.type(304, "\x03\x16\x18\x1a\x7f\t");
    EXPECT_EQ(f.get_text(304, 100), "x");
    f.type(304, "\b\b\b");
    EXPECT_EQ(f.get_text(304, 100), "");

    // A limit of 0 means no limit set.
    f.set_text_limit(304, 0);
    EXPECT_EQ(f.text_limit(304), -1);
    f.type(304, std::string(40, 'q'));
    EXPECT_EQ(f.get_text(304, 100).size(), 40u);
    EXPECT_EQ(f.text_limit(300), -1) << "no limit on a list";
    f.set_text_limit(2019, 3);
    EXPECT_EQ(f.text_limit(2019), -1);

    // Typing reaches edits and 300 only.
    f.type(2019, "1");
    f.type(2071, "1");
    f.type(305, "a");
    EXPECT_EQ(f.get_check(2019), 0);
    EXPECT_EQ(f.get_text(2071, 100), "");

    // 300: a backspace on an empty field keeps the selection; a real change drops it.
    f.add_item(300, "one");
    f.add_item(300, "");
    f.select_item(300, 1);
    f.type(300, "\b");
    EXPECT_EQ(f.selected_item(300), 1);
    EXPECT_TRUE(r.take().empty());
    // A real change drops it and tells of the change, once per change.
    f.type(300, "z\b");
    EXPECT_EQ(f.selected_item(300), -1);
    EXPECT_EQ(f.beeps(), 0);
    EXPECT_EQ(r.take(), (std::vector<std::uint32_t>{(5u << 16) | 300u, (5u << 16) | 300u}));
}

TEST(MemoryForm, SpinDetails) {
    MemoryForm f;
    // Before a range is set an up-down runs from 100 down to 0: up counts down.
    ASSERT_TRUE(f.spin_range(1931).has_value());
    EXPECT_EQ(f.spin_range(1931)->low, 100);
    EXPECT_EQ(f.spin_range(1931)->high, 0);
    f.set_text(70, "50");
    f.spin(1931, 1);
    EXPECT_EQ(f.get_text(70, 100), "49");
    f.set_text(70, "1");
    f.spin(1931, 3);
    EXPECT_EQ(f.get_text(70, 100), "0");

    f.set_spin_range(1931, 0, 999);
    EXPECT_EQ(f.spin_range(1931)->high, 999);
    EXPECT_FALSE(f.spin_range(70).has_value());
    EXPECT_FALSE(f.spin_range(1927).has_value());

    // A buddy text that is no number steps on from the last position.
    f.set_text(70, "10");
    f.spin(1931, 1);
    f.set_text(70, "abc");
    f.spin(1931, 1);
    EXPECT_EQ(f.get_text(70, 100), "12");
    f.set_text(70, "");
    f.spin(1931, 1);
    EXPECT_EQ(f.get_text(70, 100), "1") << "an empty text reads as 0";

    // No steps, disabled spins and spins of disabled buddies change nothing.
    f.spin(1931, 0);
    EXPECT_EQ(f.get_text(70, 100), "1");
    f.set_enabled(70, false);
    f.spin(1931, 1);
    EXPECT_EQ(f.get_text(70, 100), "1");
    f.set_enabled(70, true);
    f.set_enabled(1931, false);
    f.spin(1931, 1);
    EXPECT_EQ(f.get_text(70, 100), "1");
    f.spin(70, 1);  // not a spin
    f.spin(1927, 1);
    EXPECT_EQ(f.get_text(70, 100), "1");

    // The extremes of the 32-bit range do not overflow.
    f.set_spin_range(1937, -2147483647 - 1, 2147483647);
    f.set_text(76, "2147483647");
    f.spin(1937, 2);
    EXPECT_EQ(f.get_text(76, 100), "2147483647");
    f.set_text(76, "-2147483648");
    f.spin(1937, -1);
    EXPECT_EQ(f.get_text(76, 100), "-2147483648");
}

TEST(MemoryForm, ListEntriesMoveTheSelection) {
    MemoryForm f;
    for (const char* e : {"a", "b", "c", "d"}) f.add_item(306, e);
    f.select_item(306, 2);
    EXPECT_EQ(f.insert_item(306, 0, "z"), 0);
    EXPECT_EQ(f.selected_item(306), 3);
    EXPECT_EQ(f.get_text(306, 10), "c");
    f.delete_item(306, 0);
    EXPECT_EQ(f.selected_item(306), 2);
    f.delete_item(306, 3);
    EXPECT_EQ(f.selected_item(306), 2);
    f.delete_item(306, 2);
    EXPECT_EQ(f.selected_item(306), -1);
    EXPECT_EQ(f.insert_item(306, -1, "end"), 2);
    EXPECT_EQ(f.item_text(306, 2), std::optional<std::string>("end"));
    EXPECT_EQ(f.insert_item(306, 4, "far"), -1);
    EXPECT_EQ(f.insert_item(306, -2, "far"), -1);
    f.delete_item(306, 7);
    f.delete_item(306, -1);
    EXPECT_EQ(f.item_count(306), 3);

    // Lists only: others refuse entries.
    EXPECT_EQ(f.add_item(121, "x"), -1);
    EXPECT_EQ(f.insert_item(121, 0, "x"), -1);
    EXPECT_EQ(f.add_item(253, "x"), -1);
    EXPECT_EQ(f.item_count(121), 0);
    f.set_text(306, "ignored");
    EXPECT_EQ(f.get_text(306, 100), "");
    f.select_item(306, 0);
    EXPECT_EQ(f.text_at(306, 0), "a");

    // 300's edit keeps its text when entries go; clear_items empties it.
    f.add_item(300, "first");
    f.select_item(300, 0);
    f.delete_item(300, 0);
    EXPECT_EQ(f.selected_item(300), -1);
    EXPECT_EQ(f.get_text(300, 100), "first");
}

TEST(MemoryForm, HooksAreRecorded) {
    MemoryForm f;
    EXPECT_EQ(f.language(), 0);
    f.paint_portrait(250);
    f.paint_portrait(-1);
    f.paint_decorations();
    f.report_error(UserText::system("Monsters.txt: ").add_words("missing"));
    f.set_language(1);
    f.open_language_list();
    EXPECT_EQ(f.portraits(), (std::vector<int>{250, -1}));
    EXPECT_EQ(f.decoration_paints(), 1);
    EXPECT_EQ(f.errors(), (std::vector<std::string>{"Monsters.txt: missing"}));
    EXPECT_EQ(f.language(), 1);
    EXPECT_EQ(f.language_list_opens(), 1);
    f.type(5002, "x");
    EXPECT_EQ(f.beeps(), 1);
    f.clear_records();
    EXPECT_TRUE(f.portraits().empty());
    EXPECT_TRUE(f.errors().empty());
    EXPECT_EQ(f.decoration_paints(), 0);
    EXPECT_EQ(f.language_list_opens(), 0);
    EXPECT_EQ(f.beeps(), 0);
    EXPECT_EQ(f.language(), 1) << "the language is state, not a record";
}

TEST(MemoryForm, LanguageListFormFromItsCatalogue) {
    MemoryForm f(language_list_controls(), {});
    std::vector<std::uint32_t> commands;
    f.set_command_sink([&](std::uint32_t w) { commands.push_back(w); });
    EXPECT_TRUE(f.has_control(1));
    EXPECT_FALSE(f.has_control(300));
    EXPECT_EQ(f.get_text(1002, 100), "Russian : ");
    EXPECT_EQ(f.get_text(1259, 100), "Korean");
    ASSERT_NE(f.control(1), nullptr);
    EXPECT_EQ(f.control(1)->kind, Kind::PushButton);
    f.click(1);
    f.key_escape();
    f.menu(10000);
    EXPECT_EQ(commands, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(f.control(2000), nullptr);
}

}  // namespace
}  // namespace ce
