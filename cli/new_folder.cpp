#include "cli/new_folder.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <system_error>

#include "store/file_ops.h"
#include "store/path_separator.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

std::string native(std::string name) {
    for (char& c : name)
        if (c == '/') c = kPathSeparator;
    return name;
}

// The folder being written, removed unless it was renamed into place.
class Staging {
public:
    explicit Staging(fs::path path) : path_(std::move(path)) {}
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging() {
        if (placed_) return;
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    void placed() { placed_ = true; }

private:
    fs::path path_;
    bool placed_ = false;
};

FileError write_file(FileOps& ops, const std::string& path, const std::string& bytes) {
    FileOps::Handle h = FileOps::kNoHandle;
    if (FileError e = ops.create_new(path, "", h)) return e;
    FileError e = ops.write(h, bytes.data(), bytes.size());
    if (!e) e = ops.flush(h);
    FileError closed = ops.close(h);
    return e ? e : closed;
}

// The folder named, without a separator at its end ("out/" is "out").
fs::path folder_path(const std::string& path) {
    fs::path p(path);
    while (!p.has_filename() && p.has_parent_path() && p.parent_path() != p) p = p.parent_path();
    return p;
}

}  // namespace

std::optional<std::string> new_folder_problem(const std::string& path) {
    std::error_code ec;
    const fs::path p = folder_path(path);
    if (path.empty()) return std::string("no folder named");
    if (fs::exists(fs::symlink_status(p, ec))) return path + ": exists already (the new folder must not exist)";
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec)) return path + ": the folder " + parent.string() + " it would be made in does not exist";
    return std::nullopt;
}

std::optional<std::string> write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files) {
    if (auto problem = new_folder_problem(path)) return problem;
    static std::atomic<int> serial{0};
    const fs::path target = folder_path(path);
    // Appended piece by piece: "." + a string trips a false warning of GCC 12 when optimising.
    std::string hidden(".");
    hidden.append(target.filename().string()).append(".creatures-new-").append(std::to_string(::getpid()));
    hidden.append("-").append(std::to_string(++serial));
    const fs::path staging_path = target.parent_path() / hidden;
    std::error_code ec;
    fs::remove_all(staging_path, ec);  // a leftover of a run that was killed
    const std::string staging = staging_path.string();
    Staging guard(staging_path);
    std::set<std::string> folders{staging};
    if (FileError e = ops.make_folder(staging)) return staging + ": cannot be made: " + e->reason;
    for (const NewFile& f : files) {
        // The folders between, once each.
        for (std::size_t slash = f.name.find('/'); slash != std::string::npos; slash = f.name.find('/', slash + 1)) {
            const std::string folder = data_path(staging, native(f.name.substr(0, slash)));
            if (!folders.insert(folder).second) continue;
            if (FileError e = ops.make_folder(folder)) return folder + ": cannot be made: " + e->reason;
        }
        const std::string file = data_path(staging, native(f.name));
        const FileError e = f.copy_from.empty() ? write_file(ops, file, f.bytes) : ops.copy(f.copy_from, file);
        if (e) return e->at(file).message();
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (FileError e = ops.sync_folder(*it)) return e->at(*it).message();
    // Not over anything that came meanwhile.
    if (auto problem = new_folder_problem(path)) return problem;
    if (FileError e = ops.replace(staging, target.string())) return path + ": cannot be put in place: " + e->reason;
    guard.placed();
    return std::nullopt;
}

}  // namespace ce
