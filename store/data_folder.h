// The map of a data folder: the names of everything the programs read and
// write in it, spelled here once.
//
//   MonstersSetup.vrh ... DefenseBonus.vrh   the six data files (store/layouts.h)
//   Lang                                     settings: language, creature shown
//   Eng/, Rus/                               language texts, five files each:
//       Monsters.txt Spells.txt Common.txt Plural.txt Ability.txt
//   Pic/<slot>.jpg                           portraits
//   .creatures.lock                          the writers' lock
//   .history/                                the history of writes (journal),
//       content/                             the old contents, by hash
//
// The files our writes change are the six data files, Lang, and the name,
// plural and ability files of both languages; they are the only files the
// folder's history may name. Everything in ".history" is untrusted input (a
// folder may arrive as an archive): a name outside them, or a path that leads
// out of the folder through a symbolic link, is never acted on for it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/fault.h"

namespace ce {

// The settings file (store/settings.h).
inline constexpr const char* kSettingsFile = "Lang";
// The folder of each language's texts: 0 English, 1 Russian.
inline constexpr std::array<const char*, 2> kLanguageFolders = {"Eng", "Rus"};
// The language files of a language folder, by their kind (text/language.h).
inline constexpr std::array<const char*, 5> kLanguageFileNames = {"Monsters.txt", "Spells.txt", "Common.txt",
                                                                  "Plural.txt", "Ability.txt"};
// The language files a Save, an import or a restore may change: a creature's
// name, plural and ability lines.
inline constexpr std::array<const char*, 3> kWrittenLanguageFileNames = {"Monsters.txt", "Plural.txt",
                                                                         "Ability.txt"};
// The portraits' folder: "Pic/<slot>.jpg".
inline constexpr const char* kPictureFolder = "Pic";
// The writers' lock (store/folder_lock.h).
inline constexpr const char* kLockFileName = ".creatures.lock";
// The history of writes (store/history.h), and its folder of old contents.
inline constexpr const char* kHistoryFolder = ".history";
inline constexpr const char* kContentFolder = "content";
// The creature whose name and sound name the editor keeps empty.
inline constexpr int kFixedSlot = 149;

// The files our writes change, by their relative names, '/' between parts
// ("Eng/Monsters.txt").
const std::vector<std::string>& folder_file_names();
bool is_folder_file(std::string_view name);
// Whether `name` is a language folder ("Eng", "Rus").
bool is_language_folder(std::string_view name);

// Why the folder's file `name` (one of folder_file_names) must not be written
// for the history: a symbolic link at any level of its path that leads out of
// the folder `root` (the file itself, or its language folder).
Status link_out_of_folder(const std::string& root, const std::string& name);

}  // namespace ce
