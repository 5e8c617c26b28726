#include "tables/import_plan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <optional>

#include "store/binding.h"
#include "store/layouts.h"
#include "store/quoted_text.h"
#include "store/value_text.h"
#include "text/code_page.h"
#include "text/lines.h"

namespace ce {
namespace {

// An element's value as its stored bytes, little-endian (a flag: one byte), and back.
std::string value_bytes(const BindingRow& row, std::int64_t value) {
    std::string bytes(std::max<std::size_t>(row.width, 1), '\0');
    auto bits = static_cast<std::uint64_t>(value);
    for (char& b : bytes) {
        b = static_cast<char>(bits & 0xFF);
        bits >>= 8;
    }
    return bytes;
}

std::int64_t bytes_value(const BindingRow& row, std::string_view bytes) {
    std::uint64_t bits = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    const std::size_t width = 8 * bytes.size();
    if (row.width > 0 && row.is_signed && width < 64 && ((bits >> (width - 1)) & 1) != 0)
        bits |= ~std::uint64_t{0} << width;
    return static_cast<std::int64_t>(bits);
}

// Code points of a UTF-8 text before a byte offset (a malformed byte counts as one).
std::size_t characters_before(std::string_view text, std::size_t offset) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return n;
}

// What the store does to a line it is given: the note says it.
void add_note(std::string& note, const std::string& more) { note += (note.empty() ? "" : "; ") + more; }

// Checks every cell of the table against the folder, into the plan's changes
// and faults. The folder is only read.
class Planner {
public:
    Planner(const ImportTable& table, const Dataset& data, const std::vector<Field>& fields, bool classing,
            ImportPlan& plan)
        : table_(table), data_(data), fields_(fields), classing_table_(classing && !table.json), plan_(plan) {}

    void plan_entries() {
        for (const ImportEntry& entry : table_.entries) {
            entry_ = &entry;
            classing_ = classing_table_ && !entry.as_exported;
            // A text field and the bytes after its zero are one element: find the pairs.
            tails_.clear();
            texts_.clear();
            for (const ImportCell& cell : entry.cells) {
                const Field& f = fields_[static_cast<std::size_t>(cell.field)];
                if (f.kind == FieldKind::After) tails_[cell.field - 1] = &cell;
                if (f.kind == FieldKind::Text) texts_[cell.field] = &cell;
            }
            for (const ImportCell& cell : entry.cells) plan_cell(entry.slot, cell);
        }
        for (const auto& [cause, group] : groups_)
            plan_.faults.push_back(group.first + (group.count == 1   ? std::string()
                                                  : group.count == 2 ? std::string("; so does 1 more text")
                                                                     : "; so do " + std::to_string(group.count - 1) +
                                                                           " more texts"));
    }

private:
    struct FaultGroup {
        std::string first;
        std::size_t count = 0;
    };

    std::string place(const ImportCell& cell) const { return cell_place(table_, *entry_, cell, fields_); }

    void fault(const ImportCell& cell, const std::string& message, FaultKind kind = FaultKind::invalid) {
        plan_.faults.push_back(Fault(kind, "", place(cell) + ": " + message));
    }

    FieldChange& push(int slot, int field, std::string before, std::string after) {
        FieldChange& c = plan_.changes.emplace_back();
        c.slot = slot;
        c.field = field;
        c.before = std::move(before);
        c.after = std::move(after);
        return c;
    }

    void plan_cell(int slot, const ImportCell& cell) {
        const Field& f = fields_[static_cast<std::size_t>(cell.field)];
        switch (f.kind) {
            case FieldKind::Line: return plan_line(slot, f, cell);
            case FieldKind::Text: {
                const auto tail = tails_.find(cell.field);
                return plan_text(slot, cell.field, &cell, tail == tails_.end() ? nullptr : tail->second);
            }
            case FieldKind::After:
                // With its text, the pair is planned at the text; alone, it follows the stored text.
                if (!texts_.contains(cell.field - 1)) plan_text(slot, cell.field - 1, nullptr, &cell);
                return;
            case FieldKind::Float: return plan_float(slot, f, cell);
            case FieldKind::Integer: return plan_integer(slot, f, cell);
        }
    }

    std::optional<std::string> encoded(const ImportCell& cell) {
        if (cell.type == CellType::Number || cell.type == CellType::Other) {
            // A JSON number as written, which may be long: cut as every message cuts a value.
            fault(cell, "expected a text in quotes, found " + message_piece(cell.text));
            return std::nullopt;
        }
        if (cell.text.find('\0') != std::string::npos) {
            fault(cell, "the text holds a zero character, which cannot be stored");
            return std::nullopt;
        }
        EncodeError e;
        auto bytes = encode_code_page(cell.text, data_.language, &e);
        if (!bytes) encoding_fault(cell, e);
        return bytes;
    }

    // A text the folder's code page cannot hold. Its cause is said once, with
    // the first text it met and how many more: a file read in a wrong character
    // set, or of the other language, has thousands.
    void encoding_fault(const ImportCell& cell, const EncodeError& e) {
        const std::string at = place(cell) + ": " + quoted_piece(cell.text);
        std::string cause, message;
        if (std::optional<Misread> m = misread_utf8(cell.text)) {
            cause = std::string("misread ") + m->character_set;
            message = at + " looks like UTF-8 read as " + m->character_set + " (" + quoted_piece(m->original) +
                      "): open the file as UTF-8 and save it again";
        } else if (e.message.find("UTF-8") != std::string::npos) {
            cause = "not UTF-8";
            message = at + " is not UTF-8: the file was saved in another character set; save it as UTF-8";
        } else {
            cause = "cannot be written";
            message = unwritable(cell, e);
        }
        FaultGroup& group = groups_[cause];
        if (group.count++ == 0) group.first = message;
    }

    // A character of the text that the folder's code page lacks.
    std::string unwritable(const ImportCell& cell, const EncodeError& e) const {
        const std::string files = "the " + std::string(language_name(data_.language)) + " files are Windows-" +
                                  std::to_string(code_page_of(data_.language));
        std::string message = place(cell) + ": " + e.message + " (character " +
                              std::to_string(characters_before(cell.text, e.offset) + 1) + " of the text; " + files +
                              "): " + quoted_piece(cell.text);
        const int other = 1 - data_.language;
        if (encode_code_page(cell.text, other))
            message += "; the texts fit the " + std::string(language_name(other)) + " files: is the file a " +
                       language_name(other) + " export?";
        return message;
    }

    void plan_integer(int slot, const Field& f, const ImportCell& cell) {
        const Result<std::int64_t> value = integer_value(f, cell.type, cell.text);
        if (!value.ok()) return fault(cell, value.fault().reason, value.fault().kind);
        const std::int64_t old = read_int(*f.row, data_.folder.file(f.row->file).view(), slot);
        if (old == *value) return;
        // Whole numbers are not classed: a spreadsheet keeps them, or a fault names what it did.
        push(slot, cell.field, value_bytes(*f.row, old), value_bytes(*f.row, *value));
    }

    void plan_float(int slot, const Field& f, const ImportCell& cell) {
        const Result<std::uint32_t> bits = float_value(cell.type, cell.text);
        if (!bits.ok()) return fault(cell, bits.fault().reason, bits.fault().kind);
        const std::uint32_t old = float_element(data_, f, slot);
        if (old == *bits) return;
        FieldChange& c = push(slot, cell.field, value_bytes(*f.row, old), value_bytes(*f.row, *bits));
        if (classing_) c.suspect = class_float_change(old, *bits, cell.text);
    }

    // The new text of a text field from its cell, if it can be stored.
    std::optional<std::string> field_text(const Field& f, const ImportCell& cell) {
        auto bytes = encoded(cell);
        if (!bytes) return std::nullopt;
        if (bytes->size() > f.row->width) {
            fault(cell, "the text " + quoted_piece(cell.text) + " has " + std::to_string(bytes->size()) +
                            " characters; the field holds at most " + std::to_string(f.row->width));
            return std::nullopt;
        }
        return bytes;
    }

    // The text field `index` from its text cell and the cell of the bytes after
    // its zero, either of which may be absent (not both). The text and its zero
    // come first; the bytes after them are those the other cell gives at their
    // places in the field (its ".." keep what the field holds there, zeros
    // past its end), so a shorter text keeps them where they were, as the
    // editor's Save does. Without that cell they are zero, but a partial
    // table that gives the text unchanged leaves the field as it is (it said
    // nothing about those bytes); with the cell alone, they follow the stored
    // text.
    void plan_text(int slot, int index, const ImportCell* text_cell, const ImportCell* tail_cell) {
        const Field& f = fields_[static_cast<std::size_t>(index)];
        const std::string old_text = stored_bytes(data_, f, slot);
        std::string text = old_text;
        if (text_cell) {
            std::optional<std::string> given = field_text(f, *text_cell);
            if (!given) return;
            text = std::move(*given);
            if (!tail_cell && !table_.full && text == old_text) return;
        }
        std::optional<AfterBytes> tail;
        if (tail_cell) {
            Result<AfterBytes> given = after_value(f, tail_cell->type, tail_cell->text);
            if (!given.ok()) return fault(*tail_cell, given.fault().reason, given.fault().kind);
            tail = std::move(*given);
        }
        const auto view = data_.folder.file(f.row->file).view().subspan(element_position(*f.row, slot), f.row->width);
        std::string element = text_element(view, text, tail ? &*tail : nullptr);
        std::string old_element(reinterpret_cast<const char*>(view.data()), view.size());
        if (element == old_element) return;
        // The text and the bytes after it are one element: a suspect text holds back both.
        Suspect suspect = Suspect::None;
        if (text != old_text) {
            FieldChange& c = push(slot, index, old_element, element);
            if (classing_) c.suspect = suspect = class_text_change(decode_code_page(old_text, data_.language), text_cell->text);
        }
        const Field& after = fields_[static_cast<std::size_t>(index) + 1];
        if (stored_text(after, old_element, data_.language) != stored_text(after, element, data_.language))
            push(slot, index + 1, std::move(old_element), std::move(element)).suspect = suspect;
    }

    void plan_line(int slot, const Field& f, const ImportCell& cell) {
        auto bytes = encoded(cell);
        if (!bytes) return;
        const LanguageText& text = data_.text(f.text_kind);
        const int line = line_of(f, slot);
        const std::string_view old = text.line(line);
        if (*bytes == old) return;
        if (!text.present) {
            const FaultKind kind = text.fault.ok() ? FaultKind::invalid : text.fault.fault().kind;
            return fault(cell, text.fault.message() + ", so the text cannot be stored", kind);
        }
        std::string stored = as_one_line(*bytes);
        std::string note;
        if (stored != *bytes) note = "line breaks became spaces";
        if (stored.size() > line_max(f)) {
            stored.resize(line_max(f));
            add_note(note, "cut to " + std::to_string(line_max(f)) + " characters");
        }
        if (stored == old) return;
        if (line >= text.line_count()) add_note(note, text.name + " extended to " + std::to_string(line + 1) + " lines");
        FieldChange& c = push(slot, cell.field, std::string(old), std::move(stored));
        c.note = std::move(note);
        if (classing_) c.suspect = class_text_change(decode_code_page(old, data_.language), cell.text);
    }

    const ImportTable& table_;
    const Dataset& data_;
    const std::vector<Field>& fields_;
    const ImportEntry* entry_ = nullptr;
    bool classing_table_;  // whether the table's changes are classed
    bool classing_ = false;  // whether the current entry's are
    ImportPlan& plan_;
    std::map<int, const ImportCell*> tails_;  // text field -> the cell of the bytes after it
    std::map<int, const ImportCell*> texts_;  // text field -> its cell
    std::map<std::string, FaultGroup> groups_;  // faults said once per cause
};

// Marks the suspect changes the user accepts by class or column; the number of
// the others, held back: each classed change is judged alone.
std::size_t settle_suspects(std::vector<FieldChange>& changes, const std::vector<Field>& fields,
                            const ImportChoices& choices) {
    auto named = [](const std::vector<int>& list, int field) {
        return std::find(list.begin(), list.end(), field) != list.end();
    };
    std::size_t held = 0;
    for (FieldChange& c : changes) {
        if (c.suspect == Suspect::None) continue;
        const bool after = fields[static_cast<std::size_t>(c.field)].kind == FieldKind::After;
        c.accepted = std::find(choices.accept_classes.begin(), choices.accept_classes.end(), c.suspect) !=
                         choices.accept_classes.end() ||
                     named(choices.accept_fields, c.field) || (after && named(choices.accept_fields, c.field - 1));
        held += !c.accepted;
    }
    return held;
}

std::size_t fixed_size(DataFile id) {
    for (const DataFileInfo& info : data_files())
        if (info.id == id) return info.size;
    return 0;
}

// Stores a change's bytes into its data file's new bytes.
void store_change(std::string& file, const Field& f, const FieldChange& c) {
    const std::size_t at = element_position(*f.row, c.slot);
    if (f.kind == FieldKind::Text || f.kind == FieldKind::After) {
        std::memcpy(file.data() + at, c.after.data(), c.after.size());
        return;
    }
    const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(file.data()), file.size());
    write_int(*f.row, bytes, c.slot, bytes_value(*f.row, c.after));
}

// The files the written changes make: data files whose bytes change, language
// files with new lines.
std::vector<ImportFile> import_files(const Dataset& data, const std::vector<Field>& fields, const ImportPlan& plan) {
    std::array<std::optional<std::string>, 6> files;
    std::array<std::map<int, std::string>, 5> lines;  // per TextKind: line -> new content
    for (const FieldChange& c : plan.changes) {
        if (!plan.writes(c)) continue;
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        if (f.kind == FieldKind::Line) {
            lines[static_cast<std::size_t>(f.text_kind)][line_of(f, c.slot)] = c.after;
            continue;
        }
        std::optional<std::string>& file = files[static_cast<std::size_t>(f.row->file)];
        if (!file) {
            // The file keeps its own length (bytes past the fixed size stay).
            const DataBytes& d = data.folder.file(f.row->file);
            file.emplace(reinterpret_cast<const char*>(d.bytes.data()), std::max(d.length, fixed_size(f.row->file)));
        }
        store_change(*file, f, c);
    }
    std::vector<ImportFile> out;
    for (const DataFileInfo& info : data_files())
        if (auto& file = files[static_cast<std::size_t>(info.id)])
            out.push_back({info.name, data.folder.file(info.id).path, std::move(*file)});
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k].empty()) continue;
        const LanguageText& t = data.text(static_cast<TextKind>(k));
        out.push_back({t.name, t.path, replace_lines(t.bytes, lines[k], OtherLines::KeepEnders, EmptyPastEnd::Extends)});
    }
    return out;
}

}  // namespace

ImportPlan plan_import(const ImportTable& table, FaultList faults, const Dataset& data, const std::vector<Field>& fields,
                       const ImportChoices& choices) {
    ImportPlan plan;
    plan.faults = std::move(faults);
    plan.suspects = choices.suspects;
    Planner(table, data, fields, choices.class_changes, plan).plan_entries();
    if (!plan.faults.empty()) return plan;
    plan.held = settle_suspects(plan.changes, fields, choices);
    auto in_order = [](const FieldChange& a, const FieldChange& b) {
        return a.slot != b.slot ? a.slot < b.slot : a.field < b.field;
    };
    if (!std::is_sorted(plan.changes.begin(), plan.changes.end(), in_order))  // an export is in order already
        std::stable_sort(plan.changes.begin(), plan.changes.end(), in_order);
    if (plan.held == 0 || choices.suspects != SuspectChoice::Hold) plan.files = import_files(data, fields, plan);
    return plan;
}

std::string stored_text(const Field& field, std::string_view stored, int language) {
    switch (field.kind) {
        case FieldKind::Line: return decode_code_page(stored, language);
        case FieldKind::Text: return decode_code_page(stored.substr(0, stored.find('\0')), language);
        case FieldKind::After: {
            const std::size_t zero = stored.find('\0');
            if (zero == std::string_view::npos) return {};
            return after_text(zero + 1, stored.substr(zero + 1));
        }
        case FieldKind::Float: return float_value_text(static_cast<std::uint32_t>(bytes_value(*field.row, stored)));
        case FieldKind::Integer: break;
    }
    return std::to_string(bytes_value(*field.row, stored));
}

}  // namespace ce
