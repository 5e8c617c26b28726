#include "tables/csv.h"

namespace ce {

namespace {

// A record break at p (CR LF, LF or CR): its length, 0 when none.
std::size_t break_at(std::string_view text, std::size_t p) {
    if (p >= text.size()) return 0;
    if (text[p] == '\n') return 1;
    if (text[p] == '\r') return (p + 1 < text.size() && text[p + 1] == '\n') ? 2 : 1;
    return 0;
}

CsvError too_long(int row, int line, int column, std::size_t longest_field) {
    return CsvError{row, line, column, "the field is longer than " + std::to_string(longest_field) + " bytes"};
}

// Where the reader is: the byte, and the record row and physical line it is in.
struct CsvPlace {
    std::size_t pos;
    int row, line;
};

// The quoted field whose opening quote is at `at.pos`, into `field` (which is
// empty); `at` moves past the closing quote and counts the line breaks inside.
std::optional<CsvError> read_quoted_field(std::string_view text, CsvPlace& at, int column, std::string& field,
                                          std::size_t longest_field) {
    std::size_t pos = at.pos + 1;
    int line = at.line;
    const int open_line = line;
    for (;;) {
        if (pos >= text.size())
            return CsvError{at.row, open_line, column, "the quoted field is not closed before the end of the file"};
        char c = text[pos];
        if (c == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                field += '"';
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        if (c == '\n' || (c == '\r' && !(pos + 1 < text.size() && text[pos + 1] == '\n'))) ++line;
        if (field.size() >= longest_field) return too_long(at.row, open_line, column, longest_field);
        field += c;
        ++pos;
    }
    at.pos = pos;
    at.line = line;
    if (pos < text.size() && text[pos] != ',' && !break_at(text, pos)) {
        return CsvError{at.row, line, column,
                        "unexpected text after the closing quote (a quote inside a "
                        "quoted field must be doubled)"};
    }
    return std::nullopt;
}

// The unquoted field at `at.pos`, up to a comma, a line break or the end.
std::optional<CsvError> read_plain_field(std::string_view text, CsvPlace& at, int column, std::string& field,
                                         std::size_t longest_field) {
    const std::size_t from = at.pos;
    std::size_t pos = from;
    while (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
        if (text[pos] == '"') {
            return CsvError{at.row, at.line, column,
                            "a quote inside an unquoted field (quote the field and "
                            "double the quote)"};
        }
        ++pos;
    }
    at.pos = pos;
    if (pos - from > longest_field) return too_long(at.row, at.line, column, longest_field);
    field.assign(text.substr(from, pos - from));
    return std::nullopt;
}

// The fields of the record at `at` to the visitor, up to its break (not
// consumed); `stop` is set when the visitor wants no more.
std::optional<CsvError> read_record(std::string_view text, CsvPlace& at, CsvVisitor& visitor,
                                    std::size_t longest_field, bool& stop) {
    const int record_row = at.row, record_line = at.line;
    int columns = 0;
    std::string field;
    for (;;) {  // one field per pass
        field.clear();
        const int column = ++columns;
        const bool quoted = at.pos < text.size() && text[at.pos] == '"';
        if (auto error = quoted ? read_quoted_field(text, at, column, field, longest_field)
                                : read_plain_field(text, at, column, field, longest_field))
            return error;
        if (!visitor.field(record_row, record_line, column, field)) {
            stop = true;
            return std::nullopt;
        }
        if (at.pos < text.size() && text[at.pos] == ',') {
            ++at.pos;
            continue;
        }
        break;  // a record break or the end of the text
    }
    stop = !visitor.end_record(record_row, record_line, columns);
    return std::nullopt;
}

}  // namespace

std::optional<CsvError> read_csv_fields(std::string_view text, CsvVisitor& visitor, std::size_t longest_field) {
    CsvPlace at{text.size() - without_bom(text).size(), 1, 1};
    while (at.pos < text.size()) {
        if (std::size_t b = break_at(text, at.pos)) {  // an empty line: no record
            at.pos += b;
            ++at.row;
            ++at.line;
            continue;
        }
        bool stop = false;
        if (auto error = read_record(text, at, visitor, longest_field, stop)) return error;
        if (stop) return std::nullopt;
        if (std::size_t b = break_at(text, at.pos)) {
            at.pos += b;
            ++at.row;
            ++at.line;
        }
    }
    return std::nullopt;
}

std::optional<CsvError> read_csv(std::string_view text, std::vector<CsvRecord>& records) {
    struct Collect : CsvVisitor {
        std::vector<CsvRecord>& records;
        CsvRecord record;
        explicit Collect(std::vector<CsvRecord>& r) : records(r) {}
        bool field(int row, int line, int, std::string& text) override {
            record.row = row;
            record.line = line;
            record.fields.push_back(std::move(text));
            return true;
        }
        bool end_record(int, int, int) override {
            records.push_back(std::move(record));
            record = CsvRecord{};
            return true;
        }
    } collect(records);
    auto error = read_csv_fields(text, collect);
    if (error && !collect.record.fields.empty()) records.push_back(std::move(collect.record));
    return error;
}

void append_csv_field(std::string& out, std::string_view field) {
    bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos;
    if (!field.empty()) {
        char first = field.front(), last = field.back();
        if (first == ' ' || first == '\t' || last == ' ' || last == '\t') quote = true;
    }
    if (!quote) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void append_csv_record(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        append_csv_field(out, fields[i]);
    }
    out += "\r\n";
}

std::string column_letters(int column) {
    std::string s;
    while (column > 0) {
        int d = (column - 1) % 26;
        s.insert(s.begin(), static_cast<char>('A' + d));
        column = (column - 1) / 26;
    }
    return s;
}

}  // namespace ce
