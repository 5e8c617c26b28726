// The six fixed-size creature data files.
#pragma once

#include <cstddef>
#include <span>

namespace ce {

constexpr int kSlots = 1000;

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
