// A new folder's staging on POSIX: a folder of mode 0700 made with mkdir
// (which fails when anything has the name) and, beside it, our marker made
// with O_EXCL and held under flock while its writer lives. A leftover is ours
// only when its marker is a file that we own, that nobody holds locked and
// that says what ours say, and the folder (when there) is a folder, not a
// link, that we own and that nobody else may write.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "folder/new_folder.h"

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

Status make_private_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return {};
    if (errno == EEXIST) return Fault(FaultKind::conflict, path, "exists already");
    return Fault(path, std::strerror(errno));
}

Result<Marker> mark(const std::string& path, const std::string& content) {
    const int fd = open_retry(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? Fault(FaultKind::conflict, path, "exists already") : Fault(path, std::strerror(errno));
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

Status unmark(Marker&, const std::string& path) {
    // Still locked until the marker goes: a sweep meanwhile finds none, or one it cannot lock.
    if (::unlink(path.c_str()) != 0) return Fault(path, std::strerror(errno));
    return {};
}

Found sweep(const std::string& folder, const std::string& marker, const std::string& content, Status& removal) {
    struct stat st {};
    const bool folder_there = ::lstat(folder.c_str(), &st) == 0;
    // Ours, and writable by nobody else (it is private while written, then opened
    // to readers just before it takes its name): nothing in it can be another's.
    const bool folder_ours = folder_there && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
    const int fd = open_retry(marker.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT && !folder_there) return Found::none;
        return Found::foreign;
    }
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
    if (folder_there && !folder_ours) return Found::foreign;
    if (!folder_there) {
        // Our record alone (its writer stopped after the folder took its name): nothing else to say.
        (void)::unlink(marker.c_str());
        return Found::none;
    }  // not what our writer made
    // Nothing in it can have been put there by another, and remove_all
    // removes a link, never what it leads to. The
    // marker goes last, so that a run stopped here leaves it for the next.
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec) removal = Fault(folder, ec.message());
    else if (::unlink(marker.c_str()) != 0) removal = Fault(marker, std::strerror(errno));
    return Found::ours;
}

void open_to_others(const std::string& folder) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::chmod(folder.c_str(), 0777 & ~mask);
}

}  // namespace ce::staging
