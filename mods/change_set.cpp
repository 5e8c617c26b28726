// Change sets: a change's values against a folder's, and their "after" put
// into the folder in memory.
#include "mods/change_set.h"

#include <algorithm>
#include <optional>
#include <span>

#include "folder/field_value.h"
#include "store/merge.h"
#include "text/lines.h"

namespace ce {
namespace {

// An Integer's value or a Float's bits (unsigned) as the element holds them.
std::int64_t stored_number(const Field& field, std::span<const std::uint8_t> bytes, int slot) {
    const std::int64_t n = read_int(*field.row, bytes, slot);
    return field.kind == FieldKind::Float ? static_cast<std::int64_t>(static_cast<std::uint32_t>(n)) : n;
}

// The bytes after a text's zero as the folder holds them: the text and its
// zero dotted, trailing zeros dropped; nothing when they are all zero or the
// text fills the field (as bytes_after_text gives "").
StoredValue after_of(const Dataset& data, const Field& field, int slot) {
    const BindingRow& row = *field.row;
    const auto& bytes = data.folder.file(row.file).bytes;
    const std::size_t start = element_position(row, slot), end = start + row.width;
    std::size_t zero = start;
    while (zero < end && bytes[zero] != 0) ++zero;
    std::size_t last = end;
    while (last > zero + 1 && bytes[last - 1] == 0) --last;
    StoredValue v;
    if (zero == end || last <= zero + 1) return v;
    v.bytes.assign(zero + 1 - start, '\0');
    v.bytes.append(reinterpret_cast<const char*>(bytes.data() + zero + 1), last - (zero + 1));
    const std::size_t dotted = zero + 1 - start;
    v.dots = dotted >= kMostDots ? ~std::uint64_t{0} : (std::uint64_t{1} << dotted) - 1;
    return v;
}

// A text field and the bytes after its zero, as one element is built.
struct TextEdit {
    const StoredValue* text = nullptr;
    const StoredValue* after = nullptr;
};

// Builds the element of a text field from its edit; whether its bytes changed.
bool put_text(Dataset& data, const Field& field, int slot, const TextEdit& edit) {
    const BindingRow& row = *field.row;
    auto bytes = data.folder.file(row.file).view();
    const auto element = bytes.subspan(element_position(row, slot), row.width);
    const std::string text = edit.text ? edit.text->bytes : stored_bytes(data, field, slot);
    const StoredValue kept = edit.after ? StoredValue{} : after_of(data, field, slot);
    const StoredValue& given = edit.after ? *edit.after : kept;
    AfterBytes after{given.bytes, std::vector<bool>(given.bytes.size())};
    for (std::size_t i = 0; i < after.dots.size() && i < kMostDots; ++i) after.dots[i] = (given.dots >> i) & 1;
    const std::string built = text_element(element, text, &after);
    if (std::equal(built.begin(), built.end(), element.begin())) return false;
    std::copy(built.begin(), built.end(), element.begin());
    return true;
}

}  // namespace

StoredValue folder_value(const Dataset& data, const Field& field, int slot) {
    StoredValue v;
    switch (field.kind) {
        case FieldKind::Integer:
        case FieldKind::Float: v.number = stored_number(field, data.folder.file(field.row->file).view(), slot); break;
        case FieldKind::Text:
        case FieldKind::Line: v.bytes = stored_bytes(data, field, slot); break;
        case FieldKind::After: v = after_of(data, field, slot); break;
    }
    return v;
}

ChangeState change_state(const Dataset& data, const std::vector<Field>& fields, const Change& change) {
    const Field& field = fields[static_cast<std::size_t>(change.field)];
    if (field.kind == FieldKind::Integer || field.kind == FieldKind::Float) {
        // The common case, without a StoredValue.
        const std::int64_t now = stored_number(field, data.folder.file(field.row->file).view(), change.slot);
        return now == change.before.number  ? ChangeState::Before
               : now == change.after.number ? ChangeState::After
                                            : ChangeState::Conflict;
    }
    const StoredValue now = folder_value(data, field, change.slot);
    return now == change.before ? ChangeState::Before
           : now == change.after ? ChangeState::After
                                 : ChangeState::Conflict;
}

Edits put_afters(Dataset& data, const std::vector<Field>& fields, const ChangeSet& changes,
                 const std::vector<bool>& take) {
    Edits edits;
    std::map<std::pair<int, int>, TextEdit> texts;  // (slot, text field) -> its edit
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!take[i]) continue;
        const Change& c = changes[i];
        const Field& field = fields[static_cast<std::size_t>(c.field)];
        switch (field.kind) {
            case FieldKind::Integer:
            case FieldKind::Float: {
                auto bytes = data.folder.file(field.row->file).view();
                if (stored_number(field, bytes, c.slot) == c.after.number) break;
                write_int(*field.row, bytes, c.slot, c.after.number);
                edits.data_changed[static_cast<std::size_t>(field.row->file)] = true;
                break;
            }
            case FieldKind::Line: {
                const int line = line_of(field, c.slot);
                if (data.text(field.text_kind).line(line) == c.after.bytes) break;
                edits.lines[static_cast<std::size_t>(field.text_kind)][line] = c.after.bytes;
                break;
            }
            case FieldKind::Text: texts[{c.slot, c.field}].text = &c.after; break;
            case FieldKind::After: texts[{c.slot, c.field - 1}].after = &c.after; break;
        }
    }
    for (const auto& [at, edit] : texts) {
        const Field& field = fields[static_cast<std::size_t>(at.second)];
        if (put_text(data, field, at.first, edit)) edits.data_changed[static_cast<std::size_t>(field.row->file)] = true;
    }
    return edits;
}

void put_lines(Dataset& data, const LineEdits& lines) {
    for (int k = 0; k < 5; ++k) {
        if (lines[static_cast<std::size_t>(k)].empty()) continue;
        LanguageText& t = data.text(static_cast<TextKind>(k));
        t.bytes = replace_lines(t.bytes, lines[static_cast<std::size_t>(k)], OtherLines::KeepEnders,
                                EmptyPastEnd::Extends);
        split_lines(t);
    }
}

}  // namespace ce
