// The tool's suites work on the varied folder of support/data_folder.h: Lang,
// the six data files with varied values in every element, and the five
// language files in English (Windows-1252, with accented letters) and Russian
// (Windows-1251). A few slots hold, on purpose, values that the editor cannot
// show faithfully; every other value is one the editor shows as stored.
#pragma once

#include <cstdint>
#include <string>

#include "support/data_folder.h"
#include "support/random.h"

namespace ce::test {

namespace fixture_slot = varied_slot;
constexpr const char* kFixtureAmmoNoZero = kVariedAmmoNoZero;
constexpr int kFixtureSpells = kVariedSpells;

// Writes the folder into dir. Language 0 in Lang.
inline void write_fixture_folder(const std::string& dir, std::uint64_t seed = 1) {
    write_data_folder(dir, varied_folder(seed));
}

}  // namespace ce::test
