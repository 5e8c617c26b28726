// The folder's write transaction and its crash recovery.
#include "store/journal.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "store/content_hash.h"
#include "store/file_ops.h"
#include "store/history.h"
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

int next_entry_number(const std::string& root) {
    int last = 0;
    std::error_code ec;
    for (fs::directory_iterator it(history_path(root), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 7 || name[6] != '.') continue;
        int n = 0;
        bool digits = true;
        for (int i = 0; i < 6; ++i) {
            digits = digits && name[static_cast<std::size_t>(i)] >= '0' && name[static_cast<std::size_t>(i)] <= '9';
            n = n * 10 + (name[static_cast<std::size_t>(i)] - '0');
        }
        if (digits) last = std::max(last, n);
    }
    return last + 1;
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

std::vector<Stray> stray_files(const std::string& root) {
    std::vector<std::string> folders{root.empty() ? std::string(".") : root};
    for (const char* language : kLanguageFolders) folders.push_back(data_path(root, language));
    folders.push_back(history_path(root));
    folders.push_back(history_path(root, "content"));
    std::vector<Stray> out;
    for (const std::string& folder : folders) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            Stray s;
            std::string base;
            if (!is_stray(it->path().filename().string(), s.backup, base)) continue;
            std::error_code kind_ec;
            if (!it->is_regular_file(kind_ec)) continue;
            s.path = folder == "." ? it->path().filename().string() : it->path().string();
            s.base_path = folder == "." ? base : (fs::path(folder) / base).string();
            out.push_back(std::move(s));
        }
    }
    return out;
}

std::string shown(const std::string& root, const std::string& path) {
    return root.empty() ? path : folder_relative_name(root, path);
}

// Stores `bytes` under its hash, flushed. A content file is written at its
// final name (no rename: a journal names it only after it is flushed); one that
// a crash cut short is found by its hash and written again.
std::optional<std::string> store_content(FileOps& ops, const std::string& root, const std::string& hash,
                                         const std::string& bytes) {
    const std::string path = content_path(root, hash);
    std::error_code ec;
    if (fs::exists(path, ec)) {
        // Kept when whole (compared with the bytes: cheaper than hashing it again).
        WholeFile stored;
        if (!read_whole_file(path, stored) && stored.length == bytes.size() &&
            std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char*>(stored.data())))
            return std::nullopt;
        if (FileError e = ops.remove(path)) return failed_step(path, "cannot be removed", *e).message();
    }
    FileOps::Handle handle = FileOps::kNoHandle;
    if (FileError e = ops.create_new(path, "", handle)) return failed_step(path, "cannot be created", *e).message();
    FileError e = ops.write(handle, bytes.data(), bytes.size());
    if (!e) e = ops.flush(handle);
    FileError closed = ops.close(handle);
    if (!e) e = closed;
    if (e) {
        (void)ops.remove(path);
        return failed_step(path, "cannot be written", *e).message();
    }
    return std::nullopt;
}

// Rolls back the interrupted write whose journal is `number`.
std::optional<std::string> roll_back_journal(FileOps& ops, const std::string& root, int number, Recovery& r) {
    const std::string journal = history_path(root, entry_file_name(number, "journal"));
    HistoryEntry entry;
    if (auto e = read_manifest(journal, entry)) return *e + "; the interrupted write it describes cannot be rolled back";
    std::vector<std::string> put;
    for (auto f = entry.files.rbegin(); f != entry.files.rend(); ++f) {
        const std::string path = data_path(root, f->name);
        std::optional<std::string> current;
        if (auto e = read_current(path, current)) return e;
        if (current ? content_hash(*current) == f->old_hash : f->old_hash.empty()) continue;
        std::optional<std::string> old;
        if (!f->old_hash.empty()) {
            std::string bytes;
            if (auto e = load_content(root, f->old_hash, bytes)) return *e + " (needed to roll back " + f->name + ")";
            old = std::move(bytes);
        }
        if (auto e = put_back(ops, path, old)) return e;
        put.push_back(f->name);
    }
    if (FileError e = ops.remove(journal)) return failed_step(journal, "cannot be removed", *e).message();
    r.done.push_back("an interrupted write (" + entry.made_by + ", " + entry.time + ") was rolled back" +
                     (put.empty() ? std::string(" before it had replaced any file") : "; put back: " + joined(put)));
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
    for (int n : pending_journals(root)) {
        const std::string journal = history_path(root, entry_file_name(n, "journal"));
        HistoryEntry entry;
        if (auto e = read_manifest(journal, entry))
            out.push_back(*e);
        else
            out.push_back(shown(root, journal) + ": an interrupted write (" + entry.made_by + ", " + entry.time +
                          ") is not rolled back yet");
    }
    for (const Stray& s : stray_files(root))
        out.push_back(shown(root, s.path) + ": a left-over " + (s.backup ? "backup copy" : "temporary file"));
    return out;
}

Recovery recover_folder(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms) {
    Recovery r;
    if (auto problem = history_folder_problem(root)) {
        r.error = *problem;
        return r;
    }
    if (pending_journals(root).empty() && stray_files(root).empty()) return r;
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
    }
    const std::vector<int> journals = pending_journals(root);
    for (int n : journals) {
        if (auto e = roll_back_journal(ops, root, n, r)) {
            r.error = *e;
            return r;
        }
    }
    // Contents that only the rolled-back writes named are dropped.
    if (!journals.empty()) (void)prune_history(ops, root, true);
    for (const Stray& s : stray_files(root)) {
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
    return r;
}

namespace {

// A file of a folder write whose bytes change: its old bytes (nothing when it
// does not exist yet) and its new ones.
struct ChangedFile {
    std::string name, path;
    std::optional<std::string> old;
    const std::string* bytes;
};

// The planned files whose bytes change, or why the write cannot go on. A writer
// that took the lock before it read (the editor's Save) read what is there now:
// no program of ours can have written since, so its bytes are not read again.
std::optional<std::string> changed_files(const std::string& root, const std::vector<PlannedFile>& files,
                                         bool read_under_lock, std::vector<ChangedFile>& items) {
    for (const PlannedFile& f : files) {
        ChangedFile item{f.name, data_path(root, f.name), std::nullopt, &f.bytes};
        if (read_under_lock && f.expected) {
            item.old = f.expected;
        } else {
            if (auto e = read_current(item.path, item.old)) return e;
            if (f.expected && item.old != f.expected)
                return item.path + ": changed by another program since it was read";
        }
        if (item.old == f.bytes) continue;
        items.push_back(std::move(item));
    }
    return std::nullopt;
}

// The journal: the old contents, then the manifest (at `journal`), each
// flushed, before any file of the folder is touched.
std::optional<std::string> write_journal(FileOps& ops, const std::string& root, const WriteOrigin& origin,
                                         const std::vector<ChangedFile>& items, HistoryEntry& entry,
                                         std::string& journal) {
    HistorySettings settings;
    if (auto e = read_history_settings(root, settings)) return e;
    const std::string journal_fault = "the journal of this write cannot be written, so it is not attempted: ";
    for (const std::string& folder : {history_path(root), history_path(root, "content")}) {
        if (FileError e = ops.make_folder(folder)) return journal_fault + folder + ": " + e->reason;
    }
    entry.number = next_entry_number(root);
    entry.time = now_text();
    entry.made_by = origin.made_by;
    entry.slots = origin.slots;
    for (const ChangedFile& item : items) {
        HistoryFile f;
        f.name = item.name;
        f.new_hash = content_hash(*item.bytes);
        f.new_size = item.bytes->size();
        if (item.old) {
            f.old_hash = content_hash(*item.old);
            f.old_size = item.old->size();
            if (auto e = store_content(ops, root, f.old_hash, *item.old)) return journal_fault + *e;
        }
        entry.files.push_back(std::move(f));
    }
    journal = history_path(root, entry_file_name(entry.number, "journal"));
    if (auto e = put_file(ops, journal, format_manifest(entry))) return journal_fault + *e;
    return std::nullopt;
}

// Puts back items [0, count) and drops the journal; the result's message says
// what happened.
void roll_back(FileOps& ops, const std::vector<ChangedFile>& items, std::size_t count, const std::string& journal,
               const std::string& why, CommitResult& result) {
    std::vector<std::string> stuck;
    for (std::size_t i = count; i-- > 0;) {
        if (auto e = put_back(ops, items[i].path, items[i].old)) stuck.push_back(*e);
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
}

}  // namespace

CommitResult commit_folder_write(FileOps& ops, const std::string& root, const std::vector<PlannedFile>& files,
                                 const WriteOrigin& origin, FolderLock* lock, int wait_ms) {
    CommitResult result;
    auto refuse = [&](const std::string& why) {
        result.error = why + "; nothing was written";
        return result;
    };
    FolderLock own;
    FolderLock& held = lock && lock->held() ? *lock : own;
    if (!held.held()) {
        if (auto e = held.acquire(root, wait_ms)) return refuse(*e);
    }
    // What a crash left is put right before anything else is written.
    Recovery recovered = recover_folder(ops, root, &held);
    if (recovered.error) return refuse(*recovered.error);

    std::vector<ChangedFile> items;
    if (auto e = changed_files(root, files, &held == lock, items)) return refuse(*e);
    if (items.empty()) return result;
    HistoryEntry entry;
    std::string journal;
    if (auto e = write_journal(ops, root, origin, items, entry, journal)) return refuse(*e);

    for (std::size_t i = 0; i < items.size(); ++i) {
        if (auto e = replace_file(ops, items[i].path, *items[i].bytes)) {
            roll_back(ops, items, i + 1, journal, *e, result);
            return result;
        }
        result.written.push_back(items[i].name);
    }
    // The commit mark: the journal becomes a history entry.
    const std::string done = history_path(root, entry_file_name(entry.number, "entry"));
    if (FileError e = ops.replace(journal, done)) {
        roll_back(ops, items, items.size(), journal,
                  failed_step(journal, "the write cannot be marked complete", *e).message(), result);
        return result;
    }
    result.entry = entry.number;
    // Pruning is housekeeping: the write stands even when it fails.
    (void)prune_history(ops, root);
    return result;
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
