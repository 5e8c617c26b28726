// The fields' captions (folder/captions.h) against the form's catalogue: the
// group box around each caption control of a binding row is the one the
// form's layout draws around it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "folder/captions.h"
#include "form/catalogue.h"
#include "form/controls.h"
#include "store/layouts.h"
#include "text/list_sources.h"

namespace ce {
namespace {

bool inside(const Control& outer, const Control& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

// The smallest group box with a caption line that holds the control, or 0.
int box_on_the_form(int id) {
    const auto controls = editor_controls();
    const Control* inner = find_control(controls, id);
    if (!inner) return 0;
    const Control* best = nullptr;
    for (const Control& c : controls) {
        const bool captioned = c.id >= ctl::kFirstCaption && c.id < ctl::kFirstCaption + kCaptionLines;
        if (c.kind != Kind::GroupBox || c.id == id || !captioned || !inside(c, *inner)) continue;
        if (!best || c.w * c.h < best->w * best->h) best = &c;
    }
    return best ? best->id : 0;
}

TEST(FieldCaptions, GroupBoxesAgreeWithTheCatalogue) {
    std::set<int> named;
    for (const DataFileInfo& info : data_files())
        for (const BindingRow& row : binding_rows(info.id))
            if (row.caption) named.insert(row.caption);
    ASSERT_FALSE(named.empty());
    for (int id : named) EXPECT_EQ(caption_box(id), box_on_the_form(id)) << "caption control " << id;
    // The table names no control that labels no row, in ascending order.
    int last = 0;
    for (const CaptionBox& b : caption_boxes()) {
        EXPECT_TRUE(named.count(b.control)) << b.control;
        EXPECT_LT(last, b.control);
        last = b.control;
    }
    EXPECT_EQ(kPluralCaptionControl, ctl::kPluralCaption);
    EXPECT_EQ(kAbilityCaptionControl, ctl::kAbilityCaption);
}

TEST(FieldCaptions, BoxFirstThenSharedCaptionsNumbered) {
    const CaptionOf caption_of = [](int id) {
        std::string text = "C";
        text += std::to_string(id);  // appended: MinGW's g++ 12 misreads "C" + std::string as an overlap
        return text;
    };
    for (const DataFileInfo& info : data_files()) {
        std::map<int, int> seen, total;
        for (const BindingRow& row : binding_rows(info.id)) ++total[row.caption];
        for (const BindingRow& row : binding_rows(info.id)) {
            const std::string caption = row_caption(row, caption_of);
            if (!row.caption) {
                EXPECT_EQ(caption, "");
                continue;
            }
            std::string want = caption_of(row.caption);
            if (const int box = caption_box(row.caption)) want = caption_of(box) + ": " + want;
            if (total[row.caption] > 1) want += " #" + std::to_string(++seen[row.caption]);
            EXPECT_EQ(caption, want);
        }
    }
    const CaptionOf none = [](int) { return std::string(); };
    for (const DataFileInfo& info : data_files())
        for (const BindingRow& row : binding_rows(info.id)) EXPECT_EQ(row_caption(row, none), "");
    EXPECT_EQ(line_caption(TextKind::Monsters, none), "Name");
    EXPECT_EQ(line_caption(TextKind::Ability, caption_of), "C2103");
}

}  // namespace
}  // namespace ce
