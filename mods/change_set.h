// A change set: what a patch, a merge's patch side or the editor wants to
// change in a folder, field by field, as the files hold the values (numbers,
// the bytes of texts): the text of a value is made only where it is shown.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "folder/dataset.h"
#include "folder/fields.h"

namespace ce {

// A value as the files hold it.
constexpr std::size_t kMostDots = 64;
struct StoredValue {
    std::int64_t number = 0;  // Integer: the stored value; Float: its bits (unsigned)
    std::string bytes;        // Text, Line: the text in the language's code page; After: the bytes after the zero
    std::uint64_t dots = 0;   // After: bit i for byte i that the text and its zero take (a text field holds
                              // at most 64 bytes)
    bool operator==(const StoredValue&) const = default;
};

// One change of one creature's field: the value it was made from and the one
// it wants, and where a patch gave it (for its place in messages).
struct Change {
    int creature = 0;  // index into Patch::creatures
    int change = 0;    // index into its changes
    int slot = 0;
    int field = 0;     // index into make_fields(true)
    StoredValue before, after;
};
using ChangeSet = std::vector<Change>;

// The field's value in the folder, as a change's values are compared with it.
StoredValue folder_value(const Dataset& data, const Field& field, int slot);

// How the folder stands to one change.
enum class ChangeState : std::uint8_t {
    Before,    // it holds "before": "after" is to be written
    After,     // it holds "after" already
    Conflict,  // anything else
};
ChangeState change_state(const Dataset& data, const std::vector<Field>& fields, const Change& change);

// The lines a write changes, per TextKind: line -> new content.
using LineEdits = std::array<std::map<int, std::string>, 5>;

// What writing a change set did: the data files whose bytes changed in
// memory, and the lines to change in the language files.
struct Edits {
    std::array<bool, kDataFileCount> data_changed{};
    LineEdits lines;
};

// Writes the "after" of the changes marked in `take` into the data files of
// `data` (the bytes in memory); the lines go to `edits.lines`. A text and the
// bytes after its zero are one element, built once both are known.
Edits put_afters(Dataset& data, const std::vector<Field>& fields, const ChangeSet& changes,
                 const std::vector<bool>& take);

// The language files of `data` with the edited lines put in (and split again).
void put_lines(Dataset& data, const LineEdits& lines);

}  // namespace ce
