// creatures export: stored values of the chosen slots and fields as JSON or CSV.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "tables/export_table.h"

namespace ce {
namespace {

// Missing language files are read as empty; say so once, as the editor would.
void warn_missing_texts(const Dataset& data, const std::vector<const Field*>& fields, std::ostream& err) {
    bool warned[5] = {};
    for (const Field* f : fields) {
        if (f->kind != FieldKind::Line) continue;
        const LanguageText& t = data.text(f->text_kind);
        auto k = static_cast<std::size_t>(f->text_kind);
        if (!t.present && !warned[k]) {
            err << "creatures: " << t.fault.message() << "; its texts are exported empty\n";
            warned[k] = true;
        }
    }
}

// The slots that --slots names (all when empty); nothing after an error message.
std::optional<std::vector<int>> chosen_slots(const ExportOptions& options, std::ostream& err) {
    if (options.slots.empty()) {
        std::vector<int> slots;
        for (int s = 0; s < kSlots; ++s) slots.push_back(s);
        return slots;
    }
    Result<std::vector<int>> chosen = parse_slots(options.slots);
    if (chosen.ok()) return std::move(*chosen);
    err << "creatures export: --slots: " << chosen.fault() << "\n";
    return std::nullopt;
}

// The fields that --fields names (all when empty); nothing after an error message.
std::optional<std::vector<const Field*>> chosen_fields(const std::vector<Field>& all, const ExportOptions& options,
                                                       std::ostream& err) {
    std::vector<const Field*> fields;
    if (options.fields.empty()) {
        for (const Field& f : all) fields.push_back(&f);
        return fields;
    }
    const Result<std::vector<int>> chosen = select_fields(all, options.fields);
    if (!chosen.ok()) {
        err << "creatures export: --fields: " << chosen.fault() << "\n";
        return std::nullopt;
    }
    for (int i : *chosen) fields.push_back(&all[static_cast<std::size_t>(i)]);
    return fields;
}

// The folder's data, or nothing after saying why it cannot be read.
std::optional<Dataset> readable_dataset(const std::string& root, std::ostream& err) {
    if (Status problem = folder_problem(root); !problem.ok()) {
        err << "creatures export: " << problem.message() << "\n";
        return std::nullopt;
    }
    Dataset data = load_dataset(root);
    const std::vector<std::string> faults = data_faults(data.folder);
    if (faults.empty()) return data;
    err << "creatures export: " << folder_label(root) << " cannot be read:\n";
    for (const std::string& f : faults) err << "  " << f << "\n";
    return std::nullopt;
}

}  // namespace

int run_export(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    const std::vector<Field> all = make_fields(true);
    const std::optional<std::vector<int>> slots = chosen_slots(options, err);
    if (!slots) return kExitError;
    std::optional<std::vector<const Field*>> fields = chosen_fields(all, options, err);
    if (!fields) return kExitError;
    const std::optional<Dataset> data = readable_dataset(options.root, err);
    if (!data) return kExitError;
    warn_missing_texts(*data, *fields, err);
    const std::string text = options.format == "csv"
                                 ? csv_table(*data, all, csv_columns(*data, *fields, *slots), *slots,
                                             {.bom = options.bom, .captions = options.captions})
                                 : json_table(*data, *fields, *slots);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return kExitOk;
}

}  // namespace ce
