// Patches: their values as the files hold them, the three-way check of each
// change against a folder, the writing of their "after", and a patch made from
// two folders.
#include "mods/patch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <span>

#include "folder/field_value.h"
#include "store/merge.h"
#include "store/value_text.h"
#include "store/whole_file.h"
#include "text/code_page.h"

namespace ce {
namespace {


// One value converted, or the fault that names what is wrong with it.
Result<StoredValue> stored(const Field& field, const PatchValue& value, int language) {
    StoredValue v;
    switch (field.kind) {
        case FieldKind::Integer: {
            const Result<std::int64_t> n = integer_value(field, value.type, value.text);
            if (!n.ok()) return n.fault();
            v.number = *n;
            return v;
        }
        case FieldKind::Float: {
            const Result<std::uint32_t> bits = float_value(value.type, value.text);
            if (!bits.ok()) return bits.fault();
            v.number = *bits;
            return v;
        }
        case FieldKind::Text:
        case FieldKind::Line: {
            Result<std::string> bytes = text_value(field, value.type, value.text, language);
            if (!bytes.ok()) return bytes.fault();
            v.bytes = std::move(*bytes);
            return v;
        }
        case FieldKind::After: {
            const Result<AfterBytes> after = after_value(field, value.type, value.text);
            if (!after.ok()) return after.fault();
            v.bytes = after_text(*after);
            return v;
        }
    }
    return Fault(FaultKind::invalid, "", "not a field of the table");
}

// An Integer's value or a Float's bits (unsigned, as prepare_patch gives them)
// as the element holds them.
std::int64_t stored_number(const Field& field, std::span<const std::uint8_t> bytes, int slot) {
    const std::int64_t n = read_int(*field.row, bytes, slot);
    return field.kind == FieldKind::Float ? static_cast<std::int64_t>(static_cast<std::uint32_t>(n)) : n;
}

// The After text as the bytes it stands for.
AfterBytes after_bytes(const std::string& after) {
    AfterBytes a;
    a.bytes = parse_hex_bytes(after, &a.dots).value_or(std::string());
    a.dots.resize(a.bytes.size());
    return a;
}

}  // namespace

std::vector<ReadyChange> prepare_patch(const Patch& patch, const std::vector<Field>& fields, int language,
                                       FaultList& faults) {
    std::vector<ReadyChange> ready;
    std::size_t count = 0;
    for (const PatchCreature& c : patch.creatures) count += c.changes.size();
    ready.reserve(count);
    for (std::size_t i = 0; i < patch.creatures.size(); ++i) {
        const PatchCreature& creature = patch.creatures[i];
        for (std::size_t k = 0; k < creature.changes.size(); ++k) {
            const PatchChange& change = creature.changes[k];
            const Field& field = fields[static_cast<std::size_t>(change.field)];
            ReadyChange r;
            r.creature = static_cast<int>(i);
            r.change = static_cast<int>(k);
            r.slot = creature.slot;
            r.field = change.field;
            bool ok = true;
            for (const bool is_before : {true, false}) {
                Result<StoredValue> v = stored(field, is_before ? change.before : change.after, language);
                if (!v.ok()) {
                    faults.push_back(change_place(creature, change, fields) + ", " +
                                     (is_before ? "\"before\"" : "\"after\"") + ": " + v.fault().reason);
                    ok = false;
                } else {
                    (is_before ? r.before : r.after) = std::move(*v);
                }
            }
            if (ok) ready.push_back(std::move(r));
        }
    }
    return ready;
}

Status language_mismatch(const Patch& patch, const std::vector<Field>& fields, int language) {
    if (!patch.language || *patch.language == language) return {};
    for (const PatchCreature& c : patch.creatures)
        for (const PatchChange& change : c.changes) {
            const FieldKind kind = fields[static_cast<std::size_t>(change.field)].kind;
            if (kind != FieldKind::Line && kind != FieldKind::Text) continue;
            return Fault(FaultKind::conflict, "",
                         change_place(c, change, fields) + ": the patch's texts are " + language_name(*patch.language) +
                             " and the folder's language is " + language_name(language) +
                             " (switch the folder's language, or make the patch from a " + language_name(language) +
                             " folder)");
        }
    return {};
}

StoredValue folder_value(const Dataset& data, const Field& field, int slot) {
    StoredValue v;
    switch (field.kind) {
        case FieldKind::Integer:
        case FieldKind::Float: v.number = stored_number(field, data.folder.file(field.row->file).view(), slot); break;
        case FieldKind::Text:
        case FieldKind::Line: v.bytes = stored_bytes(data, field, slot); break;
        case FieldKind::After: v.bytes = bytes_after_text(data, field, slot); break;
    }
    return v;
}

PatchState patch_state(const Dataset& data, const std::vector<Field>& fields, const ReadyChange& change) {
    const Field& field = fields[static_cast<std::size_t>(change.field)];
    if (field.kind == FieldKind::Integer || field.kind == FieldKind::Float) {
        // The common case, without a StoredValue.
        const std::int64_t now = stored_number(field, data.folder.file(field.row->file).view(), change.slot);
        return now == change.before.number ? PatchState::Before
               : now == change.after.number ? PatchState::After
                                            : PatchState::Conflict;
    }
    const StoredValue now = folder_value(data, field, change.slot);
    return now == change.before ? PatchState::Before : now == change.after ? PatchState::After : PatchState::Conflict;
}

void put_afters(Dataset& data, const std::vector<Field>& fields, const std::vector<ReadyChange>& changes,
                const std::vector<bool>& take, std::array<bool, kDataFileCount>& data_changed, LineEdits& lines) {
    // A text field and the bytes after its zero are one element, built once
    // both are known: (slot, text field) -> the new text and After text.
    struct TextEdit {
        std::optional<std::string> text, after;
    };
    std::map<std::pair<int, int>, TextEdit> texts;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!take[i]) continue;
        const ReadyChange& c = changes[i];
        const Field& field = fields[static_cast<std::size_t>(c.field)];
        switch (field.kind) {
            case FieldKind::Integer:
            case FieldKind::Float: {
                auto bytes = data.folder.file(field.row->file).view();
                if (stored_number(field, bytes, c.slot) == c.after.number) break;
                write_int(*field.row, bytes, c.slot, c.after.number);
                data_changed[static_cast<std::size_t>(field.row->file)] = true;
                break;
            }
            case FieldKind::Line: {
                if (data.text(field.text_kind).line(line_of(field, c.slot)) == c.after.bytes) break;
                lines[static_cast<std::size_t>(field.text_kind)][line_of(field, c.slot)] = c.after.bytes;
                break;
            }
            case FieldKind::Text: texts[{c.slot, c.field}].text = c.after.bytes; break;
            case FieldKind::After: texts[{c.slot, c.field - 1}].after = c.after.bytes; break;
        }
    }
    for (const auto& [at, edit] : texts) {
        const auto [slot, index] = at;
        const Field& field = fields[static_cast<std::size_t>(index)];
        const BindingRow& row = *field.row;
        auto bytes = data.folder.file(row.file).view();
        const auto element = bytes.subspan(element_position(row, slot), row.width);
        const std::string text = edit.text ? *edit.text : stored_bytes(data, field, slot);
        const AfterBytes after = after_bytes(edit.after ? *edit.after : bytes_after_text(data, field, slot));
        const std::string built = text_element(element, text, &after);
        if (std::equal(built.begin(), built.end(), element.begin())) continue;
        std::copy(built.begin(), built.end(), element.begin());
        data_changed[static_cast<std::size_t>(row.file)] = true;
    }
}

Status missing_text_file(const Dataset& data, const Patch& patch, const std::vector<Field>& fields,
                         const std::vector<ReadyChange>& changes, const std::vector<bool>& take) {
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const Field& f = fields[static_cast<std::size_t>(changes[i].field)];
        if (!take[i] || f.kind != FieldKind::Line || data.text(f.text_kind).present) continue;
        const PatchCreature& c = patch.creatures[static_cast<std::size_t>(changes[i].creature)];
        return data.text(f.text_kind)
            .fault.fault()
            .after(change_place(c, c.changes[static_cast<std::size_t>(changes[i].change)], fields) + ": ")
            .followed_by(", so the text cannot be stored");
    }
    return {};
}

std::string patch_json_value(const Field& field, const std::string& exported) {
    if (is_text_field(field)) return quote_text(exported);
    if (field.kind == FieldKind::Float && (exported[0] == 'n' || exported.back() == 'f')) return quote_text(exported);
    return exported;
}

std::string write_patch(const Dataset& base, const Dataset& mod, const std::vector<Field>& fields,
                        const std::vector<std::string>& captions) {
    std::vector<std::string> heads;  // "      \"<key>\": {\"caption\": \"...\", \"before\": "
    heads.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        heads.push_back("      " + quote_text(fields[i].key) + ": {\"caption\": " + quote_text(captions[i]) +
                        ", \"before\": ");
    std::string text = "{\n  \"language\": " + quote_text(language_name(base.language)) + ",\n  \"creatures\": [";
    bool first_creature = true;
    for (int slot = 0; slot < kSlots; ++slot) {
        std::string changes;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const Field& f = fields[i];
            if (f.kind == FieldKind::Line) {
                const int k = line_of(f, slot);
                if (base.text(f.text_kind).line(k) == mod.text(f.text_kind).line(k)) continue;
            } else if (f.kind == FieldKind::Integer || f.kind == FieldKind::Float) {
                if (same_element(*f.row, base.folder.file(f.row->file).view(), mod.folder.file(f.row->file).view(), slot))
                    continue;
            } else if (f.kind == FieldKind::Text) {
                if (stored_bytes(base, f, slot) == stored_bytes(mod, f, slot)) continue;
            } else if (bytes_after_text(base, f, slot) == bytes_after_text(mod, f, slot)) {
                continue;
            }
            changes += changes.empty() ? "\n" : ",\n";
            changes += heads[i];
            changes += patch_json_value(f, export_value(base, f, slot));
            changes += ", \"after\": ";
            changes += patch_json_value(f, export_value(mod, f, slot));
            changes += '}';
        }
        if (changes.empty()) continue;
        text += first_creature ? "\n" : ",\n";
        first_creature = false;
        text += "    {\"slot\": " + std::to_string(slot) + ", \"name\": " +
                quote_text(decode_code_page(base.text(TextKind::Monsters).line(slot + 1), base.language)) +
                ", \"changes\": {";
        text += changes;
        text += "\n    }}";
    }
    text += first_creature ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace ce
