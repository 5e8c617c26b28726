// What the user can see of the editor form, for comparing two forms or one
// form before and after: the headless model and the real dialog alike.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "form/catalogue.h"
#include "form/form.h"

namespace ce::test {

// By identifier: text, check state, selection, entry count and whether it is
// enabled.
using FormValues = std::map<int, std::string>;

// Every control of the form, leaving out the identifiers in `skip`; a shared
// identifier shows its first control.
inline FormValues form_values(const Form& form, std::initializer_list<int> skip = {}) {
    FormValues out;
    for (const Control& c : editor_controls()) {
        if (out.count(c.id) != 0 || std::find(skip.begin(), skip.end(), c.id) != skip.end()) continue;
        out[c.id] = form.get_text(c.id, 1 << 20) + "|check " + std::to_string(form.get_check(c.id)) +
                    "|sel " + std::to_string(form.selected_item(c.id)) + "|items " +
                    std::to_string(form.item_count(c.id)) + (form.is_enabled(c.id) ? "|on" : "|off");
    }
    return out;
}

// The identifiers of `a` whose values differ in `b` (or that `b` lacks).
inline std::vector<int> differing(const FormValues& a, const FormValues& b) {
    std::vector<int> ids;
    for (const auto& [id, value] : a) {
        const auto other = b.find(id);
        if (other == b.end() || other->second != value) ids.push_back(id);
    }
    return ids;
}

// The same differences with both sides, one line each, for a readable failure.
inline std::string value_differences(const FormValues& real, const FormValues& model) {
    std::string out;
    for (const int id : differing(real, model)) {
        const auto other = model.find(id);
        const std::string expected = other == model.end() ? "(none)" : other->second;
        out += "\n  " + std::to_string(id) + ": dialog [" + real.at(id) + "] model [" + expected + "]";
    }
    return out;
}

}  // namespace ce::test
