// creatures show: one creature as a person reads it.
#include <ostream>

#include "cli/commands.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "cli/table_text.h"
#include "store/value_text.h"
#include "form/memory_form.h"

namespace ce {

int run_show(const ShowOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<int> slot = parse_slot(options.slot);
    if (!slot) {
        err << "creatures show: " << slot_fault(quote_text(options.slot)) << "\n";
        return kExitError;
    }
    const int s = *slot;
    if (Status problem = folder_problem(options.root); !problem.ok()) {
        err << "creatures show: " << problem.message() << "\n";
        return kExitError;
    }
    const Dataset data = load_dataset(options.root);
    const std::vector<std::string> faults = data_faults(data.folder);
    if (!faults.empty()) {
        err << "creatures show: " << folder_label(options.root) << " cannot be read:\n";
        for (const std::string& f : faults) err << "  " << f << "\n";
        return kExitError;
    }
    warn_unread_texts(data, "show", err);

    const std::vector<Field> fields = make_fields();
    const std::vector<std::string> captions = field_captions(data, fields);
    const Captions caps = data.captions();
    MemoryForm form;
    fill_form(form, data);
    show_in_form(form, data, s);

    std::vector<std::vector<std::string>> rows;
    rows.push_back({"Caption", "Key", "Place", "Stored", "Shown"});
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        std::string place = f.row ? field_place(f, s)
                                  : data.text(f.text_kind).name + " line " + std::to_string(line_of(f, s));
        std::string stored = export_value(data, f, s);
        if (is_text_field(f)) stored = quote_text(stored);
        // A line shows as it is stored: print it once. Captions and shown
        // texts come from the folder's files: no control character of theirs
        // reaches the terminal.
        rows.push_back({terminal_text(captions[i]), f.key, place, stored,
                        f.kind == FieldKind::Line ? std::string() : terminal_text(shown_text(data, form, f, s))});
        if (f.row && f.row->kind == Conversion::FlagWord) {
            // One line per check box: the word's bits as the boxes show them.
            const auto word = static_cast<std::uint64_t>(read_int(*f.row, data.folder.file(f.row->file).view(), s));
            for (int k = 0; k < 32; ++k) {
                const int id = f.row->control + k;
                std::string c = caps.caption(id);
                if (c.empty()) c = "box " + std::to_string(id);
                const bool set = (word >> k) & 1;
                rows.push_back({"  " + terminal_text(c), "", "  bit " + std::to_string(k), set ? "1" : "0", set ? "checked" : "clear"});
            }
        }
    }
    const std::string name = terminal_text(export_value(data, fields[0], s));
    out << "Slot " << s << ": " << name << " (" << language_name(data.language) << " texts; "
        << folder_label(options.root) << ")\n";
    out << format_table(rows);
    return kExitOk;
}

}  // namespace ce
