// The CSV reader on any bytes; what it reads must write back and read again
// to the same fields.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tables/csv.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = ce::fuzz::as_text(data, size);
    std::vector<ce::CsvRecord> records;
    const auto error = ce::read_csv(text, records);
    int last_row = 0;
    for (const ce::CsvRecord& r : records) {
        CE_FUZZ_CHECK(r.row > last_row && r.line >= r.row, "rows out of order");
        last_row = r.row;
    }
    if (error) {
        CE_FUZZ_CHECK(error->row >= 1 && error->line >= 1 && error->column >= 1, "an error without a place");
        CE_FUZZ_CHECK(!error->message.empty(), "an error without a message");
        return 0;
    }
    // A record of one empty field writes as an empty line, which holds no record.
    for (const ce::CsvRecord& r : records) {
        CE_FUZZ_CHECK(!r.fields.empty(), "a record without fields");
        if (r.fields.size() == 1 && r.fields[0].empty()) return 0;
    }
    std::string written = "\xEF\xBB\xBF";  // so a first field that starts with one keeps it
    for (const ce::CsvRecord& r : records) ce::append_csv_record(written, r.fields);
    std::vector<ce::CsvRecord> again;
    CE_FUZZ_CHECK(!ce::read_csv(written, again), "what was written does not read");
    CE_FUZZ_CHECK(again.size() == records.size(), "a different number of records read back");
    for (std::size_t i = 0; i < records.size(); ++i)
        CE_FUZZ_CHECK(again[i].fields == records[i].fields, "different fields read back");
    return 0;
}
