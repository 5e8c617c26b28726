// The recovery of folder writes that a crash cut off (journal_recovery.h).
#include "store/journal_recovery.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/content_hash.h"
#include "store/file_ops.h"
#include "store/folder_files.h"
#include "store/history.h"
#include "store/journal_scan.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

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

// Puts back, from its backup copy, a file whose rewrite in place was cut off,
// and removes the copy; removes a temporary file.
std::optional<std::string> clear_stray(FileOps& ops, const std::string& root, const Stray& s, Recovery& r) {
    if (s.backup) {
        WholeFile copy;
        if (FileResult fault = read_whole_file(s.path, copy))
            return failed_step(s.path, "a backup copy that cannot be read", *fault).message();
        std::optional<std::string> current;
        if (auto e = read_current(s.base_path, current)) return e;
        const std::string old(reinterpret_cast<const char*>(copy.data()), copy.length);
        if (current && *current != old) {
            if (auto e = rewrite_in_place(ops, s.base_path, old.data(), old.size())) return e->message();
            r.done.push_back(shown(root, s.base_path) + " was put back from its backup copy");
        }
    }
    if (FileError e = ops.remove(s.path)) return failed_step(s.path, "cannot be removed", *e).message();
    r.done.push_back("removed the left-over " + std::string(s.backup ? "backup copy " : "temporary file ") +
                     shown(root, s.path));
    return std::nullopt;
}

// Rolls back every interrupted write the look at the folder found, then drops
// the contents that only they needed and looks at the folder again (keeping
// the highest number seen, so that no number is given twice).
std::optional<std::string> roll_back_journals(FileOps& ops, const std::string& root, bool contents,
                                              FolderScan& scan, Recovery& r) {
    for (EntryNumber n : scan.history.journals) {
        if (auto e = roll_back_journal(ops, root, n, r)) return e;
    }
    if (scan.history.journals.empty()) return std::nullopt;
    (void)prune_history(ops, root, true);
    const EntryNumber last = scan.history.last_number;
    scan = scan_folder(root, contents);
    scan.history.last_number = std::max(scan.history.last_number, last);
    return std::nullopt;
}

// recover_folder, leaving in `scan` what the folder holds once it is done
// (its interrupted writes rolled back, its strays gone). The content folder,
// and files sharing a content's storage, are looked at only when `contents`.
Recovery recover(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms, bool contents,
                 FolderScan& scan) {
    Recovery r;
    auto failed = [&r](std::string why) {
        r.error = std::move(why);
        return r;
    };
    if (auto problem = history_folder_problem(root)) return failed(*problem);
    scan = scan_folder(root, contents);
    std::vector<std::string> sharing = contents ? files_sharing_contents(root) : std::vector<std::string>();
    if (scan.history.journals.empty() && scan.strays.empty() && sharing.empty()) return r;
    FolderLock own;
    FolderLock& held = lock && lock->held() ? *lock : own;
    if (!held.held()) {
        if (auto e = held.acquire(root, wait_ms)) {
            if (!held.busy()) return failed(*e);
            r.busy = true;
            return r;
        }
        scan = scan_folder(root, contents);  // another program may have finished meanwhile
    }
    if (auto e = roll_back_journals(ops, root, contents, scan, r)) return failed(*e);
    for (const Stray& s : scan.strays) {
        if (auto e = clear_stray(ops, root, s, r)) return failed(*e);
    }
    if (contents) sharing = files_sharing_contents(root);
    for (const std::string& name : sharing) {
        if (auto e = separate_content(ops, root, name)) return failed(*e);
        r.done.push_back(name + " shared its storage with its old content in the history; the content is a copy of its own now");
    }
    scan.history.journals.clear();
    scan.strays.clear();
    return r;
}

}  // namespace

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

Recovery recover_folder(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms) {
    FolderScan scan;
    return recover(ops, root, lock, wait_ms, true, scan);
}

Recovery recover_before_write(FileOps& ops, const std::string& root, FolderLock& held, FolderScan& scan) {
    return recover(ops, root, &held, 0, false, scan);
}

}  // namespace ce
