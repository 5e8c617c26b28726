// creatures apply: a patch onto a data folder, with a three-way check per field.
#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "cli/history.h"
#include "folder/commit.h"
#include "cli/patch_io.h"
#include "mods/patch.h"
#include "cli/table_text.h"
#include "store/journal.h"
#include "store/quoted_text.h"
#include "text/code_page.h"
#include "text/lines.h"

namespace ce {
namespace {

enum class Winner : std::uint8_t { None, Patch, Folder };

// Who wins the conflicts of each slot, from the options; nothing after saying
// why the options cannot be used.
std::optional<std::vector<Winner>> conflict_winners(const ApplyOptions& o, std::ostream& err) {
    if (o.patch_wins && o.folder_wins) {
        err << "creatures apply: --patch-wins and --folder-wins exclude each other\n";
        return std::nullopt;
    }
    std::vector<Winner> winners(kSlots, o.patch_wins ? Winner::Patch : o.folder_wins ? Winner::Folder : Winner::None);
    std::vector<bool> named(kSlots, false);
    for (const auto& [list, winner, option] : {std::tuple{&o.patch_wins_for, Winner::Patch, "--patch-wins-for"},
                                               std::tuple{&o.folder_wins_for, Winner::Folder, "--folder-wins-for"}}) {
        if (list->empty()) continue;
        const Result<std::vector<int>> slots = parse_slots(*list);
        if (!slots.ok()) {
            err << "creatures apply: " << option << ": " << slots.fault() << "\n";
            return std::nullopt;
        }
        for (int s : *slots) {
            if (named[static_cast<std::size_t>(s)]) {
                err << "creatures apply: slot " << s << " is named by both --patch-wins-for and --folder-wins-for\n";
                return std::nullopt;
            }
            named[static_cast<std::size_t>(s)] = true;
            winners[static_cast<std::size_t>(s)] = winner;
        }
    }
    return winners;
}

// The patch's value as it reads: texts in quotes, numbers as written.
std::string given_value(const PatchValue& v) {
    return v.type == CellType::String ? terminal_text(quote_text(v.text)) : v.text;
}

struct Report {
    std::string written, conflicts;
    std::size_t changed = 0, already = 0, open = 0, to_patch = 0, to_folder = 0;
    std::size_t unchanged = 0;  // changes whose before and after are the same: nothing to do
    std::vector<int> slots;  // the slots that change
};

// What the changes do, change by change, and which of them are to be written.
Report check_changes(const Dataset& data, const Patch& patch, const std::vector<Field>& fields,
                     const std::vector<ReadyChange>& changes, const std::vector<Winner>& winners,
                     std::vector<bool>& take) {
    const std::vector<std::string> captions = field_captions(data, fields);
    std::vector<std::string> shown_captions(captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i) shown_captions[i] = terminal_text(captions[i]);
    Report r;
    r.written.reserve(changes.size() * 80);
    take.assign(changes.size(), false);
    int named_slot = -1;
    std::string head;  // "slot 5 (Shaipon): "
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const ReadyChange& c = changes[i];
        if (c.before == c.after) {
            ++r.unchanged;
            continue;
        }
        const PatchState state = patch_state(data, fields, c);
        if (state == PatchState::After) {
            ++r.already;
            continue;
        }
        if (c.slot != named_slot) {
            named_slot = c.slot;
            head = "slot " + std::to_string(c.slot) + " (" +
                   terminal_text(decode_code_page(data.text(TextKind::Monsters).line(c.slot + 1), data.language)) +
                   "): ";
        }
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const PatchChange& change =
            patch.creatures[static_cast<std::size_t>(c.creature)].changes[static_cast<std::size_t>(c.change)];
        const std::string& caption = shown_captions[static_cast<std::size_t>(c.field)];
        bool write = state == PatchState::Before;
        if (state == PatchState::Conflict) {
            const Winner w = winners[static_cast<std::size_t>(c.slot)];
            write = w == Winner::Patch;
            add_to(r.conflicts, "  ", head, caption, " (", f.key, "): before ", given_value(change.before), ", after ",
                   given_value(change.after), ", in the folder ",
                   terminal_text(patch_json_value(f, export_value(data, f, c.slot))),
                   w == Winner::Patch ? "  [the patch wins]" : w == Winner::Folder ? "  [the folder wins]" : "", "\n");
            if (w == Winner::None) ++r.open;
            else ++(write ? r.to_patch : r.to_folder);
        }
        if (!write) continue;
        take[i] = true;
        ++r.changed;
        if (r.slots.empty() || r.slots.back() != c.slot) r.slots.push_back(c.slot);
        add_to(r.written, head, f.key, " (", caption, "): ", given_value(change.before), " -> ",
               given_value(change.after), "\n");
    }
    return r;
}

std::string summary(const Report& r, const std::vector<std::string>& names, bool dry_run) {
    std::string s = r.changed == 0 ? std::string("no field to change")
                                   : counted(r.changed, "field", "fields") + " to change in " +
                                         counted(r.slots.size(), "creature", "creatures");
    if (r.already > 0) s += "; " + std::to_string(r.already) + " already as the patch has " + (r.already == 1 ? "it" : "them");
    if (r.unchanged > 0)
        s += "; " + counted(r.unchanged, "change has", "changes have") + " the same before and after (nothing to do)";
    const std::size_t conflicts = r.open + r.to_patch + r.to_folder;
    if (conflicts > 0) {
        s += "; " + counted(conflicts, "conflict", "conflicts");
        if (r.to_patch > 0) s += ", " + std::to_string(r.to_patch) + " won by the patch";
        if (r.to_folder > 0) s += ", " + std::to_string(r.to_folder) + " by the folder";
        if (r.open > 0) s += ", " + std::to_string(r.open) + " open";
    }
    if (r.open > 0) return s + "; nothing written\n";
    if (names.empty()) return s + "; nothing to write\n";
    s += dry_run ? "; would write " : "; writing ";
    for (std::size_t i = 0; i < names.size(); ++i) s += (i ? ", " : "") + names[i];
    return s + (dry_run ? " (dry run: nothing written)\n" : "\n");
}

// The files the patch changes, with their bytes as read and as they will be.
std::vector<PlannedFile> plan_files(const Dataset& data, const std::string& root,
                                    const std::map<std::string, std::string>& read_files,
                                    const std::array<bool, kDataFileCount>& data_changed, const LineEdits& lines,
                                    std::vector<std::string>& names) {
    std::vector<PlannedFile> planned;
    for (const DataFileInfo& info : data_files()) {
        if (!data_changed[static_cast<std::size_t>(info.id)]) continue;
        const DataBytes& d = data.folder.file(info.id);
        // The file keeps its own length (bytes past the fixed size stay).
        planned.push_back({folder_relative_name(root, d.path), read_files.at(d.path),
                           std::string(reinterpret_cast<const char*>(d.bytes.data()), std::max(d.length, info.size))});
        names.push_back(info.name);
    }
    for (int k = 0; k < 5; ++k) {
        const auto& edits = lines[static_cast<std::size_t>(k)];
        if (edits.empty()) continue;
        const LanguageText& t = data.text(static_cast<TextKind>(k));
        planned.push_back({folder_relative_name(root, t.path), t.bytes,
                           replace_lines(t.bytes, edits, OtherLines::KeepEnders, EmptyPastEnd::Extends)});
        names.push_back(t.name);
    }
    return planned;
}

// The changes, the conflicts and the summary line.
std::string report_text(Report& report, const std::vector<std::string>& names, bool dry_run) {
    std::string shown = std::move(report.written);
    if (!report.conflicts.empty())
        shown += std::string(report.open > 0 ? "conflicts: the folder holds neither the patch's \"before\" nor its "
                                               "\"after\":\n"
                                             : "conflicts, settled:\n") +
                 report.conflicts;
    return shown + summary(report, names, dry_run);
}

// One folder write naming the patch, so that a restore takes it out whole.
int commit_patch(FileOps& ops, FolderLock& lock, const std::string& root, const std::string& label,
                 const std::vector<PlannedFile>& planned, const std::vector<int>& slots, std::ostream& out,
                 std::ostream& err) {
    const Result<Committed> r = commit_folder_write(ops, root, planned, {"apply of patch " + label, slots}, &lock);
    if (!r.ok()) {
        err << "creatures apply: " << r.fault() << "\n";
        return kExitError;
    }
    if (!out) {
        err << "creatures apply: the report could not be written to standard output, but the patch is applied "
               "(history entry "
            << r->entry << ")\n";
        mark_output_failure_reported(out);
        return kExitOk;
    }
    if (r->entry > 0)
        out << "history entry " << r->entry << ": creatures restore "
            << (root.empty() ? "" : "-C " + shown_text(root) + " ") << r->entry << " takes the patch back out\n";
    return kExitOk;
}

// The folder as a message names it, its name quoted where it is not plain.
std::string shown_folder(const std::string& root) {
    return root.empty() ? std::string("the current folder") : "the folder " + quoted_text(root);
}

}  // namespace

int run_apply(const ApplyOptions& o, FileOps& ops, std::istream& in, std::ostream& out, std::ostream& err) {
    // The patch's name as given (the history entry names it so, quoted there
    // as every text of its records), and as messages show it: quoted where it
    // is not plain, so that no byte of it acts on the terminal.
    const std::string given = o.patch == "-" ? std::string("standard input") : o.patch;
    const std::string label = o.patch == "-" ? given : shown_text(given);
    if (Status problem = folder_problem(o.root); !problem.ok()) {
        err << "creatures apply: " << problem.message() << "\n";
        return kExitError;
    }
    const std::optional<std::vector<Winner>> winners = conflict_winners(o, err);
    if (!winners) return kExitError;
    std::string piped;
    WholeFile file;
    std::string_view text;
    if (!read_patch_file(o.patch, in, piped, file, text, "apply", err)) return kExitError;
    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    const Patch patch = read_patch(text, fields, faults);
    piped = std::string();  // read: only the patch's values are needed now
    file = WholeFile();
    if (!faults.empty()) {
        report_patch_faults("apply", label, faults, err);
        return kExitError;
    }

    // The folder is read under its lock, held to the commit, so that no other
    // write lands between the reading and the write (a dry run reads without).
    FolderLock lock;
    if (!o.dry_run) {
        if (Status e = lock_for_write(ops, o.root, lock); !e.ok()) {
            err << "creatures apply: " << e.fault().followed_by("; nothing was written") << "\n";
            return kExitError;
        }
    }
    Dataset data = load_dataset(o.root);
    const std::map<std::string, std::string> read_files = files_as_read(data);  // what the write checks
    const std::vector<std::string> folder_faults = data_faults(data.folder);
    if (!folder_faults.empty()) {
        err << "creatures apply: " << shown_folder(o.root) << " cannot be used:\n";
        for (const std::string& f : folder_faults) err << "  " << f << "\n";
        return kExitError;
    }
    if (Status mismatch = language_mismatch(patch, fields, data.language); !mismatch.ok()) {
        err << "creatures apply: " << label << ": " << mismatch.message() << "; nothing was written\n";
        return kExitError;
    }
    const std::vector<ReadyChange> changes = prepare_patch(patch, fields, data.language, faults);
    if (!faults.empty()) {
        report_patch_faults("apply", label, faults, err);
        return kExitError;
    }

    std::vector<bool> take;
    Report report = check_changes(data, patch, fields, changes, *winners, take);
    if (Status missing = missing_text_file(data, patch, fields, changes, take); !missing.ok()) {
        err << "creatures apply: " << label << ": " << missing.message() << "; nothing was written\n";
        return kExitError;
    }
    std::array<bool, kDataFileCount> data_changed{};
    LineEdits lines;
    put_afters(data, fields, changes, take, data_changed, lines);

    std::vector<std::string> names;
    const std::vector<PlannedFile> planned = plan_files(data, o.root, read_files, data_changed, lines, names);
    out << report_text(report, names, o.dry_run);  // said whole at once
    out.flush();
    if (report.open > 0) {
        err << "creatures apply: " << counted(report.open, "conflict is", "conflicts are")
            << " open; nothing was written (--patch-wins or --folder-wins settles all of them, --patch-wins-for "
               "and --folder-wins-for those of some creatures)\n";
        return kExitFound;
    }
    if (o.dry_run || planned.empty()) return kExitOk;
    return commit_patch(ops, lock, o.root, given, planned, report.slots, out, err);
}

}  // namespace ce
