// Names and fixed sizes of the six creature data files.
#include "store/layouts.h"

#include <array>

namespace ce {

std::string slot_range() { return "0 to " + std::to_string(kSlots - 1); }

Fault slot_fault(const std::string& given) {
    return Fault(FaultKind::out_of_range, "", given + " is not a creature slot (" + slot_range() + ")");
}
namespace {

constexpr std::array<DataFileInfo, 6> kFiles{{
    {DataFile::Monsters, "MonstersSetup.vrh", 254000},
    {DataFile::Ammo, "Ammo.vrh", 16000},
    {DataFile::ImposedSpells, "ImposedSpells.vrh", 6000},
    {DataFile::Firewall, "Firewall.vrh", 125},
    {DataFile::Demonology, "Demonology.vrh", 2000},
    {DataFile::DefenseBonus, "DefenseBonus.vrh", 1000},
}};

}  // namespace

std::span<const DataFileInfo> data_files() { return kFiles; }

const DataFileInfo& data_file(DataFile id) { return kFiles[static_cast<std::size_t>(id)]; }

}  // namespace ce
