// A data folder in memory from the bytes of its files, as a history entry
// gives them: no file is read or written for it.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "folder/dataset.h"

namespace ce {

// A folder's files by name ("Lang", "MonstersSetup.vrh", "Eng/Monsters.txt");
// a name that is not there is a file that does not exist.
using FileBytes = std::map<std::string, std::string>;

// A file's name as a write and its records name it, '/' between its parts
// (the folder in memory names its language files with the system's separator).
std::string record_name(std::string name);

// Puts files as a history entry gives them (names with '/' between their parts,
// as its records name them; nothing: the file did not exist then) over `files`.
void put_over(FileBytes& files, const std::map<std::string, std::optional<std::string>>& history_files);

// The files of the folder at `root` that a folder in memory is made of, each
// that can be read (Lang, the six data files, both languages' five texts).
FileBytes read_folder_bytes(const std::string& root);

// The folder made of `files` as load_dataset would read it from a folder that
// holds them (paths named under `root`), its texts in `language` (the one its
// Lang names when -1).
Dataset dataset_from_bytes(const std::string& root, const FileBytes& files, int language = -1);

}  // namespace ce
