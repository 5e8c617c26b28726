// The three-way merge of creature data, field by field: what one side changed
// since a common base goes onto the other side, unless both changed the same
// field to different values (a conflict). A field is one element of one binding
// row in one slot: a number, a text field with all its bytes, a check byte, one
// flag bit of the Bit arrays. The editor's Save merges the user's changes onto
// the files as they are at Save time; the tool merges whole folders.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/binding.h"

namespace ce {

// Whether the slot's element of `row` holds the same bits in both files.
bool same_element(const BindingRow& row, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                  int slot);
// Copies the slot's element of `row` from one file into the other (for a Bit
// row only its bit).
void copy_element(const BindingRow& row, std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
                  int slot);

// The slot's element as a value of its own, to carry to another slot: its
// `width` bytes, or for a Bit row one byte, 0 or 1.
std::string element_bytes(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot);
// Puts such a value into the slot's element.
void put_element_bytes(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::string_view value);

// How the two sides of one field relate to their base.
enum class MergeCase : std::uint8_t {
    Unchanged,  // neither side changed it
    Theirs,     // only theirs changed it (or both the same way): theirs stands
    Ours,       // only ours changed it: ours goes onto theirs
    Conflict,   // both changed it, to different values
};
MergeCase merge_case(const BindingRow& row, std::span<const std::uint8_t> base, std::span<const std::uint8_t> ours,
                     std::span<const std::uint8_t> theirs, int slot);

// A field both sides changed to different values.
struct FieldConflict {
    const BindingRow* row;
    int slot;
};

// Merges one slot of one data file onto `theirs`: every field that ours changed
// since `base` and theirs did not is copied from ours; a field both changed to
// different values is listed in `conflicts` and keeps theirs. All three are
// whole files of the same layout.
void merge_slot(DataFile file, std::span<const std::uint8_t> base, std::span<const std::uint8_t> ours,
                std::span<std::uint8_t> theirs, int slot, std::vector<FieldConflict>& conflicts);

// --- Many sides onto one base (mods merged into one folder) -----------------------

// The six data files of a folder, whole (at least their fixed sizes), by DataFile.
using FolderFiles = std::array<std::span<const std::uint8_t>, kDataFileCount>;

// A field that one or more sides changed from the base.
struct ChangedField {
    const BindingRow* row;
    int slot;
    std::vector<int> changed_by;  // the sides whose value differs from the base, ascending
    bool conflict = false;        // two of them hold different values
    int taken = -1;               // the side whose value the result holds; -1: none (an open conflict)
};

// The side among `sides` (ascending) that an order of precedence ranks highest
// (listed later), or -1 when it lists none of them: who wins a conflict. The
// tool's merge settles the language files' lines and the portraits by it too.
int preferred_side(std::span<const int> sides, std::span<const int> precedence);

// Merges every side's changes onto the base, field by field, into `out` (copies
// of the base's files at their fixed sizes). Sides that change a field to the
// same value agree; to different values it is a conflict, which `precedence`
// settles (the side listed later wins; sides it does not list never win a
// conflict) or, when it names none of them, leaves open with the base's value.
// Returns every changed field in file, slot and row order.
std::vector<ChangedField> merge_sides(const FolderFiles& base, std::span<const FolderFiles> sides,
                                      std::span<const int> precedence,
                                      std::array<std::vector<std::uint8_t>, kDataFileCount>& out);

}  // namespace ce
