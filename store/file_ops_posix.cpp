// POSIX file operations: read_whole_file and the system FileOps.
#include <fcntl.h>
#include <time.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "store/file_ops.h"
#include "store/whole_file.h"

namespace ce {
namespace {

// Files beyond this are no file of ours; refusing them beats exhausting memory.
constexpr std::uint64_t kLargestFile = 1u << 30;

std::string last_error() { return std::strerror(errno); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

int open_retry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Copies the extended attributes of `from` onto the open file `to`, as far as
// both file systems allow (best effort: a file system without them, or an
// attribute we may not set, keeps the copy from nothing else).
void copy_attributes(const char* from, int to) {
    const ssize_t size = ::listxattr(from, nullptr, 0);
    if (size <= 0) return;
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::listxattr(from, names.data(), names.size());
    if (got <= 0) return;
    names.resize(static_cast<std::size_t>(got));
    std::string value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.c_str() + at;
        at += std::strlen(name) + 1;
        const ssize_t length = ::getxattr(from, name, nullptr, 0);
        if (length < 0) continue;
        value.assign(static_cast<std::size_t>(length), '\0');
        const ssize_t read = ::getxattr(from, name, value.data(), value.size());
        if (read < 0) continue;
        (void)::fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0);
    }
}

// Why a path that could not be opened or examined cannot be read.
std::string open_reason(const std::string& path, int error) {
    switch (error) {
    case ENOENT: {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return reason::kDangling;
        return reason::kMissing;
    }
    case ELOOP: return reason::kLoop;
    case EACCES:
    case EPERM: return reason::kDenied;
    case EISDIR: return reason::kFolder;
    case ENXIO:
    case ENODEV: return reason::kNotRegular;  // a socket, a device without its driver
    case ENOTDIR: return reason::kMissing;    // a part of the path is a file
    default: return std::strerror(error);
    }
}

// What keeps a file of this kind and size from being read as data.
Status kind_fault(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return Fault(reason::kFolder);
    if (!S_ISREG(st.st_mode)) return Fault(reason::kNotRegular);
    if (static_cast<std::uint64_t>(st.st_size) > kLargestFile) return Fault(reason::kTooLarge);
    return {};
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

class PosixFileOps final : public FileOps {
public:
    std::string resolve(const std::string& path) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
        return real ? std::string(real.get()) : path;
    }

    Status link_count(const std::string& path, unsigned& out) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                out = 0;
                return {};
            }
            return last_error();
        }
        out = static_cast<unsigned>(st.st_nlink);
        return {};
    }

    Status create_new(const std::string& path, const std::string& model, Handle& out) override {
        // Exclusive, and never through a link: a name another program made
        // first, a link included, is refused rather than reused.
        const int fd = open_retry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) return last_error();
        struct stat st {};
        if (!model.empty() && ::stat(model.c_str(), &st) == 0) {
            // The replacement keeps the old file's owner, group, permissions and
            // extended attributes (best effort: a file we may write but not
            // chown, or a file system without attributes, still gets written).
            // The mode comes after the owner, which may clear its set-id bits.
            (void)::fchown(fd, st.st_uid, st.st_gid);
            (void)::fchmod(fd, st.st_mode & 07777);
            copy_attributes(model.c_str(), fd);
        }
        out = fd;
        return {};
    }

    Status open_existing(const std::string& path, Handle& out) override {
        const int fd = open_retry(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return last_error();
        out = fd;
        return {};
    }

    Status write(Handle file, const void* data, std::size_t count) override {
        const auto* p = static_cast<const char*>(data);
        while (count > 0) {
            const ssize_t n = ::write(static_cast<int>(file), p, count);
            if (n < 0) {
                if (errno == EINTR) continue;
                return last_error();
            }
            if (n == 0) return std::string("nothing was written");
            p += n;
            count -= static_cast<std::size_t>(n);
        }
        return {};
    }

    Status set_size(Handle file, std::uint64_t size) override {
        if (::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) != 0) return last_error();
        return {};
    }

    Status flush(Handle file) override {
        if (::fsync(static_cast<int>(file)) != 0) return last_error();
        return {};
    }

    Status close(Handle file) override {
        if (::close(static_cast<int>(file)) != 0 && errno != EINTR) return last_error();
        return {};
    }

    Status replace(const std::string& from, const std::string& to) override {
        if (Status e = rename_over(from, to); !e.ok()) return e;
        // Make the new name itself durable; the bytes already are.
        (void)sync_folder(folder_of(to));
        return {};
    }

    Status rename_over(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) return last_error();
        return {};
    }

    Status link(const std::string& existing, const std::string& to) override {
        if (::link(existing.c_str(), to.c_str()) != 0) return last_error();
        return {};
    }

    Status sync_folder(const std::string& folder) override {
        Descriptor dir(open_retry(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0) (void)::fsync(dir.get());
        return {};
    }

    Status copy(const std::string& from, const std::string& to) override {
        Descriptor in(open_retry(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) return last_error();
        Handle out_handle = kNoHandle;
        if (Status e = create_new(to, from, out_handle); !e.ok()) return e;
        Descriptor out(static_cast<int>(out_handle));
        Status error = copy_bytes(in.get(), out.get());
        if (error.ok() && ::fsync(out.get()) != 0) error = last_error();
        if (error.ok() && ::close(out.release()) != 0) error = last_error();
        if (!error.ok()) {
            ::unlink(to.c_str());
        }
        return error;
    }

    Status remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) return last_error();
        return {};
    }

private:
    Status copy_bytes(int in, int out) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                return last_error();
            }
            if (n == 0) return {};
            if (Status e = write(out, buffer, static_cast<std::size_t>(n)); !e.ok()) return e;
        }
    }
};

}  // namespace

Status FileOps::may_write(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};  // a new file: its folder decides
    if (S_ISDIR(st.st_mode)) return Fault(reason::kFolder);
    if (!S_ISREG(st.st_mode)) return Fault(reason::kNotRegular);
    // Root may write anything; the owner's write bit still says the user meant
    // the file to stay as it is.
    if (::geteuid() == 0) {
        if ((st.st_mode & S_IWUSR) == 0) return Fault(reason::kDenied);
        return {};
    }
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return Fault(errno == EACCES || errno == EPERM || errno == EROFS ? std::string(reason::kDenied)
                                                                            : last_error());
    return {};
}

FileOps& system_file_ops() {
    // Stateless: one shared instance is as good as a fresh one.
    static PosixFileOps ops;
    return ops;
}

std::optional<FileStamp> file_stamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     static_cast<std::uint64_t>(st.st_ino)};
}

Status make_private_folder(const std::string& prefix, std::string& out) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    // mkdtemp makes the folder with mode 0700 under a name of its own choice,
    // and never takes one that exists.
    std::string name = base + "/" + prefix + "XXXXXX";
    if (::mkdtemp(name.data()) == nullptr)
        return Fault(base, "cannot make a private temporary folder: " + last_error());
    out = name;
    return {};
}

std::optional<FileStamp> restamp_folder(const std::string& path) {
    // A change takes its time from the system's coarse clock (or, where changes
    // are stamped finely, from a later moment): never this one.
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return std::nullopt;
    const timespec times[2] = {{0, UTIME_OMIT}, now};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return std::nullopt;
    return file_stamp(path);
}

Status read_whole_file(const std::string& path, WholeFile& out) {
    // Examined before it is opened, so that a device is never opened at all,
    // and opened without blocking, so that a pipe put in its place meanwhile
    // cannot hold us; what was opened is examined again.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Fault(path, open_reason(path, errno));
    if (Status e = kind_fault(st); !e.ok()) return e.fault().at(path);
    Descriptor fd(open_retry(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return Fault(path, open_reason(path, errno));
    if (::fstat(fd.get(), &st) != 0) return Fault(path, last_error());
    if (Status e = kind_fault(st); !e.ok()) return e.fault().at(path);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size) + 32, 0);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd.get(), block.data() + got, static_cast<std::size_t>(size) - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fault(path, last_error());
        }
        if (n == 0) break;  // the file shrank meanwhile: what was read is the file
        got += static_cast<std::size_t>(n);
    }
    block.resize(got + 32);
    out.block = std::move(block);
    out.length = got;
    return {};
}

}  // namespace ce
