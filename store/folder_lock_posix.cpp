// flock on the lock file, and a record lock (fcntl) on the whole of it: both
// held by the open file description and dropped by the system when the
// process ends however it ends. Wine turns a Windows program's LockFileEx into
// a record lock (the wineserver's, on the locked bytes), which flock does not
// see: with both, the editor under Wine and the native tool exclude each other
// in both directions, and older native programs of ours, which take flock
// alone, are still excluded.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/fault.h"
#include "store/folder_lock.h"

namespace ce::lock_detail {

Status open_lock_file(const std::string& path, std::intptr_t& handle) {
    // Without blocking: a pipe in the lock file's place must not hold us.
    int fd;
    do fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int first = errno;
        // A lock file we may only read: a shared descriptor still locks.
        if (first == EACCES || first == EROFS || first == EPERM)
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        // No lock file, and a folder where none can be made: that is the reason.
        const int why = fd < 0 && errno == ENOENT ? first : errno;
        if (fd < 0) return std::string(why == EISDIR ? reason::kFolder
                                       : why == EACCES || why == EPERM ? reason::kDenied
                                                                        : std::strerror(why));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return std::string(folder ? reason::kFolder : reason::kNotRegular);
    }
    handle = fd;
    return {};
}

namespace {

// A write lock on the whole file, owned by the open file description where
// the system has such locks (a process then excludes itself too, as with
// flock, and closing another descriptor of the file does not drop it). True
// when taken, or when the file system keeps no record locks (flock decides);
// false when another holder has one.
bool record_lock(int fd) {
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;  // l_start and l_len 0: the whole file, however long
#ifdef F_OFD_SETLK
    int command = F_OFD_SETLK;
#else
    int command = F_SETLK;
#endif
    for (;;) {
        if (::fcntl(fd, command, &range) == 0) return true;
        if (errno == EINTR) continue;
        // A lock file we may only read takes a read lock, which still keeps
        // out every writer's write lock.
        if (errno == EBADF && range.l_type == F_WRLCK) {
            range.l_type = F_RDLCK;
            continue;
        }
#ifdef F_OFD_SETLK
        if (errno == EINVAL && command == F_OFD_SETLK) {  // a kernel before open file description locks
            command = F_SETLK;
            continue;
        }
#endif
        return errno != EAGAIN && errno != EACCES;
    }
}

}  // namespace

bool try_lock(std::intptr_t handle) {
    const int fd = static_cast<int>(handle);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        if (errno != EINTR) return false;
    }
    if (record_lock(fd)) return true;
    (void)::flock(fd, LOCK_UN);
    return false;
}

void close_lock_file(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

void pause_ms(int ms) {
    struct timespec t {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

}  // namespace ce::lock_detail
