// A folder write as one transaction (journal.h), phase by phase:
//
//   lock ─► recover ─► compare ─► stage ─► make the journal durable ─► place the files ─► mark complete ─► prune
//                        │           │               │                        │                  │
//                        │           └───────────────┴─ fails: what was       └──────────────────┴─ fails: the files
//                        │               staged is dropped; no file of the        already placed are put back and
//                        │               folder was touched                       the journal dropped
//                        └─ a file changed since it was read: refused;
//                           nothing changes: done, no entry
//
//   lock          the folder's lock (unless the writer took it before it read)
//   recover       what a crash left is put right before anything is written
//   compare       each file now against what the writer read; the files whose bytes change
//   stage         the manifest under a temporary name first (from then on the history names
//                 this write's number, and so its temporary files: "<file>.~new<n>"), the old
//                 contents under their hashes, the new bytes beside each file: all written,
//                 then all flushed (the device is waited for once)
//   make the journal durable
//                 the contents under their names, the manifest as "<n>.journal", both folders
//                 made durable: from here a crash is rolled back by the next program to open
//                 the folder (journal_recovery.cpp)
//   place the files
//                 each new file renamed over its file (a file with more names rewritten in
//                 place), the folders' new names made durable once per folder
//   mark complete "<n>.journal" renamed to "<n>.entry": the write is the folder's history now
//                 (a write that is no entry, the settings file's, drops its journal instead)
//   prune         the history kept within its limits (housekeeping: the write stands if it fails)
#include "store/journal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>

#include "store/content_hash.h"
#include "store/file_ops.h"
#include "store/data_folder.h"
#include "store/history.h"
#include "store/journal_scan.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// A step of the journal failed: the write is not attempted.
Fault journal_unwritten(const Fault& why) {
    return why.after("the journal of this write cannot be written, so it is not attempted: ");
}

std::string now_text() {
    const std::time_t t = std::time(nullptr);
    const std::tm* utc = std::gmtime(&t);
    char buffer[32] = "unknown";
    if (utc) std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", utc);
    return buffer;
}

std::string folder_of(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

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
Status stage_content(FileOps& ops, const std::string& root, const std::string& hash, const std::string& bytes,
                     const std::string& source, std::vector<StagedFile>& staged) {
    const std::string path = content_path(root, hash);
    if (sound_content(path, bytes, source)) return {};
    staged.emplace_back();
    return stage_new_file(ops, path, history_path(root, hash), source, bytes.data(), bytes.size(), staged.back());
}

// Whether the file is rewritten in place (its other names keep it) rather
// than replaced by a new file: when it has more than one name, unless the
// other one is its own old content in the history (a second name that an
// older program's write which stopped before it replaced the file left).
Status decide_in_place(FileOps& ops, const std::string& root, WriteItem& item, const std::string& old_hash) {
    item.target = ops.resolve(item.path);
    unsigned links = 0;
    if (Status e = ops.link_count(item.target, links); !e.ok())
        return failed_step(item.path, "cannot read the file's attributes", e.fault());
    item.in_place = links > 1;
    if (links == 2 && !old_hash.empty()) {
        std::error_code ec;
        if (fs::equivalent(content_path(root, old_hash), item.target, ec) && !ec) item.in_place = false;
    }
    return {};
}

// Everything one commit works with, from phase to phase.
struct Commit {
    Commit(FileOps& ops, const std::string& root, FolderLock* lock) : ops(ops), root(root), given(lock), staging(ops) {}
    FileOps& ops;
    const std::string& root;
    FolderLock* given;  // the writer's own lock, when it took it before it read
    FolderLock own;
    FolderLock* held = nullptr;
    FolderScan scan;                          // the folder once recovered
    std::optional<FileStamp> history_before;  // the history folder as the write found it
    std::vector<WriteItem> items;             // the files that change
    HistorySettings settings;
    HistoryEntry entry;
    std::string journal;
    Staging staging;
    Committed result;

    // The write did not happen: `why`, and nothing was written.
    Fault refused(const Fault& why) const { return why.followed_by("; nothing was written"); }
};

// lock: the folder's lock, unless the writer holds it already.
Status lock(Commit& c, int wait_ms) {
    c.held = c.given && c.given->held() ? c.given : &c.own;
    if (c.held->held()) return {};
    return c.ops.lock_folder(*c.held, c.root, wait_ms);
}

// recover: what a crash left is put right before anything else is written.
Status recover(Commit& c) {
    const Recovery recovered = recover_before_write(c.ops, c.root, *c.held, c.scan);
    if (!recovered.status.ok()) return recovered.status;
    c.history_before = file_stamp(history_path(c.root));
    return {};
}

// compare: each file as it is now against what the writer read; only the
// files whose new bytes differ from their bytes now are written.
Status compare(Commit& c, const std::vector<PlannedFile>& files) {
    // A writer that took the lock before it read (the editor's Save) read what
    // is there now: no program of ours can have written since, so its bytes
    // are not read a second time.
    const bool read_under_lock = c.held == c.given;
    for (const PlannedFile& f : files) {
        WriteItem item{f.name, data_path(c.root, f.name), "", std::nullopt, nullptr, &f.bytes, false, {}};
        if (read_under_lock && f.expected) {
            item.given = &f.expected;
        } else {
            if (Status e = read_current(item.path, item.read); !e.ok()) return e;
            if (f.expected && item.read != f.expected)
                return Fault(FaultKind::conflict, item.path, "changed by another program since it was read");
        }
        if (item.old() == f.bytes) continue;
        c.items.push_back(std::move(item));
    }
    return {};
}

// The manifest of the write: its number follows every number the history
// holds, and it names each file with its bytes before and after by hash.
Status describe(Commit& c, const WriteOrigin& origin) {
    if (Status e = read_history_settings(c.root, c.settings); !e.ok()) return e;
    for (const std::string& folder : {history_path(c.root), history_path(c.root, kContentFolder)}) {
        if (Status e = c.ops.make_folder(folder); !e.ok()) return journal_unwritten(e.fault().at(folder));
    }
    if (c.scan.history.last_number >= kLastEntryNumber)
        return Fault(FaultKind::invalid, history_path(c.root), "its entry numbers are used up (a name in it claims " +
               std::to_string(c.scan.history.last_number) + "); to go on, move it out of the data folder");
    c.entry.number = c.scan.history.last_number + 1;
    // A name that is not ours but made like one of this write's temporary
    // files is passed over with its number: never taken over, never in the way.
    while (std::any_of(c.scan.foreign.begin(), c.scan.foreign.end(),
                       [&](const Stray& s) { return s.number == c.entry.number; }))
        ++c.entry.number;
    c.entry.time = now_text();
    c.entry.made_by = origin.made_by;
    c.entry.slots = origin.slots;
    c.journal = history_path(c.root, entry_file_name(c.entry.number, "journal"));
    for (WriteItem& item : c.items) {
        HistoryFile f;
        f.name = item.name;
        f.new_hash = content_hash(*item.bytes);
        f.new_size = item.bytes->size();
        if (const std::optional<std::string>& old = item.old()) {
            f.old_hash = written_hashes().hash_of(item.path, *old);
            f.old_size = old->size();
        }
        if (Status e = decide_in_place(c.ops, c.root, item, f.old_hash); !e.ok()) return e;
        f.in_place = item.in_place;  // recorded: a recovery rewrites in place only what the write did
        c.entry.files.push_back(std::move(f));
    }
    return {};
}

// stage: the manifest first (under a temporary name, which gives the history
// this write's number before any temporary file of it is in the folder), the
// old contents, the new bytes beside every file replaced by rename
// ("<file>.~new<n>"), all written, then all flushed: the device is waited for
// once.
Status stage(Commit& c) {
    Staging& s = c.staging;
    const std::string manifest = format_manifest(c.entry);
    if (Status e = stage_whole_file(c.ops, c.journal, manifest.data(), manifest.size(), s.manifest); !e.ok())
        return journal_unwritten(e.fault());
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        const WriteItem& item = c.items[i];
        if (!item.old()) continue;
        if (Status e = stage_content(c.ops, c.root, c.entry.files[i].old_hash, *item.old(), item.target, s.contents);
            !e.ok())
            return journal_unwritten(e.fault());
    }
    const std::string tag = temp_tag(c.entry.number);
    for (WriteItem& item : c.items) {
        if (item.in_place) continue;
        s.items.push_back(&item);
        if (Status e = stage_whole_file(c.ops, item.path, item.bytes->data(), item.bytes->size(), item.staged,
                                        &item.target, tag);
            !e.ok())
            return e;
    }
    for (StagedFile& f : s.contents) {
        if (Status e = flush_staged(c.ops, f); !e.ok()) return journal_unwritten(e.fault());
    }
    for (WriteItem* item : s.items) {
        if (Status e = flush_staged(c.ops, item->staged); !e.ok()) return e;
    }
    if (Status e = flush_staged(c.ops, s.manifest); !e.ok()) return journal_unwritten(e.fault());
    return {};
}

// make the journal durable: the contents under their names (a later write may
// need them, and pruning drops the rest) before the manifest that names them,
// then the manifest as the journal; each folder made durable.
Status make_journal_durable(Commit& c) {
    for (StagedFile& f : c.staging.contents) {
        if (Status e = place_staged(c.ops, f); !e.ok()) return journal_unwritten(e.fault());
    }
    if (!c.staging.contents.empty()) {
        if (Status e = c.ops.sync_folder(history_path(c.root, kContentFolder)); !e.ok())
            return journal_unwritten(failed_step(history_path(c.root, kContentFolder), "cannot be made safe", e.fault()));
    }
    if (Status e = place_staged(c.ops, c.staging.manifest); !e.ok()) return journal_unwritten(e.fault());
    if (Status e = c.ops.sync_folder(history_path(c.root)); !e.ok()) {
        (void)c.ops.remove(c.journal);
        return journal_unwritten(failed_step(history_path(c.root), "the journal cannot be made safe", e.fault()));
    }
    return {};
}

// Puts back the first `count` files and drops the journal after a failure
// `why` while placing; the fault says what happened.
Fault roll_back(Commit& c, std::size_t count, const Fault& why) {
    // The new files not placed go first: a file put back by a new file of its
    // own takes the same temporary name.
    for (WriteItem* item : c.staging.items) (void)drop_staged(c.ops, item->staged);
    std::vector<std::string> stuck;
    const std::string tag = temp_tag(c.entry.number);
    for (std::size_t i = count; i-- > 0;) {
        if (Status e = put_back(c.ops, c.items[i].path, c.items[i].old(), c.items[i].in_place, tag); !e.ok())
            stuck.push_back(e.message());
    }
    const bool replaced = !c.result.written.empty();
    c.result.written.clear();
    if (stuck.empty()) {
        (void)c.ops.remove(c.journal);  // if it stays, recovery finds the files old and drops it
        return why.followed_by(std::string("; nothing was written") +
                               (replaced ? " (the files already replaced were put back)" : ""));
    }
    std::string kept = "; the files already replaced could not all be put back:";
    for (const std::string& s : stuck) kept += "\n    " + s;
    kept += "\nTheir old bytes are kept in the journal (" + c.journal +
            "); the next program of ours to open the folder puts them back.";
    return why.followed_by(kept);
}

// place the files: each replaced (or rewritten in place), then the new names
// made durable once per folder. A fault after a roll back.
Status place_files(Commit& c) {
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        WriteItem& item = c.items[i];
        if (item.in_place) {
            if (Status e = rewrite_in_place(c.ops, item.path, item.bytes->data(), item.bytes->size()); !e.ok())
                return roll_back(c, i + 1, e.fault());
        } else {
            if (Status e = place_staged(c.ops, item.staged); !e.ok()) return roll_back(c, i + 1, e.fault());
            const std::string folder = folder_of(item.staged.target);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        }
        c.result.written.push_back(item.name);
    }
    for (const std::string& folder : folders) {
        if (Status e = c.ops.sync_folder(folder); !e.ok())
            return roll_back(c, c.items.size(), failed_step(folder, "the new names cannot be made safe", e.fault()));
    }
    return {};
}

// mark complete: the journal becomes a history entry (or, for a write that is
// none, goes, and the old contents it alone needed with it). A fault after a
// roll back.
Status mark_complete(Commit& c, bool entry) {
    if (!entry) {
        if (Status e = c.ops.remove(c.journal); !e.ok())
            return roll_back(c, c.items.size(), failed_step(c.journal, "the write cannot be marked complete", e.fault()));
        std::set<std::string> olds;
        for (const HistoryFile& f : c.entry.files)
            if (!f.old_hash.empty()) olds.insert(f.old_hash);
        (void)remove_contents_unless_needed(c.ops, c.root, olds);  // housekeeping: the write stands
        written_hashes().remember(c.items, c.entry.files);
        return {};
    }
    const std::string done = history_path(c.root, entry_file_name(c.entry.number, "entry"));
    if (Status e = c.ops.replace(c.journal, done); !e.ok())
        return roll_back(c, c.items.size(), failed_step(c.journal, "the write cannot be marked complete", e.fault()));
    c.result.entry = c.entry.number;
    written_hashes().remember(c.items, c.entry.files);
    return {};
}

// prune: housekeeping, the write stands even when it fails. Under the lock,
// the history holds what the look at the start found and this write's entry.
void prune(Commit& c) {
    HistoryNames names = c.scan.history;
    names.journals.clear();
    names.entries.push_back(c.entry.number);
    (void)prune_history(c.ops, c.root, KnownHistory{c.settings, names, c.history_before});
}

}  // namespace

Result<Committed> commit_folder_write(FileOps& ops, const std::string& root, const std::vector<PlannedFile>& files,
                                      const WriteOrigin& origin, FolderLock* given_lock, int wait_ms) {
    Commit c(ops, root, given_lock);
    // The history names only the folder's own files: a write of anything else
    // would make an entry that nobody may trust.
    for (const PlannedFile& f : files) {
        if (!is_folder_file(f.name))
            return c.refused(Fault(FaultKind::invalid, quoted_text(f.name), "not a file of the data folder"));
    }
    if (Status e = lock(c, wait_ms); !e.ok()) return c.refused(e.fault());
    if (Status e = recover(c); !e.ok()) return c.refused(e.fault());
    if (Status e = compare(c, files); !e.ok()) return c.refused(e.fault());
    if (c.items.empty()) return c.result;
    if (Status e = describe(c, origin); !e.ok()) return c.refused(e.fault());
    if (Status e = stage(c); !e.ok()) return c.refused(e.fault());
    if (Status e = make_journal_durable(c); !e.ok()) return c.refused(e.fault());
    if (Status e = place_files(c); !e.ok()) return e.fault();
    if (Status e = mark_complete(c, origin.entry); !e.ok()) return e.fault();
    if (origin.entry) prune(c);
    return c.result;
}

Status lock_for_write(FileOps& ops, const std::string& root, FolderLock& lock, int wait_ms) {
    if (Status e = ops.lock_folder(lock, root, wait_ms); !e.ok()) return e;
    FolderScan scan;
    if (Recovery r = recover_before_write(ops, root, lock, scan); !r.status.ok()) {
        lock.release();
        return r.status;
    }
    return {};
}

void FolderWrite::add(const std::string& path, std::string expected, std::string bytes) {
    files_.push_back({folder_relative_name(root_, path), std::move(expected), std::move(bytes)});
}

Result<Committed> FolderWrite::commit() {
    Result<Committed> r = commit_folder_write(ops_, root_, files_, origin_, &lock_);
    lock_.release();
    failed_ = !r.ok();
    return r;
}

}  // namespace ce
