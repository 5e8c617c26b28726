#include "cli/describe.h"

#include <algorithm>
#include <map>

#include "form/catalogue.h"
#include "form/controls.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/show.h"
#include "form/slot_binding.h"
#include "text/code_page.h"
#include "text/language.h"
#include "text/list_sources.h"

namespace ce {
namespace {

// Longer than any text a control of the form holds.
constexpr int kWholeText = 1 << 20;

bool contains(const Control& outer, const Control& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool has_caption_line(int id) { return id >= ctl::kFirstCaption && id < ctl::kFirstCaption + kCaptionLines; }

// The innermost captioned group box around the control, or 0.
int enclosing_box(int id) {
    const auto controls = editor_controls();
    const Control* inner = find_control(controls, id);
    if (!inner) return 0;
    const Control* best = nullptr;
    for (const Control& c : controls) {
        if (c.kind != Kind::GroupBox || c.id == id || !has_caption_line(c.id) || !contains(c, *inner)) continue;
        if (!best || c.w * c.h < best->w * best->h) best = &c;
    }
    return best ? best->id : 0;
}

std::string decoded_line(const Dataset& data, TextKind kind, int k) {
    return decode_code_page(data.text(kind).line(k), data.language);
}

}  // namespace

std::vector<std::string> field_captions(const Dataset& data, const std::vector<Field>& fields) {
    const Captions caps = data.captions();
    std::vector<std::string> out(fields.size());
    std::map<std::pair<int, int>, int> shared;  // (file, caption control) -> fields using it
    for (const Field& f : fields)
        if (f.row && f.row->caption && f.kind != FieldKind::After)
            ++shared[{static_cast<int>(f.row->file), f.row->caption}];
    std::map<std::pair<int, int>, int> seen;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        std::string caption;
        if (f.kind == FieldKind::After && i > 0) {
            out[i] = out[i - 1] + " (bytes after the text)";  // follows its text field
            continue;
        }
        if (!f.row) {
            caption = f.text_kind == TextKind::Monsters ? std::string("Name")
                      : f.text_kind == TextKind::Plural ? caps.caption(ctl::kPluralCaption)
                                                         : caps.caption(ctl::kAbilityCaption);
        } else if (!f.row->caption) {
            caption = "(no control)";
        } else {
            const int id = f.row->caption;
            caption = caps.caption(id);
            if (const int box = enclosing_box(id)) {
                const std::string outer = caps.caption(box);
                if (!outer.empty() && !caption.empty()) caption = outer + ": " + caption;
                else if (caption.empty()) caption = outer;
            }
            const std::pair<int, int> k{static_cast<int>(f.row->file), id};
            if (shared[k] > 1 && !caption.empty()) caption += " #" + std::to_string(++seen[k]);
        }
        out[i] = caption.empty() ? f.key : caption;
    }
    return out;
}

std::string field_place(const Field& field, int slot) {
    if (!field.row) return std::string();  // the caller names the language file
    const BindingRow& row = *field.row;
    std::string place = std::string(data_file(row.file).name) + "@" + std::to_string(element_position(row, slot));
    if (row.kind == Conversion::Bit) place += " bit " + std::to_string(slot & 7);
    return place;
}

void fill_form(Form& form, const Dataset& data) {
    std::string header_format;
    std::vector<std::string> faults;  // the tool reports missing files itself
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
