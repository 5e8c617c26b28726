// The folder's write transaction and its crash recovery.
#include "store/journal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include "store/content_hash.h"
#include "store/file_ops.h"
#include "store/folder_files.h"
#include "store/history.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// The folders where our temporary files can be left: beside the data files, the
// language files, and in the history.
constexpr const char* kLanguageFolders[] = {"Eng", "Rus"};

std::string now_text() {
    const std::time_t t = std::time(nullptr);
    const std::tm* utc = std::gmtime(&t);
    char buffer[32] = "unknown";
    if (utc) std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", utc);
    return buffer;
}

// The file's bytes, or nothing when it does not exist; an error when it exists
// but cannot be read.
std::optional<std::string> read_current(const std::string& path, std::optional<std::string>& out) {
    WholeFile file;
    const FileResult fault = read_whole_file(path, file);
    if (!fault) {
        out = std::string(reinterpret_cast<const char*>(file.data()), file.length);
        return std::nullopt;
    }
    out.reset();
    if (fault->reason == reason::kMissing) return std::nullopt;
    return fault->message();
}

// Replaces the file's bytes: by rename when it has one link, in place (the
// journal holds the old bytes) when it has more.
std::optional<std::string> replace_file(FileOps& ops, const std::string& path, const std::string& bytes) {
    unsigned links = 0;
    if (FileError e = ops.link_count(ops.resolve(path), links))
        return failed_step(path, "cannot read the file's attributes", *e).message();
    const FileResult fault = links > 1 ? rewrite_in_place(ops, path, bytes.data(), bytes.size())
                                       : store_whole_file(ops, path, bytes.data(), bytes.size());
    if (fault) return fault->message();
    return std::nullopt;
}

// Puts the file back to `old` (nothing: it did not exist) unless it holds it.
std::optional<std::string> put_back(FileOps& ops, const std::string& path, const std::optional<std::string>& old) {
    std::optional<std::string> current;
    if (auto e = read_current(path, current)) return e;
    if (current == old) return std::nullopt;
    if (!old) {
        if (FileError e = ops.remove(path)) return failed_step(path, "cannot be removed", *e).message();
        return std::nullopt;
    }
    return replace_file(ops, path, *old);
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

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

struct Stray {
    std::string path;
    std::string base_path;  // the file a backup copy belongs to
    bool backup = false;
};

// What one look at the folder finds that a recovery or a write needs.
struct FolderScan {
    HistoryNames history;  // journals: interrupted writes
    std::vector<Stray> strays;
};

// Whether `base` is a file of ours that a temporary file or a backup copy in
// `place` can belong to: one of the folder's own files, a manifest or the
// settings of the history, a stored content.
bool stray_base_is_ours(const std::string& place, const std::string& base) {
    if (place.empty()) return is_folder_file(base);
    if (place == "Eng" || place == "Rus") return is_folder_file(place + "/" + base);
    if (place == "content") return base.size() == 64 && is_history_name(base + ".~new0");
    return is_history_name(base) || is_history_name(base + ".~new0");
}

// One listing of each folder where our files can be: the data folder, the
// language folders and the history; the content folder too when `contents`
// (our writes leave no temporary file there, but an older one may have). A
// language folder that is a link out of the data folder is not looked at.
FolderScan scan_folder(const std::string& root, bool contents = true) {
    FolderScan scan;
    struct Place {
        std::string path, name;  // name: "" for the data folder, else as in stray_base_is_ours
    };
    std::vector<Place> places{{root.empty() ? std::string(".") : root, ""}};
    for (const char* language : kLanguageFolders) {
        if (!link_out_of_folder(root, language)) places.push_back({data_path(root, language), language});
    }
    const std::string history = history_path(root);
    places.push_back({history, kHistoryFolder});
    if (contents) places.push_back({history_path(root, "content"), "content"});
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

std::string shown(const std::string& root, const std::string& path) {
    return root.empty() ? path : folder_relative_name(root, path);
}

// Whether the file at `path` holds exactly `bytes`: read piece by piece and
// compared, which says as much as its hash would (the bytes are those that
// hash to its name) at a fraction of the cost.
bool holds_exactly(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char piece[1 << 16];
    std::size_t at = 0;
    bool same = true;
    for (std::size_t n; same && (n = std::fread(piece, 1, sizeof piece, file)) > 0; at += n)
        same = at + n <= bytes.size() && std::memcmp(piece, bytes.data() + at, n) == 0;
    same = same && !std::ferror(file) && at == bytes.size();
    std::fclose(file);
    return same;
}

// Whether the content stored at `path` may stay as it is: a file of its own
// (no other name: a data file sharing it would change it when rewritten in
// place), no more open than the file `source` its bytes come from, and whole:
// holding the bytes that hash to its name, so never trusted by its size.
bool sound_content(const std::string& path, const std::string& bytes, const std::string& source) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() != fs::file_type::regular || ec) return false;
    if (fs::hard_link_count(path, ec) != 1 || ec) return false;
    if (fs::file_size(path, ec) != bytes.size() || ec) return false;
    std::error_code source_ec;
    const fs::perms mine = fs::status(path, ec).permissions(), theirs = fs::status(source, source_ec).permissions();
    if (!ec && !source_ec && (mine & ~theirs & fs::perms::all) != fs::perms::none) return false;
    return holds_exactly(path, bytes);
}

// Stages `bytes` (read from the file `source`) to be stored under its hash:
// written in the history folder with the source's owner and permissions, so
// that the history shows nobody what the file did not, flushed with the rest
// of the write, then renamed to its name before any journal names it. So a
// content file under its name is always whole and a file of its own (and the
// content folder, which can hold thousands, never holds a temporary file). One
// that is there already is kept when it is sound (sound_content).
std::optional<std::string> stage_content(FileOps& ops, const std::string& root, const std::string& hash,
                                         const std::string& bytes, const std::string& source,
                                         std::vector<StagedFile>& staged) {
    const std::string path = content_path(root, hash);
    if (sound_content(path, bytes, source)) return std::nullopt;
    staged.emplace_back();
    if (FileResult e = stage_new_file(ops, path, history_path(root, hash), source, bytes.data(), bytes.size(),
                                      staged.back()))
        return e->message();
    return std::nullopt;
}

// What an interrupted write made and when, for a message: the journal's words
// are quoted, so that no byte of them reaches the terminal as it is.
std::string write_described(const HistoryEntry& entry) {
    return "an interrupted write (" + quoted_text(entry.made_by) + ", " + shown_text(entry.time) + ")";
}

// Rolls back the interrupted write whose journal is `number`. Everything it
// needs is looked at before any file is touched: a journal that names what it
// must not (a file that is not the folder's, a path through a link out of it)
// or whose old contents are not whole changes nothing.
std::optional<std::string> roll_back_journal(FileOps& ops, const std::string& root, EntryNumber number,
                                             Recovery& r) {
    const std::string journal = history_path(root, entry_file_name(number, "journal"));
    HistoryEntry entry;
    if (auto e = read_manifest(journal, entry))
        return *e + "; the interrupted write it describes cannot be rolled back: " + untrusted_history(root);
    struct PutBack {
        const HistoryFile* file;
        std::optional<std::string> old;
    };
    std::vector<PutBack> plan;
    for (auto f = entry.files.rbegin(); f != entry.files.rend(); ++f) {
        if (auto e = link_out_of_folder(root, f->name))
            return shown(root, journal) + ": " + *e + "; " + untrusted_history(root);
        std::optional<std::string> current;
        if (auto e = read_current(data_path(root, f->name), current)) return e;
        if (current ? content_hash(*current) == f->old_hash : f->old_hash.empty()) continue;
        PutBack p{&*f, std::nullopt};
        if (!f->old_hash.empty()) {
            std::string bytes;
            if (auto e = load_content(root, f->old_hash, bytes)) return *e + " (needed to roll back " + f->name + ")";
            p.old = std::move(bytes);
        }
        plan.push_back(std::move(p));
    }
    std::vector<std::string> put;
    for (const PutBack& p : plan) {
        if (auto e = put_back(ops, data_path(root, p.file->name), p.old)) return e;
        put.push_back(p.file->name);
    }
    if (FileError e = ops.remove(journal)) return failed_step(journal, "cannot be removed", *e).message();
    r.done.push_back(write_described(entry) + " was rolled back" +
                     (put.empty() ? std::string(" before it had replaced any file") : "; put back: " + joined(put)));
    return std::nullopt;
}

// The folder's files that share their storage with a stored content: left by
// an older program of ours, which gave a file's old self a second name in the
// history before it replaced the file, when that write stopped in between. A
// rewrite of such a file in place would change the content too. Only files
// with more than one name are read.
std::vector<std::string> files_sharing_contents(const std::string& root) {
    std::vector<std::string> out;
    std::error_code ec;
    if (!fs::is_directory(history_path(root, "content"), ec)) return out;
    for (const std::string& name : folder_file_names()) {
        const std::string path = data_path(root, name);
        if (fs::hard_link_count(path, ec) < 2 || ec) continue;
        std::optional<std::string> bytes;
        if (read_current(path, bytes) || !bytes) continue;
        if (fs::equivalent(content_path(root, content_hash(*bytes)), path, ec) && !ec) out.push_back(name);
    }
    return out;
}

// Gives the content that the folder's file `name` shares its storage with a
// storage of its own (a copy under the same name).
std::optional<std::string> separate_content(FileOps& ops, const std::string& root, const std::string& name) {
    const std::string path = data_path(root, name);
    std::optional<std::string> bytes;
    if (auto e = read_current(path, bytes)) return e;
    if (!bytes) return std::nullopt;
    const std::string hash = content_hash(*bytes);
    StagedFile copy;
    FileResult fault =
        stage_new_file(ops, content_path(root, hash), history_path(root, hash), path, bytes->data(), bytes->size(), copy);
    if (!fault) fault = flush_staged(ops, copy);
    if (!fault) fault = place_staged(ops, copy);
    const std::string left = drop_staged(ops, copy);
    if (fault) return fault->message() + left;
    if (FileError e = ops.sync_folder(history_path(root, "content")))
        return failed_step(history_path(root, "content"), "cannot be made safe", *e).message();
    return std::nullopt;
}

}  // namespace

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

std::string recovery_message(const Recovery& recovery, const std::string& root) {
    const std::string folder = root.empty() ? std::string("the current folder") : "the folder \"" + root + "\"";
    std::string message;
    if (!recovery.done.empty()) {
        message = "Files of " + folder + " were put right after an interrupted write:";
        for (const std::string& line : recovery.done) message += "\n    " + line;
    }
    if (recovery.error) {
        if (!message.empty()) message += "\n";
        message += "An interrupted write in " + folder + " cannot be rolled back, so nothing can be saved there:\n    " +
                   *recovery.error;
    }
    return message;
}

std::vector<std::string> recovery_needed(const std::string& root) {
    std::vector<std::string> out;
    if (auto problem = history_folder_problem(root)) {
        out.push_back(*problem);
        return out;
    }
    const FolderScan scan = scan_folder(root);
    for (EntryNumber n : scan.history.journals) {
        const std::string journal = history_path(root, entry_file_name(n, "journal"));
        HistoryEntry entry;
        if (auto e = read_manifest(journal, entry))
            out.push_back(*e);
        else
            out.push_back(shown(root, journal) + ": " + write_described(entry) + " is not rolled back yet");
    }
    for (const Stray& s : scan.strays)
        out.push_back(shown(root, s.path) + ": a left-over " + (s.backup ? "backup copy" : "temporary file"));
    for (const std::string& name : files_sharing_contents(root))
        out.push_back(name + ": shares its storage with its old content in the history");
    return out;
}

namespace {

// recover_folder, leaving in `scan` what the folder holds once it is done
// (its interrupted writes rolled back, its strays gone). The content folder is
// looked at only when `contents`.
Recovery recover(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms, bool contents,
                 FolderScan& scan) {
    Recovery r;
    if (auto problem = history_folder_problem(root)) {
        r.error = *problem;
        return r;
    }
    scan = scan_folder(root, contents);
    // Files that share a content's storage are looked for when the folder is opened.
    std::vector<std::string> sharing = contents ? files_sharing_contents(root) : std::vector<std::string>();
    if (scan.history.journals.empty() && scan.strays.empty() && sharing.empty()) return r;
    FolderLock own;
    FolderLock& held = lock && lock->held() ? *lock : own;
    if (!held.held()) {
        if (auto e = held.acquire(root, wait_ms)) {
            if (held.busy())
                r.busy = true;
            else
                r.error = *e;
            return r;
        }
        scan = scan_folder(root, contents);  // another program may have finished meanwhile
    }
    for (EntryNumber n : scan.history.journals) {
        if (auto e = roll_back_journal(ops, root, n, r)) {
            r.error = *e;
            return r;
        }
    }
    if (!scan.history.journals.empty()) {
        // Contents that only the rolled-back writes named are dropped.
        (void)prune_history(ops, root, true);
        const EntryNumber last = scan.history.last_number;
        scan = scan_folder(root, contents);
        scan.history.last_number = std::max(scan.history.last_number, last);
    }
    for (const Stray& s : scan.strays) {
        if (s.backup) {
            // A rewrite in place was cut off: its backup holds the file's old bytes.
            std::string bytes;
            WholeFile copy;
            if (FileResult fault = read_whole_file(s.path, copy)) {
                r.error = failed_step(s.path, "a backup copy that cannot be read", *fault).message();
                return r;
            }
            std::optional<std::string> current;
            if (auto e = read_current(s.base_path, current)) {
                r.error = *e;
                return r;
            }
            const std::string old(reinterpret_cast<const char*>(copy.data()), copy.length);
            if (current && *current != old) {
                if (auto e = rewrite_in_place(ops, s.base_path, old.data(), old.size())) {
                    r.error = e->message();
                    return r;
                }
                r.done.push_back(shown(root, s.base_path) + " was put back from its backup copy");
            }
        }
        if (FileError e = ops.remove(s.path)) {
            r.error = failed_step(s.path, "cannot be removed", *e).message();
            return r;
        }
        r.done.push_back("removed the left-over " + std::string(s.backup ? "backup copy " : "temporary file ") +
                         shown(root, s.path));
    }
    if (contents) sharing = files_sharing_contents(root);
    for (const std::string& name : sharing) {
        if (auto e = separate_content(ops, root, name)) {
            r.error = *e;
            return r;
        }
        r.done.push_back(name + " shared its storage with its old content in the history; the content is a copy of its own now");
    }
    scan.history.journals.clear();
    scan.strays.clear();
    return r;
}

}  // namespace

Recovery recover_folder(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms) {
    FolderScan scan;
    return recover(ops, root, lock, wait_ms, true, scan);
}

namespace {

// One file that the write changes.
struct WriteItem {
    std::string name, path;
    std::string target;                               // the file replaced (links followed)
    std::optional<std::string> read;                  // the old bytes, when read here
    const std::optional<std::string>* given = nullptr;  // the old bytes, when the writer's read stands
    const std::string* bytes;
    bool in_place = false;  // several hard links: rewritten in place, not staged
    StagedFile staged;
    // The file's bytes before the write; nothing: it did not exist.
    const std::optional<std::string>& old() const { return given ? *given : read; }
};

// What a write puts on the disk before it touches the folder's files. Whatever
// was not placed when it goes away is removed.
struct Staging {
    explicit Staging(FileOps& ops) : ops(ops) {}
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    ~Staging() {
        for (StagedFile& f : contents) (void)drop_staged(ops, f);
        for (WriteItem* item : items) (void)drop_staged(ops, item->staged);
        (void)drop_staged(ops, manifest);
    }
    FileOps& ops;
    std::vector<StagedFile> contents;  // old bytes under their hashes
    std::vector<WriteItem*> items;     // new bytes beside their files
    StagedFile manifest;
};

// The bytes this program last wrote to each file of a folder, with their
// hash: the next write finds them again as those files' old bytes (compared
// byte for byte) and does not hash them a second time.
class WrittenHashes {
public:
    std::string hash_of(const std::string& path, const std::string& bytes) {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            const auto it = known_.find(path);
            if (it != known_.end() && it->second.bytes == bytes) return it->second.hash;
        }
        return content_hash(bytes);
    }
    // Remembers the files of the write just made, and only those. The bytes
    // are copied into the buffers of the last write where they fit, so that a
    // Save after a Save does not ask the system for fresh memory.
    void remember(const std::vector<WriteItem>& items, const std::vector<HistoryFile>& files) {
        std::lock_guard<std::mutex> hold(mutex_);
        for (auto it = known_.begin(); it != known_.end();) {
            const bool written = std::any_of(items.begin(), items.end(), [&](const WriteItem& i) { return i.path == it->first; });
            it = written ? std::next(it) : known_.erase(it);
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            Known& known = known_[items[i].path];
            known.bytes.assign(*items[i].bytes);
            known.hash = files[i].new_hash;
        }
    }

private:
    struct Known {
        std::string bytes, hash;
    };
    std::mutex mutex_;
    std::map<std::string, Known> known_;
};

WrittenHashes& written_hashes() {
    static WrittenHashes hashes;
    return hashes;
}

const char kJournalFault[] = "the journal of this write cannot be written, so it is not attempted: ";

// Whether the file is rewritten in place (its other names keep it) rather
// than replaced by a new file: when it has more than one name, unless the
// other one is its own old content in the history (a second name that a
// write which stopped before it replaced the file left).
std::optional<std::string> decide_in_place(FileOps& ops, const std::string& root, WriteItem& item,
                                           const std::string& old_hash) {
    item.target = ops.resolve(item.path);
    unsigned links = 0;
    if (FileError e = ops.link_count(item.target, links))
        return failed_step(item.path, "cannot read the file's attributes", *e).message();
    item.in_place = links > 1;
    if (links == 2 && !old_hash.empty()) {
        std::error_code ec;
        if (fs::equivalent(content_path(root, old_hash), item.target, ec) && !ec) item.in_place = false;
    }
    return std::nullopt;
}

std::optional<std::string> stage_journal(FileOps& ops, const std::string& root, HistoryEntry& entry,
                                         std::vector<WriteItem>& items, Staging& staging) {
    for (WriteItem& item : items) {
        HistoryFile f;
        f.name = item.name;
        f.new_hash = content_hash(*item.bytes);
        f.new_size = item.bytes->size();
        const std::optional<std::string>& old = item.old();
        if (old) {
            f.old_hash = written_hashes().hash_of(item.path, *old);
            f.old_size = old->size();
        }
        if (auto e = decide_in_place(ops, root, item, f.old_hash)) return e;
        if (old) {
            if (auto e = stage_content(ops, root, f.old_hash, *old, item.target, staging.contents))
                return kJournalFault + *e;
        }
        entry.files.push_back(std::move(f));
    }
    return std::nullopt;
}

// The old contents, the new bytes beside every file replaced by rename and the
// manifest (still under a temporary name), all written, then all flushed: the
// device is waited for once.
std::optional<std::string> stage_write(FileOps& ops, const std::string& root, HistoryEntry& entry,
                                       std::vector<WriteItem>& items, Staging& staging, const std::string& journal) {
    if (auto e = stage_journal(ops, root, entry, items, staging)) return e;
    for (WriteItem& item : items) {
        if (item.in_place) continue;
        staging.items.push_back(&item);
        if (FileResult e =
                stage_whole_file(ops, item.path, item.bytes->data(), item.bytes->size(), item.staged, &item.target))
            return e->message();
    }
    const std::string manifest = format_manifest(entry);
    if (FileResult e = stage_whole_file(ops, journal, manifest.data(), manifest.size(), staging.manifest))
        return kJournalFault + e->message();
    for (StagedFile& f : staging.contents) {
        if (FileResult e = flush_staged(ops, f)) return kJournalFault + e->message();
    }
    for (WriteItem* item : staging.items) {
        if (FileResult e = flush_staged(ops, item->staged)) return e->message();
    }
    if (FileResult e = flush_staged(ops, staging.manifest)) return kJournalFault + e->message();
    // The contents under their names (a later write may need them, and pruning
    // drops the rest), before the manifest that names them.
    for (StagedFile& f : staging.contents) {
        if (FileResult e = place_staged(ops, f)) return kJournalFault + e->message();
    }
    if (!staging.contents.empty()) {
        if (FileError e = ops.sync_folder(history_path(root, "content")))
            return kJournalFault + failed_step(history_path(root, "content"), "cannot be made safe", *e).message();
    }
    return std::nullopt;
}

std::string folder_of(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// With the journal in place: every file replaced, the names made durable once
// per folder, and the journal marked complete. A failure puts back what was
// already replaced.
CommitResult place_files(FileOps& ops, const std::string& root, const HistoryEntry& entry,
                         std::vector<WriteItem>& items, const std::string& journal, const KnownHistory& after,
                         CommitResult& result) {
    // Puts back items [0, count) and drops the journal; the message says what happened.
    auto roll_back = [&](std::size_t count, const std::string& why) {
        std::vector<std::string> stuck;
        for (std::size_t i = count; i-- > 0;) {
            if (auto e = put_back(ops, items[i].path, items[i].old())) stuck.push_back(*e);
        }
        if (stuck.empty()) {
            (void)ops.remove(journal);  // if it stays, recovery finds the files old and drops it
            result.error = why + "; nothing was written" +
                           (result.written.empty() ? std::string() : " (the files already replaced were put back)");
        } else {
            std::string message = why + "; the files already replaced could not all be put back:";
            for (const std::string& s : stuck) message += "\n    " + s;
            message += "\nTheir old bytes are kept in the journal (" + journal +
                       "); the next program of ours to open the folder puts them back.";
            result.error = message;
        }
        result.written.clear();
        return result;
    };
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < items.size(); ++i) {
        WriteItem& item = items[i];
        if (item.in_place) {
            if (FileResult e = rewrite_in_place(ops, item.path, item.bytes->data(), item.bytes->size()))
                return roll_back(i + 1, e->message());
        } else {
            if (FileResult e = place_staged(ops, item.staged)) return roll_back(i + 1, e->message());
            const std::string folder = folder_of(item.staged.target);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        }
        result.written.push_back(item.name);
    }
    for (const std::string& folder : folders) {
        if (FileError e = ops.sync_folder(folder))
            return roll_back(items.size(), failed_step(folder, "the new names cannot be made safe", *e).message());
    }
    // The commit mark: the journal becomes a history entry.
    const std::string done = history_path(root, entry_file_name(entry.number, "entry"));
    if (FileError e = ops.replace(journal, done))
        return roll_back(items.size(), failed_step(journal, "the write cannot be marked complete", *e).message());
    result.entry = entry.number;
    written_hashes().remember(items, entry.files);
    // Pruning is housekeeping: the write stands even when it fails.
    (void)prune_history(ops, root, after);
    return result;
}

}  // namespace

CommitResult commit_folder_write(FileOps& ops, const std::string& root, const std::vector<PlannedFile>& files,
                                 const WriteOrigin& origin, FolderLock* lock, int wait_ms) {
    CommitResult result;
    auto refuse = [&](const std::string& why) {
        result.error = why + "; nothing was written";
        return result;
    };
    // The history names only the folder's own files: a write of anything else
    // would make an entry that nobody may trust.
    for (const PlannedFile& f : files) {
        if (!is_folder_file(f.name)) return refuse(quoted_text(f.name) + ": not a file of the data folder");
    }
    FolderLock own;
    FolderLock& held = lock && lock->held() ? *lock : own;
    if (!held.held()) {
        if (auto e = held.acquire(root, wait_ms)) return refuse(*e);
    }
    // What a crash left is put right before anything else is written.
    FolderScan scan;
    // Every program of ours looked at the whole folder when it opened it.
    Recovery recovered = recover(ops, root, &held, 0, false, scan);
    if (recovered.error) return refuse(*recovered.error);
    // The history folder as this write finds it, for the pruning after it.
    const std::optional<FileStamp> folder_before = file_stamp(history_path(root));

    // A writer that took the lock before it read (the editor's Save) read what
    // is there now: no program of ours can have written since, so its bytes
    // are not read a second time.
    const bool read_under_lock = &held == lock;
    std::vector<WriteItem> items;
    for (const PlannedFile& f : files) {
        WriteItem item{f.name, data_path(root, f.name), "", std::nullopt, nullptr, &f.bytes, false, {}};
        if (read_under_lock && f.expected) {
            item.given = &f.expected;
        } else {
            if (auto e = read_current(item.path, item.read)) return refuse(*e);
            if (f.expected && item.read != f.expected)
                return refuse(item.path + ": changed by another program since it was read");
        }
        if (item.old() == f.bytes) continue;
        items.push_back(std::move(item));
    }
    if (items.empty()) return result;

    HistorySettings settings;
    if (auto e = read_history_settings(root, settings)) return refuse(*e);
    for (const std::string& folder : {history_path(root), history_path(root, "content")}) {
        if (FileError e = ops.make_folder(folder)) return refuse(kJournalFault + folder + ": " + e->reason);
    }
    if (scan.history.last_number >= kLastEntryNumber)
        return refuse(history_path(root) + ": its entry numbers are used up (a name in it claims " +
                      std::to_string(scan.history.last_number) + "); to go on, move it out of the data folder");
    HistoryEntry entry;
    entry.number = scan.history.last_number + 1;
    entry.time = now_text();
    entry.made_by = origin.made_by;
    entry.slots = origin.slots;
    const std::string journal = history_path(root, entry_file_name(entry.number, "journal"));
    // Everything is written and flushed before any file of the folder is
    // touched: the old contents and the manifest (the journal), and the new
    // bytes beside each file.
    Staging staging(ops);
    if (auto e = stage_write(ops, root, entry, items, staging, journal)) return refuse(*e);
    if (FileResult e = place_staged(ops, staging.manifest)) return refuse(kJournalFault + e->message());
    if (FileError e = ops.sync_folder(history_path(root))) {
        (void)ops.remove(journal);
        return refuse(kJournalFault + failed_step(history_path(root), "the journal cannot be made safe", *e).message());
    }
    // Under the lock, the history holds what the look at the start found, and
    // this write's entry once it is committed.
    HistoryNames names = scan.history;
    names.journals.clear();
    names.entries.push_back(entry.number);
    return place_files(ops, root, entry, items, journal, {settings, names, folder_before}, result);
}

void FolderWrite::add(const std::string& path, std::string expected, std::string bytes) {
    files_.push_back({folder_relative_name(root_, path), std::move(expected), std::move(bytes)});
}

CommitResult FolderWrite::commit() {
    CommitResult r = commit_folder_write(ops_, root_, files_, origin_, &lock_);
    lock_.release();
    failed_ = r.error.has_value();
    return r;
}

}  // namespace ce
