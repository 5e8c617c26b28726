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
// link to one) is read. Returns nothing on success, otherwise why the file
// cannot be read ("does not exist", "is a folder", "permission denied", "not a
// regular file", "larger than 1 GiB", "dangling link", "link loop", or the
// system's words), with the path; `out` then stays exactly as it was.
FileResult read_whole_file(const std::string& path, WholeFile& out);


// Replaces the file at path with exactly `count` bytes, never truncating it
// before the new bytes are safe (temporary file + flush + rename; in place with
// a flushed backup copy when the file has more than one hard link). The new
// file keeps the old one's owner, group, permissions and extended attributes
// where the system allows; a file the user may not write is refused ("permission
// denied"), not replaced. Returns what went wrong, or nothing on success. A
// failure leaves the old bytes whole and no temporary file behind.
FileResult store_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count);
inline FileResult store_whole_file(const std::string& path, const void* data, std::size_t count) {
    return store_whole_file(system_file_ops(), path, data, count);
}

// Rewrites the file at path in place (its hard links stay) without a backup
// copy beside it: for a writer that keeps the old bytes safe itself (the
// folder's journal) and puts them back on failure.
FileResult rewrite_in_place(FileOps& ops, const std::string& path, const void* data, std::size_t count);

// root + the platform's separator + name (name as is when root is empty: the
// current directory).
std::string data_path(const std::string& root, const std::string& name);

}  // namespace ce
