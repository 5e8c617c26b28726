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
    return is_json_table(options.file, text);
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

// What the suspect changes make of the import.
enum class Held { None, Waiting, Accepted, Dropped };

constexpr std::size_t kSuspectsShownPerColumn = 20;

std::string change_line(const FieldChange& c, const Field& f, const std::string& caption, int language) {
    std::string line = "slot " + std::to_string(c.slot) + ": " + f.key + " (" + terminal_text(caption) +
                       "): " + shown_value(f, stored_text(f, c.before, language)) + " -> " +
                       shown_value(f, stored_text(f, c.after, language));
    if (!c.note.empty()) line += " (" + c.note + ")";
    return line;
}

// A suspect change's mark: held back (!), left out (-) or written (+).
char suspect_mark(const FieldChange& c, Held fate) {
    if (c.accepted || fate == Held::Accepted) return '+';
    return fate == Held::Dropped ? '-' : '!';
}

// The column a change counts in: the bytes after a text count with the text.
int column_of(const std::vector<Field>& fields, const FieldChange& c) {
    return fields[static_cast<std::size_t>(c.field)].kind == FieldKind::After ? c.field - 1 : c.field;
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

// One line of advice for the classes the suspect changes hold, classes of one
// advice together: "  formula, number: open the CSV with every column ...".
std::string suspect_advice_lines(const ImportPlan& plan) {
    std::array<bool, kSuspectClasses + 1> seen{};
    for (const FieldChange& c : plan.changes) seen[static_cast<std::size_t>(c.suspect)] = true;
    std::vector<std::pair<const char*, std::string>> advice;  // in the order of the classes
    for (int i = 1; i <= kSuspectClasses; ++i) {
        if (!seen[static_cast<std::size_t>(i)]) continue;
        const auto s = static_cast<Suspect>(i);
        auto same = std::find_if(advice.begin(), advice.end(),
                                 [&](const auto& a) { return std::string_view(a.first) == suspect_advice(s); });
        if (same == advice.end()) advice.emplace_back(suspect_advice(s), suspect_name(s));
        else same->second += std::string(", ") + suspect_name(s);
    }
    std::string out;
    for (const auto& [text, names] : advice) out += "  " + names + ": " + text + "\n";
    return out;
}

// The suspect changes first, each marked, the first few of each column, with
// the flag that writes it; then their count by column and the advice.
std::string suspect_section(const Dataset& data, const std::vector<Field>& fields,
                            const std::vector<std::string>& captions, const ImportPlan& plan, Held fate) {
    const char* title = fate == Held::Accepted  ? "suspect, accepted: changes that look like a program's reformatting"
                        : fate == Held::Dropped ? "left out: changes that look like a program's reformatting"
                                                : "held back: changes that look like a program's reformatting "
                                                  "rather than an edit";
    std::map<int, std::size_t> listed;
    std::size_t total = 0, unlisted = 0;
    std::string lines;
    for (const FieldChange& c : plan.changes) {
        if (c.suspect == Suspect::None) continue;
        ++total;
        if (listed[column_of(fields, c)]++ >= kSuspectsShownPerColumn) {
            ++unlisted;
            continue;
        }
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        lines += std::string(1, suspect_mark(c, fate)) + " " +
                 change_line(c, f, captions[static_cast<std::size_t>(c.field)], data.language) + " [" +
                 suspect_text(c.suspect) + (c.accepted ? "; accepted" : "; --accept-suspect-for ") +
                 (c.accepted ? "" : suspect_name(c.suspect)) + "]\n";
    }
    if (unlisted > 0)
        lines += "  ... and " + std::to_string(unlisted) + " more (the first " +
                 std::to_string(kSuspectsShownPerColumn) + " of each column are listed)\n";
    return std::string(title) + " (" + std::to_string(total) + "):\n" + lines + "by column:\n" +
           suspect_counts(fields, captions, plan) + "to keep a spreadsheet from doing it:\n" +
           suspect_advice_lines(plan);
}

// What changed, slot by slot, in slot and field order: the suspect changes
// first, then the others (marked "+" when there are suspect ones); counts the
// slots of what is written.
std::string change_lines(const Dataset& data, const std::vector<Field>& fields, const ImportPlan& plan, Held fate,
                         std::size_t& slot_count) {
    const std::vector<std::string> captions = field_captions(data, fields);
    const bool any_suspect = std::any_of(plan.changes.begin(), plan.changes.end(),
                                         [](const FieldChange& c) { return c.suspect != Suspect::None; });
    std::string report, others;
    others.reserve(plan.changes.size() * 80);
    std::vector<bool> changed_slot(kSlots, false);
    slot_count = 0;
    std::size_t other_count = 0;
    for (const FieldChange& c : plan.changes) {
        if (plan.writes(c) && !changed_slot[static_cast<std::size_t>(c.slot)]) {
            changed_slot[static_cast<std::size_t>(c.slot)] = true;
            ++slot_count;
        }
        if (c.suspect != Suspect::None) continue;
        ++other_count;
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        if (any_suspect) others += "+ ";
        others += change_line(c, f, captions[static_cast<std::size_t>(c.field)], data.language) + "\n";
    }
    if (!any_suspect) return others;
    report = suspect_section(data, fields, captions, plan, fate);
    if (other_count > 0)
        report += (fate == Held::Waiting ? "to be written once the held changes are settled ("
                                         : "to be written with them (") +
                  std::to_string(other_count) + "):\n" + others;
    return report;
}

// The closing line of the report: how much changed and what is (or would be) written.
std::string summary_line(const ImportPlan& plan, std::size_t slot_count, Held fate, bool dry_run) {
    const std::size_t changed = plan.written_count();
    std::string report = std::to_string(changed) + (changed == 1 ? " field" : " fields") + " changed in " +
                         std::to_string(slot_count) + (slot_count == 1 ? " slot" : " slots");
    const std::size_t suspect = static_cast<std::size_t>(std::count_if(
        plan.changes.begin(), plan.changes.end(), [](const FieldChange& c) { return c.suspect != Suspect::None; }));
    const std::string n = std::to_string(plan.held);
    switch (fate) {
        case Held::None: break;
        case Held::Waiting:
            return report + "; " + n + " of them held back as suspect (--accept-suspect writes them too, "
                   "--drop-suspect writes the others); " + (dry_run ? "dry run: " : "") + "nothing written\n";
        case Held::Accepted: report += ", " + std::to_string(suspect) + " of them suspect and accepted"; break;
        case Held::Dropped:
            report += "; " + n + (plan.held == 1 ? " suspect change" : " suspect changes") + " left out";
            break;
    }
    const std::vector<ImportFile>& writes = plan.files;
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

// The choices the options make; a name --accept-suspect-for does not know is a fault.
Result<ImportChoices> choices_of(const ImportOptions& options, const std::vector<Field>& fields) {
    ImportChoices choices;
    choices.class_changes = options.class_changes;
    choices.suspects = options.accept_suspect ? SuspectChoice::Accept
                       : options.drop_suspect ? SuspectChoice::Drop
                                              : SuspectChoice::Hold;
    for (const std::string& name : options.accept_suspect_for) {
        if (const Suspect s = suspect_named(name); s != Suspect::None) {
            choices.accept_classes.push_back(s);
            continue;
        }
        const auto f = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.key == name; });
        if (f == fields.end()) {
            std::string classes;
            for (int i = 1; i <= kSuspectClasses; ++i)
                classes += std::string(i > 1 ? ", " : "") + suspect_name(static_cast<Suspect>(i));
            return Fault(FaultKind::invalid, "",
                         "--accept-suspect-for: " + quoted_piece(name) + " is neither a class (" + classes +
                             ") nor a key");
        }
        choices.accept_fields.push_back(static_cast<int>(f - fields.begin()));
    }
    return choices;
}

// The report on standard output: the language note, the changes, the suspect
// ones apart, and the closing line.
std::string import_report(const ImportTable& table, const Dataset& data, const std::vector<Field>& fields,
                          const ImportPlan& plan, Held fate, bool dry_run) {
    std::size_t slot_count = 0;
    std::string report = language_note(table, data, fields);
    report += change_lines(data, fields, plan, fate, slot_count);
    return report + summary_line(plan, slot_count, fate, dry_run);
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
    const Result<ImportChoices> choices = choices_of(options, fields);
    if (!choices.ok()) {
        err << "creatures import: " << choices.fault() << "\n";
        return kExitError;
    }
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
    const ImportPlan plan = plan_import(table, std::move(faults), data, fields, *choices);
    if (!plan.faults.empty()) {
        report_faults(label, plan.faults, err);
        return kExitError;
    }
    const std::size_t held = plan.held;
    const bool accepted = std::any_of(plan.changes.begin(), plan.changes.end(),
                                      [](const FieldChange& c) { return c.accepted; });
    const Held fate = held == 0                ? (accepted ? Held::Accepted : Held::None)
                      : options.accept_suspect ? Held::Accepted
                      : options.drop_suspect   ? Held::Dropped
                                               : Held::Waiting;
    out << import_report(table, data, fields, plan, fate, options.dry_run);
    out.flush();
    if (fate == Held::Waiting && !options.dry_run) {
        err << "creatures import: " << held << (held == 1 ? " change looks" : " changes look")
            << " like a program's reformatting rather than an edit; nothing was written (--accept-suspect "
               "writes them too, --accept-suspect-for CLASS or KEY those of a class or a column, --drop-suspect "
               "the others)\n";
        return kExitHeld;
    }
    if (options.dry_run || plan.files.empty() || fate == Held::Waiting) return kExitOk;
    return write_import(options, ops, lock, read_files, plan, out, err);
}

}  // namespace ce
