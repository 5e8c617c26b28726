#include "cli/describe.h"

#include <algorithm>
#include <map>

#include "text/code_page.h"
#include "form/catalogue.h"
#include "store/float_text.h"
#include "text/language.h"

namespace ce {
namespace {

// Options of lists 305..316 and the Common line of each list's first option.
constexpr int kOptionCounts[12] = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3};
constexpr int kFirstOptionLine = 133;
constexpr int kSharedOptionsLine = 213;  // lists 320..322

int first_option_line(int list) {
    int line = kFirstOptionLine;
    for (int id = 305; id < list; ++id) line += kOptionCounts[id - 305];
    return line;
}

bool contains(const Control& outer, const Control& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool has_caption_line(int id) { return id >= 2000 && id <= 2132; }

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

std::string number_text(std::int64_t value, bool show_signed) {
    const auto v = static_cast<std::uint32_t>(value);
    return show_signed ? std::to_string(static_cast<std::int32_t>(v)) : std::to_string(v);
}

}  // namespace

std::vector<std::string> field_captions(const Dataset& data, const std::vector<Field>& fields) {
    const Captions caps = data.captions();
    std::vector<std::string> out(fields.size());
    std::map<std::pair<int, int>, int> shared;  // (file, caption control) -> fields using it
    for (const Field& f : fields)
        if (f.row && f.row->caption) ++shared[{static_cast<int>(f.row->file), f.row->caption}];
    std::map<std::pair<int, int>, int> seen;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        std::string caption;
        if (!f.row) {
            caption = f.text_kind == TextKind::Monsters ? std::string("Name")
                      : f.text_kind == TextKind::Plural ? caps.caption(2102)
                                                         : caps.caption(2103);
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

int list_entry_count(const Dataset& data, int list) {
    const int n = std::max(data.text(TextKind::Monsters).line_count() - 1, 1);
    const int s = std::max(data.text(TextKind::Spells).line_count(), 1);
    if (list >= 305 && list <= 316) return kOptionCounts[list - 305];
    switch (list) {
        case 300:
        case 302: return n;
        case 301:
        case 323: return n + 1;
        case 303: return s;
        case 317:
        case 318:
        case 319: return s + 1;
        case 320:
        case 321:
        case 322: return 4;
        default: return 0;
    }
}

std::optional<std::string> list_entry(const Dataset& data, int list, int position) {
    if (position < 0 || position >= list_entry_count(data, list)) return std::nullopt;
    if (list >= 305 && list <= 316) return decoded_line(data, TextKind::Common, first_option_line(list) + position);
    switch (list) {
        case 302: return decode_code_page(numbered_entry(position, data.text(TextKind::Monsters).line(position + 1)), data.language);
        case 301:
        case 323:
            if (position == 0) return decoded_line(data, TextKind::Monsters, 0);
            return decode_code_page(numbered_entry(position - 1, data.text(TextKind::Monsters).line(position)), data.language);
        case 303: return decode_code_page(numbered_entry(position, data.text(TextKind::Spells).line(position)), data.language);
        case 317:
        case 318:
        case 319:
            if (position == 0) return decoded_line(data, TextKind::Monsters, 0);
            return decode_code_page(numbered_entry(position - 1, data.text(TextKind::Spells).line(position - 1)), data.language);
        case 320:
        case 321:
        case 322: return decoded_line(data, TextKind::Common, kSharedOptionsLine + position);
        default: return std::nullopt;
    }
}

std::int64_t list_position(const Dataset& data, const Field& field, int slot) {
    const BindingRow& row = *field.row;
    return read_int(row, data.folder.file(row.file).view(), slot) + row.shift;
}

std::string shown_text(const Dataset& data, const Field& field, int slot) {
    if (field.kind == FieldKind::Line) return decoded_line(data, field.text_kind, line_of(field, slot));
    const BindingRow& row = *field.row;
    const auto bytes = data.folder.file(row.file).view();
    const std::int64_t value = read_int(row, bytes, slot);
    const Captions caps = data.captions();
    switch (row.kind) {
        case Conversion::Text: {
            // The editor shows up to the first zero, past the field when it has none
            // (but never past the file's own bytes and the zeros after them).
            return decode_code_page(read_text(row, bytes, slot), data.language);
        }
        case Conversion::Number: return number_text(value, row.show_signed);
        case Conversion::NumberPlusOne: return number_text(value + 1, true);
        case Conversion::Check:
        case Conversion::CheckPair:
        case Conversion::Bit: return value != 0 ? "checked" : "clear";
        case Conversion::FlagWord: {
            std::string shown;
            for (int k = 0; k < 32; ++k) {
                if (!((static_cast<std::uint64_t>(value) >> k) & 1)) continue;
                if (!shown.empty()) shown += ", ";
                std::string c = caps.caption(row.control + k);
                shown += c.empty() ? "box " + std::to_string(row.control + k) : c;
            }
            return shown.empty() ? "(none checked)" : shown;
        }
        case Conversion::Radio: {
            if (value < -1 || value > 8) return "(no button checked)";
            const int id = row.control + 1 + static_cast<int>(value);
            std::string c = caps.caption(id);
            return c.empty() ? "button " + std::to_string(id) : c;
        }
        case Conversion::List: {
            const std::int64_t position = value + row.shift;
            if (position < 0 || position > 1000000) return "(no entry)";
            auto entry = list_entry(data, row.control, static_cast<int>(position));
            return entry ? *entry : "(no entry)";
        }
        case Conversion::Float: return float_text(read_float(row, bytes, slot));
        case Conversion::Scaled: return scaled_text(static_cast<std::int32_t>(value), row.scale);
        case Conversion::None: return "(not shown)";
    }
    return {};
}

}  // namespace ce
