// creatures history, creatures restore, the DIR@N source of creatures diff (a
// folder in memory), and the recovery every command runs first.
#include "cli/history.h"

#include "tables/libraries.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <ostream>
#include <set>
#include <system_error>

#include "cli/commands.h"
#include "mods/restore_plan.h"
#include "folder/dataset.h"
#include "folder/fields.h"
#include "store/binding.h"
#include "store/data_folder.h"
#include "store/history.h"
#include "store/quoted_text.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

// "a, b, c".
std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out.append(", ");
        out.append(name);
    }
    return out;
}

std::string file_list(const HistoryEntry& e) {
    std::vector<std::string> names;
    for (const HistoryFile& f : e.files) names.push_back(f.name);
    return listed(names);
}

int fail(const char* command, const Fault& fault, std::ostream& err) {
    err << "creatures " << command << ": " << fault << "\n";
    return kExitError;
}

int change_settings(const HistoryOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (o.on && o.off) return fail("history", "--on and --off exclude each other", err);
    FolderLock lock;
    if (Status e = ops.lock_folder(lock, o.root, kLockWaitMs); !e.ok())
        return fail("history", e.fault().followed_by("; nothing was changed"), err);
    HistorySettings s;
    if (Status e = read_history_settings(o.root, s); !e.ok()) return fail("history", e.fault(), err);
    if (o.on) s.enabled = true;
    if (o.off) s.enabled = false;
    if (o.keep_entries) s.keep_entries = *o.keep_entries;
    if (o.keep_mib) s.keep_bytes = static_cast<std::uint64_t>(*o.keep_mib) << 20;
    if (Status e = write_history_settings(ops, o.root, s); !e.ok())
        return fail("history", e.fault().followed_by("; nothing was changed"), err);
    if (Status e = prune_history(ops, o.root); !e.ok()) return fail("history", e.fault(), err);
    out << "History " << (s.enabled ? "on" : "off") << ": keeping the newest " << s.keep_entries
        << " entries and at most " << (s.keep_bytes >> 20) << " MiB\n";
    return kExitOk;
}

}  // namespace

std::string folder_of_source(const std::string& source) {
    const std::size_t at = source.rfind('@');
    if (at == std::string::npos || at + 1 >= source.size()) return source;
    std::error_code ec;
    if (fs::exists(source, ec)) return source;
    for (std::size_t i = at + 1; i < source.size(); ++i)
        if (source[i] < '0' || source[i] > '9') return source;
    return source.substr(0, at);
}

Result<DiffSource> diff_source(const std::string& source) {
    const std::string folder = folder_of_source(source);
    if (folder == source) return DiffSource{source, std::nullopt};
    const std::string digits = source.substr(folder.size() + 1);
    const std::optional<EntryNumber> number = parse_entry_number(digits);
    if (!number) return Fault(source + ": " + entry_number_fault(digits));
    FolderBytes before;
    if (Status e = folder_before(folder, *number, before); !e.ok()) return e.fault().after(source + ": ");
    // What the history does not hold the folder holds as it is now.
    FileBytes files = read_folder_bytes(folder);
    for (auto& [name, bytes] : before)
        if (bytes) files[name] = std::move(*bytes);
    return DiffSource{folder, std::move(files)};
}

bool recover_at_open(const std::string& root, FileOps& ops, const std::string& command, std::ostream& err) {
    const Recovery r = recover_folder(ops, root);
    const std::string where = "creatures " + command + ": " + folder_label(root) + ": ";
    for (const std::string& line : r.done) err << where << "recovered: " << line << "\n";
    for (const std::string& line : r.left_alone) err << where << "left alone: " << line << "\n";
    // A folder another program is writing is left to it.
    if (r.status.ok() || r.status.is(FaultKind::busy)) return true;
    err << where << "cannot recover from an interrupted write: " << r.status.message() << "\n";
    return false;
}

int run_history(const HistoryOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (Status problem = folder_problem(o.root); !problem.ok()) return fail("history", problem.fault(), err);
    if (o.on || o.off || o.keep_entries || o.keep_mib) return change_settings(o, ops, out, err);
    HistoryListing listing;
    if (Status e = read_history(o.root, listing); !e.ok()) return fail("history", e.fault(), err);
    // What is not ours, or cannot be read, is named and left out; the rest is listed.
    for (const std::string& problem : listing.problems) err << "creatures history: " << problem << "\n";
    const int status = listing.damaged.empty() ? kExitOk : kExitError;
    const std::vector<HistoryEntry>& entries = listing.entries;
    if (o.json) {
#if CE_CLI_LIBRARIES
        nlohmann::json list = nlohmann::json::array();
        for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
            nlohmann::json files = nlohmann::json::array();
            for (const HistoryFile& f : e->files)
                files.push_back({{"name", f.name}, {"old_hash", f.old_hash}, {"old_size", f.old_size},
                                 {"new_hash", f.new_hash}, {"new_size", f.new_size}});
            list.push_back({{"number", e->number}, {"time", e->time}, {"made_by", e->made_by},
                            {"slots", e->slots}, {"files", files}});
        }
        std::string text = list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
        escape_c1_controls(text);
        out << text << "\n";
        return status;
#else
        return fail("history", "--json needs the nlohmann-json headers in the build", err);
#endif
    }
    if (entries.empty()) {
        out << "No history yet in " << folder_label(o.root) << "\n";
        return status;
    }
    std::string text;
    text.reserve(entries.size() * 120);
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        text += std::to_string(e->number) + "  " + shown_text(e->time) + " UTC  " + shown_text(e->made_by);
        if (!e->slots.empty()) text += "  [slots " + slot_ranges(e->slots) + "]";
        text += "  " + file_list(*e) + "\n";
    }
    out << text;
    return status;
}

namespace {

// The restore's dry run: what would change, as diff prints it.
int show_restore(const RestoreOptions& o, const std::map<std::string, std::string>& target, std::ostream& out,
                 std::ostream& err) {
    FileBytes after = read_folder_bytes(o.root);
    for (const auto& [name, bytes] : target) after[name] = bytes;
    const int status = diff_folders({o.root, std::nullopt}, {o.root, std::move(after)}, false, out, err);
    if (status == kExitError) return status;
    out << (status == kExitOk ? "Nothing would change" : "These would change") << " (dry run: nothing written)\n";
    return kExitOk;
}

}  // namespace

int run_restore(const RestoreOptions& o, FileOps& ops, std::ostream& out, std::ostream& err) {
    if (Status problem = folder_problem(o.root); !problem.ok()) return fail("restore", problem.fault(), err);
    const std::optional<EntryNumber> entry = parse_entry_number(o.entry);
    if (!entry) return fail("restore", entry_number_fault(o.entry), err);
    if (o.slot && !is_slot(*o.slot)) return fail("restore", slot_fault(std::to_string(*o.slot)).after("--slot: "), err);
    // Everything the restore builds from (the history, and the folder's files
    // it checks and writes over) is read under the folder's lock, held to the
    // commit: no other write can land between, and the commit checks exactly
    // those bytes.
    FolderLock lock;
    if (!o.dry_run) {
        if (Status e = lock_for_write(ops, o.root, lock); !e.ok())
            return fail("restore", e.fault().followed_by("; nothing was written"), err);
    }
    const Result<RestorePlan> plan = plan_restore(o.root, *entry, o.slot, o.force);
    if (!plan.ok()) return fail("restore", plan.fault(), err);
    for (const std::string& name : plan->not_there)
        err << "creatures restore: " << name << " did not exist before entry " << *entry << "; it is left as it is\n";
    if (o.dry_run) return show_restore(o, plan->target.bytes, out, err);
    const Result<Committed> r = commit_restore(ops, o.root, *plan, lock);
    if (!r.ok()) return fail("restore", r.fault(), err);
    const std::string which = o.slot ? "creature " + std::to_string(*o.slot) : std::string();
    if (r->entry == 0) {
        out << "Nothing to restore: " << (o.slot ? which + " in " : std::string()) << folder_label(o.root)
            << " is already as it was before entry " << *entry << "\n";
        return kExitOk;
    }
    out << "Restored " << (o.slot ? which + " of " : std::string()) << folder_label(o.root) << " to before entry "
        << *entry << ": wrote " << listed(r->written) << " (history entry " << r->entry << "; restore it to undo this)\n";
    return kExitOk;
}

}  // namespace ce
