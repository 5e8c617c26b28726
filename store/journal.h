// A write of the data folder as one transaction: under the folder's lock, check
// that every file still holds what was read, store the old bytes of every file
// that changes in a journal entry (flushed before any file is replaced), replace
// the files, then mark the entry complete. A failure puts back what was already
// replaced; a crash is rolled back by the recovery (journal_recovery.h, included
// here for the writers that run it), which every program of ours runs when it
// opens the folder. The phases are drawn at the top of journal_commit.cpp.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/folder_lock.h"
#include "store/history.h"
#include "store/journal_recovery.h"

namespace ce {

class FileOps;

struct PlannedFile {
    std::string name;                     // relative to the data folder ("Eng/Monsters.txt")
    std::optional<std::string> expected;  // the bytes the writer read; nothing: not checked
    std::string bytes;                    // the new bytes
};

struct WriteOrigin {
    std::string made_by;                  // "Save of creature 5 in the editor" (any bytes: quoted in the manifest)
    std::vector<int> slots;
    // False for a write that is no history entry (the settings file): it is
    // journaled all the same, and its journal dropped once it is done.
    bool entry = true;
};

// What a write did: the entry it made, and the files it replaced. A write
// that fails writes nothing, and its fault says why.
struct Committed {
    EntryNumber entry = 0;                // the history entry made; 0 when nothing changed
    std::vector<std::string> written;     // names of the files replaced
};

// The whole write, all or nothing. `lock` may already hold the folder's lock
// (every writer takes it before it reads, lock_for_write): then the bytes the
// writer read are what the files hold, and each PlannedFile's `expected` is
// taken as it is. Otherwise the lock is taken here, waiting up to `wait_ms`,
// and every file is read again and compared with `expected`. Only the folder's own files may be written (data_folder.h).
// Files whose new bytes equal their current ones are left alone; when none
// changes, nothing is written and no entry is made.
Result<Committed> commit_folder_write(FileOps& ops, const std::string& root, const std::vector<PlannedFile>& files,
                                      const WriteOrigin& origin, FolderLock* lock = nullptr, int wait_ms = kLockWaitMs);

// Takes the folder's lock for a write (FileOps::lock_folder), then puts right
// what a crash left there: what the writer reads next is what the folder holds
// until it commits, and its commit may take those bytes as they are. The
// lock stays held until `lock` is released (or goes).
Status lock_for_write(FileOps& ops, const std::string& root, FolderLock& lock, int wait_ms = kLockWaitMs);

// A write collected file by file (full paths under `root`), then committed.
class FolderWrite {
public:
    FolderWrite(FileOps& ops, std::string root, WriteOrigin origin)
        : ops_(ops), root_(std::move(root)), origin_(std::move(origin)) {}
    // Takes the folder's lock now (lock_for_write), so that what is read next
    // is what the commit checks.
    Status lock(int wait_ms = kLockWaitMs) { return lock_for_write(ops_, root_, lock_, wait_ms); }
    void add(const std::string& path, std::string expected, std::string bytes);
    bool empty() const { return files_.empty(); }
    Result<Committed> commit();
    // Whether commit() ran and wrote nothing because of a fault.
    bool failed() const { return failed_; }

private:
    FileOps& ops_;
    std::string root_;
    WriteOrigin origin_;
    FolderLock lock_;
    std::vector<PlannedFile> files_;
    bool failed_ = false;
};

// The name of `path` relative to `root`, '/' between its parts.
std::string folder_relative_name(const std::string& root, const std::string& path);

}  // namespace ce
