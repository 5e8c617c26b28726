// The primitive file steps that store_whole_file is built from. Every write of
// the editor goes through one FileOps object, so that a test can fail any single
// step (running as root, a read-only mode bit stops nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/fault.h"

namespace ce {

class FolderLock;

// Each file step returns its Status (store/fault.h): on failure the fault's
// reason is the system's description of what failed (e.g. "Operation not
// permitted"), and the caller that knows the path adds it.

class FileOps {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kNoHandle = -1;

    virtual ~FileOps() = default;

    // The file that a write to `path` must change: `path` with symbolic links
    // followed, so that a linked data file keeps its link.
    virtual std::string resolve(const std::string& path) { return path; }
    // Number of hard links of the file at path; 0 when it does not exist.
    virtual Status link_count(const std::string& path, unsigned& out) = 0;
    // Creates a file that must not exist yet, for writing, shared with nobody:
    // never one that is there already (a file, or a link to anywhere, that
    // another program put there first). `model` names an existing file whose owner, group, permissions and
    // extended attributes the new one takes where the system allows (may be
    // missing).
    virtual Status create_new(const std::string& path, const std::string& model,
                                 Handle& out) = 0;
    // Opens an existing file for writing without truncating it; the name must
    // be the file itself, not a symbolic link (callers resolve links first).
    virtual Status open_existing(const std::string& path, Handle& out) = 0;
    // Writes all `count` bytes at the current position.
    virtual Status write(Handle file, const void* data, std::size_t count) = 0;
    // Cuts or extends the file to `size` bytes.
    virtual Status set_size(Handle file, std::uint64_t size) = 0;
    // Flushes the file's buffers to the device.
    virtual Status flush(Handle file) = 0;
    virtual Status close(Handle file) = 0;
    // Renames `from` over `to`, replacing it in one step, and makes the new
    // name durable.
    virtual Status replace(const std::string& from, const std::string& to) = 0;
    // Renames `from` over `to` like replace, but leaves making the new name
    // durable to sync_folder: a writer of several files in one folder then
    // waits for the device once, not once per file.
    virtual Status rename_over(const std::string& from, const std::string& to) { return replace(from, to); }
    // Makes the names changed in the folder durable (after rename_over).
    virtual Status sync_folder(const std::string& folder) {
        (void)folder;
        return {};
    }
    // Gives the existing file a second name `to` (which must not exist) in the
    // same file system, without copying its bytes. Systems where we do not
    // rely on it say so, and the caller copies instead.
    virtual Status link(const std::string& existing, const std::string& to) {
        (void)existing;
        (void)to;
        return std::string("a second name for a file is not used here");
    }
    // Copies `from` into the new file `to` (which must not exist) and flushes it.
    virtual Status copy(const std::string& from, const std::string& to) = 0;
    virtual Status remove(const std::string& path) = 0;
    // Makes the folder at path; nothing when it exists already as a folder
    // (file_ops_folder.cpp).
    virtual Status make_folder(const std::string& path);
    // Takes the lock of the data folder `root` for a write (FolderLock::acquire,
    // waiting up to `wait_ms`): a step of its own, so that a test sees where a
    // writer locks, and can let a second writer give up at once.
    virtual Status lock_folder(FolderLock& lock, const std::string& root, int wait_ms);
    // Whether the user may change the file at path: "permission denied" when
    // its permissions forbid it, even where the system would let us (running
    // as root, the owner's write bit decides). Nothing when it does not exist.
    virtual Status may_write(const std::string& path);
};

// The operating system's file operations (POSIX or Win32).
FileOps& system_file_ops();

// Makes a new folder for temporary files of this program that is readable by
// nobody else (mode 0700 on POSIX; on Windows under the user's own temporary
// folder), named "<prefix><random>" in the system's temporary folder. It never
// takes a folder that is there already: a name someone made first is skipped.
Status make_private_folder(const std::string& prefix, std::string& out);

}  // namespace ce
