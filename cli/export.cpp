// creatures export: stored values of the chosen slots and fields as JSON or CSV.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tables/csv.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "tables/import_table.h"

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

void append_csv(std::string& text, const Dataset& data, const std::vector<Field>& all,
                const std::vector<const Field*>& fields, const std::vector<int>& slots, const ExportOptions& options) {
    if (options.bom) text += kUtf8Bom;
    // The slot column's header names the texts' language: "slot (English)".
    std::vector<std::string> record{slot_header(data.language)};
    for (const Field* f : fields) record.push_back(f->key);
    append_csv_record(text, record);
    if (options.captions) {
        const std::vector<std::string> captions = field_captions(data, all);
        record.assign(1, kCaptionsMarker);
        for (const Field* f : fields) record.push_back(captions[static_cast<std::size_t>(f - all.data())]);
        append_csv_record(text, record);
    }
    for (int slot : slots) {
        record.assign(1, std::to_string(slot));
        for (const Field* f : fields) record.push_back(export_value(data, *f, slot));
        append_csv_record(text, record);
    }
}

void append_json(std::string& text, const Dataset& data, const std::vector<const Field*>& fields,
                 const std::vector<int>& slots) {
    std::vector<std::string> keys;
    for (const Field* f : fields) keys.push_back("      " + quote_text(f->key) + ": ");
    text += "{\n  \"language\": ";
    text += quote_text(language_name(data.language));
    text += ",\n  \"creatures\": [";
    bool first_slot = true;
    for (int slot : slots) {
        text += first_slot ? "\n    {\n      \"slot\": " : ",\n    {\n      \"slot\": ";
        first_slot = false;
        text += std::to_string(slot);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->kind == FieldKind::After && bytes_after_text(data, *fields[i], slot).empty())
                continue;  // only where the bytes after the text are not all zero
            text += ",\n";
            text += keys[i];
            const std::string value = export_value(data, *fields[i], slot);
            if (is_text_field(*fields[i]) ||
                (fields[i]->kind == FieldKind::Float && (value[0] == 'n' || value.back() == 'f')))
                text += quote_text(value);  // texts, and NaN and infinities, which JSON has no numbers for
            else
                text += value;
        }
        text += "\n    }";
    }
    text += slots.empty() ? "]\n}\n" : "\n  ]\n}\n";
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
    // The bytes after a text's zero are all zero in an ordinary folder: their
    // columns appear only when some slot holds other bytes there.
    std::erase_if(*fields, [&](const Field* f) {
        if (f->kind != FieldKind::After || options.format != "csv") return false;
        for (int slot : *slots)
            if (!bytes_after_text(*data, *f, slot).empty()) return false;
        return true;
    });

    std::string text;
    text.reserve(slots->size() * fields->size() * 32 + 256);
    if (options.format == "csv")
        append_csv(text, *data, all, *fields, *slots, options);
    else
        append_json(text, *data, *fields, *slots);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return kExitOk;
}

}  // namespace ce
