// Enabled states of the controls that depend on a check box or on the creature
// slot, and the reactions to the user's clicks on the governing check boxes.
#include "form/interlocks.h"

#include "form/controls.h"
#include "form/form.h"
#include "store/data_folder.h"

namespace ce {

namespace {

// The four check boxes that follow 2021.
constexpr int kBoxesOf2021[] = {2058, 2059, 2060, 2061};

// A box that depends on 2021, the list it governs and the entry the list falls
// back to when the box is cleared.
struct ListGovernor {
    int box;
    int list;
    int reset_entry;
};
constexpr ListGovernor kListGovernors[] = {
    {2039, 306, 0},
    {2030, 305, 2},
    {2024, 307, 0},
};

void react_2021(Form& form) {
    const int s = form.get_check(ctl::kAmmoBox);
    form.set_enabled(ctl::kAmmoEdit, s != 0);
    for (int box : kBoxesOf2021) form.set_enabled(box, s != 0);
    if (s != 0) return;

    // Every governed list falls back to its entry (307 too: Save stores the
    // list's selection whatever the state of 2024) and its box is cleared.
    for (const ListGovernor& g : kListGovernors) {
        form.set_enabled(g.list, false);
        form.select_item(g.list, g.reset_entry);
        form.set_check(g.box, 0);
    }
    for (int box : kBoxesOf2021) form.set_check(box, 0);
}

void react_list_governor(const ListGovernor& g, Form& form) {
    const int s = form.get_check(g.box);
    if (form.get_check(ctl::kAmmoBox) == 0) form.set_check(ctl::kAmmoBox, 1);
    form.set_enabled(g.list, s != 0);
    if (s == 0) form.select_item(g.list, g.reset_entry);
    react_2021(form);
}

void react_2025(Form& form) {
    const int s = form.get_check(ctl::kZeroingBox);
    if (s != 0) form.set_text(ctl::kZeroedEdit, "0");
    form.set_enabled(ctl::kZeroedEdit, s == 0);
}

void react_2036(Form& form) {
    const bool enable = form.get_check(ctl::kClearingBox) == 0;
    if (!enable) form.set_check(ctl::kClearedBox, 0);
    form.set_enabled(ctl::kClearedBox, enable);
}

void react_2038(Form& form) {
    const int s = form.get_check(ctl::kEnablingBox);
    if (s == 0) form.set_check(ctl::kEnabledBox, 0);
    form.set_enabled(ctl::kEnabledBox, s != 0);
}

}  // namespace

void update_interlocks(int index, Form& form) {
    form.set_enabled(ctl::kNameEdit, index != kFixedSlot);
    form.set_enabled(ctl::kSoundEdit, index != kFixedSlot);
    if (index == kFixedSlot) {
        form.set_text(ctl::kNameEdit, "");
        form.set_text(ctl::kSoundEdit, "");
    }

    const int s = form.get_check(ctl::kZeroingBox);
    form.set_enabled(ctl::kZeroedEdit, s == 0);
    if (s == 1) form.set_text(ctl::kZeroedEdit, "");

    form.set_enabled(ctl::kAmmoEdit, form.get_check(ctl::kAmmoBox) != 0);
    for (const ListGovernor& g : kListGovernors) form.set_enabled(g.list, form.get_check(g.box) != 0);
    for (int box : kBoxesOf2021) form.set_enabled(box, form.get_check(ctl::kAmmoBox) != 0);
    form.set_enabled(ctl::kClearedBox, form.get_check(ctl::kClearingBox) == 0);
    form.set_enabled(ctl::kEnabledBox, form.get_check(ctl::kEnablingBox) != 0);
}

bool has_click_reaction(int box) {
    for (const ListGovernor& g : kListGovernors)
        if (g.box == box) return true;
    return box == ctl::kAmmoBox || box == ctl::kZeroingBox || box == ctl::kClearingBox ||
           box == ctl::kEnablingBox;
}

void react_to_click(int box, Form& form) {
    for (const ListGovernor& g : kListGovernors) {
        if (g.box == box) {
            react_list_governor(g, form);
            return;
        }
    }
    if (box == ctl::kAmmoBox) react_2021(form);
    if (box == ctl::kZeroingBox) react_2025(form);
    if (box == ctl::kClearingBox) react_2036(form);
    if (box == ctl::kEnablingBox) react_2038(form);
}

}  // namespace ce
