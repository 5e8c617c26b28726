// Restoring one creature: its fields and its name, plural and ability lines
// of both languages as the folder held them then, put over the folder's files
// now. Both folders are in memory (then: from its history entry's bytes).
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>

#include "folder/dataset.h"

namespace ce {

// A write's files by name: each one's new bytes, and the bytes read of it
// that they were built from (what the commit checks).
struct RestoreFiles {
    std::map<std::string, std::string> bytes;
    std::map<std::string, std::optional<std::string>> read;
};

// The folder's files now and then, one Dataset per language (0 English, 1 Russian).
using BothLanguages = std::array<Dataset, 2>;

// The files that change when creature `slot` of `now` is made as it is in
// `then`: its data fields element by element, its lines through their line
// rules. A fault when a data file of either cannot be used, or a language file
// that one of them holds cannot be read in the other (the creature would be
// left half restored).
Result<RestoreFiles> restore_creature(const BothLanguages& now, const BothLanguages& then, int slot);

}  // namespace ce
