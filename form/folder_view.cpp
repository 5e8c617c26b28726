#include "form/folder_view.h"

#include "folder/captions.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/show.h"
#include "form/slot_binding.h"
#include "text/code_page.h"

namespace ce {
namespace {

// Longer than any text a control of the form holds.
constexpr int kWholeText = 1 << 20;

std::string decoded_line(const Dataset& data, TextKind kind, int k) {
    return decode_code_page(data.text(kind).line(k), data.language);
}

}  // namespace

void fill_form(Form& form, const Dataset& data) {
    std::string header_format;
    std::vector<Fault> faults;  // the tool reports missing files itself
    apply_language(form, data.folder.root, 0, header_format, faults);
}

void show_in_form(Form& form, const Dataset& data, int slot) {
    // The stored values alone: no header, portrait, language lines or interlocks.
    CreatureSource source;
    for (const DataFileInfo& info : data_files())
        source.files[static_cast<std::size_t>(info.id)] = data.folder.file(info.id).view();
    show_creature_values(form, source, slot);
}

std::string shown_text(const Dataset& data, const Form& form, const Field& field, int slot) {
    if (field.kind == FieldKind::Line) return decoded_line(data, field.text_kind, line_of(field, slot));
    const BindingRow& row = *field.row;
    const Captions caps = data.captions();
    switch (row.kind) {
        case Conversion::Text:
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Float:
        case Conversion::Scaled: return decode_code_page(form.get_text(row.control, kWholeText), data.language);
        case Conversion::Check:
        case Conversion::CheckPair:
        case Conversion::Bit: return form.get_check(row.control) != 0 ? "checked" : "clear";
        case Conversion::FlagWord: {
            std::string shown;
            for (int id = row.control; id <= row.control2; ++id) {
                if (form.get_check(id) == 0) continue;
                if (!shown.empty()) shown += ", ";
                std::string c = caps.caption(id);
                shown += c.empty() ? "box " + std::to_string(id) : c;
            }
            return shown.empty() ? "(none checked)" : shown;
        }
        case Conversion::Radio: {
            for (int id = row.control; id <= row.control2; ++id) {
                if (form.get_check(id) == 0) continue;
                std::string c = caps.caption(id);
                return c.empty() ? "button " + std::to_string(id) : c;
            }
            return "(no button checked)";
        }
        case Conversion::List: {
            const int selected = form.selected_item(row.control);
            auto entry = selected < 0 ? std::nullopt : form.item_text(row.control, selected);
            return entry ? decode_code_page(*entry, data.language) : "(no entry)";
        }
        case Conversion::None: return "(not shown)";
    }
    return {};
}

}  // namespace ce
