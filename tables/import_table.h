// An export read back for import: the creatures it holds with their values,
// each value with the place in the file where it was found, so that every fault
// can name its row and column. Reading checks the form of the file (well-formed
// CSV or JSON, known keys, one value per key and slot); the values themselves
// are checked against the data folder by the import.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "folder/field_value.h"
#include "folder/fields.h"
#include "store/fault.h"
#include "store/inside_folder.h"

namespace ce {

// The row of captions that a CSV may hold under its header starts with this.
constexpr const char* kCaptionsMarker = "caption";



struct ImportCell {
    int field = -1;         // index into the field table
    CellType type = CellType::Text;
    int line = 0;           // CSV: the row; JSON: the line of the value
    int column = 0;         // CSV: the column (JSON: 0)
    std::string text;
};

struct ImportEntry {
    int slot = -1;
    // A CSV row whose digest matches its cells: exactly as exported, so none
    // of its changes is a program's reformatting.
    bool as_exported = false;
    int index = 0;          // JSON: the creature's index in the array
    std::vector<ImportCell> cells;
};

struct ImportTable {
    bool json = false;
    std::optional<int> language;      // JSON "language", the CSV's language marker, when given
    // Every field but the bytes after texts, of every slot: a full export. A
    // JSON table counts as one (its creatures name the bytes after a text
    // wherever they are not all zero).
    bool full = true;
    std::vector<ImportEntry> entries;
};

// The CSV says its texts' language in the header of its slot column: "slot
// (English)", "slot (Russian)". A spreadsheet keeps a header cell as it is,
// and a table whose slot column is headed "slot" alone is read as before (its
// texts are in the folder's language).
std::string slot_header(int language);
// Whether a header cell heads the slot column; `language` receives the
// language it names, if any.
bool is_slot_header(std::string_view cell, std::optional<int>& language);

// Faults as they are found: the first `kept` of them, and how many there were
// (a file can hold millions of faults; a person reads the first few). A fault
// given in words alone is one of the file's data (FaultKind::invalid).
class FaultList {
public:
    static constexpr std::size_t kKept = 100;
    explicit FaultList(std::size_t kept = kKept) : kept_(kept) {}
    void push_back(Fault fault) {
        if (faults_.size() < kept_) faults_.push_back(std::move(fault));
        ++count_;
    }
    void push_back(std::string reason) { push_back(Fault(FaultKind::invalid, "", std::move(reason))); }
    void push_back(const char* reason) { push_back(std::string(reason)); }
    // Whether further faults are only counted: a caller may then count a
    // fault without spelling it out.
    bool full() const { return faults_.size() >= kept_; }
    void count_only() { ++count_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // The faults kept, in the order found.
    const std::vector<Fault>& kept() const { return faults_; }
    auto begin() const { return faults_.begin(); }
    auto end() const { return faults_.end(); }

private:
    std::size_t kept_;
    std::size_t count_ = 0;
    std::vector<Fault> faults_;
};

// Where a value was found, for messages: "row 7, column 12 (L,
// MonstersSetup.vrh@27000)" or "line 40, creatures[2] (slot 2), key \"...\"".
std::string cell_place(const ImportTable& table, const ImportEntry& entry, const ImportCell& cell,
                       const std::vector<Field>& fields);

// Reads CSV (a header row "slot,<key>,..."; an optional second row of captions
// whose first field is kCaptionsMarker) or JSON ({"language": ..., "creatures":
// [{"slot": 5, "<key>": value, ...}, ...]}, or just the array). Faults are added
// to `faults` ("row 3, column 2 (B, ...): ..."); the table holds what could be
// read.
// The longest value either takes: longer than any field's value (a line is cut
// to 999 characters), short enough that no reader holds a copy of a huge one.
constexpr std::size_t kLongestValue = std::size_t{1} << 20;

// Whether a table's file is JSON: by its name (.json, .csv, any case), then
// by its first character other than a space (a '{' or a '[').
bool is_json_table(std::string_view path, std::string_view text);

// Neither keeps more than the table needs: a record is checked as it is read,
// and one whose slot came before is dropped.
ImportTable read_csv_table(std::string_view text, const std::vector<Field>& fields, FaultList& faults);
ImportTable read_json_table(std::string_view text, const std::vector<Field>& fields, FaultList& faults);

// The most that any input is read of, a file or standard input alike.
constexpr std::size_t kLargestInput = static_cast<std::size_t>(kLargestRead);



}  // namespace ce
