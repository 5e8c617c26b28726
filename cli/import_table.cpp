#include "cli/import_table.h"

#include "cli/libraries.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

#include <iterator>
#include <unordered_map>

#include "cli/csv.h"
#include "cli/describe.h"
#include "cli/values.h"

namespace ce {
namespace {

std::unordered_map<std::string_view, int> key_index(const std::vector<Field>& fields) {
    std::unordered_map<std::string_view, int> index;
    for (std::size_t i = 0; i < fields.size(); ++i) index.emplace(fields[i].key, static_cast<int>(i));
    return index;
}

std::optional<int> parse_slot(std::string_view text) {
    auto v = parse_integer(text);
    if (!v || *v < 0 || *v >= kSlots) return std::nullopt;
    return static_cast<int>(*v);
}

// --- CSV -------------------------------------------------------------------------

std::string csv_place(int row, int column, std::string_view key) {
    std::string s = "row " + std::to_string(row) + ", column " + std::to_string(column) + " (" +
                    column_letters(column);
    if (!key.empty()) s += ", " + std::string(key);
    return s + ")";
}

}  // namespace

ImportTable read_csv_table(std::string_view text, const std::vector<Field>& fields,
                           std::vector<std::string>& faults) {
    ImportTable table;
    std::vector<CsvRecord> records;
    if (auto e = read_csv(text, records)) {
        faults.push_back(csv_place(e->row, e->column, "") + ": " + e->message);
        return table;
    }
    if (records.empty()) {
        faults.push_back("the file is empty (a header row \"slot,<key>,...\" is needed)");
        return table;
    }
    if (text.back() != '\n' && text.back() != '\r') {
        // Every row we write ends with one: without it the file may have been cut short.
        faults.push_back("row " + std::to_string(records.back().row) +
                         ": the last row does not end with a line break; the file may have been cut short");
        return table;
    }
    const auto index = key_index(fields);
    const CsvRecord& header = records.front();
    if (header.fields.empty() || header.fields[0] != "slot") {
        const std::string first = header.fields.empty() ? "" : header.fields[0];
        std::string hint;
        if (header.fields.size() == 1 && first.find(';') != std::string::npos)
            hint = " (the fields seem to be separated by ';': save the file with commas)";
        faults.push_back(csv_place(header.row, 1, "") + ": the first column must be \"slot\", found " +
                         quote_text(first) + hint);
        return table;
    }
    std::vector<int> column_field(header.fields.size(), -1);
    std::vector<int> first_column(fields.size(), 0);
    bool header_ok = true;
    for (std::size_t c = 1; c < header.fields.size(); ++c) {
        const int column = static_cast<int>(c) + 1;
        auto it = index.find(header.fields[c]);
        if (it == index.end()) {
            faults.push_back(csv_place(header.row, column, "") + ": unknown key " + quote_text(header.fields[c]));
            header_ok = false;
            continue;
        }
        if (int first = first_column[static_cast<std::size_t>(it->second)]) {
            faults.push_back(csv_place(header.row, column, header.fields[c]) + ": the key appears again (first in column " +
                             std::to_string(first) + ")");
            header_ok = false;
            continue;
        }
        first_column[static_cast<std::size_t>(it->second)] = column;
        column_field[c] = it->second;
    }
    if (!header_ok) return table;

    std::vector<int> slot_row(kSlots, 0);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& rec = records[r];  // its fields are moved into the cells below
        if (r == 1 && !rec.fields.empty() && rec.fields[0] == kCaptionsMarker) continue;
        if (rec.fields.size() != header.fields.size()) {
            faults.push_back("row " + std::to_string(rec.row) + ": " + std::to_string(rec.fields.size()) +
                             " fields, but the header row has " + std::to_string(header.fields.size()));
            continue;
        }
        auto slot = parse_slot(rec.fields[0]);
        if (!slot) {
            faults.push_back(csv_place(rec.row, 1, "slot") + ": " + quote_text(rec.fields[0]) +
                             " is not a slot (0 to 999)");
            continue;
        }
        if (int first = slot_row[static_cast<std::size_t>(*slot)]) {
            faults.push_back(csv_place(rec.row, 1, "slot") + ": slot " + std::to_string(*slot) +
                             " appears again (first in row " + std::to_string(first) + ")");
            continue;
        }
        slot_row[static_cast<std::size_t>(*slot)] = rec.row;
        ImportEntry entry;
        entry.slot = *slot;
        entry.cells.reserve(rec.fields.size() - 1);
        for (std::size_t c = 1; c < rec.fields.size(); ++c) {
            ImportCell cell;
            cell.field = column_field[c];
            cell.type = CellType::Text;
            cell.line = rec.row;
            cell.column = static_cast<int>(c) + 1;
            cell.text = std::move(records[r].fields[c]);
            entry.cells.push_back(std::move(cell));
        }
        table.entries.push_back(std::move(entry));
    }
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
    TableReader(std::string_view text, const std::vector<Field>& fields, std::vector<std::string>& faults,
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
    bool string(string_t& s) override { return scalar(CellType::String, s); }
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
                    fault("line " + std::to_string(key_where_) + ": the key " + quote_text(k) +
                          " appears again (first on line " + std::to_string(first) + ")");
                    pending_ = Pending::Ignore;
                    return true;
                }
                first = key_where_;
            }
            if (k == "language") pending_ = Pending::Language;
            else if (k == "creatures") pending_ = Pending::Creatures;
            else {
                fault("line " + std::to_string(key_where_) + ": unknown key " + quote_text(k) +
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
            fault(position_text(at) + ": the number " + token.substr(0, 40) + (token.size() > 40 ? "..." : "") +
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
        return s + ", key " + quote_text(key_);
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
                          ": \"language\" must be \"English\" or \"Russian\", found " + quote_text(text));
                return true;
            case Pending::Creatures:
                fault("line " + std::to_string(key_where_) + ": \"creatures\" must be an array");
                return true;
            case Pending::Slot: {
                auto slot = type == CellType::Number ? parse_slot(text) : std::nullopt;
                if (!slot) {
                    fault(place() + ": " + (type == CellType::String ? quote_text(text) : text) +
                          " is not a slot (0 to 999)");
                    entry_.slot = -2;  // reported; do not report a missing slot as well
                } else if (entry_.slot != -1) {
                    fault(place() + ": the key appears twice in this creature");
                } else {
                    entry_.slot = *slot;
                    entry_slot_where_ = std::to_string(*slot);
                }
                return true;
            }
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
                  "]: expected an object for each creature, found " + (type == CellType::String ? quote_text(text) : text));
            ++count_;
        } else {
            fault("line " + std::to_string(line()) + ": unexpected value " + text);
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
    std::vector<std::string>& faults_;
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

ImportTable read_json_table(std::string_view text, const std::vector<Field>& fields,
                            std::vector<std::string>& faults) {
    ImportTable table;
    table.json = true;
    text = without_bom(text);
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
ImportTable read_json_table(std::string_view, const std::vector<Field>&, std::vector<std::string>& faults) {
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
