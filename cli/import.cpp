// creatures import: applies an export to a data folder. Every value is checked
// before anything is written; the changed files are replaced safely.
#include <algorithm>
#include <array>
#include <iostream>
#include <map>
#include <sstream>

#include "text/code_page.h"
#include "cli/commands.h"
#include "tables/csv.h"
#include "store/quoted_text.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "folder/field_value.h"
#include "folder/commit.h"
#include "tables/import_plan.h"
#include "tables/import_suspect.h"
#include "cli/standard_input.h"
#include "tables/import_table.h"
#include "cli/table_text.h"
#include "store/value_text.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

constexpr std::size_t kFaultsShown = 25;

bool is_json(const ImportOptions& options, std::string_view text) {
    if (!options.format.empty()) return options.format == "json";
    std::string lower;
    for (char c : options.file) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.ends_with(".json")) return true;
    if (lower.ends_with(".csv")) return false;
    text = without_bom(text);
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

std::string shown_value(const Field& f, const std::string& value) {
    if (is_text_field(f)) return quote_text(value);
    return value;
}

// The faults that keep the import from writing anything, on err.
void report_faults(const std::string& label, const FaultList& faults, std::ostream& err) {
    const std::size_t n = faults.size();
    const std::size_t shown = std::min(kFaultsShown, faults.kept().size());
    for (std::size_t i = 0; i < shown; ++i)
        err << "creatures import: " << label << ": " << faults.kept()[i] << "\n";
    if (n > shown) err << "creatures import: " << label << ": ... and " << (n - shown) << " more\n";
    err << "creatures import: " << n << (n == 1 ? " fault" : " faults") << "; nothing was written\n";
}

std::string change_line(const FieldChange& c, const Field& f, const std::string& caption, int language) {
    std::string line = "slot " + std::to_string(c.slot) + ": " + f.key + " (" + terminal_text(caption) +
                       "): " + shown_value(f, stored_text(f, c.before, language)) + " -> " +
                       shown_value(f, stored_text(f, c.after, language));
    if (!c.note.empty()) line += " (" + c.note + ")";
    if (c.suspect != Suspect::None) line += " [" + std::string(suspect_text(c.suspect)) + "]";
    return line + "\n";
}

// The suspect changes per column, by class, so that a bulk change stands out:
// "  MonstersSetup.vrh@169000[7] (Scale): 326 (326 floats of the column rounded to fewer digits)".
std::string suspect_counts(const std::vector<Field>& fields, const std::vector<std::string>& captions,
                           const ImportPlan& plan) {
    std::map<int, std::map<Suspect, std::size_t>> counts;
    for (const FieldChange& c : plan.changes)
        if (c.suspect != Suspect::None && fields[static_cast<std::size_t>(c.field)].kind != FieldKind::After)
            ++counts[c.field][c.suspect];
    std::string out;
    for (const auto& [field, classes] : counts) {
        std::size_t total = 0;
        std::string parts;
        for (const auto& [what, n] : classes) {
            total += n;
            parts += (parts.empty() ? "" : ", ") + std::to_string(n) + " " + suspect_text(what);
        }
        const std::size_t f = static_cast<std::size_t>(field);
        out += "  " + fields[f].key + " (" + terminal_text(captions[f]) + "): " + std::to_string(total) + " (" + parts +
               ")\n";
    }
    return out;
}

// What changed, slot by slot, in slot and field order, the suspect changes
// apart under `suspect_title`; counts the slots of what is written.
std::string change_lines(const Dataset& data, const std::vector<Field>& fields, const ImportPlan& plan,
                         const std::string& suspect_title, std::size_t& slot_count) {
    const std::vector<std::string> captions = field_captions(data, fields);
    std::string report, suspects;
    report.reserve(plan.changes.size() * 80);
    std::vector<bool> changed_slot(kSlots, false);
    slot_count = 0;
    for (const FieldChange& c : plan.changes) {
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const std::string line = change_line(c, f, captions[static_cast<std::size_t>(c.field)], data.language);
        if (c.suspect != Suspect::None) suspects += line;
        else report += line;
        if (plan.writes(c) && !changed_slot[static_cast<std::size_t>(c.slot)]) {
            changed_slot[static_cast<std::size_t>(c.slot)] = true;
            ++slot_count;
        }
    }
    if (plan.held > 0)
        report += suspect_title + " (" + std::to_string(plan.held) + "):\n" + suspects + "by column:\n" +
                  suspect_counts(fields, captions, plan);
    return report;
}

// What the suspect changes make of the import.
enum class Held { None, Waiting, Accepted, Dropped };

// The closing line of the report: how much changed and what is (or would be) written.
std::string summary_line(std::size_t changed, std::size_t slot_count, std::size_t held, Held fate,
                         const std::vector<ImportFile>& writes, bool dry_run) {
    std::string report = std::to_string(changed) + (changed == 1 ? " field" : " fields") + " changed in " +
                         std::to_string(slot_count) + (slot_count == 1 ? " slot" : " slots");
    const std::string n = std::to_string(held);
    switch (fate) {
        case Held::None: break;
        case Held::Waiting:
            return report + "; " + n + " of them held back as suspect (--accept-suspect writes them too, "
                   "--drop-suspect writes the others); " + (dry_run ? "dry run: " : "") + "nothing written\n";
        case Held::Accepted: report += ", " + n + " of them suspect and accepted"; break;
        case Held::Dropped: report += "; " + n + (held == 1 ? " suspect change" : " suspect changes") + " left out"; break;
    }
    if (writes.empty()) {
        report += "; nothing to write\n";
    } else {
        report += dry_run ? "; would write " : "; writing ";
        for (std::size_t i = 0; i < writes.size(); ++i) report += (i ? ", " : "") + writes[i].name;
        report += dry_run ? " (dry run: nothing written)\n" : "\n";
    }
    return report;
}

// Writes the import as one write of the folder (all of these files or none),
// checking that each file still holds what was read; then the report's fate.
int write_import(const ImportOptions& options, FileOps& ops, FolderLock& lock,
                 const std::map<std::string, std::string>& read_files, const ImportPlan& plan, std::ostream& out,
                 std::ostream& err) {
    std::vector<PlannedFile> planned;
    for (const ImportFile& w : plan.files) {
        const auto read = read_files.find(w.path);
        planned.push_back({folder_relative_name(options.root, w.path),
                           read == read_files.end() ? std::nullopt : std::optional<std::string>(read->second), w.bytes});
    }
    std::vector<int> slots;
    for (const FieldChange& c : plan.changes)
        if (plan.writes(c)) slots.push_back(c.slot);
    if (const Result<Committed> r = commit_import(options.root, ops, planned, std::move(slots), lock); !r.ok()) {
        err << "creatures import: " << r.fault() << "\n";
        return kExitError;
    }
    if (!out) {
        // The files are written; only the report is lost. Say so, and exit as a
        // successful import: a script must not take the folder for unchanged.
        std::string names;
        for (const ImportFile& w : plan.files) names += (names.empty() ? "" : ", ") + w.name;
        err << "creatures import: the report could not be written to standard output, but the import is "
               "done: wrote "
            << names << "\n";
        mark_output_failure_reported(out);
    }
    return kExitOk;
}

// A file whose texts are in the other language than the folder's current one
// writes them into the files of its own language (the numbers are the same in
// both): said first, so that nobody takes the report for the folder's texts.
std::string language_note(const ImportTable& table, const Dataset& data, const std::vector<Field>& fields) {
    if (!table.language || *table.language == data.folder.language) return {};
    const bool texts = std::any_of(table.entries.begin(), table.entries.end(), [&](const ImportEntry& e) {
        return std::any_of(e.cells.begin(), e.cells.end(), [&](const ImportCell& c) {
            return fields[static_cast<std::size_t>(c.field)].kind == FieldKind::Line;
        });
    });
    if (!texts) return {};
    const std::string language = language_name(*table.language);
    return "the file's texts are " + language + " and the folder's language is " +
           language_name(data.folder.language) + ": its names, plurals and abilities are compared with and written "
           "to the " + language + " files\n";
}

// The folder, read under its lock, held to the commit, so that no other
// write lands between the reading and the write (a dry run reads without).
Status load_folder(const ImportOptions& options, FileOps& ops, const ImportTable& table, FolderLock& lock,
                   Dataset& data) {
    if (!options.dry_run) {
        if (Status e = lock_for_write(ops, options.root, lock); !e.ok())
            return e.fault().followed_by("; nothing was written");
    }
    data = load_dataset(options.root, table.language.value_or(-1));
    const std::vector<std::string> folder_faults = data_faults(data.folder);
    if (folder_faults.empty()) return {};
    std::string why = folder_label(options.root) + " cannot be used:";
    for (const std::string& f : folder_faults) why += "\n  " + f;
    return Fault(FaultKind::invalid, "", why);
}

ImportChoices choices_of(const ImportOptions& options) {
    ImportChoices choices;
    choices.class_changes = options.class_changes;
    choices.suspects = options.accept_suspect ? SuspectChoice::Accept
                       : options.drop_suspect ? SuspectChoice::Drop
                                              : SuspectChoice::Hold;
    return choices;
}

// The report on standard output: the language note, the changes, the suspect
// ones apart, and the closing line.
std::string import_report(const ImportTable& table, const Dataset& data, const std::vector<Field>& fields,
                          const ImportPlan& plan, Held fate, bool dry_run) {
    const char* title = fate == Held::Accepted  ? "suspect, accepted: changes that look like a program's reformatting"
                        : fate == Held::Dropped ? "left out: changes that look like a program's reformatting"
                                                : "held back: changes that look like a program's reformatting "
                                                  "rather than an edit";
    std::size_t slot_count = 0;
    std::string report = language_note(table, data, fields);
    report += change_lines(data, fields, plan, title, slot_count);
    return report + summary_line(plan.written_count(), slot_count, plan.held, fate, plan.files, dry_run);
}

}  // namespace

int run_import(const ImportOptions& options, FileOps& ops, std::istream& in, std::ostream& out,
               std::ostream& err) {
    const std::string label = options.file == "-" ? std::string("standard input") : options.file;
    std::string piped;
    WholeFile file;
    std::string_view text;
    Status read = folder_problem(options.root);
    if (read.ok()) read = read_named_input(options.file, in, piped, file, text);
    if (!read.ok()) {
        err << "creatures import: " << read.fault() << "\n";
        return kExitError;
    }
    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    const ImportTable table =
        is_json(options, text) ? read_json_table(text, fields, faults) : read_csv_table(text, fields, faults);
    FolderLock lock;
    Dataset data;
    if (Status loaded = load_folder(options, ops, table, lock, data); !loaded.ok()) {
        err << "creatures import: " << loaded.fault() << "\n";
        return kExitError;
    }
    const std::map<std::string, std::string> read_files = files_as_read(data);  // what the write checks
    const ImportPlan plan = plan_import(table, std::move(faults), data, fields, choices_of(options));
    if (!plan.faults.empty()) {
        report_faults(label, plan.faults, err);
        return kExitError;
    }
    const std::size_t held = plan.held;
    const Held fate = held == 0                ? Held::None
                      : options.accept_suspect ? Held::Accepted
                      : options.drop_suspect   ? Held::Dropped
                                               : Held::Waiting;
    out << import_report(table, data, fields, plan, fate, options.dry_run);
    out.flush();
    if (fate == Held::Waiting && !options.dry_run) {
        err << "creatures import: " << held << (held == 1 ? " change looks" : " changes look")
            << " like a program's reformatting rather than an edit; nothing was written (--accept-suspect "
               "writes them too, --drop-suspect writes the others)\n";
        return kExitError;
    }
    if (options.dry_run || plan.files.empty() || fate == Held::Waiting) return kExitOk;
    return write_import(options, ops, lock, read_files, plan, out, err);
}

}  // namespace ce
