// The history of a data folder, kept in its ".history" folder: one manifest per
// completed write (what made it, when, which slots, and for every file it
// changed the content before and after, by content hash) and the contents
// themselves, stored once per hash. A write in progress has a ".journal"
// manifest; the commit mark renames it to ".entry".
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/whole_file.h"

namespace ce {

class FileOps;

constexpr const char* kHistoryFolder = ".history";

struct HistoryFile {
    std::string name;            // relative to the data folder, '/' between parts
    std::string old_hash;        // "" when the file did not exist before
    std::uint64_t old_size = 0;
    std::string new_hash;
    std::uint64_t new_size = 0;
};

struct HistoryEntry {
    int number = 0;
    std::string time;            // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string made_by;         // "Save of creature 5 in the editor", ...
    std::vector<int> slots;      // creatures the write was about (may be empty)
    std::vector<HistoryFile> files;
};

// "<root>/.history" or "<root>/.history/<name>".
std::string history_path(const std::string& root, const std::string& name = "");
std::string content_path(const std::string& root, const std::string& hash);
std::string entry_file_name(int number, const char* kind);  // "000012.entry", "000012.journal"

std::string format_manifest(const HistoryEntry& entry);
// Nothing on success; otherwise what is wrong with the text.
std::optional<std::string> parse_manifest(std::string_view text, HistoryEntry& out);
// Reads and parses a manifest file; the error names the file.
std::optional<std::string> read_manifest(const std::string& path, HistoryEntry& out);

struct HistorySettings {
    bool enabled = true;
    int keep_entries = 200;
    std::uint64_t keep_bytes = 64ull << 20;
};
// Missing settings give the defaults; a damaged file is an error naming it.
std::optional<std::string> read_history_settings(const std::string& root, HistorySettings& out);
std::optional<std::string> write_history_settings(FileOps& ops, const std::string& root,
                                                  const HistorySettings& settings);

// An error when ".history" exists but is not a folder.
std::optional<std::string> history_folder_problem(const std::string& root);

// What the name of a file in ".history" says: the number of a manifest
// ("000012.entry", "000012.journal") or of a temporary file of one
// ("000012.journal.~new1"), 0 for any other name; and whether it is a complete
// entry or the journal of a write in progress (or interrupted).
struct ManifestName {
    int number = 0;
    bool entry = false;
    bool journal = false;
};
ManifestName manifest_name(std::string_view file_name);

// The manifests that ".history" holds, by number, ascending.
struct HistoryNames {
    std::vector<int> entries;
    std::vector<int> journals;
    int last_number = 0;  // the highest number of a manifest or of a temporary file of one
    void add(std::string_view file_name);
    void sort();
};
HistoryNames list_history_names(const std::string& root);

// The completed entries, oldest first (none when there is no history yet).
std::optional<std::string> list_history(const std::string& root, std::vector<HistoryEntry>& out);

// The content stored under `hash`, checked against it.
std::optional<std::string> load_content(const std::string& root, const std::string& hash, std::string& out);

// The files as they were before entry `number`: every file that entry or a later
// one changed, with its bytes then (nothing when it did not exist). `slots`, when
// given, receives the slots of those entries.
using FolderBytes = std::map<std::string, std::optional<std::string>>;
std::optional<std::string> folder_before(const std::string& root, int number, FolderBytes& out,
                                         std::vector<int>* slots = nullptr);

// Removes the oldest entries beyond the settings (all of them when history is
// off), then every content that no kept entry and no pending journal needs.
// Within the limits it removes nothing, unless `full` (after a recovery, which
// may leave contents that nothing needs). The limits are counted from the
// manifests, which a program reads once and then only when they change.
std::optional<std::string> prune_history(FileOps& ops, const std::string& root, bool full = false);

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
std::optional<std::string> prune_history(FileOps& ops, const std::string& root, const KnownHistory& known);

// Writes `bytes` to `path` durably and in one step: a temporary file beside it,
// flushed, renamed over it.
std::optional<std::string> put_file(FileOps& ops, const std::string& path, std::string_view bytes);

}  // namespace ce
