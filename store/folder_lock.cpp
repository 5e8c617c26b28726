// The bounded wait for the folder's lock; the locking itself is platform code.
#include "store/folder_lock.h"

#include <chrono>
#include <sstream>

#include "store/value_text.h"
#include "store/whole_file.h"

namespace ce {

Status FolderLock::acquire(const std::string& root, int wait_ms) {
    release();
    const std::string path = data_path(root, kLockFileName);
    std::intptr_t handle = kNone;
    if (Status e = lock_detail::open_lock_file(path, handle); !e.ok())
        return Fault(e.fault().kind, path, "cannot open the folder's lock file: " + e.fault().reason);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        if (lock_detail::try_lock(handle)) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            lock_detail::close_lock_file(handle);
            return Fault(FaultKind::busy, root.empty() ? std::string("the current folder") : root,
                         std::string("another program is writing this data folder (it holds ") + kLockFileName +
                             "); gave up after waiting " + std::to_string((wait_ms + 999) / 1000) + " s");
        }
        lock_detail::pause_ms(20);
    }
    handle_ = handle;
    root_ = root;
    return {};
}

void FolderLock::release() {
    if (handle_ == kNone) return;
    lock_detail::close_lock_file(handle_);  // closing drops the lock
    handle_ = kNone;
}

namespace lock_detail {

// Waiters ("1: -> FLOCK ...") hold nothing; the other kinds (POSIX, OFDLCK)
// are record locks, which Wine's LockFileEx sees already.
bool lists_flock_on(const std::string& list, unsigned long long inode) {
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string id, kind, mode, access, pid, where;
        if (!(words >> id >> kind >> mode >> access >> pid >> where) || kind != "FLOCK") continue;
        const std::size_t colon = where.rfind(':');
        if (colon == std::string::npos) continue;
        if (parse_decimal(std::string_view(where).substr(colon + 1)) == inode) return true;
    }
    return false;
}

}  // namespace lock_detail

}  // namespace ce
