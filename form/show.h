// Showing one creature in the whole form.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "store/layouts.h"

namespace ce {

class Form;
struct EditorState;

// What one show puts into the form: the slot's values of the six data files
// (whole files, at least their fixed sizes, indexed by DataFile), and, where
// given, the header, the portrait, the plural and ability lines and the
// interlocks. The tool's show gives the files alone.
struct CreatureSource {
    std::array<std::span<const std::uint8_t>, kDataFileCount> files;
    const std::string* header_format = nullptr;  // nullptr: the header is left alone
    const std::string* plural = nullptr;         // nullptr: edit 5000 is left alone
    const std::string* ability = nullptr;        // nullptr: edit 5001 is left alone
    bool portrait = false;
    bool interlocks = false;
};

// Puts creature `slot` (0..999) into the form in the fixed order: header,
// portrait, the creature table file, list 300, plural and ability lines, the
// five side table files, interlocks.
void show_creature_values(Form& form, const CreatureSource& source, int slot);

// Fills the form with creature `slot` (0..999) from the files of state.root, as
// show_creature_values does with everything, and remembers in state.shown what
// it showed. When a data file is missing or short the show is refused as a
// whole: the form and state.shown are left as they were, the fault is reported
// through form.report_error, and false is returned. Does not change
// state.current; the caller sets it after a successful show.
bool show_creature(EditorState& state, Form& form, int slot);

}  // namespace ce
