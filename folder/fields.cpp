#include "folder/fields.h"

#include <algorithm>

#include "store/value_text.h"
#include "store/layouts.h"

namespace ce {
namespace {

std::string array_key(const BindingRow& row) {
    return std::string(data_file(row.file).name) + "@" + std::to_string(row.offset);
}

bool is_record(const BindingRow& row) {
    int same = 0;
    for (const BindingRow& r : binding_rows(row.file))
        if (r.offset == row.offset) ++same;
    return same > 1;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::vector<Field> make_fields(bool text_tails) {
    std::vector<Field> fields;
    fields.push_back({"name", FieldKind::Line, nullptr, TextKind::Monsters, 0, 0});
    fields.push_back({"plural", FieldKind::Line, nullptr, TextKind::Plural, 0, 0});
    fields.push_back({"ability", FieldKind::Line, nullptr, TextKind::Ability, 0, 0});
    for (const DataFileInfo& info : data_files()) {
        for (const BindingRow& row : binding_rows(info.id)) {
            Field f;
            f.row = &row;
            f.key = array_key(row);
            if (is_record(row)) {
                f.key += '[';
                f.key += std::to_string(row.element);
                f.key += ']';
            }
            if (row.kind == Conversion::Text) {
                f.kind = FieldKind::Text;
            } else if (row.kind == Conversion::Float) {
                f.kind = FieldKind::Float;
            } else {
                f.kind = FieldKind::Integer;
                const ValueRange range = element_range(row);
                f.min = range.min;
                f.max = range.max;
            }
            const bool text = f.kind == FieldKind::Text;
            fields.push_back(f);
            if (text && text_tails) {
                f.key += kAfterSuffix;
                f.kind = FieldKind::After;
                fields.push_back(std::move(f));
            }
        }
    }
    return fields;
}

int line_of(const Field& field, int slot) { return field.line(slot); }

std::size_t line_max(const Field& field) { return creature_line_max(field.text_kind); }

std::size_t Field::text_max() const {
    if (kind == FieldKind::Line) return creature_line_max(text_kind);
    return kind == FieldKind::Text ? row->width : 0;
}

std::string Field::caption(const CaptionOf& caption_of) const {
    std::string caption = !row                ? line_caption(text_kind, caption_of)
                          : row->caption == 0 ? std::string("(no control)")
                                              : row_caption(*row, caption_of);
    if (kind != FieldKind::After) return caption.empty() ? key : caption;
    if (caption.empty()) caption = key.substr(0, key.size() - kAfterSuffix.size());
    return caption + " (bytes after the text)";
}

int find_field(const std::vector<Field>& fields, std::string_view key) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].key == key) return static_cast<int>(i);
    return -1;
}

Result<std::vector<int>> select_fields(const std::vector<Field>& fields, std::string_view list) {
    std::vector<bool> chosen(fields.size(), false);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string_view name = trim(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty()) continue;
        bool any = false;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const Field& f = fields[i];
            bool match = f.key == name;
            if (!match && name == "texts") match = f.kind == FieldKind::Line;
            if (!match && f.row) {
                match = array_key(*f.row) == name || data_file(f.row->file).name == name;
            }
            if (match) {
                chosen[i] = true;
                any = true;
            }
        }
        if (!any)
            return Fault(FaultKind::invalid, "",
                         "unknown field \"" + std::string(name) +
                             "\" (a key such as MonstersSetup.vrh@27000, an array such as "
                             "MonstersSetup.vrh@85000, a file such as Ammo.vrh, or name, plural, ability, texts)");
    }
    std::vector<int> out;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (chosen[i]) out.push_back(static_cast<int>(i));
    if (out.empty()) return Fault(FaultKind::invalid, "", "no field named");
    return out;
}

Result<std::vector<int>> parse_slots(std::string_view text) {
    std::vector<bool> chosen(kSlots, false);
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string_view part = trim(text.substr(start, comma - start));
        start = comma + 1;
        if (part.empty()) continue;
        std::int64_t lo = 0, hi = kSlots - 1;
        const std::size_t dash = part.find('-');
        bool ok;
        if (dash == std::string_view::npos) {
            auto v = parse_integer(part);
            ok = v.has_value();
            if (ok) lo = hi = *v;
        } else {
            const std::string_view a = trim(part.substr(0, dash)), b = trim(part.substr(dash + 1));
            ok = !(a.empty() && b.empty());
            if (ok && !a.empty()) {
                auto v = parse_integer(a);
                ok = v && *v >= 0;
                if (ok) lo = *v;
            }
            if (ok && !b.empty()) {
                auto v = parse_integer(b);
                ok = v && *v >= 0;
                if (ok) hi = *v;
            }
        }
        if (!ok || lo < 0 || hi >= kSlots || lo > hi)
            return Fault(FaultKind::out_of_range, "",
                         "bad slot range \"" + std::string(part) + "\" (slots are " + slot_range() +
                             ": e.g. 5, 10-20, 900-)");
        for (std::int64_t s = lo; s <= hi; ++s) chosen[static_cast<std::size_t>(s)] = true;
        any = true;
    }
    if (!any) return Fault(FaultKind::invalid, "", "no slot named");
    std::vector<int> out;
    for (int s = 0; s < kSlots; ++s)
        if (chosen[static_cast<std::size_t>(s)]) out.push_back(s);
    return out;
}

// Appended piece by piece: "-" + to_string(...) trips a false warning of GCC 12
// when optimising.
std::string slot_ranges(const std::vector<int>& slots) {
    std::string out;
    for (std::size_t i = 0; i < slots.size();) {
        std::size_t j = i;
        while (j + 1 < slots.size() && slots[j + 1] == slots[j] + 1) ++j;
        if (!out.empty()) out.append(", ");
        out.append(std::to_string(slots[i]));
        if (j > i) out.append("-").append(std::to_string(slots[j]));
        i = j + 1;
    }
    return out;
}

}  // namespace ce
