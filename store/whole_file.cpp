// Safe whole-file replacement over the FileOps seam, and data_path. Reading
// (read_whole_file) is platform code: file_ops_posix.cpp, file_ops_win32.cpp.
#include "store/whole_file.h"

#include <string>

#include "store/file_ops.h"

namespace ce {
namespace {

// The fault with words added to its reason.
FileFault more(FileFault fault, const std::string& words) {
    fault.reason += words;
    return fault;
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
    FileError close() {
        FileError e = ops_.close(handle_);
        handle_ = FileOps::kNoHandle;
        return e;
    }

private:
    FileOps& ops_;
    FileOps::Handle handle_;
};

// A name beside `base` that no file has yet.
std::optional<std::string> free_name(FileOps& ops, const std::string& base, const char* tag) {
    for (int n = 0; n < 1000; ++n) {
        std::string name = base + tag + std::to_string(n);
        unsigned links = 0;
        if (!ops.link_count(name, links) && links == 0) return name;
    }
    return std::nullopt;
}

struct StepFailure {
    const char* what;
    FileFault why;
};

// Writes `count` bytes into the open file, sets its size, flushes and closes it.
std::optional<StepFailure> fill(FileOps& ops, OpenFile& file, const void* data, std::size_t count) {
    if (FileError e = ops.write(file.get(), data, count)) return StepFailure{"cannot write the file", *e};
    if (FileError e = ops.set_size(file.get(), count)) return StepFailure{"cannot set the file's size", *e};
    if (FileError e = ops.flush(file.get())) return StepFailure{"cannot flush the file", *e};
    if (FileError e = file.close()) return StepFailure{"cannot close the file", *e};
    return std::nullopt;
}

std::string left_behind(FileOps& ops, const std::string& name) {
    if (FileError e = ops.remove(name)) return "; the file " + name + " could not be removed: " + e->reason;
    return "";
}

// The new bytes in a temporary file named after `temp_base` (beside `target`
// unless given) that takes the owner and permissions of `model` (the target
// unless given), not yet flushed.
FileResult stage_beside(FileOps& ops, const std::string& path, const std::string& target, const void* data,
                        std::size_t count, StagedFile& out, const std::string& temp_base = "",
                        const std::string& model = "") {
    out = StagedFile{path, target, "", FileOps::kNoHandle};
    std::optional<std::string> temp = free_name(ops, temp_base.empty() ? target : temp_base, ".~new");
    if (!temp) return failed_step(path, "cannot create a temporary file", FileFault("no free name"));
    FileOps::Handle handle = FileOps::kNoHandle;
    if (FileError e = ops.create_new(*temp, model.empty() ? target : model, handle))
        return failed_step(path, "cannot create a temporary file", *e);
    out.handle = handle;
    out.temp = *temp;
    if (FileError e = ops.write(out.handle, data, count)) return failed_step(path, "cannot write the file", *e);
    return std::nullopt;
}

// One link: a new file beside the old one, flushed, then renamed over it.
FileResult store_by_rename(FileOps& ops, const std::string& path, const std::string& target, const void* data,
                           std::size_t count) {
    StagedFile file;
    FileResult fault = stage_beside(ops, path, target, data, count, file);
    if (!fault) fault = flush_staged(ops, file);
    if (!fault) {
        if (FileError e = ops.replace(file.temp, target)) fault = failed_step(path, "cannot replace the file", *e);
        else file.temp.clear();
    }
    if (fault) return more(*fault, drop_staged(ops, file));
    return std::nullopt;
}

std::optional<StepFailure> rewrite(FileOps& ops, const std::string& target, const void* data,
                                   std::size_t count) {
    FileOps::Handle handle = FileOps::kNoHandle;
    if (FileError e = ops.open_existing(target, handle))
        return StepFailure{"cannot open the file for writing", *e};
    OpenFile file(ops, handle);
    return fill(ops, file, data, count);
}

// Several hard links: renaming would cut this name off the others, so the file
// is rewritten in place, after a flushed copy of its old bytes is safe beside it.
FileResult store_in_place(FileOps& ops, const std::string& path,
                                          const std::string& target, const void* data,
                                          std::size_t count) {
    WholeFile old;
    if (FileResult e = read_whole_file(target, old)) return failed_step(path, "cannot read the file", *e);
    std::optional<std::string> backup = free_name(ops, target, ".~old");
    if (!backup) return failed_step(path, "cannot back up the file", FileFault("no free name"));
    if (FileError e = ops.copy(target, *backup)) {
        std::string rest;
        unsigned links = 0;
        if (!ops.link_count(*backup, links) && links > 0) rest = left_behind(ops, *backup);
        return more(failed_step(path, "cannot back up the file", *e), rest);
    }
    if (std::optional<StepFailure> f = rewrite(ops, target, data, count)) {
        FileFault fault = failed_step(path, f->what, f->why);
        if (rewrite(ops, target, old.data(), old.length))
            return more(fault, "; the old contents are kept in " + *backup);
        return more(fault, left_behind(ops, *backup));
    }
    if (FileError e = ops.remove(*backup))
        return FileFault(path, "the file was written, but its backup " + *backup +
                                   " could not be removed: " + e->reason);
    return std::nullopt;
}

}  // namespace

FileResult store_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = ops.resolve(path);
    if (FileError e = ops.may_write(target)) return e->at(path);
    unsigned links = 0;
    if (FileError e = ops.link_count(target, links))
        return failed_step(path, "cannot read the file's attributes", *e);
    if (links > 1) return store_in_place(ops, path, target, data, count);
    return store_by_rename(ops, path, target, data, count);
}

FileResult stage_whole_file(FileOps& ops, const std::string& path, const void* data, std::size_t count,
                            StagedFile& out, const std::string* resolved) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = resolved ? *resolved : ops.resolve(path);
    out = StagedFile{path, target, "", FileOps::kNoHandle};
    if (FileError e = ops.may_write(target)) return e->at(path);
    return stage_beside(ops, path, target, data, count, out);
}

FileResult stage_new_file(FileOps& ops, const std::string& path, const std::string& temp_base,
                          const std::string& model, const void* data, std::size_t count, StagedFile& out) {
    static const unsigned char kNothing = 0;
    return stage_beside(ops, path, path, data == nullptr ? &kNothing : data, count, out, temp_base, model);
}

FileResult flush_staged(FileOps& ops, StagedFile& file) {
    if (FileError e = ops.flush(file.handle)) return failed_step(file.path, "cannot flush the file", *e);
    const FileOps::Handle handle = file.handle;
    file.handle = FileOps::kNoHandle;
    if (FileError e = ops.close(handle)) return failed_step(file.path, "cannot close the file", *e);
    return std::nullopt;
}

FileResult place_staged(FileOps& ops, StagedFile& file) {
    if (FileError e = ops.rename_over(file.temp, file.target))
        return failed_step(file.path, "cannot replace the file", *e);
    file.temp.clear();
    return std::nullopt;
}

std::string drop_staged(FileOps& ops, StagedFile& file) {
    if (file.handle != FileOps::kNoHandle) (void)ops.close(file.handle);
    file.handle = FileOps::kNoHandle;
    std::string note;
    if (!file.temp.empty()) note = left_behind(ops, file.temp);
    file.temp.clear();
    return note;
}

FileResult rewrite_in_place(FileOps& ops, const std::string& path, const void* data, std::size_t count) {
    static const unsigned char kNothing = 0;
    if (data == nullptr) data = &kNothing;
    const std::string target = ops.resolve(path);
    if (FileError e = ops.may_write(target)) return e->at(path);
    if (std::optional<StepFailure> f = rewrite(ops, target, data, count))
        return failed_step(path, f->what, f->why);
    return std::nullopt;
}

std::string data_path(const std::string& root, const std::string& name) {
    if (root.empty()) return name;
    const char last = root.back();
    if (last == '/' || last == kPathSeparator) return root + name;
    return root + kPathSeparator + name;
}

}  // namespace ce
