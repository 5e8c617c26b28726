// The recovery of a folder write that a crash cut off (the write itself:
// journal.h). Every program of ours runs it when it opens a folder: each
// interrupted write is rolled back by its journal (its files put back to their
// old bytes), a file whose rewrite in place was cut off is put back from its
// backup copy, our temporary files are removed, and a stored content that a
// data file shares its storage with is given a storage of its own. A journal
// that names what it must not (a file that is not the folder's, a path through
// a link out of it) changes nothing and is an error.
#pragma once

#include <string>
#include <vector>

#include "store/fault.h"
#include "store/folder_lock.h"

namespace ce {

class FileOps;
struct FolderScan;

struct Recovery {
    std::vector<std::string> done;        // one line per thing put right
    std::vector<std::string> left_alone;  // one line per name made like ours that no record names
    // What could not be recovered; a fault of kind busy when another program
    // holds the lock and the folder was left alone.
    Status status;
};

// Takes the lock unless `lock` holds it; a folder locked by another writer is
// left alone (a busy fault).
Recovery recover_folder(FileOps& ops, const std::string& root, FolderLock* lock = nullptr, int wait_ms = 0);

// What the user is told once about a recovery ("" when there is nothing to say).
std::string recovery_message(const Recovery& recovery, const std::string& root);

// What recover_folder would do, without doing it: for `creatures check`.
std::vector<std::string> recovery_needed(const std::string& root);
// What recover_folder leaves alone (Recovery::left_alone), without the lock.
std::vector<std::string> left_alone_in(const std::string& root);

// The recovery that a write runs under its lock `held` before it writes:
// recover_folder without the content folder (the program looked at that when
// it opened the folder). `scan` receives what the folder holds afterwards.
Recovery recover_before_write(FileOps& ops, const std::string& root, FolderLock& held, FolderScan& scan);

}  // namespace ce
