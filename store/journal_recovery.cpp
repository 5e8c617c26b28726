// The recovery of folder writes that a crash cut off (journal_recovery.h).
#include "store/journal_recovery.h"

#include <algorithm>
#include <filesystem>
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

// What an interrupted write made and when, for a message: the journal's words
// are quoted, so that no byte of them reaches the terminal as it is.
std::string write_described(const HistoryEntry& entry) {
    return "an interrupted write (" + quoted_text(entry.made_by) + ", " + shown_text(entry.time) + ")";
}

// Rolls back the interrupted write whose journal is `number`. Everything it
// needs is looked at before any file is touched: a journal that names what it
// must not (a file that is not the folder's, a path through a link out of it)
// or whose old contents are not whole changes nothing.
Status roll_back_journal(FileOps& ops, const std::string& root, EntryNumber number,
                         Recovery& r) {
    const std::string journal = history_path(root, entry_file_name(number, "journal"));
    HistoryEntry entry;
    if (Status e = read_manifest(journal, entry); !e.ok())
        return e.fault().followed_by("; the interrupted write it describes cannot be rolled back: " +
                                      untrusted_history(root));
    struct PutBack {
        const HistoryFile* file;
        std::optional<std::string> old;
    };
    std::vector<PutBack> plan;
    for (auto f = entry.files.rbegin(); f != entry.files.rend(); ++f) {
        if (Status e = link_out_of_folder(root, f->name); !e.ok())
            return e.fault().after(shown(root, journal) + ": ").followed_by("; " + untrusted_history(root));
        std::optional<std::string> current;
        if (Status e = read_current(data_path(root, f->name), current); !e.ok()) return e;
        if (current ? content_hash(*current) == f->old_hash : f->old_hash.empty()) continue;
        PutBack p{&*f, std::nullopt};
        if (!f->old_hash.empty()) {
            std::string bytes;
            if (Status e = load_content(root, f->old_hash, bytes); !e.ok())
                return e.fault().followed_by(" (needed to roll back " + f->name + ")");
            p.old = std::move(bytes);
        }
        plan.push_back(std::move(p));
    }
    std::vector<std::string> put;
    for (const PutBack& p : plan) {
        if (Status e = put_back(ops, data_path(root, p.file->name), p.old, p.file->in_place, temp_tag(number)); !e.ok())
            return e;
        put.push_back(p.file->name);
    }
    if (Status e = ops.remove(journal); !e.ok()) return failed_step(journal, "cannot be removed", e.fault());
    r.done.push_back(write_described(entry) + " was rolled back" +
                     (put.empty() ? std::string(" before it had replaced any file") : "; put back: " + joined(put)));
    return {};
}

// The folder's files that share their storage with a stored content: left by
// an older program of ours, which gave a file's old self a second name in the
// history before it replaced the file, when that write stopped in between. A
// rewrite of such a file in place would change the content too. Only files
// with more than one name are read.
std::vector<std::string> files_sharing_contents(const std::string& root) {
    std::vector<std::string> out;
    std::error_code ec;
    if (!fs::is_directory(history_path(root, kContentFolder), ec)) return out;
    for (const std::string& name : folder_file_names()) {
        const std::string path = data_path(root, name);
        if (fs::hard_link_count(path, ec) < 2 || ec) continue;
        std::optional<std::string> bytes;
        if (!read_current(path, bytes).ok() || !bytes) continue;
        if (fs::equivalent(content_path(root, content_hash(*bytes)), path, ec) && !ec) out.push_back(name);
    }
    return out;
}

// Gives the content that the folder's file `name` shares its storage with a
// storage of its own (a copy under the same name).
Status separate_content(FileOps& ops, const std::string& root, const std::string& name) {
    const std::string path = data_path(root, name);
    std::optional<std::string> bytes;
    if (Status e = read_current(path, bytes); !e.ok()) return e;
    if (!bytes) return {};
    const std::string hash = content_hash(*bytes);
    StagedFile copy;
    Status fault =
        stage_new_file(ops, content_path(root, hash), history_path(root, hash), path, bytes->data(), bytes->size(), copy);
    if (fault.ok()) fault = flush_staged(ops, copy);
    if (fault.ok()) fault = place_staged(ops, copy);
    const Status left = drop_staged(ops, copy);
    if (!fault.ok()) return left.ok() ? fault : fault.fault().followed_by("; " + left.message());
    if (Status e = ops.sync_folder(history_path(root, kContentFolder)); !e.ok())
        return failed_step(history_path(root, kContentFolder), "cannot be made safe", e.fault());
    return {};
}

// Removes a temporary file of ours.
Status clear_stray(FileOps& ops, const std::string& root, const Stray& s, Recovery& r) {
    if (Status e = ops.remove(s.path); !e.ok()) return failed_step(s.path, "cannot be removed", e.fault());
    r.done.push_back("removed the left-over temporary file " + shown(root, s.path));
    return {};
}

// What is said of a name made like ours that no record of ours names.
std::string left_alone_line(const std::string& root, const Stray& s) {
    if (!s.regular) return shown(root, s.path) + ": named like a file of ours, but not a regular file; left as it is";
    return shown(root, s.path) + ": " + (s.backup ? "a backup copy" : "a temporary file") +
           " that no write of ours made; left as it is, not used";
}

std::vector<std::string> left_alone_lines(const std::string& root, const std::vector<Stray>& foreign) {
    std::vector<std::string> out;
    for (const Stray& s : foreign) out.push_back(left_alone_line(root, s));
    return out;
}

// Rolls back every interrupted write the look at the folder found, then drops
// the contents that only they needed and looks at the folder again (keeping
// the highest number seen, so that no number is given twice).
Status roll_back_journals(FileOps& ops, const std::string& root, bool contents,
                          FolderScan& scan, Recovery& r) {
    for (EntryNumber n : scan.history.journals) {
        if (Status e = roll_back_journal(ops, root, n, r); !e.ok()) return e;
    }
    if (scan.history.journals.empty()) return {};
    (void)prune_history(ops, root, true);
    const EntryNumber last = scan.history.last_number;
    scan = scan_folder(root, contents);
    scan.history.last_number = std::max(scan.history.last_number, last);
    return {};
}

// recover_folder, leaving in `scan` what the folder holds once it is done
// (its interrupted writes rolled back, its strays gone). The content folder,
// and files sharing a content's storage, are looked at only when `contents`.
Recovery recover(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms, bool contents,
                 FolderScan& scan) {
    Recovery r;
    auto failed = [&r](const Status& why) {
        r.status = why;
        return r;
    };
    if (Status problem = history_folder_problem(root); !problem.ok()) return failed(problem);
    scan = scan_folder(root, contents);
    std::vector<std::string> sharing = contents ? files_sharing_contents(root) : std::vector<std::string>();
    const bool ours = !scan.history.journals.empty() || !scan.strays.empty() || !sharing.empty();
    if (!ours && scan.foreign.empty()) return r;
    FolderLock own;
    FolderLock& held = lock && lock->held() ? *lock : own;
    if (!held.held()) {
        if (Status e = ops.lock_folder(held, root, wait_ms); !e.ok()) {
            // Names that are not ours need no lock to be named, where the lock
            // cannot be had at all (a folder we may only read). While another
            // writer is at work they are left unsaid: they may be its own.
            if (!ours && !e.is(FaultKind::busy)) r.left_alone = left_alone_lines(root, scan.foreign);
            return ours || e.is(FaultKind::busy) ? failed(e) : r;
        }
        scan = scan_folder(root, contents);  // another program may have finished meanwhile
    }
    // Our temporary files first: a roll back names its own after its journal.
    for (const Stray& s : scan.strays) {
        if (Status e = clear_stray(ops, root, s, r); !e.ok()) return failed(e);
    }
    scan.strays.clear();
    if (Status e = roll_back_journals(ops, root, contents, scan, r); !e.ok()) return failed(e);
    if (contents) sharing = files_sharing_contents(root);
    for (const std::string& name : sharing) {
        if (Status e = separate_content(ops, root, name); !e.ok()) return failed(e);
        r.done.push_back(name + " shared its storage with its old content in the history; the content is a copy of its own now");
    }
    r.left_alone = left_alone_lines(root, scan.foreign);
    scan.history.journals.clear();
    scan.history.staging.clear();
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
    if (!recovery.left_alone.empty()) {
        if (!message.empty()) message += "\n";
        message += "Left alone in " + folder + " (no write of ours made them):";
        for (const std::string& line : recovery.left_alone) message += "\n    " + line;
    }
    if (!recovery.status.ok() && !recovery.status.is(FaultKind::busy)) {
        if (!message.empty()) message += "\n";
        message += "An interrupted write in " + folder + " cannot be rolled back, so nothing can be saved there:\n    " +
                   recovery.status.message();
    }
    return message;
}

std::vector<std::string> recovery_needed(const std::string& root) {
    std::vector<std::string> out;
    if (Status problem = history_folder_problem(root); !problem.ok()) {
        out.push_back(problem.message());
        return out;
    }
    const FolderScan scan = scan_folder(root);
    for (EntryNumber n : scan.history.journals) {
        const std::string journal = history_path(root, entry_file_name(n, "journal"));
        HistoryEntry entry;
        if (Status e = read_manifest(journal, entry); !e.ok())
            out.push_back(e.message());
        else
            out.push_back(shown(root, journal) + ": " + write_described(entry) + " is not rolled back yet");
    }
    for (const Stray& s : scan.strays) out.push_back(shown(root, s.path) + ": a left-over temporary file");
    for (const std::string& name : files_sharing_contents(root))
        out.push_back(name + ": shares its storage with its old content in the history");
    return out;
}

std::vector<std::string> left_alone_in(const std::string& root) {
    if (!history_folder_problem(root).ok()) return {};
    return left_alone_lines(root, scan_folder(root).foreign);
}

Recovery recover_folder(FileOps& ops, const std::string& root, FolderLock* lock, int wait_ms) {
    FolderScan scan;
    return recover(ops, root, lock, wait_ms, true, scan);
}

Recovery recover_before_write(FileOps& ops, const std::string& root, FolderLock& held, FolderScan& scan) {
    return recover(ops, root, &held, 0, false, scan);
}

}  // namespace ce
