// The history of a data folder, kept in its ".history" folder: one manifest per
// completed write (what made it, when, which slots, and for every file it
// changed the content before and after, by content hash) and the contents
// themselves, stored once per hash. A write in progress has a ".journal"
// manifest; the commit mark renames it to ".entry".
//
// Everything in ".history" is untrusted input: a manifest names only the
// folder's own files (data_folder.h), numbers parse strictly, a content is
// trusted only by its hash, and a name that is not ours is reported and
// otherwise ignored.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_folder.h"
#include "store/whole_file.h"

namespace ce {

class FileOps;

// Entry numbers count up from 1 without a bound on their width: "000012.entry",
// "1000000.entry". A history whose numbers reach the last one takes no more
// writes (only a planted name can get there).
using EntryNumber = std::int64_t;
constexpr EntryNumber kLastEntryNumber = 999'999'999'999'999'999;

// The number `text` names: decimal digits only (no sign, space or prefix),
// 1 to kLastEntryNumber. Otherwise nothing.
std::optional<EntryNumber> parse_entry_number(std::string_view text);
// The one-line message for a text that is not an entry number.
std::string entry_number_fault(std::string_view text);

struct HistoryFile {
    std::string name;            // one of the folder's files (folder_file_names)
    std::string old_hash;        // "" when the file did not exist before
    std::uint64_t old_size = 0;
    std::string new_hash;
    std::uint64_t new_size = 0;
    // Whether the write rewrote the file in place, because it had other names:
    // a recovery rewrites in place (through the other names) only a file that
    // its write recorded so, never one given other names since.
    bool in_place = false;
    bool operator==(const HistoryFile&) const = default;
};

struct HistoryEntry {
    EntryNumber number = 0;
    std::string time;            // UTC, "YYYY-MM-DD HH:MM:SS" (as read: shown through shown_text)
    std::string made_by;         // "Save of creature 5 in the editor", ... (any bytes: a patch's name; quoted in
                                 // the manifest as record_text does, and in messages)
    std::vector<int> slots;      // creatures the write was about (may be empty)
    std::vector<HistoryFile> files;
};

// "<root>/.history" or "<root>/.history/<name>".
std::string history_path(const std::string& root, const std::string& name = "");
std::string content_path(const std::string& root, const std::string& hash);
std::string entry_file_name(EntryNumber number, const char* kind);  // "000012.entry", "1000000.journal"

std::string format_manifest(const HistoryEntry& entry);
// A fault names what is wrong with the text (a name that is
// not one of the folder's files included).
Status parse_manifest(std::string_view text, HistoryEntry& out);
// Reads and parses a manifest file; the error names the file.
Status read_manifest(const std::string& path, HistoryEntry& out);

// What to tell the user when the history names what it must not: it cannot be
// trusted, nothing was changed, and how to go on without it.
std::string untrusted_history(const std::string& root);

struct HistorySettings {
    bool enabled = true;
    int keep_entries = 200;
    std::uint64_t keep_bytes = 64ull << 20;
};
// Missing settings give the defaults; a damaged file is an error naming it.
Status read_history_settings(const std::string& root, HistorySettings& out);
Status write_history_settings(FileOps& ops, const std::string& root,
                              const HistorySettings& settings);

// An error when ".history", or its "content" folder, exists but is not a
// folder (a symbolic link to one included: the history is never followed out
// of the data folder).
Status history_folder_problem(const std::string& root);

// What the name of a file in ".history" says: the number of a manifest
// ("000012.entry", "000012.journal") or of a temporary file of one
// ("000012.journal.~new1"), 0 for any other name; and whether it is a complete
// entry or the journal of a write in progress (or interrupted). Numbers have
// six digits or more, without a leading zero beyond six.
struct ManifestName {
    EntryNumber number = 0;
    bool entry = false;
    bool journal = false;
};
ManifestName manifest_name(std::string_view file_name);
// Whether a name directly in ".history" is one our programs make: the
// manifests and their temporary files, "settings" and its temporary files,
// the "content" folder and the temporary files of contents.
bool is_history_name(std::string_view file_name);

// The manifests that ".history" holds, by number, ascending, and the names
// that are not ours.
struct HistoryNames {
    std::vector<EntryNumber> entries;
    std::vector<EntryNumber> journals;
    // The numbers of manifests being written ("000012.journal.~new0"): a write
    // that stopped before its journal was whole.
    std::vector<EntryNumber> staging;
    EntryNumber last_number = 0;  // the highest number of a manifest or of a temporary file of one
    std::vector<std::string> foreign;
    void add(std::string_view file_name);
    void sort();
};
HistoryNames list_history_names(const std::string& root);

// The completed entries, oldest first (none when there is no history yet); an
// error at the first that cannot be read.
Status list_history(const std::string& root, std::vector<HistoryEntry>& out);

// The history as far as it can be read: the entries that can, oldest first,
// and one line for each entry that cannot and each name in ".history" (or in
// its content folder) that is not ours. An error only when the history folder
// itself cannot be used.
struct HistoryListing {
    std::vector<HistoryEntry> entries;
    std::vector<EntryNumber> damaged;      // entries that cannot be read
    std::vector<std::string> problems;     // what is wrong, one line each (paths relative to the folder)
};
Status read_history(const std::string& root, HistoryListing& out);

// The content stored under `hash`, checked against it.
Status load_content(const std::string& root, const std::string& hash, std::string& out);

// The files as they were before entry `number`: every file that entry or a later
// one changed, with its bytes then (nothing when it did not exist). `slots`, when
// given, receives the slots of those entries. An entry from `number` on that
// cannot be read is an error (the way back passes through it).
using FolderBytes = std::map<std::string, std::optional<std::string>>;
Status folder_before(const std::string& root, EntryNumber number, FolderBytes& out,
                     std::vector<int>* slots = nullptr);

// The files of the folder that do not hold what the newest entry from `number`
// on that names them says it wrote (changed since by another program, or by a
// write whose entry is gone), in the order of folder_file_names.
Status files_not_as_written(const std::string& root, EntryNumber number,
                            std::vector<std::string>& out);
// The same, judged by the files' bytes as the caller read them (`now`: every
// file the entries from `number` on name, nothing where it does not exist),
// so that a writer checks exactly what it read under its lock.
Status files_not_as_written(const std::string& root, EntryNumber number, const FolderBytes& now,
                            std::vector<std::string>& out);

// Removes the oldest entries beyond the settings (all of them when history is
// off), then every content that no kept entry and no pending journal needs.
// Within the limits it removes nothing, unless `full` (after a recovery, which
// may leave contents that nothing needs). The limits are counted from the
// manifests, which a program reads once and then only when they change. An
// entry that cannot be read is left as it is.
Status prune_history(FileOps& ops, const std::string& root, bool full = false);

// Removes those of the stored contents `hashes` that no entry and no journal
// names (any entry, kept or not): after a write that is no entry, whose
// journal alone needed its old contents. Nothing is removed while an entry or
// journal cannot be read.
Status remove_contents_unless_needed(FileOps& ops, const std::string& root, const std::set<std::string>& hashes);

// What a writer that holds the folder's lock knows of the history when it has
// committed: the settings it read, the manifests there are now (none of them a
// journal), and the stamp of ".history" before the write changed it. Pruning
// with it does not look at the folder's names again; and when that stamp is the
// one this program left after its own last pruning, nobody has added, removed
// or replaced a manifest since, so the manifests it read are not asked after.
struct KnownHistory {
    const HistorySettings& settings;
    const HistoryNames& names;
    std::optional<FileStamp> folder_before;
};
Status prune_history(FileOps& ops, const std::string& root, const KnownHistory& known);


}  // namespace ce
