// One writer at a time in a data folder: an exclusive OS lock on a lock file in
// the folder (LockFileEx on Windows; on POSIX flock and a record lock on the
// whole file, the kind Wine takes for a Windows program's LockFileEx, so that
// the editor under Wine and the native tool exclude each other). The system
// drops the lock when its process ends, so a crashed writer never leaves the
// folder locked.
#pragma once

#include <cstdint>
#include <string>

#include "store/data_folder.h"
#include "store/fault.h"

namespace ce {

// How long a second writer waits before it gives up.
constexpr int kLockWaitMs = 5000;

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock of the folder `root`, waiting up to `wait_ms` for another
    // writer to finish. A fault that names the folder and why: busy when
    // another writer holds it, else a lock file that cannot be opened.
    Status acquire(const std::string& root, int wait_ms = kLockWaitMs);
    // Whether the lock is held now; `root` is the folder it was taken for.
    bool held() const { return handle_ != kNone; }
    const std::string& root() const { return root_; }
    void release();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
    std::string root_;
};

namespace lock_detail {
// Platform parts (folder_lock_posix.cpp, folder_lock_win32.cpp).
Status open_lock_file(const std::string& path, std::intptr_t& handle);
// True when the lock was taken; false when another holder has it.
bool try_lock(std::intptr_t handle);
void close_lock_file(std::intptr_t handle);
void pause_ms(int ms);
// Whether the system's list of file locks (Linux's /proc/locks: lines such as
// "1: FLOCK  ADVISORY  WRITE 4242 fe:00:1234 0 EOF") names a flock held on the
// file with inode `inode`. Under Wine, a Linux program's flock is invisible to
// LockFileEx; the Windows build looks for one in this list.
bool lists_flock_on(const std::string& list, unsigned long long inode);
}  // namespace lock_detail

}  // namespace ce
