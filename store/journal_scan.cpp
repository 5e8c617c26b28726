// One look at the folders where our files can be, and one file put back.
#include "store/journal_scan.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/file_ops.h"
#include "store/data_folder.h"
#include "store/journal.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// A name made like one of ours: "<name>.~new<digits>" or "<name>.~old<digits>".
bool is_stray(const std::string& name, Stray& s, std::string& base) {
    for (const char* tag : {".~new", ".~old"}) {
        const std::size_t at = name.rfind(tag);
        if (at == std::string::npos || at == 0) continue;
        const std::size_t digits = at + 5;
        if (digits >= name.size()) continue;
        if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(digits), name.end(),
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        s.backup = tag[2] == 'o';
        s.number = parse_entry_number(std::string_view(name).substr(digits)).value_or(0);
        base = name.substr(0, at);
        return true;
    }
    return false;
}

// Whether `base` is a file of ours that a temporary file or a backup copy in
// `place` can be named after: one of the folder's own files, a manifest or the
// settings of the history, a stored content.
bool stray_base_is_ours(const std::string& place, const std::string& base) {
    if (place.empty()) return is_folder_file(base);
    if (is_language_folder(place)) return is_folder_file(place + "/" + base);
    if (place == kContentFolder) return base.size() == 64 && is_history_name(base + ".~new0");
    return is_history_name(base) || is_history_name(base + ".~new0");
}

// Whether a stray in `place` is one of ours: in the history's folders, a
// temporary file of its own names (the history is ours wherever it is
// looked at); beside the folder's files, a temporary file named by the number
// of a write whose manifest the history holds.
bool recorded(const std::string& place, const Stray& s, const HistoryNames& history) {
    if (!s.regular || s.backup) return false;
    if (place == kHistoryFolder || place == kContentFolder) return true;
    const auto named = [&](const std::vector<EntryNumber>& numbers) {
        return std::binary_search(numbers.begin(), numbers.end(), s.number);
    };
    return s.number > 0 && (named(history.journals) || named(history.staging));
}

}  // namespace

FolderScan scan_folder(const std::string& root, bool contents) {
    FolderScan scan;
    struct Place {
        std::string path, name;  // name: "" for the data folder, else as in stray_base_is_ours
    };
    // The history first: what it records decides which names beside the
    // files are ours, and a write of ours makes its manifest before any of them.
    const std::string history = history_path(root);
    std::error_code history_ec;
    for (fs::directory_iterator it(history, history_ec), end; !history_ec && it != end; it.increment(history_ec))
        scan.history.add(it->path().filename().string());
    scan.history.sort();
    std::vector<Place> places{{history, kHistoryFolder}};
    if (contents) places.push_back({history_path(root, kContentFolder), kContentFolder});
    places.push_back({root.empty() ? std::string(".") : root, ""});
    for (const char* language : kLanguageFolders) {
        if (link_out_of_folder(root, language).ok()) places.push_back({data_path(root, language), language});
    }
    for (const Place& place : places) {
        const std::string& folder = place.path;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            Stray s;
            std::string base;
            if (!is_stray(name, s, base) || !stray_base_is_ours(place.name, base)) continue;
            std::error_code kind_ec;
            s.regular = it->symlink_status(kind_ec).type() == fs::file_type::regular;
            s.path = folder == "." ? name : it->path().string();
            s.base_path = folder == "." ? base : (fs::path(folder) / base).string();
            (recorded(place.name, s, scan.history) ? scan.strays : scan.foreign).push_back(std::move(s));
        }
    }
    return scan;
}

std::string temp_tag(EntryNumber number) { return ".~new" + std::to_string(number); }

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

Status put_back(FileOps& ops, const std::string& path, const std::optional<std::string>& old, bool in_place,
                const std::string& tag) {
    std::optional<std::string> current;
    if (Status e = read_current(path, current); !e.ok()) return e;
    if (current == old) return {};
    if (!old) {
        if (Status e = ops.remove(path); !e.ok()) return failed_step(path, "cannot be removed", e.fault());
        return {};
    }
    unsigned links = 0;
    if (Status e = ops.link_count(ops.resolve(path), links); !e.ok())
        return failed_step(path, "cannot read the file's attributes", e.fault());
    // The write's journal holds the old bytes: in place, no backup copy.
    if (links > 1 && in_place) return rewrite_in_place(ops, path, old->data(), old->size());
    return replace_by_new_file(ops, path, old->data(), old->size(), tag);
}

std::string shown(const std::string& root, const std::string& path) {
    return shown_text(root.empty() ? path : folder_relative_name(root, path));
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
