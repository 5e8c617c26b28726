// flock on the lock file: held by the open file description, dropped by the
// system when the process ends however it ends.
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

std::optional<std::string> open_lock_file(const std::string& path, std::intptr_t& handle) {
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
    return std::nullopt;
}

bool try_lock(std::intptr_t handle) {
    for (;;) {
        if (::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

void close_lock_file(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

void pause_ms(int ms) {
    struct timespec t {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

}  // namespace ce::lock_detail
