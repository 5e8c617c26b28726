// What the folder write's commit (journal_commit.cpp) and its recovery
// (journal_recovery.cpp) share: one look at the folders where our files can be,
// and reading and putting back one file of the folder. Not for other callers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/history.h"

namespace ce {

class FileOps;

// A temporary file of ours left in the folder, or the backup copy of a file
// whose rewrite in place was cut off.
struct Stray {
    std::string path;
    std::string base_path;  // the file it belongs to
    bool backup = false;
};

// What one look at the folder finds that a recovery or a write needs.
struct FolderScan {
    HistoryNames history;  // journals: interrupted writes
    std::vector<Stray> strays;
};

// One listing of each folder where our files can be: the data folder, the
// language folders and the history; the content folder too when `contents`
// (our writes leave no temporary file there, but an older program may have).
// Only strays that belong to a file of ours count; a language folder that is
// a link out of the data folder is not looked at.
FolderScan scan_folder(const std::string& root, bool contents = true);

// The file's bytes, or nothing when it does not exist; an error when it exists
// but cannot be read.
Status read_current(const std::string& path, std::optional<std::string>& out);

// Puts the file back to `old` (nothing: it did not exist) unless it holds it:
// by rename when it has one name, in place (its other names keep it) when it
// has more.
Status put_back(FileOps& ops, const std::string& path, const std::optional<std::string>& old);

// The path as a message shows it: relative to the folder `root`.
std::string shown(const std::string& root, const std::string& path);

// "a, b, c".
std::string joined(const std::vector<std::string>& names);

}  // namespace ce
