// creatures import: applies an export to a data folder. Every value is checked
// before anything is written; the changed files are replaced safely.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>

#include "text/code_page.h"
#include "cli/commands.h"
#include "tables/csv.h"
#include "store/quoted_text.h"
#include "folder/dataset.h"
#include "cli/describe.h"
#include "folder/field_value.h"
#include "folder/commit.h"
#include "tables/import_suspect.h"
#include "cli/standard_input.h"
#include "tables/import_table.h"
#include "cli/table_text.h"
#include "store/value_text.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

constexpr std::size_t kFaultsShown = 25;

struct Change {
    int slot;
    int field;
    std::string before, after;  // as exported (UTF-8)
    std::string note;
    Suspect suspect = Suspect::None;
    // How to take it back: the element's old bytes in its data file, or the
    // language file's line.
    int file = -1;
    std::size_t at = 0;
    std::string old_bytes;
    int text_kind = -1, line = 0;
};

Change changed(int slot, int field, std::string before, std::string after, std::string note = {}) {
    Change c;
    c.slot = slot;
    c.field = field;
    c.before = std::move(before);
    c.after = std::move(after);
    c.note = std::move(note);
    return c;
}

struct Plan {
    FaultList faults;
    std::vector<Change> changes;
    std::array<bool, 6> data_changed{};
    std::array<std::map<int, std::string>, 5> lines;  // per TextKind: line -> new content
};

class Importer {
public:
    Importer(Dataset& data, const std::vector<Field>& fields) : data_(data), fields_(fields) {}

    // Classes the changes of a CSV (import_suspect.h). JSON keeps texts and
    // numbers apart by their types, and its tools (jq) write values exactly.
    void apply(const ImportTable& table, bool class_changes, Plan& plan) {
        table_ = &table;
        classing_ = class_changes && !table.json;
        for (const ImportEntry& entry : table.entries) {
            entry_ = &entry;
            // A text field and the bytes after its zero are one element: find the pairs.
            tails_.clear();
            texts_.clear();
            for (const ImportCell& cell : entry.cells) {
                const Field& f = fields_[static_cast<std::size_t>(cell.field)];
                if (f.kind == FieldKind::After) tails_[cell.field - 1] = &cell;
                if (f.kind == FieldKind::Text) texts_[cell.field] = &cell;
            }
            for (const ImportCell& cell : entry.cells) apply_cell(entry.slot, cell, plan);
        }
        for (const auto& [cause, group] : groups_)
            plan.faults.push_back(group.first + (group.count == 1   ? std::string()
                                                 : group.count == 2 ? std::string("; so does 1 more text")
                                                                    : "; so do " + std::to_string(group.count - 1) +
                                                                          " more texts"));
    }

private:
    void fault(Plan& plan, const ImportCell& cell, const std::string& message) {
        plan.faults.push_back(cell_place(*table_, *entry_, cell, fields_) + ": " + message);
    }

    std::optional<std::string> encoded(Plan& plan, const ImportCell& cell) {
        if (cell.type == CellType::Number || cell.type == CellType::Other) {
            // A JSON number as written, which may be long: cut as every message cuts a value.
            fault(plan, cell, "expected a text in quotes, found " + message_piece(cell.text));
            return std::nullopt;
        }
        if (cell.text.find('\0') != std::string::npos) {
            fault(plan, cell, "the text holds a zero character, which cannot be stored");
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
        const std::string place = cell_place(*table_, *entry_, cell, fields_) + ": " + quoted_piece(cell.text);
        const std::string files = "the " + std::string(language_name(data_.language)) + " files are Windows-" +
                                  std::to_string(code_page_of(data_.language));
        std::string cause, message;
        if (std::optional<Misread> m = misread_utf8(cell.text)) {
            cause = std::string("misread ") + m->character_set;
            message = place + " looks like UTF-8 read as " + m->character_set + " (" + quoted_piece(m->original) +
                      "): open the file as UTF-8 and save it again";
        } else if (e.message.find("UTF-8") != std::string::npos) {
            cause = "not UTF-8";
            message = place + " is not UTF-8: the file was saved in another character set; save it as UTF-8";
        } else {
            cause = "cannot be written";
            message = cell_place(*table_, *entry_, cell, fields_) + ": " + e.message + " (character " +
                      std::to_string(characters_before(cell.text, e.offset) + 1) + " of the text; " + files +
                      "): " + quoted_piece(cell.text);
            const int other = 1 - data_.language;
            if (encode_code_page(cell.text, other))
                message += "; the texts fit the " + std::string(language_name(other)) + " files: is the file a " +
                           language_name(other) + " export?";
        }
        FaultGroup& group = groups_[cause];
        if (group.count++ == 0) group.first = message;
    }

    void apply_cell(int slot, const ImportCell& cell, Plan& plan) {
        const Field& f = fields_[static_cast<std::size_t>(cell.field)];
        switch (f.kind) {
            case FieldKind::Line: return apply_line(slot, f, cell, plan);
            case FieldKind::Text: {
                const auto tail = tails_.find(cell.field);
                return apply_text(slot, cell.field, &cell, tail == tails_.end() ? nullptr : tail->second, plan);
            }
            case FieldKind::After:
                // With its text, the pair is applied at the text; alone, it follows the stored text.
                if (!texts_.contains(cell.field - 1)) apply_text(slot, cell.field - 1, nullptr, &cell, plan);
                return;
            case FieldKind::Float: return apply_float(slot, f, cell, plan);
            case FieldKind::Integer: return apply_integer(slot, f, cell, plan);
        }
    }

    // Code points of a UTF-8 text before a byte offset (a malformed byte counts as one).
    static std::size_t characters_before(std::string_view text, std::size_t offset) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < offset && i < text.size(); ++i)
            n += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        return n;
    }

    void apply_integer(int slot, const Field& f, const ImportCell& cell, Plan& plan) {
        const Result<std::int64_t> value = integer_value(f, cell.type, cell.text);
        if (!value.ok()) return fault(plan, cell, value.fault().reason);
        auto bytes = data_.folder.file(f.row->file).view();
        const std::int64_t old = read_int(*f.row, bytes, slot);
        if (old == *value) return;
        // Whole numbers are not classed: a spreadsheet keeps them, or a fault names what it did.
        write_int(*f.row, bytes, slot, *value);
        plan.data_changed[static_cast<std::size_t>(f.row->file)] = true;
        plan.changes.push_back(changed(slot, cell.field, std::to_string(old), std::to_string(*value)));
    }

    // Records the element's bytes as they are, so that the change can be taken back.
    void keep_element(Change& change, const Field& f, int slot) {
        const auto view = data_.folder.file(f.row->file).view();
        change.file = static_cast<int>(f.row->file);
        change.at = element_position(*f.row, slot);
        change.old_bytes.assign(reinterpret_cast<const char*>(view.data() + change.at), f.row->width);
    }

    void apply_float(int slot, const Field& f, const ImportCell& cell, Plan& plan) {
        const Result<std::uint32_t> bits = float_value(cell.type, cell.text);
        if (!bits.ok()) return fault(plan, cell, bits.fault().reason);
        const std::uint32_t old = float_element(data_, f, slot);
        if (old == *bits) return;
        Change change = changed(slot, cell.field, float_value_text(old), float_value_text(*bits));
        if (classing_) change.suspect = class_float_change(old, *bits, cell.text);
        keep_element(change, f, slot);
        write_int(*f.row, data_.folder.file(f.row->file).view(), slot, static_cast<std::int64_t>(*bits));
        plan.data_changed[static_cast<std::size_t>(f.row->file)] = true;
        plan.changes.push_back(std::move(change));
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
    void apply_text(int slot, int index, const ImportCell* text_cell, const ImportCell* tail_cell, Plan& plan) {
        const Field& f = fields_[static_cast<std::size_t>(index)];
        const std::size_t width = f.row->width;
        const std::string old_text = stored_bytes(data_, f, slot);
        const std::string old_after = bytes_after_text(data_, f, slot);
        std::string text = old_text;
        if (text_cell) {
            auto bytes = encoded(plan, *text_cell);
            if (!bytes) return;
            text = std::move(*bytes);
            if (text.size() > width) {
                fault(plan, *text_cell, "the text " + quoted_piece(text_cell->text) + " has " +
                                            std::to_string(text.size()) + " characters; the field holds at most " +
                                            std::to_string(width));
                return;
            }
            if (!tail_cell && !table_->full && text == old_text) return;
        }
        auto view = data_.folder.file(f.row->file).view();
        const std::size_t at = element_position(*f.row, slot);
        std::optional<AfterBytes> tail;
        if (tail_cell) {
            Result<AfterBytes> given = after_value(f, tail_cell->type, tail_cell->text);
            if (!given.ok()) return fault(plan, *tail_cell, given.fault().reason);
            tail = std::move(*given);
        }
        const std::string field = text_element(view.subspan(at, width), text, tail ? &*tail : nullptr);

        if (std::memcmp(field.data(), view.data() + at, width) == 0) return;
        Change element = changed(slot, index, {}, {});
        keep_element(element, f, slot);
        std::memcpy(view.data() + at, field.data(), width);
        plan.data_changed[static_cast<std::size_t>(f.row->file)] = true;
        if (text != old_text) {
            // The text and the bytes after it are one element: a suspect text
            // holds back both.
            element.before = decode_code_page(old_text, data_.language);
            element.after = decode_code_page(text, data_.language);
            if (classing_) element.suspect = class_text_change(element.before, text_cell->text);
            plan.changes.push_back(element);
        }
        const std::string after = bytes_after_text(data_, f, slot);
        if (after != old_after) {
            element.field = index + 1;
            element.before = old_after;
            element.after = after;
            plan.changes.push_back(std::move(element));
        }
    }

    void apply_line(int slot, const Field& f, const ImportCell& cell, Plan& plan) {
        auto bytes = encoded(plan, cell);
        if (!bytes) return;
        const LanguageText& text = data_.text(f.text_kind);
        const int line = line_of(f, slot);
        const std::string_view old = text.line(line);
        if (*bytes == old) return;
        if (!text.present) {
            fault(plan, cell, text.fault.message() + ", so the text cannot be stored");
            return;
        }
        std::string stored = as_one_line(*bytes);
        std::string note;
        if (stored != *bytes) note = "line breaks became spaces";
        if (stored.size() > line_max(f)) {
            stored.resize(line_max(f));
            note += std::string(note.empty() ? "" : "; ") + "cut to " + std::to_string(line_max(f)) + " characters";
        }
        if (stored == old) return;
        if (line >= text.line_count()) {
            note += std::string(note.empty() ? "" : "; ") + text.name + " extended to " + std::to_string(line + 1) + " lines";
        }
        plan.lines[static_cast<std::size_t>(f.text_kind)][line] = stored;
        Change change = changed(slot, cell.field, decode_code_page(old, data_.language),
                                decode_code_page(stored, data_.language), note);
        if (classing_) change.suspect = class_text_change(change.before, cell.text);
        change.text_kind = static_cast<int>(f.text_kind);
        change.line = line;
        plan.changes.push_back(std::move(change));
    }

    Dataset& data_;
    const std::vector<Field>& fields_;
    const ImportTable* table_ = nullptr;
    const ImportEntry* entry_ = nullptr;
    bool classing_ = true;
    std::map<int, const ImportCell*> tails_;  // text field -> the cell of the bytes after it
    std::map<int, const ImportCell*> texts_;  // text field -> its cell
    struct FaultGroup {
        std::string first;
        std::size_t count = 0;
    };
    std::map<std::string, FaultGroup> groups_;  // faults said once per cause
};

}  // namespace

bool read_standard_input(std::istream& in, std::string& text, const char* command, std::ostream& err) {
    // Through the stream, not its buffer: a closed standard input or a folder
    // in its place makes the buffer throw, which the stream turns into its
    // bad state (and a stream that rethrows is caught here).
    errno = 0;
    std::string chunk(std::size_t{1} << 16, '\0');
    bool bad = false;
    try {
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got > kLargestInput - std::min(kLargestInput, text.size())) {
                // As a file of that size is refused: before it fills the memory.
                text.clear();
                text.shrink_to_fit();
                err << "creatures " << command << ": standard input: " << reason::kTooLarge << "\n";
                return false;
            }
            text.append(chunk.data(), got);
        }
        bad = in.bad();
    } catch (const std::ios_base::failure&) {
        bad = true;
    }
    if (!bad) return true;
    const int cause = errno;
    err << "creatures " << command << ": cannot read standard input"
        << (cause == EBADF ? ": it is closed"
            : cause == EISDIR ? ": it is a folder"
            : cause != 0 ? ": " + std::string(std::strerror(cause)) : std::string())
        << "\n";
    return false;
}

namespace {

// The export to apply: standard input into `piped`, a file into `file` (not
// copied: an export may be hundreds of megabytes).
bool read_input(const ImportOptions& options, std::istream& in, std::string& piped, WholeFile& file,
                std::string_view& text, std::ostream& err) {
    if (options.file == "-") {
        if (!read_standard_input(in, piped, "import", err)) return false;
        text = piped;
        return true;
    }
    if (Status fault = read_whole_file(options.file, file); !fault.ok()) {
        err << "creatures import: " << fault.message() << "\n";
        return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(file.data()), file.length);
    return true;
}

bool is_json(const ImportOptions& options, std::string_view text) {
    if (!options.format.empty()) return options.format == "json";
    std::string lower;
    for (char c : options.file) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.ends_with(".json")) return true;
    if (lower.ends_with(".csv")) return false;
    text = without_bom(text);
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

std::string shown_value(const Field& f, const std::string& value) {
    if (is_text_field(f)) return quote_text(value);
    return value;
}

// A file that the import replaces, with its new bytes.
struct Write {
    std::string name, path, bytes;
};

// The faults that keep the import from writing anything, on err.
void report_faults(const std::string& label, const FaultList& faults, std::ostream& err) {
    const std::size_t n = faults.size();
    const std::size_t shown = std::min(kFaultsShown, faults.kept().size());
    for (std::size_t i = 0; i < shown; ++i)
        err << "creatures import: " << label << ": " << faults.kept()[i] << "\n";
    if (n > shown) err << "creatures import: " << label << ": ... and " << (n - shown) << " more\n";
    err << "creatures import: " << n << (n == 1 ? " fault" : " faults") << "; nothing was written\n";
}

// A rounded float is suspect only where its column holds many, and most of
// the column's changes are such: a person may round a value or two, a display
// format rounds a whole column, and a column of other values meets some that
// happen to lie near the old ones.
std::size_t settle_suspects(Plan& plan, std::size_t field_count) {
    std::vector<std::size_t> rounded(field_count, 0), changed(field_count, 0);
    for (const Change& c : plan.changes) {
        ++changed[static_cast<std::size_t>(c.field)];
        if (c.suspect == Suspect::Rounded) ++rounded[static_cast<std::size_t>(c.field)];
    }
    std::size_t held = 0;
    for (Change& c : plan.changes) {
        const auto f = static_cast<std::size_t>(c.field);
        if (c.suspect == Suspect::Rounded && (rounded[f] < kBulkRounding || 2 * rounded[f] <= changed[f]))
            c.suspect = Suspect::None;
        held += c.suspect != Suspect::None;
    }
    return held;
}

// Takes the suspect changes back out of the plan: their elements get their
// old bytes again, their lines are not rewritten, and a data file is written
// only where some byte still differs from what was read.
void drop_suspects(Dataset& data, Plan& plan, const std::map<std::string, std::string>& read_files) {
    for (const Change& c : plan.changes) {
        if (c.suspect == Suspect::None) continue;
        if (c.file >= 0) {
            auto view = data.folder.file(static_cast<DataFile>(c.file)).view();
            std::memcpy(view.data() + c.at, c.old_bytes.data(), c.old_bytes.size());
        } else if (c.text_kind >= 0) {
            plan.lines[static_cast<std::size_t>(c.text_kind)].erase(c.line);
        }
    }
    for (const DataFileInfo& info : data_files()) {
        bool& changed = plan.data_changed[static_cast<std::size_t>(info.id)];
        if (!changed) continue;
        const DataBytes& d = data.folder.file(info.id);
        const auto read = read_files.find(d.path);
        changed = read == read_files.end() || read->second.size() > d.bytes.size() ||
                  std::memcmp(read->second.data(), d.bytes.data(), read->second.size()) != 0;
    }
}

std::string change_line(const Change& c, const Field& f, const std::string& caption) {
    std::string line = "slot " + std::to_string(c.slot) + ": " + f.key + " (" + terminal_text(caption) +
                       "): " + shown_value(f, c.before) + " -> " + shown_value(f, c.after);
    if (!c.note.empty()) line += " (" + c.note + ")";
    if (c.suspect != Suspect::None) line += " [" + std::string(suspect_text(c.suspect)) + "]";
    return line + "\n";
}

// The suspect changes per column, by class, so that a bulk change stands out:
// "  MonstersSetup.vrh@169000[7] (Scale): 326 (326 floats of the column rounded to fewer digits)".
std::string suspect_counts(const std::vector<Field>& fields, const std::vector<std::string>& captions,
                           const Plan& plan) {
    std::map<int, std::map<Suspect, std::size_t>> counts;
    for (const Change& c : plan.changes)
        if (c.suspect != Suspect::None && fields[static_cast<std::size_t>(c.field)].kind != FieldKind::After)
            ++counts[c.field][c.suspect];
    std::string out;
    for (const auto& [field, classes] : counts) {
        std::size_t total = 0;
        std::string parts;
        for (const auto& [what, n] : classes) {
            total += n;
            parts += (parts.empty() ? "" : ", ") + std::to_string(n) + " " + suspect_text(what);
        }
        const std::size_t f = static_cast<std::size_t>(field);
        out += "  " + fields[f].key + " (" + terminal_text(captions[f]) + "): " + std::to_string(total) + " (" + parts +
               ")\n";
    }
    return out;
}

// What changed, slot by slot, in slot and field order, the suspect changes
// apart under `suspect_title`; counts the slots of what is written.
std::string change_lines(const Dataset& data, const std::vector<Field>& fields, Plan& plan, std::size_t held,
                         const std::string& suspect_title, bool dropped, std::size_t& slot_count) {
    const std::vector<std::string> captions = field_captions(data, fields);
    auto in_order = [](const Change& a, const Change& b) { return a.slot != b.slot ? a.slot < b.slot : a.field < b.field; };
    if (!std::is_sorted(plan.changes.begin(), plan.changes.end(), in_order))  // an export is in order already
        std::stable_sort(plan.changes.begin(), plan.changes.end(), in_order);
    std::string report, suspects;
    report.reserve(plan.changes.size() * 80);
    std::vector<bool> changed_slot(kSlots, false);
    slot_count = 0;
    for (const Change& c : plan.changes) {
        const Field& f = fields[static_cast<std::size_t>(c.field)];
        const std::string line = change_line(c, f, captions[static_cast<std::size_t>(c.field)]);
        if (c.suspect != Suspect::None) suspects += line;
        else report += line;
        if ((c.suspect == Suspect::None || !dropped) && !changed_slot[static_cast<std::size_t>(c.slot)]) {
            changed_slot[static_cast<std::size_t>(c.slot)] = true;
            ++slot_count;
        }
    }
    if (held > 0)
        report += suspect_title + " (" + std::to_string(held) + "):\n" + suspects + "by column:\n" +
                  suspect_counts(fields, captions, plan);
    return report;
}

// The files to write: data files whose bytes changed, language files with new lines.
std::vector<Write> planned_writes(const Dataset& data, const Plan& plan) {
    std::vector<Write> writes;
    for (const DataFileInfo& info : data_files()) {
        if (!plan.data_changed[static_cast<std::size_t>(info.id)]) continue;
        const DataBytes& d = data.folder.file(info.id);
        // The file keeps its own length (bytes past the fixed size stay).
        writes.push_back({info.name, d.path,
                          std::string(reinterpret_cast<const char*>(d.bytes.data()), std::max(d.length, info.size))});
    }
    for (int k = 0; k < 5; ++k) {
        const auto& lines = plan.lines[static_cast<std::size_t>(k)];
        if (lines.empty()) continue;
        const LanguageText& t = data.text(static_cast<TextKind>(k));
        writes.push_back({t.name, t.path, replace_lines(t.bytes, lines, OtherLines::KeepEnders, EmptyPastEnd::Extends)});
    }
    return writes;
}

// What the suspect changes make of the import.
enum class Held { None, Waiting, Accepted, Dropped };

// The closing line of the report: how much changed and what is (or would be) written.
std::string summary_line(std::size_t changed, std::size_t slot_count, std::size_t held, Held fate,
                         const std::vector<Write>& writes, bool dry_run) {
    std::string report = std::to_string(changed) + (changed == 1 ? " field" : " fields") + " changed in " +
                         std::to_string(slot_count) + (slot_count == 1 ? " slot" : " slots");
    const std::string n = std::to_string(held);
    switch (fate) {
        case Held::None: break;
        case Held::Waiting:
            return report + "; " + n + " of them held back as suspect (--accept-suspect writes them too, "
                   "--drop-suspect writes the others); " + (dry_run ? "dry run: " : "") + "nothing written\n";
        case Held::Accepted: report += ", " + n + " of them suspect and accepted"; break;
        case Held::Dropped: report += "; " + n + (held == 1 ? " suspect change" : " suspect changes") + " left out"; break;
    }
    if (writes.empty()) {
        report += "; nothing to write\n";
    } else {
        report += dry_run ? "; would write " : "; writing ";
        for (std::size_t i = 0; i < writes.size(); ++i) report += (i ? ", " : "") + writes[i].name;
        report += dry_run ? " (dry run: nothing written)\n" : "\n";
    }
    return report;
}

// Writes the import as one write of the folder (all of these files or none),
// checking that each file still holds what was read; then the report's fate.
int write_import(const ImportOptions& options, FileOps& ops, FolderLock& lock,
                 const std::map<std::string, std::string>& read_files, const std::vector<Write>& writes,
                 const Plan& plan, bool dropped, std::ostream& out, std::ostream& err) {
    std::vector<PlannedFile> planned;
    for (const Write& w : writes) {
        const auto read = read_files.find(w.path);
        planned.push_back({folder_relative_name(options.root, w.path),
                           read == read_files.end() ? std::nullopt : std::optional<std::string>(read->second), w.bytes});
    }
    std::vector<int> slots;
    for (const Change& c : plan.changes)
        if (!dropped || c.suspect == Suspect::None) slots.push_back(c.slot);
    if (const Result<Committed> r = commit_import(options.root, ops, planned, std::move(slots), lock); !r.ok()) {
        err << "creatures import: " << r.fault() << "\n";
        return kExitError;
    }
    if (!out) {
        // The files are written; only the report is lost. Say so, and exit as a
        // successful import: a script must not take the folder for unchanged.
        std::string names;
        for (const Write& w : writes) names += (names.empty() ? "" : ", ") + w.name;
        err << "creatures import: the report could not be written to standard output, but the import is "
               "done: wrote "
            << names << "\n";
        mark_output_failure_reported(out);
    }
    return kExitOk;
}

// A file whose texts are in the other language than the folder's current one
// writes them into the files of its own language (the numbers are the same in
// both): said first, so that nobody takes the report for the folder's texts.
std::string language_note(const ImportTable& table, const Dataset& data, const std::vector<Field>& fields) {
    if (!table.language || *table.language == data.folder.language) return {};
    const bool texts = std::any_of(table.entries.begin(), table.entries.end(), [&](const ImportEntry& e) {
        return std::any_of(e.cells.begin(), e.cells.end(), [&](const ImportCell& c) {
            return fields[static_cast<std::size_t>(c.field)].kind == FieldKind::Line;
        });
    });
    if (!texts) return {};
    const std::string language = language_name(*table.language);
    return "the file's texts are " + language + " and the folder's language is " +
           language_name(data.folder.language) + ": its names, plurals and abilities are compared with and written "
           "to the " + language + " files\n";
}

}  // namespace


int run_import(const ImportOptions& options, FileOps& ops, std::istream& in, std::ostream& out,
               std::ostream& err) {
    const std::string label = options.file == "-" ? std::string("standard input") : options.file;
    if (Status problem = folder_problem(options.root); !problem.ok()) {
        err << "creatures import: " << problem.message() << "\n";
        return kExitError;
    }
    std::string piped;
    WholeFile file;
    std::string_view text;
    if (!read_input(options, in, piped, file, text, err)) return kExitError;

    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    const bool json = is_json(options, text);
    ImportTable table = json ? read_json_table(text, fields, faults) : read_csv_table(text, fields, faults);

    // The folder is read under its lock, held to the commit, so that no other
    // write lands between the reading and the write (a dry run reads without).
    FolderLock lock;
    if (!options.dry_run) {
        if (Status e = lock_for_write(ops, options.root, lock); !e.ok()) {
            err << "creatures import: " << e.fault().followed_by("; nothing was written") << "\n";
            return kExitError;
        }
    }
    Dataset data = load_dataset(options.root, table.language.value_or(-1));
    const std::map<std::string, std::string> read_files = files_as_read(data);  // what the write checks
    const std::vector<std::string> folder_faults = data_faults(data.folder);
    if (!folder_faults.empty()) {
        err << "creatures import: " << folder_label(options.root) << " cannot be used:\n";
        for (const std::string& f : folder_faults) err << "  " << f << "\n";
        return kExitError;
    }

    Plan plan;
    plan.faults = std::move(faults);
    Importer(data, fields).apply(table, options.class_changes, plan);
    if (!plan.faults.empty()) {
        report_faults(label, plan.faults, err);
        return kExitError;
    }

    const std::size_t held = settle_suspects(plan, fields.size());
    const Held fate = held == 0                ? Held::None
                      : options.accept_suspect ? Held::Accepted
                      : options.drop_suspect   ? Held::Dropped
                                               : Held::Waiting;
    if (fate == Held::Dropped) drop_suspects(data, plan, read_files);
    const char* title = fate == Held::Accepted  ? "suspect, accepted: changes that look like a program's reformatting"
                        : fate == Held::Dropped ? "left out: changes that look like a program's reformatting"
                                                : "held back: changes that look like a program's reformatting "
                                                  "rather than an edit";
    std::size_t slot_count = 0;
    std::string report = language_note(table, data, fields);
    report += change_lines(data, fields, plan, held, title, fate == Held::Dropped, slot_count);
    const std::vector<Write> writes = planned_writes(data, plan);
    const std::size_t changed = plan.changes.size() - (fate == Held::Dropped ? held : 0);
    report += summary_line(changed, slot_count, held, fate, writes, options.dry_run);
    out << report;
    out.flush();
    if (fate == Held::Waiting && !options.dry_run) {
        err << "creatures import: " << held << (held == 1 ? " change looks" : " changes look")
            << " like a program's reformatting rather than an edit; nothing was written (--accept-suspect "
               "writes them too, --drop-suspect writes the others)\n";
        return kExitError;
    }
    if (options.dry_run || writes.empty() || fate == Held::Waiting) return kExitOk;
    return write_import(options, ops, lock, read_files, writes, plan, fate == Held::Dropped, out, err);
}

}  // namespace ce
