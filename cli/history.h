// The folder's history on the command line (creatures history, creatures
// restore, the DIR@N source of creatures diff, each a folder in memory) and
// the recovery that every command runs when it opens a folder.
// The import's one write: import_commit.h.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "folder/folder_bytes.h"
#include "store/journal.h"

namespace ce {

class FileOps;

struct HistoryOptions {
    std::string root;
    bool json = false;
    std::optional<int> keep_entries;
    std::optional<int> keep_mib;
    bool on = false, off = false;
};
int run_history(const HistoryOptions& options, FileOps& ops, std::ostream& out, std::ostream& err);

struct RestoreOptions {
    std::string root;
    std::string entry;            // as given: parsed strictly (parse_entry_number)
    std::optional<int> slot;
    bool dry_run = false;
    bool force = false;           // restore files that do not hold what the history says they hold
};
int run_restore(const RestoreOptions& options, FileOps& ops, std::ostream& out, std::ostream& err);

// Finishes what a crash left in the folder and tells the user once, on `err`.
// False when something could not be recovered (said on `err` too).
bool recover_at_open(const std::string& root, FileOps& ops, const std::string& command, std::ostream& err);
// The folder named by a diff source: "DIR@N" is the folder DIR as it was before
// history entry N (when no folder is called "DIR@N").
std::string folder_of_source(const std::string& source);

// A folder a diff compares: the folder at `root`, or, with `files`, the folder
// made of those bytes in memory (as it was before a history entry, or as a
// restore would make it).
struct DiffSource {
    std::string root;
    std::optional<FileBytes> files;
};

// Resolves a diff source: a plain folder stays as it is; "DIR@N" is the folder
// DIR as it was before entry N, in memory.
Result<DiffSource> diff_source(const std::string& source);

// The differences of two folders, as creatures diff reports them (`patch`: as
// a patch); the exit status of the command.
int diff_folders(const DiffSource& a, const DiffSource& b, bool patch, std::ostream& out, std::ostream& err);

}  // namespace ce
