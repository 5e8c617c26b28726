// A new folder written whole or not at all: its files are written and flushed
// in a hidden folder beside it, which then takes its name in one rename.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "store/fault.h"

namespace ce {

class FileOps;

struct NewFile {
    std::string name;       // relative to the folder, '/' between its parts ("Eng/Monsters.txt")
    std::string bytes;      // its bytes, unless `copy_from`
    std::string copy_from;  // a file whose bytes it takes, when not empty
};

// What keeps `path` from being made as a new folder: it exists, or the folder
// it would be made in does not. Success when it can be made.
Status new_folder_problem(const std::string& path);

// Writes the folder at `path` with these files (the folders between are made).
// On failure nothing is left behind.
Status write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files);

}  // namespace ce
