// Manifests, settings, listing and pruning of a data folder's history.
#include "store/history.h"

#include <algorithm>
#include <limits>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <unordered_set>

#include "store/content_hash.h"
#include "store/file_ops.h"
#include "store/data_folder.h"
#include "store/layouts.h"
#include "store/quoted_text.h"
#include "store/value_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kManifestHead = "creatures history 1";
constexpr const char* kSettingsName = "settings";

Status read_text(const std::string& path, std::string& out) {
    WholeFile file;
    if (Status fault = read_whole_file(path, file); !fault.ok()) return fault;
    out.assign(reinterpret_cast<const char*>(file.data()), file.length);
    return {};
}


// Decimal digits only: no sign, space or prefix.
// A number of ours in a history file: decimal digits only, and one that fits `out`.
template <class T>
bool parse_number(std::string_view s, T& out) {
    const std::optional<std::uint64_t> v = parse_decimal(s, static_cast<std::uint64_t>(std::numeric_limits<T>::max()));
    if (!v) return false;
    out = static_cast<T>(*v);
    return true;
}

bool is_hash(std::string_view s) {
    return s.size() == 64 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// "<digits>" after `prefix` at the end of `name` ("settings.~new3").
bool is_temp_of(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + 5 || name.substr(0, prefix.size()) != prefix) return false;
    const std::string_view rest = name.substr(prefix.size());
    if (rest.substr(0, 5) != ".~new") return false;
    return std::all_of(rest.begin() + 5, rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string_view> words(std::string_view line, std::size_t most) {
    std::vector<std::string_view> out;
    while (!line.empty() && out.size() + 1 < most) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) break;
        out.push_back(line.substr(0, space));
        line.remove_prefix(space + 1);
    }
    out.push_back(line);
    return out;
}

}  // namespace

std::string history_path(const std::string& root, const std::string& name) {
    const std::string folder = data_path(root, kHistoryFolder);
    return name.empty() ? folder : folder + "/" + name;
}

std::string content_path(const std::string& root, const std::string& hash) {
    return history_path(root, std::string(kContentFolder) + "/" + hash);
}

std::optional<EntryNumber> parse_entry_number(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    if (text.size() > 18) return std::nullopt;  // past kLastEntryNumber, which has 18 digits
    EntryNumber n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    if (n < 1 || n > kLastEntryNumber) return std::nullopt;
    return n;
}

std::string entry_number_fault(std::string_view text) {
    return quoted_piece(text) + " is not a history entry number (entries are numbered 1, 2, 3, ... as creatures history lists them)";
}

std::string entry_file_name(EntryNumber number, const char* kind) {
    std::string digits = std::to_string(number);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    return digits + "." + kind;
}

ManifestName manifest_name(std::string_view file_name) {
    ManifestName out;
    const std::size_t dot = file_name.find('.');
    if (dot == std::string_view::npos || dot < 6) return out;
    const std::string_view digits = file_name.substr(0, dot);
    if (dot > 6 && digits.front() == '0') return out;  // one spelling per number
    const std::optional<EntryNumber> n = parse_entry_number(digits);
    if (!n) return out;
    const std::string_view kind = file_name.substr(dot + 1);
    out.entry = kind == "entry";
    out.journal = kind == "journal";
    if (out.entry || out.journal || is_temp_of(kind, "journal") || is_temp_of(kind, "entry")) out.number = *n;
    return out;
}

bool is_history_name(std::string_view file_name) {
    if (file_name == kContentFolder || file_name == kSettingsName || is_temp_of(file_name, kSettingsName)) return true;
    if (manifest_name(file_name).number > 0) return true;
    // A content staged under its hash.
    return file_name.size() > 64 && is_hash(file_name.substr(0, 64)) && is_temp_of(file_name, file_name.substr(0, 64));
}

void HistoryNames::add(std::string_view file_name) {
    const ManifestName m = manifest_name(file_name);
    last_number = std::max(last_number, m.number);
    if (m.entry) entries.push_back(m.number);
    if (m.journal) journals.push_back(m.number);
    if (m.number > 0 && !m.entry && !m.journal && file_name.find(".journal.") != std::string_view::npos)
        staging.push_back(m.number);
    if (m.number == 0 && !is_history_name(file_name)) foreign.emplace_back(file_name);
}

void HistoryNames::sort() {
    std::sort(entries.begin(), entries.end());
    std::sort(journals.begin(), journals.end());
    std::sort(staging.begin(), staging.end());
    std::sort(foreign.begin(), foreign.end());
}

HistoryNames list_history_names(const std::string& root) {
    HistoryNames names;
    std::error_code ec;
    for (fs::directory_iterator it(history_path(root), ec), end; !ec && it != end; it.increment(ec))
        names.add(it->path().filename().string());
    names.sort();
    return names;
}

std::string format_manifest(const HistoryEntry& entry) {
    // Appended piece by piece: one long chain of + trips a false warning of GCC 12.
    std::string out;
    out.reserve(256 + entry.files.size() * 180);
    out.append(kManifestHead);
    out.append("\nnumber ").append(std::to_string(entry.number));
    // Texts quoted where they are not plain, so that no byte of them (a patch
    // named with a line break) can change the manifest's shape.
    out.append("\ntime ").append(record_text(entry.time));
    out.append("\nmade-by ").append(record_text(entry.made_by));
    out.append("\nslots");
    for (int s : entry.slots) out.append(" ").append(std::to_string(s));
    out.append("\n");
    for (const HistoryFile& f : entry.files) {
        out.append("file ").append(f.old_hash.empty() ? std::string("-") : f.old_hash);
        out.append(" ").append(std::to_string(f.old_size));
        out.append(" ").append(f.new_hash);
        out.append(" ").append(std::to_string(f.new_size));
        out.append(" ").append(f.name).append("\n");
    }
    for (const HistoryFile& f : entry.files) {
        if (f.in_place) out.append("in-place ").append(f.name).append("\n");
    }
    out.append("end\n");
    return out;
}

namespace {

// The text after `key` and a space on the line ("" when the line is the key
// alone), or nothing when the line does not start with the key.
std::optional<std::string_view> field(std::string_view line, std::string_view key) {
    if (line.size() < key.size() || line.substr(0, key.size()) != key) return std::nullopt;
    if (line.size() == key.size()) return std::string_view();
    if (line[key.size()] != ' ') return std::nullopt;
    return line.substr(key.size() + 1);
}

// Lines 2 to 5: number, time, made-by, slots.
Status parse_head(const std::vector<std::string_view>& lines, HistoryEntry& entry) {
    const auto number = field(lines[1], "number");
    const std::optional<EntryNumber> n = number ? parse_entry_number(*number) : std::nullopt;
    if (!n) return std::string("line 2: expected \"number\" and an entry number");
    entry.number = *n;
    const auto time = field(lines[2], "time");
    if (!time) return std::string("line 3: expected \"time\"");
    const std::optional<std::string> time_text = record_text_read(*time);
    if (!time_text) return std::string("line 3: the time's quoted text is malformed");
    entry.time = *time_text;
    const auto made_by = field(lines[3], "made-by");
    if (!made_by) return std::string("line 4: expected \"made-by\"");
    const std::optional<std::string> made_by_text = record_text_read(*made_by);
    if (!made_by_text) return std::string("line 4: the quoted text of \"made-by\" is malformed");
    entry.made_by = *made_by_text;
    const auto slots = field(lines[4], "slots");
    if (!slots) return std::string("line 5: expected \"slots\"");
    if (slots->empty()) return {};
    for (std::string_view w : words(*slots, 100000)) {
        const std::optional<std::uint64_t> s = parse_decimal(w, kSlots - 1);
        if (!s) return Fault(FaultKind::invalid, "", "line 5: " + slot_fault(quoted_piece(w)).reason);
        entry.slots.push_back(static_cast<int>(*s));
    }
    return {};
}

// A "file" line: old hash (or "-"), old size, new hash, new size, name; the
// name one of the folder's own files, and not one `entry` names already.
Status parse_file_line(std::string_view line, const HistoryEntry& entry, HistoryFile& f) {
    const auto rest = field(line, "file");
    if (!rest) return std::string("expected \"file\"");
    const std::vector<std::string_view> w = words(*rest, 5);
    if (w.size() != 5) return std::string("expected five parts");
    if (w[0] != "-" && !is_hash(w[0])) return quoted_piece(w[0]) + " is not a content hash";
    if (!is_hash(w[2])) return quoted_piece(w[2]) + " is not a content hash";
    if (!parse_number(w[1], f.old_size) || !parse_number(w[3], f.new_size)) return std::string("a size is not a number");
    if (!is_folder_file(w[4])) return quoted_piece(w[4]) + " is not a file of the data folder";
    if (std::any_of(entry.files.begin(), entry.files.end(), [&](const HistoryFile& g) { return g.name == w[4]; }))
        return quoted_piece(w[4]) + " is named twice";
    f.old_hash = w[0] == "-" ? std::string() : std::string(w[0]);
    f.new_hash = std::string(w[2]);
    f.name = std::string(w[4]);
    return {};
}

// An "in-place" line: a file that a "file" line before it names, which the
// write rewrote in place.
Status parse_in_place_line(std::string_view line, HistoryEntry& entry) {
    const auto name = field(line, "in-place");
    if (!name) return std::string("expected \"file\" or \"in-place\"");
    const auto f = std::find_if(entry.files.begin(), entry.files.end(), [&](const HistoryFile& g) { return g.name == *name; });
    if (f == entry.files.end()) return quoted_piece(*name) + " is not a file this write names";
    if (f->in_place) return quoted_piece(*name) + " is named twice";
    f->in_place = true;
    return {};
}

}  // namespace

Status parse_manifest(std::string_view text, HistoryEntry& out) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        if (nl == std::string_view::npos) return std::string("the last line is cut off");
        lines.push_back(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
    if (lines.size() < 6 || lines[0] != kManifestHead) return std::string("not a history manifest");
    if (lines.back() != "end") return std::string("it does not end with \"end\"");
    HistoryEntry entry;
    if (Status e = parse_head(lines, entry); !e.ok()) return e;
    for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
        if (lines[i].starts_with("in-place ")) {
            if (Status e = parse_in_place_line(lines[i], entry); !e.ok())
                return e.fault().after("line " + std::to_string(i + 1) + ": ");
            continue;
        }
        HistoryFile f;
        if (Status e = parse_file_line(lines[i], entry, f); !e.ok()) return e.fault().after("line " + std::to_string(i + 1) + ": ");
        entry.files.push_back(std::move(f));
    }
    if (entry.files.empty()) return std::string("it names no file");
    out = std::move(entry);
    return {};
}

Status read_manifest(const std::string& path, HistoryEntry& out) {
    std::string text;
    if (Status fault = read_text(path, text); !fault.ok()) return fault;
    if (Status e = parse_manifest(text, out); !e.ok()) return Fault(FaultKind::invalid, path, "not a valid history manifest: " + e.message());
    return {};
}

std::string untrusted_history(const std::string& root) {
    return "the folder's history cannot be trusted, so nothing was changed; to use the folder without it, move " +
           quoted_text(history_path(root)) + " out of the data folder";
}

Status read_history_settings(const std::string& root, HistorySettings& out) {
    HistorySettings s;
    const std::string path = history_path(root, kSettingsName);
    std::string text;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        out = s;
        return {};
    }
    if (Status fault = read_text(path, text); !fault.ok()) return fault;
    std::size_t line_no = 0;
    while (!text.empty()) {
        ++line_no;
        const std::size_t nl = std::min(text.find('\n'), text.size());
        std::string_view line = std::string_view(text).substr(0, nl);
        const std::vector<std::string_view> w = words(line, 2);
        const std::string where = path + ": line " + std::to_string(line_no) + ": ";
        if (line.empty()) {
        } else if (w.size() == 2 && w[0] == "history" && (w[1] == "on" || w[1] == "off")) {
            s.enabled = w[1] == "on";
        } else if (w.size() == 2 && w[0] == "keep-entries") {
            if (!parse_number(w[1], s.keep_entries) || s.keep_entries < 1)
                return where + "keep-entries needs a number of at least 1";
        } else if (w.size() == 2 && w[0] == "keep-bytes") {
            if (!parse_number(w[1], s.keep_bytes)) return where + "keep-bytes needs a number";
        } else {
            return where + "not a setting (history on|off, keep-entries N, keep-bytes N)";
        }
        text.erase(0, std::min(nl + 1, text.size()));
    }
    out = s;
    return {};
}

Status write_history_settings(FileOps& ops, const std::string& root,
                              const HistorySettings& settings) {
    if (Status problem = history_folder_problem(root); !problem.ok()) return problem;
    if (Status e = ops.make_folder(history_path(root)); !e.ok())
        return failed_step(history_path(root), "cannot be made", e.fault());
    const std::string text = std::string("history ") + (settings.enabled ? "on" : "off") + "\nkeep-entries " +
                             std::to_string(settings.keep_entries) + "\nkeep-bytes " +
                             std::to_string(settings.keep_bytes) + "\n";
    // The history's own file: always a new file under its name, never written
    // through a link or another name it may have been given (so never in
    // place, and no backup copy beside it).
    const std::string path = history_path(root, kSettingsName);
    StagedFile file;
    Status fault = stage_new_file(ops, path, path, "", text.data(), text.size(), file);
    if (fault.ok()) fault = flush_staged(ops, file);
    if (fault.ok()) fault = place_staged(ops, file);
    if (fault.ok()) {
        if (Status e = ops.sync_folder(history_path(root)); !e.ok()) fault = failed_step(path, "cannot be made safe", e.fault());
    }
    const Status left = drop_staged(ops, file);
    if (!fault.ok()) return left.ok() ? fault : fault.fault().followed_by("; " + left.message());
    return {};
}

Status history_folder_problem(const std::string& root) {
    for (const std::string& folder : {history_path(root), history_path(root, kContentFolder)}) {
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(folder, ec);
        if (st.type() == fs::file_type::not_found) return {};
        if (st.type() != fs::file_type::directory)
            return folder + ": not a folder (the folder's history and the journal of its writes live there)";
    }
    return {};
}

namespace {

using SharedEntry = std::shared_ptr<const HistoryEntry>;

// A complete entry is never written again, so a program that lists the same
// history again (the editor prunes it after every Save) reads only the entries
// that are new or whose file changed (size, time or identity) since it last
// read them (one question to the system per entry). It also keeps the stamp of
// the history folder as this program left it when it last pruned.
class EntryCache {
public:
    // `trusted`: nobody has changed the folder's names since this program last
    // pruned it, so a known entry is taken as it is.
    Status read(const std::string& root, EntryNumber number, SharedEntry& out, bool trusted = false) {
        const std::string path = history_path(root, entry_file_name(number, "entry"));
        if (trusted) {
            std::lock_guard<std::mutex> hold(mutex_);
            use(root);
            const auto it = known_.find(number);
            if (it != known_.end()) {
                out = it->second.entry;
                return {};
            }
        }
        const std::optional<FileStamp> stamp = file_stamp(path);
        {
            std::lock_guard<std::mutex> hold(mutex_);
            use(root);
            const auto it = known_.find(number);
            if (stamp && it != known_.end() && it->second.stamp == *stamp) {
                out = it->second.entry;
                return {};
            }
        }
        auto entry = std::make_shared<HistoryEntry>();
        if (Status e = read_manifest(path, *entry); !e.ok()) return e;
        out = entry;
        std::lock_guard<std::mutex> hold(mutex_);
        use(root);
        if (stamp) known_[number] = {*stamp, out};
        return {};
    }
    // Forgets the entries that are gone (those before `first`).
    void forget_before(const std::string& root, EntryNumber first) {
        std::lock_guard<std::mutex> hold(mutex_);
        if (root == root_) known_.erase(known_.begin(), known_.lower_bound(first));
    }
    bool unchanged_since_pruned(const std::string& root, const std::optional<FileStamp>& folder) {
        std::lock_guard<std::mutex> hold(mutex_);
        return root == root_ && folder && pruned_ && *pruned_ == *folder;
    }
    void pruned(const std::string& root, const std::optional<FileStamp>& folder) {
        std::lock_guard<std::mutex> hold(mutex_);
        use(root);
        pruned_ = folder;
    }

private:
    void use(const std::string& root) {
        if (root == root_) return;
        root_ = root;
        known_.clear();
        pruned_.reset();
    }
    struct Known {
        FileStamp stamp;
        SharedEntry entry;
    };
    std::mutex mutex_;
    std::string root_;
    std::map<EntryNumber, Known> known_;
    std::optional<FileStamp> pruned_;
};

EntryCache& entry_cache() {
    static EntryCache cache;
    return cache;
}

// The completed entries, oldest first, as the cache holds them. An entry that
// cannot be read is an error, or, with `damaged`, its number and what is wrong
// are added there and it is left out.
struct Damaged {
    std::vector<EntryNumber> numbers;
    std::vector<std::string> problems;
};
Status list_entries(const std::string& root, const std::vector<EntryNumber>& numbers,
                    std::vector<SharedEntry>& out, bool trusted = false,
                    Damaged* damaged = nullptr) {
    out.clear();
    if (Status problem = history_folder_problem(root); !problem.ok()) return problem;
    entry_cache().forget_before(root, numbers.empty() ? 0 : numbers.front());
    for (EntryNumber n : numbers) {
        SharedEntry entry;
        Status error = entry_cache().read(root, n, entry, trusted);
        if (error.ok() && entry->number != n)
            error = Fault(FaultKind::invalid, history_path(root, entry_file_name(n, "entry")),
                          "holds entry " + std::to_string(entry->number));
        if (!error.ok() && !damaged) return error;
        if (!error.ok()) {
            damaged->numbers.push_back(n);
            damaged->problems.push_back(error.message());
            continue;
        }
        out.push_back(std::move(entry));
    }
    return {};
}

std::string relative_to(const std::string& root, const std::string& path) {
    if (root.empty() || path.compare(0, root.size(), root) != 0) return path;
    std::string rest = path.substr(root.size());
    while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) rest.erase(0, 1);
    return rest;
}

// The names in the content folder that are not a content's or a content's
// temporary file.
void foreign_contents(const std::string& root, std::vector<std::string>& out) {
    std::error_code ec;
    for (fs::directory_iterator it(history_path(root, kContentFolder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (is_hash(name) || (name.size() > 64 && is_temp_of(name, name.substr(0, 64)) && is_hash(name.substr(0, 64))))
            continue;
        out.push_back(name);
    }
    std::sort(out.begin(), out.end());
}

// The entries from `number` on, oldest first; an error when that entry is not
// there or when one of them cannot be read.
Status entries_from(const std::string& root, EntryNumber number,
                    std::vector<SharedEntry>& out) {
    const HistoryNames names = list_history_names(root);
    std::vector<SharedEntry> entries;
    Damaged damaged;
    if (Status e = list_entries(root, names.entries, entries, false, &damaged); !e.ok()) return e;
    for (std::size_t i = 0; i < damaged.numbers.size(); ++i) {
        if (damaged.numbers[i] >= number)
            return damaged.problems[i] + " (entry " + std::to_string(damaged.numbers[i]) +
                   " cannot be read, and the way back to before entry " + std::to_string(number) +
                   " passes through it); " + untrusted_history(root);
    }
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const SharedEntry& e) { return e->number == number; });
    if (it == entries.end()) {
        if (entries.empty()) return "there is no history entry " + std::to_string(number) + " (the history is empty)";
        return "there is no history entry " + std::to_string(number) + " (the entries are " +
               std::to_string(entries.front()->number) + " to " + std::to_string(entries.back()->number) + ")";
    }
    out.assign(it, entries.end());
    return {};
}

}  // namespace

Status list_history(const std::string& root, std::vector<HistoryEntry>& out) {
    out.clear();
    std::vector<SharedEntry> entries;
    if (Status e = list_entries(root, list_history_names(root).entries, entries); !e.ok()) return e;
    out.reserve(entries.size());
    for (const SharedEntry& entry : entries) out.push_back(*entry);
    return {};
}

Status read_history(const std::string& root, HistoryListing& out) {
    out = HistoryListing{};
    const HistoryNames names = list_history_names(root);
    std::vector<SharedEntry> entries;
    Damaged damaged;
    if (Status e = list_entries(root, names.entries, entries, false, &damaged); !e.ok()) return e;
    for (const SharedEntry& entry : entries) out.entries.push_back(*entry);
    out.damaged = std::move(damaged.numbers);
    for (const std::string& problem : damaged.problems)
        out.problems.push_back(relative_to(root, problem) + "; the entry is left out");
    const std::string history = relative_to(root, history_path(root));
    for (const std::string& name : names.foreign)
        out.problems.push_back(history + "/" + shown_text(name) + ": not a file of ours; ignored");
    std::vector<std::string> contents;
    foreign_contents(root, contents);
    for (const std::string& name : contents)
        out.problems.push_back(history + "/content/" + shown_text(name) + ": not a file of ours; ignored");
    return {};
}

Status load_content(const std::string& root, const std::string& hash, std::string& out) {
    const std::string path = content_path(root, hash);
    if (Status fault = read_text(path, out); !fault.ok())
        return failed_step(path, "the stored content cannot be read", fault.fault());
    if (content_hash(out) != hash)
        return Fault(path, "the stored content is damaged (its hash does not match)");
    return {};
}

Status folder_before(const std::string& root, EntryNumber number, FolderBytes& out,
                     std::vector<int>* slots) {
    std::vector<SharedEntry> entries;
    if (Status e = entries_from(root, number, entries); !e.ok()) return e;
    out.clear();
    std::set<int> seen_slots;
    for (const SharedEntry& e : entries) {
        for (int s : e->slots) seen_slots.insert(s);
        for (const HistoryFile& f : e->files) {
            if (out.count(f.name)) continue;
            if (f.old_hash.empty()) {
                out[f.name] = std::nullopt;
                continue;
            }
            std::string bytes;
            if (Status error = load_content(root, f.old_hash, bytes); !error.ok())
                return error.fault().after("entry " + std::to_string(e->number) + ", " + f.name + ": ");
            out[f.name] = std::move(bytes);
        }
    }
    if (slots) slots->assign(seen_slots.begin(), seen_slots.end());
    return {};
}

namespace {

// The files that the entries from `number` on name, in the order of
// folder_file_names, each with what the newest of them says it holds now.
Status last_written(const std::string& root, EntryNumber number,
                    std::vector<std::pair<std::string, std::string>>& out) {
    std::vector<SharedEntry> entries;
    if (Status e = entries_from(root, number, entries); !e.ok()) return e;
    for (const std::string& name : folder_file_names()) {
        const HistoryFile* last = nullptr;
        for (const SharedEntry& e : entries)
            for (const HistoryFile& f : e->files)
                if (f.name == name) last = &f;
        if (last) out.emplace_back(name, last->new_hash);
    }
    return {};
}

}  // namespace

Status files_not_as_written(const std::string& root, EntryNumber number,
                            std::vector<std::string>& out) {
    out.clear();
    std::vector<std::pair<std::string, std::string>> last;
    if (Status e = last_written(root, number, last); !e.ok()) return e;
    for (const auto& [name, hash] : last) {
        WholeFile file;
        const Status fault = read_whole_file(data_path(root, name), file);
        if (!fault.ok() && !fault.is(FaultKind::missing)) return fault;
        const bool holds = fault.ok() && content_hash(std::string_view(reinterpret_cast<const char*>(file.data()),
                                                                    file.length)) == hash;
        if (!holds) out.push_back(name);
    }
    return {};
}

Status files_not_as_written(const std::string& root, EntryNumber number, const FolderBytes& now,
                            std::vector<std::string>& out) {
    out.clear();
    std::vector<std::pair<std::string, std::string>> last;
    if (Status e = last_written(root, number, last); !e.ok()) return e;
    for (const auto& [name, hash] : last) {
        const auto it = now.find(name);
        if (it == now.end() || !it->second || content_hash(*it->second) != hash) out.push_back(name);
    }
    return {};
}

namespace {

// The stored contents that kept entries and writes in progress need, by hash
// (views into the manifests, which outlive it).
using Needed = std::unordered_set<std::string_view>;

// How many of the newest entries to keep: while both limits hold (the newest
// always stays while history is on, so the last write can always be undone).
// Adds the old contents they need to `needed`.
std::size_t entries_to_keep(const std::vector<SharedEntry>& entries, const HistorySettings& settings,
                            Needed& needed) {
    std::uint64_t bytes = 0;
    std::size_t keep = 0;
    if (!settings.enabled) return keep;
    std::vector<std::string_view> added;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        std::uint64_t more = 0;
        added.clear();
        for (const HistoryFile& f : (*e)->files) {
            if (f.old_hash.empty() || needed.count(f.old_hash)) continue;
            if (std::find(added.begin(), added.end(), f.old_hash) != added.end()) continue;
            added.push_back(f.old_hash);
            more += f.old_size;
        }
        if (keep > 0 && (keep >= static_cast<std::size_t>(settings.keep_entries) || bytes + more > settings.keep_bytes))
            break;
        bytes += more;
        needed.insert(added.begin(), added.end());
        ++keep;
    }
    return keep;
}

// Removes the stored contents that nothing needs: no kept entry, and no write
// in progress (which needs its old contents until it is committed or rolled
// back; when its journal cannot be read, nothing is removed). Only the
// `candidates` are looked at when given, else every stored content.
Status remove_unneeded_contents(FileOps& ops, const std::string& root,
                                const std::vector<EntryNumber>& journals, Needed& needed,
                                const std::set<std::string>* candidates) {
    std::vector<HistoryEntry> pending(journals.size());
    for (std::size_t i = 0; i < journals.size(); ++i) {
        if (!read_manifest(history_path(root, entry_file_name(journals[i], "journal")), pending[i]).ok()) return {};
        for (const HistoryFile& f : pending[i].files) needed.insert(f.old_hash);
    }
    Status error;
    auto remove = [&](const std::string& name) {
        if (!is_hash(name) || needed.count(name)) return;
        const std::string path = content_path(root, name);
        unsigned links = 0;
        if (ops.link_count(path, links).ok() && links == 0) return;  // gone already
        if (Status e = ops.remove(path); !e.ok()) error = failed_step(path, "cannot be removed", e.fault());
    };
    if (candidates) {
        for (const std::string& name : *candidates) remove(name);
        return error;
    }
    std::error_code ec;
    for (fs::directory_iterator it(history_path(root, kContentFolder), ec), end; !ec && it != end; it.increment(ec))
        remove(it->path().filename().string());
    return error;
}

Status prune(FileOps& ops, const std::string& root, const HistorySettings& settings,
             const HistoryNames& names, bool full, bool trusted = false) {
    std::vector<SharedEntry> entries;
    Damaged damaged;
    if (Status e = list_entries(root, names.entries, entries, trusted, &damaged); !e.ok()) return e;

    Needed needed;
    const std::size_t keep = entries_to_keep(entries, settings, needed);
    if (keep == entries.size() && !full) return {};
    // Only the contents of the entries removed can have become unneeded; after a
    // recovery, or with history off, every stored content is looked at.
    std::set<std::string> candidates;
    for (std::size_t i = 0; i + keep < entries.size(); ++i) {
        const std::string path = history_path(root, entry_file_name(entries[i]->number, "entry"));
        if (Status e = ops.remove(path); !e.ok())  // keep the rest: the oldest go first, so the history stays a suffix
            return failed_step(path, "cannot be removed", e.fault());
        for (const HistoryFile& f : entries[i]->files) candidates.insert(f.old_hash);
    }
    // What an entry that cannot be read needs is not known: no content goes.
    if (!damaged.numbers.empty()) return {};
    return remove_unneeded_contents(ops, root, names.journals, needed,
                                    full || !settings.enabled ? nullptr : &candidates);
}

}  // namespace

Status prune_history(FileOps& ops, const std::string& root, bool full) {
    HistorySettings settings;
    if (Status e = read_history_settings(root, settings); !e.ok()) return e;
    return prune(ops, root, settings, list_history_names(root), full);
}

Status remove_contents_unless_needed(FileOps& ops, const std::string& root, const std::set<std::string>& hashes) {
    const HistoryNames names = list_history_names(root);
    std::vector<SharedEntry> entries;
    Damaged damaged;
    if (Status e = list_entries(root, names.entries, entries, false, &damaged); !e.ok()) return e;
    if (!damaged.numbers.empty()) return {};
    Needed needed;
    for (const SharedEntry& e : entries)
        for (const HistoryFile& f : e->files) needed.insert(f.old_hash);
    return remove_unneeded_contents(ops, root, names.journals, needed, &hashes);
}

Status prune_history(FileOps& ops, const std::string& root, const KnownHistory& known) {
    const bool trusted = entry_cache().unchanged_since_pruned(root, known.folder_before);
    Status error = prune(ops, root, known.settings, known.names, false, trusted);
    entry_cache().pruned(root, !error.ok() ? std::nullopt : restamp_folder(history_path(root)));
    return error;
}

}  // namespace ce
