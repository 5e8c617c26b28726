// The catalogue of templates 37 and 100 against the form's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "form/catalogue.h"
#include "form/messages.h"

namespace ce {
namespace {

std::vector<int> positions_of(int id) {
    std::vector<int> at;
    const auto controls = editor_controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].id == id) at.push_back(static_cast<int>(i));
    return at;
}

bool inside(const Control& inner, const Control& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool is_list(Kind k) { return k == Kind::ComboEdit || k == Kind::ComboList; }

TEST(Catalogue, FrameMenuAndCounts) {
    EXPECT_EQ(editor_controls().size(), 288u);
    const FormFrame& f = editor_frame();
    EXPECT_EQ(f.width, 674);
    EXPECT_EQ(f.height, 366);
    EXPECT_STREQ(f.title, "Quelmarn - Creatures Editor (Tirrowe edition)");
    EXPECT_STREQ(f.font, "MS Sans Serif");
    EXPECT_EQ(f.font_points, 8);
    EXPECT_TRUE(f.system_menu);
    EXPECT_TRUE(f.minimise_box);
    EXPECT_EQ(f.menu_id, 10000);

    const auto menu = editor_menu();
    ASSERT_EQ(menu.size(), 9u);
    EXPECT_EQ(menu[0].id, 10000);
    EXPECT_STREQ(menu[0].text, "Copy all states");
    EXPECT_EQ(menu[1].id, 10001);
    EXPECT_STREQ(menu[1].text, "Paste all states");
    EXPECT_EQ(menu[2].id, 10002);
    EXPECT_STREQ(menu[2].text, "Paste CrAnim");
    EXPECT_EQ(menu[3].id, 10003);
    EXPECT_STREQ(menu[3].text, "&History...");
    EXPECT_EQ(menu[4].id, 10004);
    EXPECT_STREQ(menu[4].text, "&Undo Save (Ctrl+Z)");
    EXPECT_EQ(menu[5].id, 10005);
    EXPECT_STREQ(menu[5].text, "Apply &mod...");
    EXPECT_EQ(menu[6].id, 10006);
    EXPECT_STREQ(menu[6].text, "Save changes as m&od...");
    EXPECT_STREQ(menu[7].text, "E&xport table...");
    EXPECT_STREQ(menu[8].text, "&Import table...");
    // Every item with an access key has its own, in each language (the first three have none).
    for (int language : {0, 1}) {
        std::set<std::string> keys;
        for (const MenuItem& item : menu) {
            const std::string_view words = message_text(language, item.words);
            const std::size_t amp = words.find('&');
            if (amp == std::string_view::npos) continue;
            // Upper and lower case differ by 0x20, in ASCII and in Windows-1251 alike.
            auto c = static_cast<unsigned char>(words[amp + 1]);
            if ((c >= 'a' && c <= 'z') || c >= 0xE0) c = static_cast<unsigned char>(c - 0x20);
            EXPECT_TRUE(keys.insert(std::string(1, static_cast<char>(c))).second) << language << " " << words;
        }
    }

    std::map<Kind, int> kinds;
    for (const Control& c : editor_controls()) ++kinds[c.kind];
    EXPECT_EQ(kinds[Kind::Spin], 57);
    EXPECT_EQ(kinds[Kind::NewEdit], 16);
    EXPECT_EQ(kinds[Kind::NumberEdit], 41);
    EXPECT_EQ(kinds[Kind::TextEdit], 4);
    EXPECT_EQ(kinds[Kind::MultiLineEdit], 1);
    EXPECT_EQ(kinds[Kind::ComboEdit], 1);
    EXPECT_EQ(kinds[Kind::ComboList], 22);
    EXPECT_EQ(kinds[Kind::CheckBox], 52);
    EXPECT_EQ(kinds[Kind::RadioButton], 12);
    EXPECT_EQ(kinds[Kind::PushButton], 2);
}

TEST(Catalogue, SharedIdentifiersAndTemplateTexts) {
    // Only 2101 and 101 are shared.
    std::map<int, int> uses;
    for (const Control& c : editor_controls()) ++uses[c.id];
    for (const auto& [id, n] : uses) {
        if (id == 101) EXPECT_EQ(n, 14);
        else if (id == 2101) EXPECT_EQ(n, 2);
        else EXPECT_EQ(n, 1) << id;
    }

    const auto controls = editor_controls();
    const auto frame_and_button = positions_of(2101);
    ASSERT_EQ(frame_and_button.size(), 2u);
    const Control& frame = controls[frame_and_button[0]];
    const Control& jump = controls[frame_and_button[1]];
    EXPECT_EQ(frame.kind, Kind::GroupBox);
    EXPECT_EQ(frame.x, 5);
    EXPECT_EQ(frame.y, 136);
    EXPECT_EQ(jump.kind, Kind::PushButton);
    EXPECT_STREQ(jump.text, "->");
    EXPECT_EQ(find_control(controls, 2101), &frame);

    // Each symbol label sits in the box the layout puts it in, in order.
    struct Where { const char* text; int box; };
    const Where labels[] = {{"%", 2070}, {"%", 2085}, {"%", 2087}, {"%", 2090}, {"_", 2091},
                            {"+", 2091}, {"+", 2107}, {"X", 2121}, {"Y", 2121}, {"X", 2122},
                            {"Y", 2122}, {"X", 2123}, {"Y", 2123}, {"%", 2131}};
    const auto at = positions_of(101);
    ASSERT_EQ(at.size(), 14u);
    for (std::size_t k = 0; k < at.size(); ++k) {
        const Control& label = controls[at[k]];
        EXPECT_EQ(label.kind, Kind::Label);
        EXPECT_STREQ(label.text, labels[k].text) << k;
        const Control* box = find_control(controls, labels[k].box);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(inside(label, *box)) << "label 101 #" << k << " outside box " << labels[k].box;
        EXPECT_LT(positions_of(labels[k].box)[0], at[k]);
    }
    EXPECT_EQ(find_control(controls, 101)->x, 210);

    // No other control of the editor form carries a template text.
    for (const Control& c : controls)
        if (c.id != 101 && c.id != 2101) {
            EXPECT_STREQ(c.text, "") << c.id;
        }

    const Control* save = find_control(controls, 2100);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->kind, Kind::PushButton);
    EXPECT_TRUE(save->flags & kModalFrame);
    EXPECT_TRUE(find_control(controls, 2003)->flags & kFlat);
    EXPECT_TRUE(find_control(controls, 2000)->flags & kFlat);
    EXPECT_TRUE(find_control(controls, 122)->flags & kUpperCase);
    EXPECT_TRUE(find_control(controls, 5000)->flags & kNoAutoHScroll);
    EXPECT_EQ(find_control(controls, 999), nullptr);
}

TEST(Catalogue, SpinsFollowTheirBuddies) {
    const auto controls = editor_controls();
    ASSERT_FALSE(controls.empty());
    EXPECT_NE(controls[0].kind, Kind::Spin);
    for (std::size_t i = 1; i < controls.size(); ++i) {
        const Kind kind = controls[i].kind;
        if (kind == Kind::Spin) {
            const Kind buddy = controls[i - 1].kind;
            EXPECT_TRUE(buddy == Kind::NumberEdit || buddy == Kind::NewEdit) << "spin " << controls[i].id;
            // Where the spin settles: against the buddy's right edge.
            EXPECT_TRUE(inside(controls[i], controls[i - 1])) << controls[i].id;
        }
        if (controls[i - 1].kind == Kind::NumberEdit || controls[i - 1].kind == Kind::NewEdit) {
            EXPECT_EQ(kind, Kind::Spin) << "edit " << controls[i - 1].id << " has no spin";
        }
    }

    std::set<int> new_edits;
    for (const Control& c : controls)
        if (c.kind == Kind::NewEdit) new_edits.insert(c.id);
    std::set<int> expected;
    for (int id = 5002; id <= 5013; ++id) expected.insert(id);
    for (int id = 5016; id <= 5019; ++id) expected.insert(id);
    EXPECT_EQ(new_edits, expected);
}

TEST(Catalogue, EveryBoundControlExistsWithItsKind) {
    const auto controls = editor_controls();
    auto expect_kind = [&](int id, std::initializer_list<Kind> kinds) {
        const Control* c = find_control(controls, id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_TRUE(std::find(kinds.begin(), kinds.end(), c->kind) != kinds.end()) << id;
    };
    for (int id = 70; id <= 98; ++id) expect_kind(id, {Kind::NumberEdit});
    for (int id : {151, 212, 231, 245, 246, 247, 248, 249, 250, 251, 5014, 5015}) expect_kind(id, {Kind::NumberEdit});
    for (int id : {121, 122, 304, 5000}) expect_kind(id, {Kind::TextEdit});
    expect_kind(5001, {Kind::MultiLineEdit});
    for (int id = 5002; id <= 5019; ++id)
        expect_kind(id, {id == 5014 || id == 5015 ? Kind::NumberEdit : Kind::NewEdit});
    for (int id = 2019; id <= 2050; ++id) expect_kind(id, {Kind::CheckBox});
    for (int id = 2058; id <= 2063; ++id) expect_kind(id, {Kind::CheckBox});
    for (int id = 2073; id <= 2084; ++id) expect_kind(id, {Kind::CheckBox});
    for (int id : {2099, 2132}) expect_kind(id, {Kind::CheckBox});
    for (int id : {2001, 2002}) expect_kind(id, {Kind::RadioButton});
    for (int id = 2008; id <= 2017; ++id) expect_kind(id, {Kind::RadioButton});
    expect_kind(300, {Kind::ComboEdit});
    for (int id : {301, 302, 303}) expect_kind(id, {Kind::ComboList});
    for (int id = 305; id <= 323; ++id) expect_kind(id, {Kind::ComboList});
    for (int id : {253, 254, 255, 256, 1927, 1928, 1929, 1930})
        EXPECT_EQ(find_control(controls, id), nullptr) << id;

    // Radio groups: 2008 and 2001 start them, nothing else does.
    for (const Control& c : controls)
        EXPECT_EQ((c.flags & kGroupStart) != 0, c.id == 2008 || c.id == 2001) << c.id;
}

TEST(Catalogue, BoxesComeBeforeWhatTheyHold) {
    const auto controls = editor_controls();
    const FormFrame& f = editor_frame();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        // Lists record the height of their opened list, which may pass the frame.
        const int bottom = c.y + (is_list(c.kind) ? 12 : c.h);
        EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.x + c.w <= f.width && bottom <= f.height) << c.id;
        for (std::size_t j = 0; j < controls.size(); ++j) {
            const Control& box = controls[j];
            if (j == i || box.kind != Kind::GroupBox || is_list(c.kind)) continue;
            if (inside(c, box)) {
                EXPECT_LT(j, i) << c.id << " lies in box " << box.id << " but precedes it";
            }
        }
    }
    // Spot checks of positions given by formula.
    EXPECT_EQ(find_control(controls, 2012)->y, 179);
    EXPECT_EQ(find_control(controls, 2017)->x, 110);
    EXPECT_EQ(find_control(controls, 2034)->y, 352);
    EXPECT_EQ(find_control(controls, 2050)->x, 85);
    EXPECT_EQ(find_control(controls, 5013)->x, 462);
    EXPECT_EQ(find_control(controls, 5013)->y, 345);
    EXPECT_EQ(find_control(controls, 96)->x, 224);
    EXPECT_EQ(find_control(controls, 96)->y, 343);
    EXPECT_EQ(find_control(controls, 2083)->x, 350);
    EXPECT_EQ(find_control(controls, 2083)->y, 106);
}

TEST(Catalogue, LimitRowsInInitialisationOrder) {
    const auto rows = limit_rows();
    ASSERT_EQ(rows.size(), 64u);
    EXPECT_EQ(rows[0].edit, 122);
    EXPECT_EQ(rows[0].limit, 4);
    EXPECT_EQ(rows[0].spin, -1);
    EXPECT_EQ(rows[1].edit, 121);
    EXPECT_EQ(rows[2].edit, 304);
    EXPECT_EQ(rows[3].edit, 151);
    EXPECT_EQ(rows[3].low, 1);
    EXPECT_EQ(rows[3].high, 7);
    const int order[] = {122, 121, 304, 151, 212, 231, 245, 246, 247, 248, 249, 250, 251, 253, 254, 255, 256};
    for (std::size_t k = 0; k < std::size(order); ++k) EXPECT_EQ(rows[k].edit, order[k]) << k;
    EXPECT_EQ(rows[16].low, 0);  // 256 alone of the absent edits starts at 0
    EXPECT_EQ(rows[13].low, -1);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rows[17 + k].edit, 70 + k);
        EXPECT_EQ(rows[17 + k].spin, 70 + k + 1861);
        EXPECT_EQ(rows[32 + k].edit, 85 + k);
        EXPECT_EQ(rows[38 + k].edit, 91 + k);
        EXPECT_EQ(rows[38 + k].low, -128);
    }
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(rows[44 + k].edit, 5002 + k);
        EXPECT_EQ(rows[44 + k].spin, 5002 + k - 3044);
        EXPECT_EQ(rows[44 + k].limit, 5);
    }
    EXPECT_EQ(rows[62].edit, 97);
    EXPECT_EQ(rows[62].limit, -1);
    EXPECT_EQ(rows[62].low, -100);
    EXPECT_EQ(rows[63].edit, 98);
    EXPECT_EQ(rows[63].high, 255);

    // Every present row names an edit and the spin whose buddy it is.
    const auto controls = editor_controls();
    int absent = 0;
    for (const LimitRow& row : rows) {
        const Control* edit = find_control(controls, row.edit);
        if (!edit) {
            ++absent;
            EXPECT_EQ(find_control(controls, row.spin), nullptr) << row.spin;
            continue;
        }
        EXPECT_LE(row.low, row.high);
        if (row.spin < 0) continue;
        const auto spin_at = positions_of(row.spin);
        ASSERT_EQ(spin_at.size(), 1u) << row.spin;
        EXPECT_EQ(controls[spin_at[0] - 1].id, row.edit) << "spin " << row.spin;
    }
    EXPECT_EQ(absent, 4);

    // Every spin of the form receives a range.
    std::set<int> ranged;
    for (const LimitRow& row : rows) ranged.insert(row.spin);
    for (const Control& c : controls)
        if (c.kind == Kind::Spin) {
            EXPECT_TRUE(ranged.count(c.id)) << c.id;
        }
}

TEST(Catalogue, LanguageListForm) {
    const FormFrame& f = language_list_frame();
    EXPECT_EQ(f.width, 674);
    EXPECT_EQ(f.height, 366);
    EXPECT_STREQ(f.title, "");
    EXPECT_STREQ(f.font, "MS Sans Serif");
    EXPECT_FALSE(f.system_menu);
    EXPECT_EQ(f.menu_id, 0);

    const auto controls = language_list_controls();
    ASSERT_EQ(controls.size(), 21u);
    const char* names[] = {"Chinese", "Japanese", "Russian", "Greek", "Hindi",
                           "Vietnamese", "Georgian", "Serbian", "Armenian", "Korean"};
    for (int k = 0; k < 10; ++k) {
        const Control* left = find_control(controls, 1000 + k);
        const Control* right = find_control(controls, 1250 + k);
        ASSERT_NE(left, nullptr);
        ASSERT_NE(right, nullptr);
        EXPECT_EQ(std::string(left->text), std::string(names[k]) + " : ");
        EXPECT_EQ(left->align, Align::Right);
        EXPECT_EQ(left->y, 14 + 12 * k);
        EXPECT_STREQ(right->text, names[k]);
        EXPECT_EQ(right->align, Align::Left);
        EXPECT_EQ(right->x, 76);
    }
    const Control* ok = find_control(controls, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->kind, Kind::PushButton);
    EXPECT_STREQ(ok->text, "OK");
    EXPECT_EQ(ok->x, 288);
    EXPECT_EQ(ok->y, 138);
    // None of the editor form's controls is on this form.
    for (const Control& c : controls) EXPECT_EQ(find_control(editor_controls(), c.id), nullptr) << c.id;
}

}  // namespace
}  // namespace ce
