// Reading a stranger's folder on POSIX: every part of a name is opened from
// the folder above it with O_NOFOLLOW, so that no link is followed that we did
// not read and judge ourselves, and nothing can be put in a part's place
// between our look at it and its opening.
#include "store/inside_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>

namespace ce {
namespace {

// Links followed for one name, at most (as the system's own limit).
constexpr int kMostLinks = 40;

std::string system_reason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return reason::kMissing;
        case EACCES:
        case EPERM: return reason::kDenied;
        case ELOOP: return reason::kLoop;
        case EISDIR: return reason::kFolder;
        case ENXIO:
        case ENODEV: return reason::kNotRegular;
        default: return std::strerror(error);
    }
}

int retry_open(int at, const char* name, int flags) {
    int fd;
    do fd = ::openat(at, name, flags);
    while (fd < 0 && errno == EINTR);
    return fd;
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Descriptor& operator=(Descriptor&& o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

FileAccess access_of(const struct stat& st) {
    FileAccess a;
    a.known = true;
    a.mode = static_cast<unsigned>(st.st_mode & 0777);
    a.owner = st.st_uid;
    a.group = st.st_gid;
    return a;
}

FileIdentity identity_of(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.written = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

// What keeps a file of this kind and size from being read as data.
const char* kind_reason(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return reason::kFolder;
    if (!S_ISREG(st.st_mode)) return reason::kNotRegular;
    if (static_cast<std::uint64_t>(st.st_size) > kLargestRead) return reason::kTooLarge;
    return nullptr;
}

void split_into(std::string_view name, std::deque<std::string>& parts, bool front) {
    std::deque<std::string> mine;
    std::size_t at = 0;
    while (at <= name.size()) {
        std::size_t slash = name.find('/', at);
        if (slash == std::string_view::npos) slash = name.size();
        if (slash > at) mine.emplace_back(name.substr(at, slash - at));
        at = slash + 1;
    }
    if (front) parts.insert(parts.begin(), mine.begin(), mine.end());
    else parts.insert(parts.end(), mine.begin(), mine.end());
}

// The folder `root`, then `name` in it walked part by part: the descriptor of
// what `name` names, a folder when `folder`, else a regular file; `st` its state.
Result<Descriptor> walk(const std::string& root, std::string_view name, bool folder, struct stat& st) {
    const std::string shown = name.empty() ? (root.empty() ? std::string(".") : root) : data_path(root, std::string(name));
    std::vector<Descriptor> folders;
    folders.emplace_back(retry_open(AT_FDCWD, root.empty() ? "." : root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folders.back().get() < 0) return Fault(shown, system_reason(errno));
    std::deque<std::string> parts;
    split_into(name, parts, false);
    int links = 0;
    while (!parts.empty()) {
        const std::string part = std::move(parts.front());
        parts.pop_front();
        if (part == ".") continue;
        if (part == "..") {
            // Only a link's text brings us here: it may climb back up to the folder, never past it.
            if (folders.size() == 1) return Fault(FaultKind::invalid, shown, reason::kLinkOut);
            folders.pop_back();
            continue;
        }
        const int at = folders.back().get();
        if (::fstatat(at, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Fault(shown, system_reason(errno));
        if (S_ISLNK(st.st_mode)) {
            if (++links > kMostLinks) return Fault(FaultKind::invalid, shown, reason::kLoop);
            std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
            const ssize_t n = ::readlinkat(at, part.c_str(), target.data(), target.size());
            if (n < 0) return Fault(shown, system_reason(errno));
            target.resize(static_cast<std::size_t>(n));
            if (target.empty() || target.front() == '/') return Fault(FaultKind::invalid, shown, reason::kLinkOut);
            split_into(target, parts, true);
            continue;
        }
        if (!parts.empty() || folder) {
            if (!S_ISDIR(st.st_mode))
                return parts.empty() ? Fault(FaultKind::invalid, shown, "not a folder") : Fault(shown, reason::kMissing);
            Descriptor next(retry_open(at, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0) return Fault(shown, errno == ELOOP ? "changed while it was read" : system_reason(errno));
            folders.push_back(std::move(next));
            continue;
        }
        // The file itself: looked at before it is opened, so that a device is
        // never opened, and opened without waiting, so that a pipe put in its
        // place meanwhile cannot hold us; what was opened must be what we saw.
        if (const char* why = kind_reason(st)) return Fault(FaultKind::invalid, shown, why);
        const struct stat seen = st;
        Descriptor file(retry_open(at, part.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.get() < 0) return Fault(shown, errno == ELOOP ? "changed while it was read" : system_reason(errno));
        if (::fstat(file.get(), &st) != 0) return Fault(shown, std::strerror(errno));
        if (const char* why = kind_reason(st)) return Fault(FaultKind::invalid, shown, why);
        if (st.st_dev != seen.st_dev || st.st_ino != seen.st_ino)
            return Fault(FaultKind::invalid, shown, "changed while it was read");
        return file;
    }
    // The name was the folder itself, or links that lead back into it.
    if (!folder) return Fault(FaultKind::invalid, shown, reason::kFolder);
    if (::fstat(folders.back().get(), &st) != 0) return Fault(shown, std::strerror(errno));
    return std::move(folders.back());
}

}  // namespace

unsigned copy_mode(const FileAccess& source, std::uint64_t owner, std::uint64_t group) {
    if (!source.known) return 0777;
    const unsigned everybody = source.mode & 07;
    const unsigned own = source.owner == owner ? (source.mode >> 6) & 07 : 06;
    const unsigned grouped = source.group == group ? (source.mode >> 3) & 07 : everybody;
    return own << 6 | grouped << 3 | everybody;
}

Status narrow_access(const std::string& path, const std::vector<FileAccess>& sources) {
    if (sources.empty()) return {};
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return Fault(path, std::strerror(errno));
    unsigned mode = static_cast<unsigned>(st.st_mode & 0777);
    for (const FileAccess& source : sources) mode &= copy_mode(source, st.st_uid, st.st_gid);
    if (mode == static_cast<unsigned>(st.st_mode & 0777)) return {};
    if (::chmod(path.c_str(), static_cast<mode_t>(mode)) != 0) return Fault(path, std::strerror(errno));
    return {};
}

FileReader::FileReader(FileReader&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), access_(other.access_), identity_(other.identity_) {
    other.handle_ = -1;
}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(path_, other.path_);
    std::swap(access_, other.access_);
    std::swap(identity_, other.identity_);
    return *this;
}

FileReader::~FileReader() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

Result<std::size_t> FileReader::read(void* buffer, std::size_t most) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, most);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return Fault(path_, std::strerror(errno));
    }
}

Status FileReader::read_whole(WholeFile& out) {
    const std::size_t size = static_cast<std::size_t>(identity_.size);
    std::vector<std::uint8_t> block(size + 32, 0);
    std::size_t got = 0;
    while (got < size) {
        const Result<std::size_t> n = read(block.data() + got, size - got);
        if (!n.ok()) return n.fault();
        if (*n == 0) break;  // the file shrank meanwhile: what was read is the file
        got += *n;
    }
    block.resize(got + 32);
    out.block = std::move(block);
    out.length = got;
    return {};
}

Result<FileReader> open_for_reading(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        struct stat link {};
        if (errno == ENOENT && ::lstat(path.c_str(), &link) == 0) return Fault(path, reason::kDangling);
        return Fault(path, system_reason(errno));
    }
    if (const char* why = kind_reason(st)) return Fault(FaultKind::invalid, path, why);
    Descriptor fd(retry_open(AT_FDCWD, path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return Fault(path, system_reason(errno));
    if (::fstat(fd.get(), &st) != 0) return Fault(path, std::strerror(errno));
    if (const char* why = kind_reason(st)) return Fault(FaultKind::invalid, path, why);
    return FileReader(fd.release(), path, access_of(st), identity_of(st));
}

Result<FileReader> open_inside(const std::string& root, std::string_view name) {
    struct stat st {};
    Result<Descriptor> fd = walk(root, name, false, st);
    if (!fd.ok()) return fd.fault();
    return FileReader(fd->release(), data_path(root, std::string(name)), access_of(st), identity_of(st));
}

Status read_inside(const std::string& root, std::string_view name, WholeFile& out, FileAccess* access) {
    Result<FileReader> file = open_inside(root, name);
    if (!file.ok()) return file.fault();
    if (access) *access = file->access();
    return file->read_whole(out);
}

Result<std::vector<FolderEntry>> list_inside(const std::string& root, std::string_view name) {
    struct stat st {};
    Result<Descriptor> fd = walk(root, name, true, st);
    if (!fd.ok()) return fd.fault();
    const std::string shown = name.empty() ? root : data_path(root, std::string(name));
    DIR* dir = ::fdopendir(fd->get());
    if (!dir) return Fault(shown, std::strerror(errno));
    const int at = fd->release();  // the DIR owns it now
    std::vector<FolderEntry> entries;
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        FolderEntry f;
        f.name = entry;
        struct stat es {};
        if (::fstatat(at, entry.c_str(), &es, AT_SYMLINK_NOFOLLOW) == 0)
            f.kind = S_ISREG(es.st_mode)   ? FolderEntry::file
                     : S_ISDIR(es.st_mode) ? FolderEntry::folder
                     : S_ISLNK(es.st_mode) ? FolderEntry::link
                                           : FolderEntry::other;
        entries.push_back(std::move(f));
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) return Fault(shown, std::strerror(error));
    return entries;
}

std::optional<FileAccess> file_access(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return access_of(st);
}

}  // namespace ce
