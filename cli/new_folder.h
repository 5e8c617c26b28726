// A new folder written whole or not at all: its files are written and flushed
// in a hidden folder beside it, which then takes its name in one rename.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace ce {

class FileOps;

struct NewFile {
    std::string name;       // relative to the folder, '/' between its parts ("Eng/Monsters.txt")
    std::string bytes;      // its bytes, unless `copy_from`
    std::string copy_from;  // a file whose bytes it takes, when not empty
};

// What keeps `path` from being made as a new folder: it exists, or the folder
// it would be made in does not. Nothing when it can be made.
std::optional<std::string> new_folder_problem(const std::string& path);

// Writes the folder at `path` with these files (the folders between are made).
// Nothing on success; otherwise what went wrong, and nothing is left behind.
std::optional<std::string> write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files);

}  // namespace ce
