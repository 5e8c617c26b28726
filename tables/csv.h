// A small strict CSV reader and writer (RFC 4180).
//
// Reading: fields are separated by commas and records by CR LF, LF or a lone
// CR (what spreadsheets save on each platform). A field that starts with a
// double quote is quoted: it runs to the next quote that is not doubled, may hold
// commas and line breaks, and "" stands for one quote. A quote anywhere else, or
// anything but a comma or a record end after a closing quote, is an error, as is
// a quoted field left open at the end of the text. A UTF-8 byte order mark at
// the start is skipped. Empty lines hold no record (but count as rows, as a
// spreadsheet numbers them). The last record needs no line break.
//
// Writing: records end CR LF; a field is quoted when it holds a comma, a quote,
// a CR or LF, or starts or ends with a space or tab (so nothing trims it).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

// The byte-order mark a spreadsheet may put before UTF-8 text.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// The text without a leading byte-order mark.
constexpr std::string_view without_bom(std::string_view text) {
    return text.starts_with(kUtf8Bom) ? text.substr(kUtf8Bom.size()) : text;
}

struct CsvRecord {
    int row = 0;   // 1-based, as a spreadsheet numbers it (empty lines count)
    int line = 0;  // 1-based line of the text where the record starts
    std::vector<std::string> fields;
};

struct CsvError {
    int row = 0;
    int line = 0;
    int column = 0;  // 1-based field number
    std::string message;
};

// Parses the whole text. On error returns it; `records` then holds the records
// read before it.
std::optional<CsvError> read_csv(std::string_view text, std::vector<CsvRecord>& records);

// The same reading, one field at a time, for texts too large to hold as
// records: `field` gets each field (its text may be moved from) with the row,
// line and 1-based column of its record, `end_record` the end of each record.
// Either returns false to stop the reading (read_csv_fields then returns
// nothing).
class CsvVisitor {
public:
    virtual bool field(int row, int line, int column, std::string& text) = 0;
    virtual bool end_record(int row, int line, int columns) = 0;

protected:
    ~CsvVisitor() = default;
};
// A field longer than `longest_field` bytes is an error.
std::optional<CsvError> read_csv_fields(std::string_view text, CsvVisitor& visitor,
                                        std::size_t longest_field = std::string_view::npos);

// Appends one field, quoted when needed.
void append_csv_field(std::string& out, std::string_view field);
// Appends the fields separated by commas, and CR LF.
void append_csv_record(std::string& out, const std::vector<std::string>& fields);

// "A".."Z", "AA".. for a 1-based column number, as spreadsheets name columns.
std::string column_letters(int column);

}  // namespace ce
