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

// The platform's part (new_folder_posix.cpp, new_folder_win32.cpp).
namespace staging {

// The marker's name in a staging folder.
inline constexpr const char* kMarker = ".creatures-new-folder";

// Makes the folder at `path`, private to us (0700); a fault of kind conflict
// when anything is there already.
Status make_private_folder(const std::string& path);

// Our record in a staging folder: the marker, made there exclusively, holding
// `content`, locked while this lives (the handle open).
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
Result<Marker> mark(const std::string& folder, const std::string& content);
// Removes the marker from the folder before it takes its final name (on
// Windows the marker is closed first: a folder does not take a new name while
// a file in it is open).
Status unmark(Marker& marker, const std::string& folder);

// What a folder named like a staging folder is.
enum class Found {
    ours,     // ours, its writer gone: removed (or `removal` says why not)
    running,  // ours, its writer still runs
    foreign,  // not made by us as our record says: left alone
};
Found sweep(const std::string& folder, const std::string& content, Status& removal);

// Removes a staging folder, its marker last: a run stopped while it removes
// one leaves it still marked as ours, for the next run to finish.
Status remove_marked(const std::string& folder);

// Gives the folder the permissions a new folder of ours has (the umask's).
void open_to_others(const std::string& folder);

}  // namespace staging

}  // namespace ce
