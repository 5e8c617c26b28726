// One look at the folders where our files can be, and one file put back.
#include "store/journal_scan.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/file_ops.h"
#include "store/data_folder.h"
#include "store/journal.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// A temporary file of ours: "<name>.~new<digits>" or "<name>.~old<digits>".
bool is_stray(const std::string& name, bool& is_backup, std::string& base) {
    for (const char* tag : {".~new", ".~old"}) {
        const std::size_t at = name.rfind(tag);
        if (at == std::string::npos || at == 0) continue;
        const std::size_t digits = at + 5;
        if (digits >= name.size()) continue;
        if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(digits), name.end(),
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        is_backup = tag[2] == 'o';
        base = name.substr(0, at);
        return true;
    }
    return false;
}

// Whether `base` is a file of ours that a temporary file or a backup copy in
// `place` can belong to: one of the folder's own files, a manifest or the
// settings of the history, a stored content.
bool stray_base_is_ours(const std::string& place, const std::string& base) {
    if (place.empty()) return is_folder_file(base);
    if (is_language_folder(place)) return is_folder_file(place + "/" + base);
    if (place == kContentFolder) return base.size() == 64 && is_history_name(base + ".~new0");
    return is_history_name(base) || is_history_name(base + ".~new0");
}

// Replaces the file's bytes: by rename when it has one link, in place (the
// journal holds the old bytes) when it has more.
Status replace_file(FileOps& ops, const std::string& path, const std::string& bytes) {
    unsigned links = 0;
    if (Status e = ops.link_count(ops.resolve(path), links); !e.ok())
        return failed_step(path, "cannot read the file's attributes", e.fault());
    const Status fault = links > 1 ? rewrite_in_place(ops, path, bytes.data(), bytes.size())
                                       : store_whole_file(ops, path, bytes.data(), bytes.size());
    if (!fault.ok()) return fault;
    return {};
}

}  // namespace

FolderScan scan_folder(const std::string& root, bool contents) {
    FolderScan scan;
    struct Place {
        std::string path, name;  // name: "" for the data folder, else as in stray_base_is_ours
    };
    std::vector<Place> places{{root.empty() ? std::string(".") : root, ""}};
    for (const char* language : kLanguageFolders) {
        if (link_out_of_folder(root, language).ok()) places.push_back({data_path(root, language), language});
    }
    const std::string history = history_path(root);
    places.push_back({history, kHistoryFolder});
    if (contents) places.push_back({history_path(root, kContentFolder), kContentFolder});
    for (const Place& place : places) {
        const std::string& folder = place.path;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (folder == history) scan.history.add(name);
            Stray s;
            std::string base;
            if (!is_stray(name, s.backup, base) || !stray_base_is_ours(place.name, base)) continue;
            std::error_code kind_ec;
            if (it->symlink_status(kind_ec).type() != fs::file_type::regular) continue;
            s.path = folder == "." ? name : it->path().string();
            s.base_path = folder == "." ? base : (fs::path(folder) / base).string();
            scan.strays.push_back(std::move(s));
        }
    }
    scan.history.sort();
    return scan;
}

Status read_current(const std::string& path, std::optional<std::string>& out) {
    WholeFile file;
    const Status fault = read_whole_file(path, file);
    if (fault.ok()) {
        out = std::string(reinterpret_cast<const char*>(file.data()), file.length);
        return {};
    }
    out.reset();
    if (fault.fault().reason == reason::kMissing) return {};
    return fault;
}

Status put_back(FileOps& ops, const std::string& path, const std::optional<std::string>& old) {
    std::optional<std::string> current;
    if (Status e = read_current(path, current); !e.ok()) return e;
    if (current == old) return {};
    if (!old) {
        if (Status e = ops.remove(path); !e.ok()) return failed_step(path, "cannot be removed", e.fault());
        return {};
    }
    return replace_file(ops, path, *old);
}

std::string shown(const std::string& root, const std::string& path) {
    return root.empty() ? path : folder_relative_name(root, path);
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

std::string folder_relative_name(const std::string& root, const std::string& path) {
    std::string name = path;
    if (!root.empty() && name.size() > root.size() && name.compare(0, root.size(), root) == 0) {
        name.erase(0, root.size());
        while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.erase(0, 1);
    }
    std::replace(name.begin(), name.end(), '\\', '/');
    while (name.starts_with("./")) name.erase(0, 2);
    return name;
}

}  // namespace ce
