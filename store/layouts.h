// The six fixed-size creature data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "store/fault.h"

namespace ce {

constexpr int kSlots = 1000;

// Whether `n` is a creature slot: 0 to kSlots - 1.
constexpr bool is_slot(std::int64_t n) { return n >= 0 && n < kSlots; }
// The slots' range in words, "0 to 999": the one way it is written.
std::string slot_range();
// The one wording of a number that is not a slot, of kind out_of_range:
// "<given> is not a creature slot (0 to 999)"; `given` is the value as the
// user wrote it (quoted when it was a text).
Fault slot_fault(const std::string& given);

enum class DataFile { Monsters, Ammo, ImposedSpells, Firewall, Demonology, DefenseBonus };
constexpr std::size_t kDataFileCount = 6;

struct DataFileInfo {
    DataFile id;
    const char* name;   // "MonstersSetup.vrh", ...
    std::size_t size;   // fixed size in bytes
};

// All six, in the order Save writes them: MonstersSetup.vrh, Ammo.vrh,
// ImposedSpells.vrh, Firewall.vrh, Demonology.vrh, DefenseBonus.vrh.
std::span<const DataFileInfo> data_files();
const DataFileInfo& data_file(DataFile id);

}  // namespace ce
