#include "folder/new_folder.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <system_error>

#include "store/file_ops.h"
#include "store/path_separator.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// ".<name>.creatures-new-<token>": the staging folder of a new folder <name>.
constexpr std::string_view kStagingTag = ".creatures-new-";

std::string native(std::string name) {
    for (char& c : name)
        if (c == '/') c = kPathSeparator;
    return name;
}

// The folder being written and its marker: on failure the folder is removed,
// then the marker; once the folder has its name, only the marker.
class Staging {
public:
    Staging(std::string folder, std::string marker_path, staging::Marker marker)
        : folder_(std::move(folder)), marker_path_(std::move(marker_path)), marker_(std::move(marker)) {}
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging() {
        std::error_code ec;
        if (!placed_) fs::remove_all(folder_, ec);
        if (!ec) (void)staging::unmark(marker_, marker_path_);
    }
    void placed() { placed_ = true; }

private:
    std::string folder_, marker_path_;
    staging::Marker marker_;
    bool placed_ = false;
};

// The file at `path` with `bytes`, flushed.
Status write_file(FileOps& ops, const std::string& path, const std::string& bytes) {
    FileOps::Handle h = FileOps::kNoHandle;
    if (Status s = ops.create_new(path, "", h); !s.ok()) return s;
    Status s = ops.write(h, bytes.data(), bytes.size());
    if (s.ok()) s = ops.flush(h);
    Status closed = ops.close(h);
    return s.ok() ? closed : s;
}

// The file at `path` with the bytes of `name` inside the stranger's folder
// `root`, read in pieces; it must still be what was read before (`identity`).
Status copy_inside(FileOps& ops, const std::string& root, const std::string& name, const FileIdentity& identity,
                   const std::string& path) {
    Result<FileReader> from = open_inside(root, name);
    if (!from.ok()) return from.fault();
    if (from->identity() != identity) return Fault(FaultKind::conflict, from->path(), "changed while the merge ran");
    FileOps::Handle h = FileOps::kNoHandle;
    if (Status s = ops.create_new(path, "", h); !s.ok()) return s;
    std::vector<char> piece(std::size_t{1} << 20);
    Status s;
    std::uint64_t copied = 0;
    while (s.ok()) {
        const Result<std::size_t> n = from->read(piece.data(), piece.size());
        if (!n.ok()) {
            s = n.fault();
            break;
        }
        if (*n == 0) break;
        copied += *n;
        s = ops.write(h, piece.data(), *n);
    }
    if (s.ok() && copied != identity.size) s = Fault(FaultKind::conflict, from->path(), "changed while the merge ran");
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

fs::path parent_of(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

// What our marker says in the staging folder `name`: who made it, and its own
// name, so that a marker copied elsewhere says nothing there.
std::string marker_content(const std::string& name) {
    return "creatures: a new folder being written; removed by the next run beside it when its writer is gone\n" +
           name + "\n";
}

// A name no one can guess before we take it.
std::string token() {
    std::random_device random;
    std::string t;
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 4; ++i) {
        const unsigned v = random();
        for (int k = 0; k < 8; ++k) t += kDigits[(v >> (4 * k)) & 15u];
    }
    return t;
}

// Whether `name` is the name of a staging folder (ours, or one made to look so).
bool staging_name(const std::string& name) {
    if (name.size() < 2 || name[0] != '.') return false;
    const std::size_t tag = name.find(kStagingTag, 1);
    return tag != std::string::npos && tag > 1 && tag + kStagingTag.size() < name.size();
}

}  // namespace

Status new_folder_problem(const std::string& path) {
    std::error_code ec;
    const fs::path p = folder_path(path);
    if (path.empty()) return Fault(FaultKind::invalid, "", "no folder named");
    if (fs::exists(fs::symlink_status(p, ec)))
        return Fault(FaultKind::conflict, path, "exists already (the new folder must not exist)");
    const fs::path parent = parent_of(p);
    if (!fs::is_directory(parent, ec))
        return Fault(FaultKind::missing, path, "the folder " + parent.string() + " it would be made in does not exist");
    return {};
}

void sweep_unfinished(const std::string& parent, std::vector<std::string>& notes) {
    std::error_code ec;
    std::set<std::string> folders;  // the staging folders' names, with or without their markers
    const std::string_view end = staging::kMarkerEnd;
    for (fs::directory_iterator it(parent.empty() ? fs::path(".") : fs::path(parent), ec), last; !ec && it != last;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!staging_name(name)) continue;
        if (name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0)
            name.resize(name.size() - end.size());
        folders.insert(name);
    }
    for (const std::string& name : folders) {
        const std::string folder = data_path(parent, name), marker = folder + staging::kMarkerEnd;
        Status removal;
        switch (staging::sweep(folder, marker, marker_content(name), removal)) {
            case staging::Found::none:
            case staging::Found::running: break;
            case staging::Found::ours:
                notes.push_back(removal.ok() ? "removed " + shown_text(folder) +
                                                   ", an unfinished new folder that a run which was stopped left behind"
                                             : shown_text(folder) + ": an unfinished new folder that a run which was "
                                                                    "stopped left behind could not be removed: " +
                                                   removal.fault().reason);
                break;
            case staging::Found::foreign:
                notes.push_back(shown_text(folder) +
                                " looks like an unfinished new folder, but no record of ours says it is one: left as it is");
                break;
        }
    }
}

Status write_new_folder(FileOps& ops, const std::string& path, const std::vector<NewFile>& files,
                        std::vector<std::string>& notes) {
    if (Status problem = new_folder_problem(path); !problem.ok()) return problem;
    const fs::path target = folder_path(path);
    const fs::path parent = parent_of(target);
    sweep_unfinished(parent == fs::path(".") ? std::string() : parent.string(), notes);
    // Our record first, then the folder, each made by us alone under a name no
    // one can take first (both fail when anything has it).
    std::string hidden, staging, marker_path;
    Result<staging::Marker> marker = Fault(FaultKind::conflict, "", "no free name");
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Appended piece by piece: "." + a string trips a false warning of GCC 12 when optimising.
        hidden.assign(".");
        hidden.append(target.filename().string()).append(kStagingTag).append(token());
        staging = (parent / hidden).string();
        marker_path = staging + staging::kMarkerEnd;
        marker = staging::mark(marker_path, marker_content(hidden));
        if (!marker.is(FaultKind::conflict)) break;
    }
    if (!marker.ok()) return failed_step(marker_path, "cannot be made", marker.fault());
    if (Status made = staging::make_private_folder(staging); !made.ok()) {
        (void)staging::unmark(*marker, marker_path);
        return failed_step(staging, "cannot be made", made.fault());
    }
    Staging guard(staging, marker_path, std::move(*marker));
    std::set<std::string> folders{staging};
    for (const NewFile& f : files) {
        // The folders between, once each.
        for (std::size_t slash = f.name.find('/'); slash != std::string::npos; slash = f.name.find('/', slash + 1)) {
            const std::string folder = data_path(staging, native(f.name.substr(0, slash)));
            if (!folders.insert(folder).second) continue;
            if (Status s = ops.make_folder(folder); !s.ok()) return failed_step(folder, "cannot be made", s.fault());
        }
        const std::string file = data_path(staging, native(f.name));
        const Status s = !f.copy_inside.empty() ? copy_inside(ops, f.copy_inside, f.copy_from, f.identity, file)
                         : f.copy_from.empty()  ? write_file(ops, file, f.bytes)
                                                : ops.copy(f.copy_from, file);
        if (!s.ok()) return s.fault().path.empty() ? s.fault().at(file) : s.fault();
        if (Status n = narrow_access(file, f.sources); !n.ok()) return n;
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (Status s = ops.sync_folder(*it); !s.ok()) return s.fault().at(*it);
    // Not over anything that came meanwhile.
    if (Status problem = new_folder_problem(path); !problem.ok()) return problem;
    staging::open_to_others(staging);
    if (Status s = ops.replace(staging, target.string()); !s.ok())
        return failed_step(path, "cannot be put in place", s.fault());
    guard.placed();
    return {};
}

}  // namespace ce
