// The folder's history on the command line (creatures history, creatures
// restore, the DIR@N source of creatures diff, with the temporary folders they
// read from) and the recovery that every command runs when it opens a folder.
// The import's one write: import_commit.h.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// A temporary copy of a data folder's files, removed with the object.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Copies the folder's data files, Lang and language files, then writes
    // `overrides` (relative name -> bytes) over them.
    Status make(const std::string& root, const std::map<std::string, std::string>& overrides);
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Resolves a diff source: a plain folder stays as it is; "DIR@N" is made in
// `temp` and `folder` names it. False (with the message on `err`) on a fault.
bool open_diff_source(const std::string& source, TempFolder& temp, std::string& folder, std::ostream& err);

}  // namespace ce
