// Reading a folder that is not the user's own (a mod downloaded as an archive,
// say) as a stranger's: nothing of it is read through a link that leads out of
// it, no special file (a pipe, a device, a socket) is opened, and what is read
// says who may read it, so that a copy of ours is never readable by more
// people than its source. Files are read in pieces, so that a large one need
// not be held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/fault.h"
#include "store/whole_file.h"

namespace ce {

// The most of a file that is read, as read_whole_file reads it (a larger one
// is reason::kTooLarge), and of standard input alike.
inline constexpr std::uint64_t kLargestRead = std::uint64_t{1} << 30;

// Why a name inside a folder is not read.
namespace reason {
inline constexpr const char* kLinkOut = "a link that leads out of the folder";
}  // namespace reason

// Who may read a file: its permission bits, owner and group. Not known on
// Windows, whose files take the default security of the folder they are made in.
struct FileAccess {
    bool known = false;
    unsigned mode = 0;  // the permission bits (0777)
    std::uint64_t owner = 0, group = 0;
};

// The permission bits that a file of ours owned by `owner` in `group`, which
// holds a copy of `source`'s bytes, may have so that nobody may read it who
// may not read the source: the source's bits of its owner's class where the
// copy has that owner (else read and write: we read the source), of its
// group's class where the copy is in that group (else what the source grants
// everybody), and what it grants everybody. 0777 (no bound) when the source's
// access is not known.
unsigned copy_mode(const FileAccess& source, std::uint64_t owner, std::uint64_t group);

// Takes from the file at `path` (one of ours, just written) every permission
// that would let somebody read it who may not read each of `sources`:
// copy_mode of each, for the file's own owner and group. Nothing on Windows.
Status narrow_access(const std::string& path, const std::vector<FileAccess>& sources);

// What tells one state of an opened file from another: a file changed or put
// in its place since it was first read differs in one of these.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t written = 0, changed = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
};

// A regular file opened for reading in pieces.
class FileReader {
public:
    FileReader() = default;
    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return identity_.size; }
    const FileAccess& access() const { return access_; }
    const FileIdentity& identity() const { return identity_; }
    // Up to `most` bytes into `buffer`; 0 at the end of the file.
    Result<std::size_t> read(void* buffer, std::size_t most);
    // The rest of the file, as read_whole_file gives it (at most 1 GiB).
    Status read_whole(WholeFile& out);

    // The platform's code makes one from the handle it opened.
    FileReader(std::intptr_t handle, std::string path, const FileAccess& access, const FileIdentity& identity)
        : handle_(handle), path_(std::move(path)), access_(access), identity_(identity) {}

private:
    std::intptr_t handle_ = -1;
    std::string path_;
    FileAccess access_;
    FileIdentity identity_;
};

// Opens the file at `path` as read_whole_file would read it (links followed;
// only a regular file, never waiting on one); the fault names the path.
Result<FileReader> open_for_reading(const std::string& path);

// Opens `name` ('/' between its parts, none of them "." or "..") inside the
// folder `root` (named by the user, so its own links are followed). A link on
// the way, at any level, is followed only while it stays inside `root`: an
// absolute one, or one whose ".." climb above `root`, is refused as
// reason::kLinkOut. Only a regular file at most 1 GiB is opened. The fault
// names `root` joined with `name`.
Result<FileReader> open_inside(const std::string& root, std::string_view name);

// Reads `name` inside `root` whole (open_inside, then read_whole).
Status read_inside(const std::string& root, std::string_view name, WholeFile& out, FileAccess* access = nullptr);

// One entry of a folder, by what it is itself (a link is not followed).
struct FolderEntry {
    enum Kind { file, folder, link, other };
    std::string name;
    Kind kind = other;
};

// The entries of the folder `name` inside `root` ("" for root itself), in no
// order; links on the way as open_inside takes them. A folder that does not
// exist gives a fault of kind missing.
Result<std::vector<FolderEntry>> list_inside(const std::string& root, std::string_view name);

// Who may read the file at `path` (links followed); nothing when it cannot be
// asked or the system does not say.
std::optional<FileAccess> file_access(const std::string& path);

}  // namespace ce
