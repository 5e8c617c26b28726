// The files of a data folder that our writes change, and so the only files
// that the folder's history may name: the six data files, the settings file
// Lang, and the name, plural and ability files of both languages. Everything
// in ".history" is untrusted input (a folder may arrive as an archive): a name
// outside this list, or a path that leads out of the folder through a
// symbolic link, is never acted on for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

// Relative names, '/' between parts ("Eng/Monsters.txt").
const std::vector<std::string>& folder_file_names();
bool is_folder_file(std::string_view name);

// Why the folder's file `name` (one of folder_file_names) must not be written
// for the history: a symbolic link at any level of its path that leads out of
// the folder `root` (the file itself, or its language folder). Nothing when
// its path stays inside the folder.
std::optional<std::string> link_out_of_folder(const std::string& root, const std::string& name);

}  // namespace ce
