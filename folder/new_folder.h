// A new folder written whole or not at all: its files are written and flushed
// in a hidden folder beside it, private to us, which then takes its name in
// one rename. A run that was killed leaves that folder behind; the next one
// that writes beside it removes it when our own record (a marker file, locked
// while its writer lives) says it is ours, and names it otherwise.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "store/fault.h"
#include "store/inside_folder.h"

namespace ce {

class FileOps;

struct NewFile {
    std::string name;       // relative to the folder, '/' between its parts ("Eng/Monsters.txt")
    std::string bytes;      // its bytes, unless `copy_from`
    std::string copy_from;  // a file whose bytes it takes, when not empty
    // When not empty, `copy_from` is a name inside this folder, read as a
    // stranger's (no link out of it followed), which must still be `identity`.
    std::string copy_inside;
    FileIdentity identity;
    // Who may read what its bytes come from: the file is made readable by
    // nobody who may not read each of them (copy_mode).
    std::vector<FileAccess> sources;
};

// What keeps `path` from being made as a new folder: it exists, or the folder
// it would be made in does not. Success when it can be made.
Status new_folder_problem(const std::string& path);

// Writes the folder at `path` with these files (the folders between are made).
// On failure nothing is left behind. What earlier runs left beside it is
// removed or named first, one line each in `notes`.
Status write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files,
                        std::vector<std::string>& notes);

// The hidden folders an unfinished new folder leaves in `parent` (the folder
// beside which a new one is made): each removed where our own record says it
// is ours and its writer is gone, named in `notes` where it only looks like
// one; those whose writer still runs are left alone.
void sweep_unfinished(const std::string& parent, std::vector<std::string>& notes);

// The platform's part (new_folder_posix.cpp, new_folder_win32.cpp). A
// staging folder ".<name>.creatures-new-<token>" has its marker beside it,
// "<staging>.marker": the marker is made first and removed last, so that a run
// stopped at any step leaves the marker wherever it leaves the folder.
namespace staging {

inline constexpr const char* kMarkerEnd = ".marker";

// Makes the folder at `path`, private to us (0700); a fault of kind conflict
// when anything is there already.
Status make_private_folder(const std::string& path);

// Our record of a staging folder: the marker, made exclusively, holding
// `content`, locked while this lives (its handle open).
class Marker {
public:
    Marker() = default;
    Marker(Marker&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
    Marker& operator=(Marker&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;
    ~Marker() { close(); }
    explicit Marker(std::intptr_t handle) : handle_(handle) {}
    void close();

private:
    std::intptr_t handle_ = -1;
};
// A fault of kind conflict when anything has the marker's name already.
Result<Marker> mark(const std::string& path, const std::string& content);
// Removes the marker at `path` (its lock goes when `marker` does).
Status unmark(Marker& marker, const std::string& path);

// What a staging folder and its marker are.
enum class Found {
    none,     // neither is there (our marker alone is removed)
    ours,     // ours, its writer gone: removed (or `removal` says why not)
    running,  // ours, its writer still runs
    foreign,  // not made by us as a marker of ours says: left alone
};
// Judges the staging folder `folder` by its marker `marker` (`content` is what
// ours says) and removes both when they are ours and their writer is gone.
Found sweep(const std::string& folder, const std::string& marker, const std::string& content, Status& removal);

// Gives the folder the permissions a new folder of ours has (the umask's).
void open_to_others(const std::string& folder);

}  // namespace staging

}  // namespace ce
