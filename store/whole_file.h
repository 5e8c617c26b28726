// Whole-file reading and safe whole-file replacement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/file_ops.h"
#include "store/path_separator.h"

namespace ce {

// A file read whole: its bytes followed by 32 zero bytes (block.size() == length + 32).
struct WholeFile {
    std::vector<std::uint8_t> block;
    std::size_t length = 0;
    const std::uint8_t* data() const { return block.data(); }
    std::uint8_t* data() { return block.data(); }
};

// Reads the file at path without ever waiting on it: only a regular file (or a
// link to one) is read. On failure the fault says why the file
// cannot be read ("does not exist", "is a folder", "permission denied", "not a
// regular file", "larger than 1 GiB", "dangling link", "link loop", or the
// system's words), with the path, of kind missing or denied where it is
// that; `out` then stays exactly as it was.
Status read_whole_file(const std::string& path, WholeFile& out);

// What tells one state of a file from another without reading it: its size,
// the time it was last written and, on POSIX, its identity (Windows gives its
// creation time, which a file put in another's place may inherit).
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t written = 0;
    std::uint64_t id = 0;
    bool operator==(const FileStamp&) const = default;
};

// The file's stamp, from one question to the system; nothing when it cannot be asked.
std::optional<FileStamp> file_stamp(const std::string& path);

// Gives the folder a write time that no change in it can give it (finer than
// the clock the system stamps changes with), and returns its stamp then: while
// the folder's stamp stays that, nothing has been added to it, removed from it
// or renamed in it. Nothing when the time cannot be set.
std::optional<FileStamp> restamp_folder(const std::string& path);


// Replaces the file at path with exactly `count` bytes, never truncating it
// before the new bytes are safe (temporary file + flush + rename; in place with
// a flushed backup copy when the file has more than one hard link). The new
// file keeps the old one's owner, group, permissions and extended attributes
// where the system allows; a file the user may not write is refused ("permission
// denied"), not replaced. A
// failure leaves the old bytes whole and no temporary file behind.
Status store_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count);
inline Status store_whole_file(const std::string& path, const void* data, std::size_t count) {
    return store_whole_file(system_file_ops(), path, data, count);
}

// A replacement by rename made in steps, for a writer of several files: it
// writes every new file beside its old one (stage_whole_file), flushes them all
// (flush_staged), and only then renames each over its file (place_staged) and
// makes the names durable once per folder (FileOps::sync_folder). The device is
// waited for once for the whole set instead of once per file. drop_staged
// removes what a failed or abandoned replacement left.
struct StagedFile {
    std::string path;    // as the caller named it (for messages)
    std::string target;  // the file that is replaced (links followed)
    std::string temp;    // the new bytes until they are placed; empty after
    FileOps::Handle handle = FileOps::kNoHandle;
};
// `target`: the file that `path` names with its links followed, when the
// caller has it already (else it is looked up). `temp_tag`, when given, names
// the temporary file exactly: the target's name and the tag (".~new12", by the
// number of the journal that records it); else it is the first free
// "<target>.~new<n>". Either way it is made new, never taken over.
Status stage_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count,
                        StagedFile& out, const std::string* target = nullptr, const std::string& temp_tag = "");
// Stages a file that is new (or replaces one as a file of its own), its
// temporary file named after `temp_base` (in the same file system) rather than
// beside it, so that a folder that holds many files never holds temporary
// ones, and taking the owner and permissions of the file `model`.
Status stage_new_file(FileOps& ops, const std::string& path, const std::string& temp_base,
                      const std::string& model, const void* data, std::size_t count, StagedFile& out);
Status flush_staged(FileOps& ops, StagedFile& file);
Status place_staged(FileOps& ops, StagedFile& file);
// A fault when the temporary file could not be removed.
Status drop_staged(FileOps& ops, StagedFile& file);

// Replaces the file at path by a new file under its name, also when it has
// more than one (the others keep the old bytes): what a recovery does to a
// file whose other names no write of ours recorded, so that it never writes
// through a name planted since. The temporary file as for stage_whole_file.
Status replace_by_new_file(FileOps& ops, const std::string& path, const void* data, std::size_t count,
                           const std::string& temp_tag = "");

// Rewrites the file at path in place (its hard links stay) without a backup
// copy beside it: for a writer that keeps the old bytes safe itself (the
// folder's journal) and puts them back on failure.
Status rewrite_in_place(FileOps& ops, const std::string& path, const void* data, std::size_t count);

// root + the platform's separator + name (name as is when root is empty: the
// current directory).
std::string data_path(const std::string& root, const std::string& name);

}  // namespace ce
