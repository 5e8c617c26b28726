#include "cli/csv.h"

namespace ce {

std::optional<CsvError> read_csv_fields(std::string_view text, CsvVisitor& visitor, std::size_t longest_field) {
    const auto too_long = [&](int row, int line, int column) {
        return CsvError{row, line, column, "the field is longer than " + std::to_string(longest_field) + " bytes"};
    };
    std::size_t pos = text.size() - without_bom(text).size();
    int row = 1;
    int line = 1;

    // A record break at pos (CR LF, LF or CR): its length, 0 when none.
    auto break_at = [&](std::size_t p) -> std::size_t {
        if (p >= text.size()) return 0;
        if (text[p] == '\n') return 1;
        if (text[p] == '\r') return (p + 1 < text.size() && text[p + 1] == '\n') ? 2 : 1;
        return 0;
    };

    while (pos < text.size()) {
        if (std::size_t b = break_at(pos)) {  // an empty line: no record
            pos += b;
            ++row;
            ++line;
            continue;
        }
        const int record_row = row, record_line = line;
        int columns = 0;
        std::string field;
        for (;;) {  // one field per pass
            field.clear();
            const int column = ++columns;
            if (pos < text.size() && text[pos] == '"') {
                int open_line = line;
                ++pos;
                for (;;) {
                    if (pos >= text.size()) {
                        return CsvError{row, open_line, column,
                                        "the quoted field is not closed before the end of the file"};
                    }
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
                    if (c == '\n' || (c == '\r' && !(pos + 1 < text.size() && text[pos + 1] == '\n')))
                        ++line;
                    if (field.size() >= longest_field) return too_long(row, open_line, column);
                    field += c;
                    ++pos;
                }
                if (pos < text.size() && text[pos] != ',' && !break_at(pos)) {
                    return CsvError{row, line, column,
                                    "unexpected text after the closing quote (a quote inside a "
                                    "quoted field must be doubled)"};
                }
            } else {
                const std::size_t from = pos;
                while (pos < text.size() && text[pos] != ',' && text[pos] != '\r' && text[pos] != '\n') {
                    if (text[pos] == '"') {
                        return CsvError{row, line, column,
                                        "a quote inside an unquoted field (quote the field and "
                                        "double the quote)"};
                    }
                    ++pos;
                }
                if (pos - from > longest_field) return too_long(row, line, column);
                field.assign(text.substr(from, pos - from));
            }
            if (!visitor.field(record_row, record_line, column, field)) return std::nullopt;
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                continue;
            }
            break;  // a record break or the end of the text
        }
        if (!visitor.end_record(record_row, record_line, columns)) return std::nullopt;
        if (std::size_t b = break_at(pos)) {
            pos += b;
            ++row;
            ++line;
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
