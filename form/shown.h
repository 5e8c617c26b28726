// What the form showed of the current creature, so that a Save stores only
// what the user changed since the show, onto the files as they are at Save
// time, and closing the editor can tell whether anything is unsaved.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "form/slot_binding.h"
#include "store/layouts.h"
#include "text/language.h"

namespace ce {

class Form;

// The creature's three lines, in this order: name (the edit part of list 300),
// plural (5000) and ability (5001).
constexpr std::array<TextKind, 3> kCreatureLines = {TextKind::Monsters, TextKind::Plural, TextKind::Ability};
int line_control(std::size_t line);

struct ShownCreature {
    int slot = -1;  // -1: no creature shown yet
    // The six data files as they were read for the show, or as the last Save
    // left them, indexed by DataFile.
    std::array<std::vector<std::uint8_t>, kDataFileCount> files;
    // Per file, one memo per binding row.
    std::array<std::vector<ElementMemo>, kDataFileCount> memos;
    // The texts of the three lines' controls after the show (or the last Save,
    // or a language switch, which shows the lines again).
    std::array<std::string, 3> lines;
    // What the user typed into the edit field of list 300 since the name was
    // last set there: the field shows another entry's name once the list
    // moves on, and the name typed is still the shown creature's.
    std::optional<std::string> typed_name;

    std::span<const std::uint8_t> file(DataFile id) const { return files[static_cast<std::size_t>(id)]; }
    std::span<const ElementMemo> memos_of(DataFile id) const {
        const auto& m = memos[static_cast<std::size_t>(id)];
        return m;
    }
};

// The text a line's control holds, whole.
std::string line_text(const Form& form, std::size_t line);

// After a show of `slot` from `files`: the files become the base, the memos
// start anew, and what the interlocks changed is noted as not the user's.
void remember_show(ShownCreature& shown, const Form& form, int slot,
                   std::array<std::vector<std::uint8_t>, kDataFileCount> files);
// After the three lines were shown again (a language switch, a Save).
void remember_lines(ShownCreature& shown, const Form& form);
// After a Save stored `files` for the shown creature: they become the base, and
// an element whose controls hold what was stored in another spelling (a float
// typed "1.5") keeps that spelling as a state that stands for them.
void remember_save(ShownCreature& shown, const Form& form, std::array<std::vector<std::uint8_t>, kDataFileCount> files);

// Whether the form holds anything of the shown creature that is not saved: an
// element or a line the user changed, typed or pasted. `name`, when given, is
// the creature's name as the form held it before list 300 moved on to another
// entry (its edit field then shows that entry's).
bool has_unsaved_changes(const ShownCreature& shown, const Form& form, const std::string* name = nullptr);

}  // namespace ce
