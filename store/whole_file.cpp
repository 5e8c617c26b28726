// Safe whole-file replacement over the FileOps seam, and data_path. Reading
// (read_whole_file) is platform code: file_ops_posix.cpp, file_ops_win32.cpp.
#include "store/whole_file.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "store/file_ops.h"

namespace ce {
namespace {

// The fault with words added to its reason.
// The fault, and the temporary or backup file it left behind when that could
// not be removed either.
Fault with_left(const Fault& fault, const Status& left) {
    return left.ok() ? fault : fault.followed_by("; " + left.message());
}

// Closes the handle on every path that does not close it explicitly.
class OpenFile {
public:
    OpenFile(FileOps& ops, FileOps::Handle handle) : ops_(ops), handle_(handle) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (handle_ != FileOps::kNoHandle) (void)ops_.close(handle_);
    }
    FileOps::Handle get() const { return handle_; }
    Status close() {
        Status e = ops_.close(handle_);
        handle_ = FileOps::kNoHandle;
        return e;
    }

private:
    FileOps& ops_;
    FileOps::Handle handle_;
};

// Whether anything is at the path: a file, a folder, a link (dangling or not).
bool name_taken(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

// Makes a new file named `base` + `tag` + a number (the first of 0, 1, ...
// that nothing has), or exactly `exact` when given. `make` creates the file
// exclusively and so fails on a name taken meanwhile: what another program
// made first (a link included) is passed over or refused, never reused.
template <class Make>
Status create_exclusively(const std::string& base, const char* tag, const std::string& exact, Make make,
                          std::string& name) {
    if (!exact.empty()) {
        name = exact;
        if (name_taken(name)) return Fault("a file that no write of ours made is in the way: " + name);
        return make(name);
    }
    for (int n = 0; n < 1000; ++n) {
        name = base + tag + std::to_string(n);
        if (!name_taken(name)) return make(name);
    }
    return Fault("no free name");
}

// Writes `count` bytes into the open file, sets its size, flushes and closes
// it; a fault names the step that failed, for the file `path`.
Status fill(FileOps& ops, const std::string& path, OpenFile& file, const void* data, std::size_t count) {
    if (Status e = ops.write(file.get(), data, count); !e.ok()) return failed_step(path, "cannot write the file", e.fault());
    if (Status e = ops.set_size(file.get(), count); !e.ok())
        return failed_step(path, "cannot set the file's size", e.fault());
    if (Status e = ops.flush(file.get()); !e.ok()) return failed_step(path, "cannot flush the file", e.fault());
    if (Status e = file.close(); !e.ok()) return failed_step(path, "cannot close the file", e.fault());
    return {};
}

Status left_behind(FileOps& ops, const std::string& name) {
    if (Status e = ops.remove(name); !e.ok())
        return Fault(e.fault().kind, "", "the file " + name + " could not be removed: " + e.fault().reason);
    return {};
}

// The new bytes in a temporary file named after `temp_base` (beside `target`
// unless given; exactly `target` + `temp_tag` when a tag is given) that takes
// the owner and permissions of `model` (the target unless given), not yet
// flushed.
Status stage_beside(FileOps& ops, const std::string& path, const std::string& target, const void* data,
                    std::size_t count, StagedFile& out, const std::string& temp_base = "",
                    const std::string& model = "", const std::string& temp_tag = "") {
    out = StagedFile{path, target, "", FileOps::kNoHandle};
    FileOps::Handle handle = FileOps::kNoHandle;
    std::string temp;
    const auto make = [&](const std::string& name) { return ops.create_new(name, model.empty() ? target : model, handle); };
    if (Status e = create_exclusively(temp_base.empty() ? target : temp_base, ".~new",
                                      temp_tag.empty() ? std::string() : target + temp_tag, make, temp);
        !e.ok())
        return failed_step(path, "cannot create a temporary file", e.fault());
    out.handle = handle;
    out.temp = temp;
    if (Status e = ops.write(out.handle, data, count); !e.ok()) return failed_step(path, "cannot write the file", e.fault());
    return {};
}

// One link: a new file beside the old one, flushed, then renamed over it.
Status store_by_rename(FileOps& ops, const std::string& path, const std::string& target, const void* data,
                       std::size_t count, const std::string& temp_tag = "") {
    StagedFile file;
    Status fault = stage_beside(ops, path, target, data, count, file, "", "", temp_tag);
    if (fault.ok()) fault = flush_staged(ops, file);
    if (fault.ok()) {
        if (Status e = ops.replace(file.temp, target); !e.ok()) fault = failed_step(path, "cannot replace the file", e.fault());
        else file.temp.clear();
    }
    if (!fault.ok()) return with_left(fault.fault(), drop_staged(ops, file));
    return {};
}

// The file `target` (named `path` to the user) rewritten with the bytes.
Status rewrite(FileOps& ops, const std::string& path, const std::string& target, const void* data,
               std::size_t count) {
    FileOps::Handle handle = FileOps::kNoHandle;
    if (Status e = ops.open_existing(target, handle); !e.ok())
        return failed_step(path, "cannot open the file for writing", e.fault());
    OpenFile file(ops, handle);
    return fill(ops, path, file, data, count);
}

// Several hard links: renaming would cut this name off the others, so the file
// is rewritten in place, after a flushed copy of its old bytes is safe beside it.
Status store_in_place(FileOps& ops, const std::string& path,
                      const std::string& target, const void* data,
                      std::size_t count) {
    WholeFile old;
    if (Status e = read_whole_file(target, old); !e.ok()) return failed_step(path, "cannot read the file", e.fault());
    std::string backup;
    if (Status e = create_exclusively(target, ".~old", "", [&](const std::string& at) { return ops.copy(target, at); },
                                      backup);
        !e.ok()) {
        // A copy that failed halfway is removed (the name was free before it).
        Status rest;
        if (!backup.empty() && name_taken(backup) && e.message() != "no free name") rest = left_behind(ops, backup);
        return with_left(failed_step(path, "cannot back up the file", e.fault()), rest);
    }
    if (Status fault = rewrite(ops, path, target, data, count); !fault.ok()) {
        if (!rewrite(ops, path, target, old.data(), old.length).ok())
            return fault.fault().followed_by("; the old contents are kept in " + backup);
        return with_left(fault.fault(), left_behind(ops, backup));
    }
    if (Status e = ops.remove(backup); !e.ok())
        return Fault(path, "the file was written, but its backup " + backup +
                                   " could not be removed: " + e.fault().reason);
    return {};
}

}  // namespace

Status store_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = ops.resolve(path);
    if (Status e = ops.may_write(target); !e.ok()) return e.fault().at(path);
    unsigned links = 0;
    if (Status e = ops.link_count(target, links); !e.ok())
        return failed_step(path, "cannot read the file's attributes", e.fault());
    if (links > 1) return store_in_place(ops, path, target, data, count);
    return store_by_rename(ops, path, target, data, count);
}

Status stage_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count,
                        StagedFile& out, const std::string* resolved, const std::string& temp_tag) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = resolved ? *resolved : ops.resolve(path);
    out = StagedFile{path, target, "", FileOps::kNoHandle};
    if (Status e = ops.may_write(target); !e.ok()) return e.fault().at(path);
    return stage_beside(ops, path, target, data, count, out, "", "", temp_tag);
}

Status replace_by_new_file(FileOps& ops, const std::string& path, const void* data, std::size_t count,
                           const std::string& temp_tag) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = ops.resolve(path);
    if (Status e = ops.may_write(target); !e.ok()) return e.fault().at(path);
    return store_by_rename(ops, path, target, data, count, temp_tag);
}

Status stage_new_file(FileOps& ops, const std::string& path, const std::string& temp_base,
                      const std::string& model, const void* data, std::size_t count, StagedFile& out) {
    static const unsigned char kNothing = 0;
    return stage_beside(ops, path, path, data == nullptr ? &kNothing : data, count, out, temp_base, model);
}

Status flush_staged(FileOps& ops, StagedFile& file) {
    if (Status e = ops.flush(file.handle); !e.ok()) return failed_step(file.path, "cannot flush the file", e.fault());
    const FileOps::Handle handle = file.handle;
    file.handle = FileOps::kNoHandle;
    if (Status e = ops.close(handle); !e.ok()) return failed_step(file.path, "cannot close the file", e.fault());
    return {};
}

Status place_staged(FileOps& ops, StagedFile& file) {
    if (Status e = ops.rename_over(file.temp, file.target); !e.ok())
        return failed_step(file.path, "cannot replace the file", e.fault());
    file.temp.clear();
    return {};
}

Status drop_staged(FileOps& ops, StagedFile& file) {
    if (file.handle != FileOps::kNoHandle) (void)ops.close(file.handle);
    file.handle = FileOps::kNoHandle;
    Status left;
    if (!file.temp.empty()) left = left_behind(ops, file.temp);
    file.temp.clear();
    return left;
}

Status rewrite_in_place(FileOps& ops, const std::string& path, const void* data, std::size_t count) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = ops.resolve(path);
    if (Status e = ops.may_write(target); !e.ok()) return e.fault().at(path);
    return rewrite(ops, path, target, data, count);
}

std::string data_path(const std::string& root, const std::string& name) {
    if (root.empty()) return name;
    const char last = root.back();
    if (last == '/' || last == kPathSeparator) return root + name;
    return root + kPathSeparator + name;
}

}  // namespace ce
