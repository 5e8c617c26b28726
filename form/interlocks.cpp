// Enabled states of the controls that depend on a check box or on the creature
// slot, and the reactions to the user's clicks on the governing check boxes.
#include "form/interlocks.h"

#include "form/form.h"

namespace ce {

namespace {

// Slot 149 has no editable name or sound name.
constexpr int kFixedSlot = 149;

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
    const int s = form.get_check(2021);
    form.set_enabled(304, s != 0);
    for (int box : kBoxesOf2021) form.set_enabled(box, s != 0);
    if (s != 0) return;

    form.set_enabled(306, false);
    form.select_item(306, 0);
    form.set_check(2039, 0);
    form.set_enabled(305, false);
    form.select_item(305, 2);
    form.set_check(2030, 0);
    form.set_enabled(307, false);
    // 307 falls back to its first entry like 306 and 305: Save stores the list's
    // selection whatever the state of 2024.
    form.select_item(307, 0);
    for (int box : kBoxesOf2021) form.set_check(box, 0);
    form.set_check(2024, 0);
}

void react_list_governor(const ListGovernor& g, Form& form) {
    const int s = form.get_check(g.box);
    if (form.get_check(2021) == 0) form.set_check(2021, 1);
    form.set_enabled(g.list, s != 0);
    if (s == 0) form.select_item(g.list, g.reset_entry);
    react_2021(form);
}

void react_2025(Form& form) {
    const int s = form.get_check(2025);
    if (s != 0) form.set_text(212, "0");
    form.set_enabled(212, s == 0);
}

void react_2036(Form& form) {
    const bool enable = form.get_check(2036) == 0;
    if (!enable) form.set_check(2073, 0);
    form.set_enabled(2073, enable);
}

void react_2038(Form& form) {
    const int s = form.get_check(2038);
    if (s == 0) form.set_check(2084, 0);
    form.set_enabled(2084, s != 0);
}

}  // namespace

void update_interlocks(int index, Form& form) {
    form.set_enabled(121, index != kFixedSlot);
    form.set_enabled(122, index != kFixedSlot);
    if (index == kFixedSlot) {
        form.set_text(121, "");
        form.set_text(122, "");
    }

    const int s = form.get_check(2025);
    form.set_enabled(212, s == 0);
    if (s == 1) form.set_text(212, "");

    form.set_enabled(304, form.get_check(2021) != 0);
    for (const ListGovernor& g : kListGovernors) form.set_enabled(g.list, form.get_check(g.box) != 0);
    for (int box : kBoxesOf2021) form.set_enabled(box, form.get_check(2021) != 0);
    form.set_enabled(2073, form.get_check(2036) == 0);
    form.set_enabled(2084, form.get_check(2038) != 0);
}

bool has_click_reaction(int box) {
    switch (box) {
    case 2021: case 2039: case 2030: case 2024: case 2025: case 2036: case 2038:
        return true;
    default:
        return false;
    }
}

void react_to_click(int box, Form& form) {
    for (const ListGovernor& g : kListGovernors) {
        if (g.box == box) {
            react_list_governor(g, form);
            return;
        }
    }
    switch (box) {
    case 2021: react_2021(form); break;
    case 2025: react_2025(form); break;
    case 2036: react_2036(form); break;
    case 2038: react_2038(form); break;
    default: break;
    }
}

}  // namespace ce
