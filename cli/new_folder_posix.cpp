// A new folder's staging on POSIX: a folder of mode 0700 made with mkdir
// (which fails when anything has the name), our marker in it made with
// O_EXCL and held under flock while its writer lives. A leftover is ours only
// when it is a folder (not a link) that we own, private, holding a marker that
// we own, that nobody holds locked and that says what ours say.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/new_folder.h"
#include "store/whole_file.h"

namespace ce::staging {
namespace {

int open_retry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

void Marker::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));  // the lock goes with it
    handle_ = -1;
}

Status unmark(Marker&, const std::string& folder) {
    // Still locked: a sweep meanwhile finds no marker, or one it cannot lock.
    const std::string path = data_path(folder, kMarker);
    if (::unlink(path.c_str()) != 0) return Fault(path, std::strerror(errno));
    return {};
}

Status make_private_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return {};
    if (errno == EEXIST) return Fault(FaultKind::conflict, path, "exists already");
    return Fault(path, std::strerror(errno));
}

Result<Marker> mark(const std::string& folder, const std::string& content) {
    const std::string path = data_path(folder, kMarker);
    const int fd = open_retry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Fault(path, std::strerror(errno));
    Marker marker(fd);
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) return Fault(path, std::strerror(errno));
    std::size_t at = 0;
    while (at < content.size()) {
        const ssize_t n = ::write(fd, content.data() + at, content.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fault(path, std::strerror(errno));
        at += static_cast<std::size_t>(n);
    }
    return marker;
}

Found sweep(const std::string& folder, const std::string& content, Status& removal) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0)
        return Found::foreign;
    const std::string path = data_path(folder, kMarker);
    const int fd = open_retry(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Found::foreign;
    Marker held(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        static_cast<std::size_t>(st.st_size) != content.size())
        return Found::foreign;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? Found::running : Found::foreign;
    std::string said(content.size(), '\0');
    std::size_t at = 0;
    while (at < said.size()) {
        const ssize_t n = ::read(fd, said.data() + at, said.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        at += static_cast<std::size_t>(n);
    }
    if (at != said.size() || said != content) return Found::foreign;
    // Ours, and private to us: nothing in it can have been put there by
    // another, and remove_all removes a link, never what it leads to.
    removal = remove_marked(folder);
    return Found::ours;
}

void open_to_others(const std::string& folder) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::chmod(folder.c_str(), 0777 & ~mask);
}

}  // namespace ce::staging
