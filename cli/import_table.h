// An export read back for import: the creatures it holds with their values,
// each value with the place in the file where it was found, so that every fault
// can name its row and column. Reading checks the form of the file (well-formed
// CSV or JSON, known keys, one value per key and slot); the values themselves
// are checked against the data folder by the import.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/fields.h"

namespace ce {

enum class CellType : std::uint8_t {
    Text,    // a CSV field: any text
    Number,  // a JSON number; `text` is the number as written
    String,  // a JSON string
    Other,   // a JSON null, true or false
};

struct ImportCell {
    int field = -1;         // index into the field table
    CellType type = CellType::Text;
    int line = 0;           // CSV: the row; JSON: the line of the value
    int column = 0;         // CSV: the column (JSON: 0)
    std::string text;
};

struct ImportEntry {
    int slot = -1;
    int index = 0;          // JSON: the creature's index in the array
    std::vector<ImportCell> cells;
};

struct ImportTable {
    bool json = false;
    std::optional<int> language;      // JSON "language", when given
    std::vector<ImportEntry> entries;
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
ImportTable read_csv_table(std::string_view text, const std::vector<Field>& fields,
                           std::vector<std::string>& faults);
ImportTable read_json_table(std::string_view text, const std::vector<Field>& fields,
                            std::vector<std::string>& faults);

}  // namespace ce
