// POSIX file operations: load_whole_file and the system FileOps.
#include <fcntl.h>
#include <sys/stat.h>
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

    FileError link_count(const std::string& path, unsigned& out) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                out = 0;
                return std::nullopt;
            }
            return last_error();
        }
        out = static_cast<unsigned>(st.st_nlink);
        return std::nullopt;
    }

    FileError create_new(const std::string& path, const std::string& model, Handle& out) override {
        const int fd = open_retry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return last_error();
        struct stat st {};
        if (!model.empty() && ::stat(model.c_str(), &st) == 0) {
            // The replacement keeps the old file's permissions (best effort: a
            // file we may write but not chmod still gets written).
            (void)::fchmod(fd, st.st_mode & 07777);
        }
        out = fd;
        return std::nullopt;
    }

    FileError open_existing(const std::string& path, Handle& out) override {
        const int fd = open_retry(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return last_error();
        out = fd;
        return std::nullopt;
    }

    FileError write(Handle file, const void* data, std::size_t count) override {
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
        return std::nullopt;
    }

    FileError set_size(Handle file, std::uint64_t size) override {
        if (::ftruncate(static_cast<int>(file), static_cast<off_t>(size)) != 0) return last_error();
        return std::nullopt;
    }

    FileError flush(Handle file) override {
        if (::fsync(static_cast<int>(file)) != 0) return last_error();
        return std::nullopt;
    }

    FileError close(Handle file) override {
        if (::close(static_cast<int>(file)) != 0 && errno != EINTR) return last_error();
        return std::nullopt;
    }

    FileError replace(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) return last_error();
        // Make the new name itself durable; the bytes already are.
        Descriptor dir(open_retry(folder_of(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0) (void)::fsync(dir.get());
        return std::nullopt;
    }

    FileError copy(const std::string& from, const std::string& to) override {
        Descriptor in(open_retry(from.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) return last_error();
        Handle out_handle = kNoHandle;
        if (FileError e = create_new(to, from, out_handle)) return e;
        Descriptor out(static_cast<int>(out_handle));
        FileError error = copy_bytes(in.get(), out.get());
        if (!error && ::fsync(out.get()) != 0) error = last_error();
        if (!error && ::close(out.release()) != 0) error = last_error();
        if (error) {
            ::unlink(to.c_str());
        }
        return error;
    }

    FileError remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) return last_error();
        return std::nullopt;
    }

private:
    FileError copy_bytes(int in, int out) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                return last_error();
            }
            if (n == 0) return std::nullopt;
            if (FileError e = write(out, buffer, static_cast<std::size_t>(n))) return e;
        }
    }
};

}  // namespace

FileOps& system_file_ops() {
    // Stateless: one shared instance is as good as a fresh one.
    static PosixFileOps ops;
    return ops;
}

bool load_whole_file(const std::string& path, WholeFile& out) {
    Descriptor fd(open_retry(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kLargestFile) return false;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size) + 32, 0);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd.get(), block.data() + got, static_cast<std::size_t>(size) - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;  // the file shrank meanwhile: what was read is the file
        got += static_cast<std::size_t>(n);
    }
    block.resize(got + 32);
    out.block = std::move(block);
    out.length = got;
    return true;
}

}  // namespace ce
