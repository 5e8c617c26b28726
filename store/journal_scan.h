// What the folder write's commit (journal_commit.cpp) and its recovery
// (journal_recovery.cpp) share: one look at the folders where our files can be,
// and reading and putting back one file of the folder. Not for other callers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/history.h"

namespace ce {

class FileOps;

// A name in the folder made like one of our temporary files
// ("<file>.~new<digits>") or backup copies ("<file>.~old<digits>").
struct Stray {
    std::string path;
    std::string base_path;  // the file it is named after
    bool backup = false;    // ".~old"
    bool regular = true;    // a regular file (not a link, a folder, a pipe...)
    EntryNumber number = 0; // its digits, when they are an entry number
};

// What one look at the folder finds that a recovery or a write needs.
struct FolderScan {
    HistoryNames history;  // journals: interrupted writes
    // Temporary files of ours: beside the folder's files, those named by the
    // number of a write whose manifest the history holds (its journal, or the
    // manifest being written: a write makes that first, before any temporary
    // file of its own); in the history folder, those of its own names.
    std::vector<Stray> strays;
    // Names made like ours that no record of ours names: backup copies (no
    // write of ours leaves one in a data folder), temporary files of no write
    // in progress, and anything of our names that is not a regular file. Never
    // used, never removed: only named.
    std::vector<Stray> foreign;
};

// One listing of each folder where our files can be: the history, the data
// folder, the language folders; the content folder too when `contents` (our
// writes leave no temporary file there, but an older program may have). Only
// names after a file of ours count; a language folder that is a link out of
// the data folder is not looked at (nothing there is the folder's).
FolderScan scan_folder(const std::string& root, bool contents = true);

// The temporary file's tag of the write numbered `number`: ".~new<number>".
std::string temp_tag(EntryNumber number);

// The file's bytes, or nothing when it does not exist; an error when it exists
// but cannot be read.
Status read_current(const std::string& path, std::optional<std::string>& out);

// Puts the file back to `old` (nothing: it did not exist) unless it holds it.
// A file with more than one name is rewritten in place (its other names keep
// it) only when the write recorded that it rewrote it in place (`in_place`);
// any other is replaced by a new file under its own name, so that other names
// it was given since (a hard link to a file elsewhere) are never written
// through. `tag` names the temporary file (temp_tag).
Status put_back(FileOps& ops, const std::string& path, const std::optional<std::string>& old, bool in_place,
                const std::string& tag);

// The path as a message shows it: relative to the folder `root`, quoted
// where it is not plain.
std::string shown(const std::string& root, const std::string& path);

// "a, b, c".
std::string joined(const std::vector<std::string>& names);

}  // namespace ce
