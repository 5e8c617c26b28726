// creatures apply: a patch onto a data folder, with a three-way check per field.
#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "cli/history.h"
#include "cli/patch_io.h"
#include "mods/apply.h"
#include "cli/table_text.h"
#include "store/journal.h"
#include "store/quoted_text.h"
#include "text/code_page.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {
namespace {

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

// The slot's name as the report heads its lines: "slot 5 (Shaipon): ".
std::string slot_head(const Dataset& data, int slot) {
    return "slot " + std::to_string(slot) + " (" +
           terminal_text(decode_code_page(data.text(TextKind::Monsters).line(creature_line_number(TextKind::Monsters, slot)), data.language)) + "): ";
}

// A conflict as the report names it.
void add_conflict(Report& r, const Dataset& data, const Field& f, const PatchChange& change, int slot,
                  const std::string& head, const std::string& caption, Outcome o) {
    add_to(r.conflicts, "  ", head, caption, " (", f.key, "): before ", given_value(change.before), ", after ",
           given_value(change.after), ", in the folder ", terminal_text(patch_json_value(f, export_value(data, f, slot))),
           o == Outcome::PatchWins ? "  [the patch wins]" : o == Outcome::FolderWins ? "  [the folder wins]" : "", "\n");
    ++(o == Outcome::Open ? r.open : o == Outcome::PatchWins ? r.to_patch : r.to_folder);
}

// What the apply does, change by change, in the words of the report.
Report report_changes(const Dataset& data, const Patch& patch, const std::vector<Field>& fields,
                      const ApplyPlan& plan) {
    const std::vector<std::string> captions = field_captions(data, fields);
    std::vector<std::string> shown_captions(captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i) shown_captions[i] = terminal_text(captions[i]);
    Report r;
    r.written.reserve(plan.changes.size() * 80);
    int named_slot = -1;
    std::string head;
    for (std::size_t i = 0; i < plan.changes.size(); ++i) {
        const Change& c = plan.changes[i];
        const Outcome o = plan.outcomes[i];
        if (o == Outcome::Nothing || o == Outcome::Already) {
            ++(o == Outcome::Nothing ? r.unchanged : r.already);
            continue;
        }
        if (c.slot != named_slot) head = slot_head(data, named_slot = c.slot);
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const PatchChange& change =
            patch.creatures[static_cast<std::size_t>(c.creature)].changes[static_cast<std::size_t>(c.change)];
        const std::string& caption = shown_captions[static_cast<std::size_t>(c.field)];
        if (o != Outcome::Write) add_conflict(r, data, f, change, c.slot, head, caption, o);
        if (!writes(o)) continue;
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
    ApplyRules rules;
    Result<std::vector<Winner>> winners =
        conflict_winners(o.patch_wins, o.folder_wins, o.patch_wins_for, o.folder_wins_for);
    if (!winners.ok()) {
        err << "creatures apply: " << winners.fault() << "\n";
        return kExitError;
    }
    rules.winners = std::move(*winners);
    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    Patch patch;
    if (Status read = read_patch_from(o.patch, in, fields, patch, faults); !read.ok() || !faults.empty()) {
        if (!read.ok()) err << "creatures apply: " << read.fault() << "\n";
        else report_patch_faults("apply", label, faults, err);
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
    const Dataset data = load_dataset(o.root);
    const std::vector<std::string> folder_faults = data_faults(data.folder);
    if (!folder_faults.empty()) {
        err << "creatures apply: " << shown_folder(o.root) << " cannot be used:\n";
        for (const std::string& f : folder_faults) err << "  " << f << "\n";
        return kExitError;
    }
    const Result<ApplyPlan> plan = apply_patch(data, patch, fields, rules, faults);
    if (!plan.ok()) {
        if (!faults.empty()) report_patch_faults("apply", label, faults, err);
        else err << "creatures apply: " << label << ": " << plan.fault().message() << "; nothing was written\n";
        return kExitError;
    }
    Report report = report_changes(data, patch, fields, *plan);
    std::vector<std::string> names;
    const std::vector<PlannedFile> planned = planned_files(data, *plan, names);
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
