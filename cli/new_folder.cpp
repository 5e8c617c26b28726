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

Status write_file(FileOps& ops, const std::string& path, const std::string& bytes) {
    FileOps::Handle h = FileOps::kNoHandle;
    if (Status s = ops.create_new(path, "", h); !s.ok()) return s;
    Status s = ops.write(h, bytes.data(), bytes.size());
    if (s.ok()) s = ops.flush(h);
    Status closed = ops.close(h);
    return s.ok() ? closed : s;
}

// The folder named, without a separator at its end ("out/" is "out").
fs::path folder_path(const std::string& path) {
    fs::path p(path);
    while (!p.has_filename() && p.has_parent_path() && p.parent_path() != p) p = p.parent_path();
    return p;
}

}  // namespace

Status new_folder_problem(const std::string& path) {
    std::error_code ec;
    const fs::path p = folder_path(path);
    if (path.empty()) return Fault(FaultKind::invalid, "", "no folder named");
    if (fs::exists(fs::symlink_status(p, ec)))
        return Fault(FaultKind::conflict, path, "exists already (the new folder must not exist)");
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec))
        return Fault(FaultKind::missing, path, "the folder " + parent.string() + " it would be made in does not exist");
    return {};
}

Status write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files) {
    if (Status problem = new_folder_problem(path); !problem.ok()) return problem;
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
    if (Status s = ops.make_folder(staging); !s.ok()) return failed_step(staging, "cannot be made", s.fault());
    for (const NewFile& f : files) {
        // The folders between, once each.
        for (std::size_t slash = f.name.find('/'); slash != std::string::npos; slash = f.name.find('/', slash + 1)) {
            const std::string folder = data_path(staging, native(f.name.substr(0, slash)));
            if (!folders.insert(folder).second) continue;
            if (Status s = ops.make_folder(folder); !s.ok()) return failed_step(folder, "cannot be made", s.fault());
        }
        const std::string file = data_path(staging, native(f.name));
        const Status s = f.copy_from.empty() ? write_file(ops, file, f.bytes) : ops.copy(f.copy_from, file);
        if (!s.ok()) return s.fault().at(file);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (Status s = ops.sync_folder(*it); !s.ok()) return s.fault().at(*it);
    // Not over anything that came meanwhile.
    if (Status problem = new_folder_problem(path); !problem.ok()) return problem;
    if (Status s = ops.replace(staging, target.string()); !s.ok())
        return failed_step(path, "cannot be put in place", s.fault());
    guard.placed();
    return {};
}

}  // namespace ce
