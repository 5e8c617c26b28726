// The six data files of the demo.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "demo/vocabulary.h"

namespace ce {

// The bytes of MonstersSetup.vrh, Ammo.vrh, ImposedSpells.vrh, Firewall.vrh,
// Demonology.vrh and DefenseBonus.vrh (indexed by DataFile), each at its fixed
// size, for the given creatures and spell count.
std::array<std::vector<std::uint8_t>, 6> make_data_files(std::uint64_t seed,
                                                         const std::vector<Creature>& creatures,
                                                         int spell_count);

}  // namespace ce
