// Patches: their values read into the bytes the files hold (a change set),
// the checks of a patch against a folder's language files, and a patch made
// from two folders.
#include "mods/patch.h"
#include "mods/restore_plan.h"

#include <optional>

#include "folder/field_value.h"
#include "store/merge.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce {
namespace {

// A Text or Line field's text as its bytes; a line's "before" as long as the
// folder's line may be (a patch made from the folder holds it whole).
Result<std::string> text_bytes(const Field& field, const PatchValue& value, int language, bool before) {
    Result<std::string> bytes = text_value(field, value.type, value.text, language);
    if (bytes.ok() || !before || field.kind != FieldKind::Line || !bytes.is(FaultKind::out_of_range)) return bytes;
    std::optional<std::string> whole = encode_code_page(value.text, language);
    if (!whole) return bytes;
    return std::move(*whole);
}

// The bytes after a text's zero as the patch gives them, as the folder's are
// compared: trailing zeros and dotted bytes dropped, dotted bytes zero.
StoredValue after_stored(const AfterBytes& after) {
    std::size_t last = after.bytes.size();
    while (last > 0 && (after.dots[last - 1] || after.bytes[last - 1] == 0)) --last;
    StoredValue v;
    v.bytes = after.bytes.substr(0, last);
    for (std::size_t i = 0; i < last; ++i) {
        if (!after.dots[i]) continue;
        v.bytes[i] = '\0';
        if (i < kMostDots) v.dots |= std::uint64_t{1} << i;
    }
    return v;
}

// One value converted, or the fault that names what is wrong with it.
Result<StoredValue> stored(const Field& field, const PatchValue& value, int language, bool before) {
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
            Result<std::string> bytes = text_bytes(field, value, language, before);
            if (!bytes.ok()) return bytes.fault();
            v.bytes = std::move(*bytes);
            return v;
        }
        case FieldKind::After: {
            const Result<AfterBytes> after = after_value(field, value.type, value.text);
            if (!after.ok()) return after.fault();
            return after_stored(*after);
        }
    }
    return Fault(FaultKind::invalid, "", "not a field of the table");
}

}  // namespace

ChangeSet prepare_patch(const Patch& patch, const std::vector<Field>& fields, int language, FaultList& faults) {
    ChangeSet ready;
    std::size_t count = 0;
    for (const PatchCreature& c : patch.creatures) count += c.changes.size();
    ready.reserve(count);
    for (std::size_t i = 0; i < patch.creatures.size(); ++i) {
        const PatchCreature& creature = patch.creatures[i];
        for (std::size_t k = 0; k < creature.changes.size(); ++k) {
            const PatchChange& change = creature.changes[k];
            const Field& field = fields[static_cast<std::size_t>(change.field)];
            Change r;
            r.creature = static_cast<int>(i);
            r.change = static_cast<int>(k);
            r.slot = creature.slot;
            r.field = change.field;
            bool ok = true;
            for (const bool is_before : {true, false}) {
                Result<StoredValue> v = stored(field, is_before ? change.before : change.after, language, is_before);
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

Status missing_text_file(const Dataset& data, const Patch& patch, const std::vector<Field>& fields,
                         const ChangeSet& changes, const std::vector<bool>& take) {
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
            if (same_field(base, mod, f, slot)) continue;
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
                quote_text(decode_code_page(base.text(TextKind::Monsters).line(creature_line_number(TextKind::Monsters, slot)), base.language)) +
                ", \"changes\": {";
        text += changes;
        text += "\n    }}";
    }
    text += first_creature ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace ce
