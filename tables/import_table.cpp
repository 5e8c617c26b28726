#include "tables/import_table.h"

#include "tables/libraries.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

#include <iterator>
#include <unordered_map>

#include "tables/csv.h"
#include "tables/export_table.h"
#include "store/quoted_text.h"
#include "folder/dataset.h"
#include "store/value_text.h"

namespace ce {
namespace {

std::unordered_map<std::string_view, int> key_index(const std::vector<Field>& fields) {
    std::unordered_map<std::string_view, int> index;
    for (std::size_t i = 0; i < fields.size(); ++i) index.emplace(fields[i].key, static_cast<int>(i));
    return index;
}

// --- CSV -------------------------------------------------------------------------

std::string csv_place(int row, int column, std::string_view key) {
    std::string s = "row " + std::to_string(row) + ", column " + std::to_string(column) + " (" +
                    column_letters(column);
    if (!key.empty()) s += ", " + std::string(key);
    return s + ")";
}

// Checks each record as the reader meets it: the header names the columns, each
// later record becomes an entry (or a fault). Only the current record's fields
// are held, and no more of them than the header has columns. The slot column
// may be anywhere; its header may name the texts' language ("slot (English)").
class CsvTableReader final : public CsvVisitor {
public:
    CsvTableReader(const std::vector<Field>& fields, FaultList& faults, ImportTable& table)
        : fields_(fields), index_(key_index(fields)), faults_(faults), table_(table),
          first_column_(fields.size(), 0), slot_row_(kSlots, 0) {}

    bool read_any() const { return records_ > 0; }
    bool stopped() const { return stopped_; }
    int last_row() const { return last_row_; }

    bool field(int row, int, int column, std::string& text) override {
        if (records_ == 0) return header_field(row, column, text);
        if (static_cast<std::size_t>(column) <= column_field_.size()) cells_.push_back(std::move(text));
        return true;
    }

    bool end_record(int row, int, int columns) override {
        last_row_ = row;
        if (records_++ == 0) return header_end(row, columns);
        std::vector<std::string> cells = std::move(cells_);
        cells_.clear();
        const std::size_t slot_at = static_cast<std::size_t>(slot_column_ - 1);
        if (records_ == 2 && slot_at < cells.size() && cells[slot_at] == kCaptionsMarker) return true;
        if (static_cast<std::size_t>(columns) != column_field_.size()) {
            faults_.push_back("row " + std::to_string(row) + ": " + std::to_string(columns) +
                              " fields, but the header row has " + std::to_string(column_field_.size()));
            return true;
        }
        auto slot = parse_slot(cells[slot_at]);
        if (!slot) {
            faults_.push_back(csv_place(row, slot_column_, "slot") + ": " +
                              slot_fault(quoted_piece(cells[slot_at])).message());
            return true;
        }
        if (int first = slot_row_[static_cast<std::size_t>(*slot)]) {
            if (faults_.full()) return faults_.count_only(), true;
            faults_.push_back(csv_place(row, slot_column_, "slot") + ": slot " + std::to_string(*slot) +
                              " appears again (first in row " + std::to_string(first) + ")");
            return true;
        }
        slot_row_[static_cast<std::size_t>(*slot)] = row;
        ImportEntry entry;
        entry.slot = *slot;
        if (digest_column_) {
            const std::size_t at = static_cast<std::size_t>(digest_column_ - 1);
            if (!digest_) digest_.emplace(header_, at);
            entry.as_exported = cells[at].size() == kDigestLength && cells[at] == (*digest_)(cells);
        }
        entry.cells.reserve(cells.size() - 1);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (column_field_[c] < 0) continue;  // the slot
            ImportCell cell;
            cell.field = column_field_[c];
            cell.type = CellType::Text;
            cell.line = row;
            cell.column = static_cast<int>(c) + 1;
            cell.text = std::move(cells[c]);
            entry.cells.push_back(std::move(cell));
        }
        table_.entries.push_back(std::move(entry));
        return true;
    }

    // Whether the table holds every field (but the bytes after texts) of every slot.
    bool full() const {
        if (table_.entries.size() != static_cast<std::size_t>(kSlots)) return false;
        for (std::size_t f = 0; f < fields_.size(); ++f)
            if (fields_[f].kind != FieldKind::After && first_column_[f] == 0) return false;
        return true;
    }

private:
    static constexpr int kSlotColumn = -1;
    static constexpr int kDigestColumn = -2;
    bool one_cell_first_ = false;  // the first header cell is unknown and holds a ';' or a tab

    // What a header cell that names no field says; the unnamed column a pandas
    // table has for its row index is named as such.
    static std::string unknown_key(std::string_view text) {
        if (text.empty())
            return "a column without a key, as pandas writes its row index: write the table with index=False, "
                   "or delete the column";
        return "unknown key " + quoted_piece(text);
    }

    bool header_field(int row, int column, const std::string& text) {
        if (column == 1) first_ = text.substr(0, 4096);
        if (header_ok_) header_.push_back(text);
        if (text == kDigestKey) {
            if (digest_column_) {
                faults_.push_back(csv_place(row, column, "") + ": the digest column appears again (first in column " +
                                  std::to_string(digest_column_) + ")");
                header_ok_ = false;
            }
            digest_column_ = column;
            column_field_.push_back(kDigestColumn);
            return true;
        }
        std::optional<int> language;
        if (is_slot_header(text, language)) {
            if (slot_column_) {
                faults_.push_back(csv_place(row, column, "slot") + ": the slot column appears again (first in "
                                  "column " + std::to_string(slot_column_) + ")");
                header_ok_ = false;
            }
            slot_column_ = column;
            table_.language = language;
            column_field_.push_back(kSlotColumn);
            return true;
        }
        auto it = index_.find(text);
        if (it == index_.end()) {
            if (faults_.full()) faults_.count_only();
            // A first cell holding a separator other than the comma is said once,
            // at the header's end, when it turns out to be the whole header.
            else if (column == 1 && text.find_first_of(";\t") != std::string::npos) one_cell_first_ = true;
            else faults_.push_back(csv_place(row, column, "") + ": " + unknown_key(text));
            header_ok_ = false;
        } else if (int first = first_column_[static_cast<std::size_t>(it->second)]) {
            if (faults_.full()) faults_.count_only();
            else faults_.push_back(csv_place(row, column, text) + ": the key appears again (first in column " +
                              std::to_string(first) + ")");
            header_ok_ = false;
        } else {
            first_column_[static_cast<std::size_t>(it->second)] = column;
        }
        // Each key appears once in a good header, so it is never longer than the
        // field table; a longer one is reported above and needs no columns kept.
        if (header_ok_) column_field_.push_back(it->second);
        return true;
    }

    bool header_end(int row, int columns) {
        if (slot_column_ == 0) {
            // A first cell such as "a;b" before other columns is a fault of its own.
            if (one_cell_first_ && columns > 1) faults_.push_back(csv_place(row, 1, "") + ": " + unknown_key(first_));
            faults_.push_back(csv_place(row, 1, "") + ": " + missing_slot(columns));
            stopped_ = true;
            return false;
        }
        if (one_cell_first_) faults_.push_back(csv_place(row, 1, "") + ": " + unknown_key(first_));
        stopped_ = !header_ok_;  // a header fault: the rows cannot be read by it
        return header_ok_;
    }

    // Why the header has no "slot" column, with what the first cell suggests
    // (the cell cut short: a header read as one cell may be kilobytes).
    std::string missing_slot(int columns) const {
        std::string why = "no column is headed \"slot\" or \"" + slot_header(0) + "\" (the first is " +
                          quoted_piece(first_) + ")";
        if (first_.starts_with("\xC3\xAF\xC2\xBB\xC2\xBF"))
            return why + ": the file begins with a byte-order mark read as text (\"\xC3\xAF\xC2\xBB\xC2\xBF\"), so a program "
                         "read this UTF-8 file as Windows-1252 or Latin-1 and saved it so; open it as UTF-8";
        if (columns == 1 && first_.find('\t') != std::string::npos)
            return why + ": the fields seem to be separated by tabs; save the file with commas";
        if (columns == 1 && first_.find(';') != std::string::npos)
            return why + ": the fields seem to be separated by ';'; save the file with commas";
        return why;
    }

    const std::vector<Field>& fields_;
    std::unordered_map<std::string_view, int> index_;
    FaultList& faults_;
    ImportTable& table_;
    std::vector<int> first_column_;   // per field: its column in the header, 0 when none
    std::vector<int> slot_row_;       // per slot: the row that named it, 0 when none
    std::vector<int> column_field_;   // per column of a good header: the field, or kSlotColumn
    std::vector<std::string> cells_;  // the current record's fields
    std::string first_;               // the header's first field
    std::vector<std::string> header_; // the header's cells, for the rows' digests
    int slot_column_ = 0;             // the column of "slot", 0 when none yet
    int digest_column_ = 0;           // the column of "digest", 0 when none
    std::optional<RowDigest> digest_;  // made at the first row
    bool header_ok_ = true;
    int records_ = 0;
    int last_row_ = 0;
    bool stopped_ = false;
};

// A file in UTF-16 (which spreadsheets call "Unicode") begins with its byte-order mark.
bool is_utf16(std::string_view text) { return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"); }

}  // namespace

std::string slot_header(int language) { return std::string("slot (") + language_name(language) + ")"; }

bool is_slot_header(std::string_view cell, std::optional<int>& language) {
    language.reset();
    if (!cell.starts_with("slot")) return false;
    if (cell == "slot") return true;
    for (int l : {0, 1})
        if (cell == slot_header(l)) {
            language = l;
            return true;
        }
    return false;
}

bool is_json_table(std::string_view path, std::string_view text) {
    std::string lower;
    for (char c : path) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.ends_with(".json")) return true;
    if (lower.ends_with(".csv")) return false;
    for (char c : without_bom(text)) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '[';
    }
    return false;
}

ImportTable read_csv_table(std::string_view text, const std::vector<Field>& fields, FaultList& faults) {
    ImportTable table;
    if (is_utf16(text)) {
        faults.push_back("the file is UTF-16 (it begins with that byte-order mark): save it as UTF-8");
        return table;
    }
    CsvTableReader reader(fields, faults, table);
    if (auto e = read_csv_fields(text, reader, kLongestValue)) {
        faults.push_back(csv_place(e->row, e->column, "") + ": " + e->message);
        return table;
    }
    if (!reader.read_any()) {
        faults.push_back("the file is empty (a header row \"slot,<key>,...\" is needed)");
        return table;
    }
    if (!reader.stopped() && text.back() != '\n' && text.back() != '\r') {
        // Every row we write ends with one: without it the file may have been cut short.
        faults.push_back("row " + std::to_string(reader.last_row()) +
                         ": the last row does not end with a line break; the file may have been cut short");
    }
    table.full = reader.full();
    return table;
}

#if CE_CLI_LIBRARIES
// --- JSON ------------------------------------------------------------------------

namespace {

// An input iterator over the text that records how far the parser has read, so
// that every value can be placed on its line.
class TrackingIterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    TrackingIterator(const char* p, const char** last) : p_(p), last_(last) {}
    const char& operator*() const {
        *last_ = p_;
        return *p_;
    }
    TrackingIterator& operator++() {
        ++p_;
        return *this;
    }
    TrackingIterator operator++(int) {
        TrackingIterator old = *this;
        ++p_;
        return old;
    }
    bool operator==(const TrackingIterator& o) const { return p_ == o.p_; }
    bool operator!=(const TrackingIterator& o) const { return p_ != o.p_; }

private:
    const char* p_;
    const char** last_;
};

using json = nlohmann::json;

class TableReader : public nlohmann::json_sax<json> {
public:
    TableReader(std::string_view text, const std::vector<Field>& fields, FaultList& faults,
                ImportTable& table)
        : text_(text), fields_(fields), index_(key_index(fields)), faults_(faults), table_(table),
          last_(text.data()), slot_entry_(kSlots, -1) {}

    const char** last_read() { return &last_; }
    bool saw_creatures() const { return saw_creatures_; }

    bool null() override { return scalar(CellType::Other, "null"); }
    bool boolean(bool v) override { return scalar(CellType::Other, v ? "true" : "false"); }
    bool number_integer(number_integer_t v) override { return scalar(CellType::Number, integer_text(v)); }
    bool number_unsigned(number_unsigned_t v) override {
        return scalar(CellType::Number, v == 0 ? integer_text(0) : std::to_string(v));
    }
    bool number_float(number_float_t, const string_t& s) override { return scalar(CellType::Number, s); }
    bool string(string_t& s) override { return scalar(CellType::String, std::move(s)); }
    bool binary(binary_t&) override { return scalar(CellType::Other, "binary"); }

    bool start_object(std::size_t) override {
        if (skip_ > 0) return ++skip_, true;
        if (stack_.empty()) {
            stack_.push_back(Ctx::Top);
            return true;
        }
        if (stack_.back() == Ctx::Creatures) {
            stack_.push_back(Ctx::Creature);
            entry_ = ImportEntry{};
            entry_.index = count_;
            entry_line_ = line();
            entry_slot_where_.clear();
            seen_.assign(fields_.size(), false);
            return true;
        }
        return nested("an object");
    }
    bool end_object() override {
        if (skip_ > 0) return --skip_, true;
        if (!stack_.empty() && stack_.back() == Ctx::Creature) finish_entry();
        if (!stack_.empty()) stack_.pop_back();
        pending_ = Pending::None;
        return true;
    }
    bool start_array(std::size_t) override {
        if (skip_ > 0) return ++skip_, true;
        if (stack_.empty() || (stack_.back() == Ctx::Top && pending_ == Pending::Creatures)) {
            if (stack_.empty()) stack_.push_back(Ctx::Top);  // a bare array of creatures
            stack_.push_back(Ctx::Creatures);
            saw_creatures_ = true;
            pending_ = Pending::None;
            return true;
        }
        return nested("an array");
    }
    bool end_array() override {
        if (skip_ > 0) return --skip_, true;
        if (!stack_.empty()) stack_.pop_back();
        return true;
    }

    bool key(string_t& k) override {
        if (skip_ > 0) return true;
        key_ = k;
        key_where_ = line();
        if (stack_.back() == Ctx::Top) {
            if (k == "language" || k == "creatures") {
                int& first = k == "language" ? language_line_ : creatures_line_;
                if (first > 0) {
                    // A second one would be merged or win silently: which did the author mean?
                    fault("line " + std::to_string(key_where_) + ": the key " + quoted_piece(k) +
                          " appears again (first on line " + std::to_string(first) + ")");
                    pending_ = Pending::Ignore;
                    return true;
                }
                first = key_where_;
            }
            if (k == "language") pending_ = Pending::Language;
            else if (k == "creatures") pending_ = Pending::Creatures;
            else {
                fault("line " + std::to_string(key_where_) + ": unknown key " + quoted_piece(k) +
                      " (the file holds \"language\" and \"creatures\")");
                pending_ = Pending::Ignore;
            }
            return true;
        }
        // A creature's key.
        if (k == "slot") {
            pending_ = Pending::Slot;
            return true;
        }
        auto it = index_.find(k);
        if (it == index_.end()) {
            fault(place() + ": unknown key");
            pending_ = Pending::Ignore;
            return true;
        }
        if (seen_[static_cast<std::size_t>(it->second)]) {
            fault(place() + ": the key appears twice in this creature");
            pending_ = Pending::Ignore;
            return true;
        }
        seen_[static_cast<std::size_t>(it->second)] = true;
        field_ = it->second;
        pending_ = Pending::Field;
        return true;
    }

    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& ex) override {
        const std::size_t at = std::min(position > 0 ? position - 1 : 0, text_.size());
        if (ex.id == 406) {  // a number beyond the range of a double
            fault(position_text(at) + ": the number " + message_piece(token) +
                  " is too large for any field");
            return false;
        }
        std::string what = ex.what();
        // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
        const std::size_t colon = what.find(": ");
        if (colon != std::string::npos) what = what.substr(colon + 2);
        fault(position_text(at) + ": not well-formed JSON: " + what);
        return false;
    }

private:
    enum class Ctx { Top, Creatures, Creature };
    enum class Pending { None, Language, Creatures, Slot, Field, Ignore };

    // An integer as written: the parser reads "-0" as 0, and a float field keeps
    // the sign of its zero.
    std::string integer_text(std::int64_t v) const {
        if (v != 0 || text_.empty()) return std::to_string(v);
        const char* begin = text_.data();
        const char* p = last_;  // the byte after the number, or its last digit at the end of the text
        if (p > begin && !(*p >= '0' && *p <= '9')) --p;
        while (p > begin && *p >= '0' && *p <= '9') --p;
        return *p == '-' ? "-0" : "0";
    }

    int line() {
        const std::size_t pos = static_cast<std::size_t>(last_ - text_.data());
        for (; counted_ < pos && counted_ < text_.size(); ++counted_)
            if (text_[counted_] == '\n') ++line_;
        return line_;
    }

    std::string position_text(std::size_t at) const {
        int line = 1, column = 1;
        for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column);
    }

    std::string place() {
        std::string s = "line " + std::to_string(key_where_) + ", creatures[" + std::to_string(count_) + "]";
        if (!entry_slot_where_.empty()) s += " (slot " + entry_slot_where_ + ")";
        return s + ", key " + quoted_piece(key_);
    }

    void fault(std::string message) { faults_.push_back(std::move(message)); }

    bool nested(const char* what) {
        switch (pending_) {
            case Pending::Field:
            case Pending::Slot:
            case Pending::Language:
                fault(place_of_pending() + ": expected a single value, found " + what);
                break;
            case Pending::Creatures:
                fault("line " + std::to_string(key_where_) + ": \"creatures\" must be an array, found " + what);
                break;
            case Pending::Ignore: break;
            case Pending::None:
                if (!stack_.empty() && stack_.back() == Ctx::Creatures) {
                    fault("line " + std::to_string(line()) + ", creatures[" + std::to_string(count_) +
                          "]: expected an object for each creature, found " + what);
                    ++count_;
                } else {
                    fault("line " + std::to_string(line()) + ": unexpected " + what);
                }
                break;
        }
        skip_ = 1;
        pending_ = Pending::None;
        return true;
    }

    std::string place_of_pending() {
        if (pending_ == Pending::Language) return "line " + std::to_string(key_where_) + ", key \"language\"";
        return place();
    }

    bool scalar(CellType type, std::string text) {
        if (skip_ > 0) return true;
        if (stack_.empty()) {
            fault("line 1: expected an object with \"creatures\" or an array of creatures");
            return true;
        }
        const Pending pending = pending_;
        pending_ = Pending::None;
        switch (pending) {
            case Pending::Ignore: return true;
            case Pending::Language:
                if (type == CellType::String && (text == "English" || text == "Russian"))
                    table_.language = text == "Russian" ? 1 : 0;
                else
                    fault("line " + std::to_string(key_where_) +
                          ": \"language\" must be \"English\" or \"Russian\", found " + quoted_piece(text));
                return true;
            case Pending::Creatures:
                fault("line " + std::to_string(key_where_) + ": \"creatures\" must be an array");
                return true;
            case Pending::Slot: return slot_value(type, text);
            case Pending::Field: {
                ImportCell cell;
                cell.field = field_;
                cell.type = type;
                cell.line = key_where_;
                cell.text = std::move(text);
                entry_.cells.push_back(std::move(cell));
                return true;
            }
            case Pending::None: break;
        }
        if (stack_.back() == Ctx::Creatures) {
            fault("line " + std::to_string(line()) + ", creatures[" + std::to_string(count_) +
                  "]: expected an object for each creature, found " + (type == CellType::String ? quoted_piece(text) : message_piece(text)));
            ++count_;
        } else {
            fault("line " + std::to_string(line()) + ": unexpected value " + message_piece(text));
        }
        return true;
    }

    bool slot_value(CellType type, const std::string& text) {
        auto slot = type == CellType::Number ? parse_slot(text) : std::nullopt;
        if (!slot) {
            fault(place() + ": " + slot_fault(type == CellType::String ? quoted_piece(text) : message_piece(text)).message());
            entry_.slot = -2;  // reported; do not report a missing slot as well
        } else if (entry_.slot != -1) {
            fault(place() + ": the key appears twice in this creature");
        } else {
            entry_.slot = *slot;
            entry_slot_where_ = std::to_string(*slot);
        }
        return true;
    }

    void finish_entry() {
        const std::string where = "line " + std::to_string(entry_line_) + ", creatures[" + std::to_string(count_) + "]";
        if (entry_.slot == -1) {
            fault(where + ": the creature has no \"slot\"");
        } else if (entry_.slot >= 0) {
            auto& first = slot_entry_[static_cast<std::size_t>(entry_.slot)];
            if (first >= 0) {
                fault(where + ": slot " + std::to_string(entry_.slot) + " appears again (first in creatures[" +
                      std::to_string(first) + "])");
            } else {
                first = count_;
                table_.entries.push_back(std::move(entry_));
            }
        }
        entry_ = ImportEntry{};
        ++count_;
    }

    std::string_view text_;
    const std::vector<Field>& fields_;
    std::unordered_map<std::string_view, int> index_;
    FaultList& faults_;
    ImportTable& table_;
    const char* last_;
    std::size_t counted_ = 0;
    int line_ = 1;

    std::vector<Ctx> stack_;
    int skip_ = 0;
    Pending pending_ = Pending::None;
    std::string key_;
    int key_where_ = 1;
    int field_ = -1;
    int count_ = 0;  // index of the current creature in the array
    ImportEntry entry_;
    int entry_line_ = 1;
    std::string entry_slot_where_;
    std::vector<bool> seen_;
    std::vector<int> slot_entry_;
    bool saw_creatures_ = false;
    int language_line_ = 0, creatures_line_ = 0;  // where the top-level keys were first met
};

}  // namespace

// Where a string or number longer than kLongestValue starts, if any: refused
// before parsing, so that the parser never holds it.
std::optional<std::size_t> overlong_token(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const char c = text[i];
        const std::size_t start = i;
        if (c == '"') {
            for (++i; i < n && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            ++i;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            while (i < n && (text[i] == '-' || text[i] == '+' || text[i] == '.' || text[i] == 'e' ||
                             text[i] == 'E' || (text[i] >= '0' && text[i] <= '9')))
                ++i;
        } else {
            ++i;
            continue;
        }
        if (i - start > kLongestValue + 2) return start;
    }
    return std::nullopt;
}

ImportTable read_json_table(std::string_view text, const std::vector<Field>& fields, FaultList& faults) {
    ImportTable table;
    table.json = true;
    text = without_bom(text);
    if (auto at = overlong_token(text)) {
        std::size_t line = 1, line_start = 0;
        for (std::size_t i = 0; i < *at; ++i)
            if (text[i] == '\n') ++line, line_start = i + 1;
        faults.push_back("line " + std::to_string(line) + ", column " + std::to_string(*at - line_start + 1) +
                         ": a text or number longer than " + std::to_string(kLongestValue) +
                         " bytes, more than any field holds");
        return table;
    }
    TableReader reader(text, fields, faults, table);
    TrackingIterator first(text.data(), reader.last_read());
    TrackingIterator last(text.data() + text.size(), reader.last_read());
    const std::size_t before = faults.size();
    const bool ok = json::sax_parse(first, last, &reader);
    if (!ok && faults.size() == before) faults.push_back("not well-formed JSON");
    if (ok && faults.size() == before && !reader.saw_creatures())
        faults.push_back("line 1: the file holds no \"creatures\" array");
    return table;
}
#else
ImportTable read_json_table(std::string_view, const std::vector<Field>&, FaultList& faults) {
    faults.push_back("this build cannot read JSON (no nlohmann-json headers)");
    return {};
}
#endif

std::string cell_place(const ImportTable& table, const ImportEntry& entry, const ImportCell& cell,
                       const std::vector<Field>& fields) {
    const std::string& key = fields[static_cast<std::size_t>(cell.field)].key;
    if (!table.json) return csv_place(cell.line, cell.column, key);
    return "line " + std::to_string(cell.line) + ", creatures[" + std::to_string(entry.index) + "] (slot " +
           std::to_string(entry.slot) + "), key " + quote_text(key);
}

}  // namespace ce
