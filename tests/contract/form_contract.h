// The form contract: what the editor's logic relies on from any form, run on
// MemoryForm natively and on the real dialog under Wine. Include this header in
// exactly one source file of a test program, then instantiate it:
//
//     CE_INSTANTIATE_FORM_CONTRACT(Memory, [] { return std::make_unique<MyBackend>(); });
//
// Commands are compared after dropping the notifications no routing acts on
// (edit changes, focus, drop-down open and close): only button clicks and menu
// commands (code 0) and selection changes (code 1) are kept.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "contract/backend.h"
#include "form/form.h"

namespace ce {

struct ContractParam {
    std::string name;
    ContractFactory make;
};

inline void PrintTo(const ContractParam& param, std::ostream* os) { *os << param.name; }

class FormContract : public ::testing::TestWithParam<ContractParam> {
protected:
    void SetUp() override {
        backend_ = GetParam().make();
        ASSERT_TRUE(backend_) << "the backend factory made no backend";
        backend_->take_commands();
        backend_->take_beeps();
    }

    Form& form() { return backend_->form(); }
    ContractBackend& user() { return *backend_; }

    std::vector<std::uint32_t> routed_commands() {
        std::vector<std::uint32_t> kept;
        for (std::uint32_t wparam : backend_->take_commands()) {
            if ((wparam >> 16) <= 1) kept.push_back(wparam);
        }
        return kept;
    }

    static std::string high_bytes() {
        std::string bytes;
        for (int b = 0x80; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
        return bytes;
    }

    std::unique_ptr<ContractBackend> backend_;
};

using Commands = std::vector<std::uint32_t>;

TEST_P(FormContract, AbsentControlsIgnoreSetsAndReadAsEmpty) {
    for (int id : {253, 254, 255, 256}) {
        EXPECT_FALSE(form().has_control(id)) << id;
        form().set_text(id, "77");
        form().set_number(id, 12, true);
        EXPECT_EQ(form().get_number(id, true), 0) << id;
        EXPECT_EQ(form().get_text(id, 100), "") << id;
        form().set_text_limit(id, 3);
    }
    for (int spin : {1927, 1928, 1929, 1930}) {
        EXPECT_FALSE(form().has_control(spin)) << spin;
        form().set_spin_range(spin, -1, 100);
    }
    form().set_check(253, 1);
    EXPECT_EQ(form().get_check(253), 0);
    EXPECT_EQ(form().selected_item(253), 0);
    EXPECT_EQ(form().item_count(253), 0);
    EXPECT_FALSE(form().item_text(253, 0).has_value());
    EXPECT_FALSE(form().is_enabled(253));
    // A control that is no list answers 0, not "no selection".
    EXPECT_EQ(form().selected_item(121), 0);
    EXPECT_EQ(form().selected_item(2019), 0);
    EXPECT_EQ(form().selected_item(302), -1);
}

TEST_P(FormContract, SharedIdentifiersReachTheFirstControl) {
    // Template texts: the jump button and the fourteen symbol labels.
    EXPECT_EQ(user().text_at(2101, 1), "->");
    const char* symbols[] = {"%", "%", "%", "%", "_", "+", "+", "X", "Y", "X", "Y", "X", "Y", "%"};
    for (int k = 0; k < 14; ++k) EXPECT_EQ(user().text_at(101, k), symbols[k]) << "label 101 #" << k;

    form().set_text(2101, "Portrait");
    EXPECT_EQ(form().get_text(2101, 100), "Portrait");
    EXPECT_EQ(user().text_at(2101, 0), "Portrait");
    EXPECT_EQ(user().text_at(2101, 1), "->");

    form().set_text(101, "#");
    EXPECT_EQ(form().get_text(101, 10), "#");
    EXPECT_EQ(user().text_at(101, 1), "%");
    EXPECT_EQ(user().text_at(101, 13), "%");

    // The jump button still reports its clicks as 2101.
    user().click(2101);
    EXPECT_EQ(routed_commands(), (Commands{2101}));
    form().set_enabled(2101, false);  // reaches the frame, not the button
    user().click(2101);
    EXPECT_EQ(routed_commands(), (Commands{2101}));
}

TEST_P(FormContract, NumbersAreReadAsTheDialogManagerReadsThem) {
    const std::pair<const char*, std::int32_t> signed_cases[] = {
        {"  42", 42}, {"-17", -17}, {"12abc", 12}, {"", 0}, {"abc", 0}, {"-", 0}, {"+5", 0},
        {" -5", -5}, {"- 5", 0}, {"007", 7}, {"2147483647", 2147483647}, {"2147483648", 0},
        {"-2147483648", INT32_MIN}, {"-2147483649", 0}, {"99999999999999999999", 0}, {"3 4", 3},
    };
    for (const auto& [text, value] : signed_cases) {
        form().set_text(151, text);
        EXPECT_EQ(form().get_number(151, true), value) << '"' << text << '"';
    }
    const std::pair<const char*, std::uint32_t> unsigned_cases[] = {
        {"-17", 0}, {"  42", 42}, {"4294967295", 4294967295u}, {"4294967296", 0},
        {"2147483648", 2147483648u}, {"12abc", 12}, {"", 0},
    };
    for (const auto& [text, value] : unsigned_cases) {
        form().set_text(151, text);
        EXPECT_EQ(static_cast<std::uint32_t>(form().get_number(151, false)), value) << '"' << text << '"';
    }

    form().set_number(151, -1, false);
    EXPECT_EQ(form().get_text(151, 100), "4294967295");
    form().set_number(151, -1, true);
    EXPECT_EQ(form().get_text(151, 100), "-1");
    form().set_number(151, INT32_MIN, true);
    EXPECT_EQ(form().get_text(151, 100), "-2147483648");
    EXPECT_EQ(form().get_number(151, true), INT32_MIN);
    form().set_number(151, INT32_MIN, false);
    EXPECT_EQ(form().get_text(151, 100), "2147483648");
    form().set_number(2071, 5, true);  // a label shows numbers too
    EXPECT_EQ(form().get_number(2071, true), 5);
}

TEST_P(FormContract, CheckBoxesAndRadioButtonsHaveTwoStates) {
    form().set_check(2019, 255);
    EXPECT_EQ(form().get_check(2019), 1);
    form().set_check(2019, 0);
    EXPECT_EQ(form().get_check(2019), 0);
    form().set_check(2019, -1);
    EXPECT_EQ(form().get_check(2019), 1);
    form().set_check(2050, 2);
    EXPECT_EQ(form().get_check(2050), 1);

    // set_check touches no other radio button; check_radio sets the whole range.
    form().set_check(2009, 1);
    form().set_check(2008, 1);
    EXPECT_EQ(form().get_check(2008), 1);
    EXPECT_EQ(form().get_check(2009), 1);
    form().check_radio(2008, 2017, 2012);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form().get_check(id), id == 2012 ? 1 : 0) << id;
    form().check_radio(2008, 2017, 2018);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form().get_check(id), 0) << id;
    form().check_radio(2001, 2002, 2002);
    EXPECT_EQ(form().get_check(2001), 0);
    EXPECT_EQ(form().get_check(2002), 1);
    // Buttons that are no check box read as unchecked.
    EXPECT_EQ(form().get_check(2100), 0);
    EXPECT_TRUE(routed_commands().empty());
}

TEST_P(FormContract, ListsKeepEntriesAndSelection) {
    for (int k = 0; k < 5; ++k) EXPECT_EQ(form().add_item(305, "entry " + std::to_string(k)), k);
    EXPECT_EQ(form().item_count(305), 5);
    EXPECT_EQ(form().selected_item(305), -1);
    form().select_item(305, 2);
    EXPECT_EQ(form().selected_item(305), 2);
    EXPECT_EQ(form().get_text(305, 100), "entry 2");  // a drop-down list shows its selection
    form().select_item(305, 7);
    EXPECT_EQ(form().selected_item(305), -1);
    EXPECT_EQ(form().get_text(305, 100), "");
    form().select_item(305, 4);
    form().select_item(305, -1);
    EXPECT_EQ(form().selected_item(305), -1);

    EXPECT_EQ(form().insert_item(305, 1, "inserted"), 1);
    EXPECT_EQ(form().item_text(305, 1), std::optional<std::string>("inserted"));
    EXPECT_EQ(form().item_text(305, 2), std::optional<std::string>("entry 1"));
    form().delete_item(305, 0);
    EXPECT_EQ(form().item_text(305, 0), std::optional<std::string>("inserted"));
    EXPECT_EQ(form().item_count(305), 5);
    EXPECT_FALSE(form().item_text(305, 5).has_value());
    EXPECT_FALSE(form().item_text(305, -1).has_value());

    // Drop-down 300: its edit field follows the program's selection.
    for (const char* name : {"000 Alpha", "001 Beta", "002 Gamma"}) form().add_item(300, name);
    EXPECT_FALSE(form().item_text(300, form().item_count(300)).has_value());
    form().select_item(300, 1);
    EXPECT_EQ(form().selected_item(300), 1);
    EXPECT_EQ(form().get_text(300, 100), "001 Beta");
    form().select_item(300, 3);
    EXPECT_EQ(form().selected_item(300), -1);
    EXPECT_EQ(form().get_text(300, 100), "");
    form().set_text(300, "typed by the program");
    EXPECT_EQ(form().get_text(300, 100), "typed by the program");
    form().clear_items(300);
    EXPECT_EQ(form().item_count(300), 0);
    EXPECT_EQ(form().selected_item(300), -1);
    EXPECT_EQ(form().get_text(300, 100), "");
    EXPECT_TRUE(routed_commands().empty()) << "setting a list by program raises no selection change";
}

TEST_P(FormContract, TextLimitsBindTypingOnly) {
    form().set_text_limit(212, 3);
    form().set_text(212, "");
    user().type(212, "1234");
    EXPECT_EQ(form().get_text(212, 100), "123");
    form().set_number(212, 1000, true);
    EXPECT_EQ(form().get_text(212, 100), "1000");
    user().type(212, "5");
    EXPECT_EQ(form().get_text(212, 100), "1000");

    // A number edit takes digits only.
    form().set_text(212, "");
    user().type(212, "1a-2");
    EXPECT_EQ(form().get_text(212, 100), "12");

    form().set_text_limit(121, 15);
    form().set_text(121, "twenty characters...");
    EXPECT_EQ(form().get_text(121, 100), "twenty characters...");
    user().take_beeps();  // an edit may sound its own refusals
    EXPECT_TRUE(routed_commands().empty());
}

// Save keeps a stored field when its control still shows what showing it put
// there, so text set by the program must read back byte for byte whatever
// the edit's typing rules are.
TEST_P(FormContract, ProgramTextIsKeptAsSet) {
    form().set_text(91, "-5");
    EXPECT_EQ(form().get_text(91, 100), "-5");
    user().type(91, "-");
    EXPECT_EQ(form().get_text(91, 100), "-5");

    form().set_text(5016, "abc");
    EXPECT_EQ(form().get_text(5016, 100), "abc");

    // Edit 122 capitalises what the user types, not what the program sets.
    form().set_text(122, "ab");
    EXPECT_EQ(form().get_text(122, 100), "ab");
    user().type(122, "c1");
    EXPECT_EQ(form().get_text(122, 100), "abC1");
    form().set_text(122, "x\xE9z");
    EXPECT_EQ(form().get_text(122, 100), "x\xE9z");
    user().take_beeps();
    EXPECT_TRUE(routed_commands().empty());
}

TEST_P(FormContract, SpinsStepTheBuddyWithinTheRange) {
    form().set_spin_range(1952, -128, 127);
    form().set_text(91, "0");
    user().spin(1952, -1);
    EXPECT_EQ(form().get_text(91, 100), "-1");
    form().set_text(91, "-126");
    user().spin(1952, -3);
    EXPECT_EQ(form().get_text(91, 100), "-128");
    form().set_text(91, "125");
    user().spin(1952, 4);
    EXPECT_EQ(form().get_text(91, 100), "127");

    form().set_spin_range(1917, 1, 7);
    form().set_text(151, "6");
    user().spin(1917, 1);
    EXPECT_EQ(form().get_text(151, 100), "7");
    user().spin(1917, 1);
    EXPECT_EQ(form().get_text(151, 100), "7");

    // Values above a thousand are written without separators.
    form().set_spin_range(1937, 0, 999999999);
    form().set_text(76, "12345");
    user().spin(1937, 1);
    EXPECT_EQ(form().get_text(76, 100), "12346");

    form().set_spin_range(1958, -90, 90);
    form().set_text(5002, "-89");
    user().spin(1958, -2);
    EXPECT_EQ(form().get_text(5002, 100), "-90");

    // The program setting again the value it set before a step sets it.
    form().set_text(91, "5");
    user().spin(1952, 1);
    form().set_text(91, "5");
    EXPECT_EQ(form().get_text(91, 100), "5");
    EXPECT_EQ(user().text_at(91, 0), "5");
    user().spin(1952, -1);
    user().in_one_event([&] { form().set_text(91, "5"); });
    EXPECT_EQ(user().text_at(91, 0), "5");
    EXPECT_TRUE(routed_commands().empty());
}

TEST_P(FormContract, NumericEntryFilterGuardsNewEditFields) {
    form().set_text(5002, "");
    user().type(5002, "7x-.,");
    EXPECT_EQ(form().get_text(5002, 100), "7-.");
    EXPECT_EQ(user().take_beeps(), 2);
    user().type(5002, "\x03\x16\x18\x1a");
    EXPECT_EQ(form().get_text(5002, 100), "7-.");
    EXPECT_EQ(user().take_beeps(), 4);
    user().type(5002, " \xE9");
    EXPECT_EQ(form().get_text(5002, 100), "7-.");
    EXPECT_EQ(user().take_beeps(), 2);
    user().type(5002, "\b");
    EXPECT_EQ(form().get_text(5002, 100), "7-");
    EXPECT_EQ(user().take_beeps(), 0);

    // Single keys are checked, not the resulting text; the program's text passes.
    form().set_text(5019, "");
    user().type(5019, "-5-..");
    EXPECT_EQ(form().get_text(5019, 100), "-5-..");
    EXPECT_EQ(user().take_beeps(), 0);
    EXPECT_TRUE(routed_commands().empty());
}

TEST_P(FormContract, ClicksRaiseThePlatformsCommands) {
    user().click(2100);
    EXPECT_EQ(routed_commands(), (Commands{2100}));

    user().click(2019);
    EXPECT_EQ(form().get_check(2019), 1);
    EXPECT_EQ(routed_commands(), (Commands{2019}));
    user().click(2019);
    EXPECT_EQ(form().get_check(2019), 0);
    EXPECT_EQ(routed_commands(), (Commands{2019}));

    form().check_radio(2008, 2017, 2015);
    form().check_radio(2001, 2002, 2001);
    user().click(2010);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form().get_check(id), id == 2010 ? 1 : 0) << id;
    EXPECT_EQ(routed_commands(), (Commands{2010}));
    user().click(2002);
    EXPECT_EQ(form().get_check(2001), 0);
    EXPECT_EQ(form().get_check(2002), 1);
    EXPECT_EQ(form().get_check(2010), 1) << "another group is left alone";
    EXPECT_EQ(routed_commands(), (Commands{2002}));
    user().click(2002);  // already checked: still a click
    EXPECT_EQ(routed_commands(), (Commands{2002}));

    for (const char* name : {"000 Alpha", "001 Beta", "002 Gamma"}) form().add_item(300, name);
    user().choose(300, 2);
    EXPECT_EQ(form().selected_item(300), 2);
    EXPECT_EQ(form().get_text(300, 100), "002 Gamma");
    EXPECT_EQ(routed_commands(), (Commands{65836}));
    user().type(300, "x");
    EXPECT_EQ(form().selected_item(300), -1);
    EXPECT_EQ(form().get_text(300, 100), "002 Gammax");
    EXPECT_TRUE(routed_commands().empty());

    form().add_item(305, "a");
    form().add_item(305, "b");
    user().choose(305, 1);
    EXPECT_EQ(form().selected_item(305), 1);
    EXPECT_EQ(routed_commands(), (Commands{(1u << 16) | 305u}));

    // Setting by program raises nothing the routing acts on.
    form().set_check(2021, 1);
    form().check_radio(2008, 2017, 2008);
    form().select_item(300, 0);
    form().select_item(305, 0);
    form().set_text(121, "name");
    form().set_number(70, 5, true);
    EXPECT_TRUE(routed_commands().empty());
}

TEST_P(FormContract, DisabledControlsKeepTheirValues) {
    form().set_text(121, "abc");
    form().set_enabled(121, false);
    EXPECT_FALSE(form().is_enabled(121));
    EXPECT_EQ(form().get_text(121, 100), "abc");
    user().type(121, "d");
    EXPECT_EQ(form().get_text(121, 100), "abc");
    form().set_text(121, "xyz");
    EXPECT_EQ(form().get_text(121, 100), "xyz");

    form().set_check(2025, 1);
    form().set_enabled(2025, false);
    user().click(2025);
    EXPECT_EQ(form().get_check(2025), 1);
    form().set_check(2025, 0);
    EXPECT_EQ(form().get_check(2025), 0);

    form().set_enabled(2100, false);
    user().click(2100);
    form().add_item(307, "a");
    form().add_item(307, "b");
    form().set_enabled(307, false);
    form().select_item(307, 1);
    EXPECT_EQ(form().selected_item(307), 1);
    EXPECT_TRUE(routed_commands().empty());

    form().set_enabled(121, true);
    EXPECT_TRUE(form().is_enabled(121));
    user().type(121, "!");
    EXPECT_EQ(form().get_text(121, 100), "xyz!");
}

TEST_P(FormContract, HighBytesRoundTripInBothLanguages) {
    const std::string bytes = high_bytes();
    for (int language : {0, 1}) {
        form().set_language(language);
        for (int id : {304, 5000, 5001, 121, 2071, 2019, 2003, 2008, 2100, 300}) {
            form().set_text(id, bytes);
            EXPECT_EQ(form().get_text(id, 1000), bytes) << "control " << id << ", language " << language;
        }
        // One byte at a time, so a failure names the byte.
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string one(1, static_cast<char>(b));
            form().set_text(304, one);
            EXPECT_EQ(form().get_text(304, 10), one) << "byte " << b << ", language " << language;
        }
        form().clear_items(302);
        form().add_item(302, bytes);
        EXPECT_EQ(form().item_text(302, 0), std::optional<std::string>(bytes)) << "language " << language;
        form().select_item(302, 0);
        EXPECT_EQ(form().get_text(302, 1000), bytes) << "language " << language;
    }
}

TEST_P(FormContract, GetTextCapacityCutsBytes) {
    form().set_text(304, "abcdef");
    EXPECT_EQ(form().get_text(304, 4), "abc");
    EXPECT_EQ(form().get_text(304, 7), "abcdef");
    EXPECT_EQ(form().get_text(304, 6), "abcde");
    EXPECT_EQ(form().get_text(304, 1), "");
    EXPECT_EQ(form().get_text(304, 0), "");
    form().set_language(1);
    form().set_text(304, "\xC0\xC1\xC2\xC3");
    EXPECT_EQ(form().get_text(304, 3), "\xC0\xC1");
    form().set_text(5001, "one\r\ntwo");
    EXPECT_EQ(form().get_text(5001, 100), "one\r\ntwo");
    EXPECT_EQ(form().get_text(5001, 5), "one\r");
}

// Setting a control to what it shows already may send it nothing, so these
// are the cases such a shortcut could get wrong. Each runs on its own and as
// part of one event, where the real dialog also defers its drawing.
TEST_P(FormContract, SettingAgainWinsOverWhatTheUserChanged) {
    for (const bool one_event : {false, true}) {
        SCOPED_TRACE(one_event ? "in one event" : "alone");
        auto run = [&](const std::function<void()>& action) {
            if (one_event) user().in_one_event(action); else action();
        };
        run([&] {
            form().set_text(121, "abc");
            form().set_check(2019, 1);
            form().check_radio(2008, 2017, 2009);
            form().clear_items(305);
            for (const char* entry : {"a", "b", "c"}) form().add_item(305, entry);
            form().select_item(305, 1);
            form().clear_items(300);
            for (const char* name : {"000 Alpha", "001 Beta", "002 Gamma"}) form().add_item(300, name);
            form().select_item(300, 1);
        });
        user().type(121, "d");
        user().click(2019);
        user().click(2011);
        user().choose(305, 2);
        user().type(300, "x");
        ASSERT_EQ(form().get_text(121, 100), "abcd");
        ASSERT_EQ(form().selected_item(300), -1);
        run([&] {
            form().set_text(121, "abc");
            form().set_check(2019, 1);
            form().check_radio(2008, 2017, 2009);
            form().select_item(305, 1);
            form().select_item(300, 1);
        });
        EXPECT_EQ(form().get_text(121, 100), "abc");
        EXPECT_EQ(user().text_at(121, 0), "abc");
        EXPECT_EQ(form().get_check(2019), 1);
        for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form().get_check(id), id == 2009 ? 1 : 0) << id;
        EXPECT_EQ(form().selected_item(305), 1);
        EXPECT_EQ(form().get_text(305, 100), "b");
        EXPECT_EQ(form().selected_item(300), 1);
        EXPECT_EQ(form().get_text(300, 100), "001 Beta");
        EXPECT_EQ(user().text_at(300, 0), "001 Beta");

        // The program's own text in the edit field of 300 gives way to the entry.
        run([&] { form().set_text(300, "typed by the program"); });
        run([&] { form().select_item(300, 1); });
        EXPECT_EQ(form().get_text(300, 100), "001 Beta");
        // And a cleared selection clears what the user typed there.
        run([&] { form().select_item(300, -1); });
        user().type(300, "typed");
        run([&] { form().select_item(300, -1); });
        EXPECT_EQ(form().get_text(300, 100), "");
        EXPECT_EQ(form().selected_item(300), -1);
        user().take_beeps();
        routed_commands();
    }
}

TEST_P(FormContract, RefilledListsHoldExactlyTheNewEntries) {
    auto fill = [&](int id, const std::vector<std::string>& entries) {
        form().clear_items(id);
        for (const std::string& entry : entries) form().add_item(id, entry);
    };
    auto entries_of = [&](int id) {
        std::vector<std::string> out;
        for (int i = 0; i < form().item_count(id); ++i) out.push_back(form().item_text(id, i).value_or("?"));
        return out;
    };
    using Entries = std::vector<std::string>;
    const Entries english = {"(none)", "000 Archer", "001 Knight", "002 Mage"};
    const Entries russian = {"(\xED\xE5\xF2)", "000 \xCB\xF3\xF7", "001 \xD0\xFB\xF6", "002 \xCC\xE0\xE3"};
    const Entries fewer = {"(none)", "000 Archer"};
    const Entries more = {"(none)", "000 Archer", "001 Knight", "002 Mage", "003 Monk", "004 Thief"};
    for (const bool one_event : {false, true}) {
        SCOPED_TRACE(one_event ? "in one event" : "alone");
        auto run = [&](const std::function<void()>& action) {
            if (one_event) user().in_one_event(action); else action();
        };
        run([&] {
            fill(301, english);
            form().select_item(301, 2);
            fill(300, {"Archer", "Knight", "Mage"});
            form().select_item(300, 2);
        });
        ASSERT_EQ(entries_of(301), english);

        // The same entries again: the selection is chosen anew.
        run([&] {
            fill(301, english);
            form().select_item(301, 2);
        });
        EXPECT_EQ(entries_of(301), english);
        EXPECT_EQ(form().selected_item(301), 2);
        EXPECT_EQ(form().get_text(301, 100), "001 Knight");

        // Another language: every entry differs.
        run([&] {
            fill(301, russian);
            form().select_item(301, 2);
        });
        EXPECT_EQ(entries_of(301), russian);
        EXPECT_EQ(user().text_at(301, 0), russian[2]);

        // A shorter list with the same first entries, a longer one, and back.
        for (const Entries& entries : {english, fewer, more, english}) {
            run([&] { fill(301, entries); });
            EXPECT_EQ(entries_of(301), entries);
            EXPECT_EQ(form().selected_item(301), -1) << "a refill leaves no selection until one is chosen";
            EXPECT_EQ(form().get_text(301, 100), "");
        }
        run([&] {
            fill(301, more);
            form().select_item(301, 5);
        });
        EXPECT_EQ(form().get_text(301, 100), "004 Thief");
        run([&] {
            fill(301, fewer);
            form().select_item(301, 5);  // no longer an entry
        });
        EXPECT_EQ(form().selected_item(301), -1);
        EXPECT_EQ(user().text_at(301, 0), "");

        // Reads in the middle of a refill see the entries added so far.
        run([&] {
            fill(301, english);
            form().clear_items(301);
            form().add_item(301, english[0]);
            EXPECT_EQ(form().item_count(301), 1);
            EXPECT_EQ(form().selected_item(301), -1);
            form().add_item(301, english[1]);
            EXPECT_EQ(form().item_text(301, 1), std::optional<std::string>(english[1]));
            EXPECT_FALSE(form().item_text(301, 2).has_value());
            EXPECT_EQ(form().add_item(301, "other"), 2);
        });
        EXPECT_EQ(entries_of(301), (Entries{english[0], english[1], "other"}));

        // Drop-down 300 refilled with its entries: its edit field follows the choice.
        run([&] { fill(300, {"Archer", "Knight", "Mage"}); });
        EXPECT_EQ(form().selected_item(300), -1);
        EXPECT_EQ(form().get_text(300, 100), "");
        run([&] {
            fill(300, {"Archer", "Knight", "Mage"});
            form().select_item(300, 1);
        });
        EXPECT_EQ(form().get_text(300, 100), "Knight");
        EXPECT_EQ(user().text_at(300, 0), "Knight");
        EXPECT_TRUE(routed_commands().empty());
    }
}

TEST_P(FormContract, EnablingAgainGivesTheControlBackToTheUser) {
    for (const bool one_event : {false, true}) {
        SCOPED_TRACE(one_event ? "in one event" : "alone");
        auto run = [&](const std::function<void()>& action) {
            if (one_event) user().in_one_event(action); else action();
        };
        run([&] {
            form().set_text(212, "");
            form().set_enabled(212, true);  // enabled already
            form().set_check(2021, 0);
            form().set_enabled(2021, false);
        });
        EXPECT_TRUE(form().is_enabled(212));
        EXPECT_FALSE(form().is_enabled(2021));
        run([&] {
            form().set_enabled(212, false);
            form().set_enabled(212, true);
            form().set_enabled(2021, true);
        });
        EXPECT_TRUE(form().is_enabled(212));
        EXPECT_TRUE(form().is_enabled(2021));
        user().type(212, "7");
        user().click(2021);
        EXPECT_EQ(form().get_text(212, 100), "7");
        EXPECT_EQ(form().get_check(2021), 1);
        EXPECT_EQ(routed_commands(), (Commands{2021}));
        run([&] {
            form().set_enabled(2021, false);
            form().set_enabled(2021, false);
        });
        user().click(2021);
        EXPECT_EQ(form().get_check(2021), 1);
        EXPECT_TRUE(routed_commands().empty());
    }
}

}  // namespace ce

// Runs every contract case on the backends that `factory` makes. Use it at
// global namespace scope.
#define CE_INSTANTIATE_FORM_CONTRACT(Name, factory)                                    \
    using ::ce::FormContract;                                                          \
    INSTANTIATE_TEST_SUITE_P(Name, FormContract,                                       \
                             ::testing::Values(::ce::ContractParam{#Name, factory}), \
                             [](const auto& info) { return info.param.name; })
