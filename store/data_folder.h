// The map of a data folder: the names of what the programs read and write in
// it besides the six data files (store/layouts.h).
//
//   MonstersSetup.vrh ... DefenseBonus.vrh   the six data files
//   Lang                                     settings: language, creature shown
//   Eng/, Rus/                               language texts, five files each:
//       Monsters.txt Spells.txt Common.txt Plural.txt Ability.txt
//   Pic/<slot>.jpg                           portraits
//   .creatures.lock                          the writers' lock
//   .history/                                the history of writes (journal)
#pragma once

#include <array>

namespace ce {

// The folder of each language's texts: 0 English, 1 Russian.
inline constexpr std::array<const char*, 2> kLanguageFolders = {"Eng", "Rus"};
// The language files of a language folder, by their kind (text/language.h).
inline constexpr std::array<const char*, 5> kLanguageFileNames = {"Monsters.txt", "Spells.txt", "Common.txt",
                                                                  "Plural.txt", "Ability.txt"};
// The portraits' folder: "Pic/<slot>.jpg".
inline constexpr const char* kPictureFolder = "Pic";
// The creature whose name and sound name the editor keeps empty.
inline constexpr int kFixedSlot = 149;

}  // namespace ce
