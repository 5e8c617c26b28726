// An export read back for import, as CSV and as JSON: any bytes give a table
// and faults, never a crash, and every cell names a field and a place.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "folder/fields.h"
#include "tables/import_table.h"
#include "fuzz/check.h"

namespace {

void check_table(const ce::ImportTable& table, const std::vector<ce::Field>& fields) {
    for (const ce::ImportEntry& entry : table.entries) {
        CE_FUZZ_CHECK(entry.slot >= 0 && entry.slot < 1000, "an entry outside the slots");
        for (const ce::ImportCell& cell : entry.cells) {
            CE_FUZZ_CHECK(cell.field >= 0 && static_cast<std::size_t>(cell.field) < fields.size(),
                          "a cell without a field");
            CE_FUZZ_CHECK(!ce::cell_place(table, entry, cell, fields).empty(), "a cell without a place");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<ce::Field> fields = ce::make_fields(true);
    const std::string_view text = ce::fuzz::as_text(data, size);
    for (bool json : {false, true}) {
        ce::FaultList faults;
        const ce::ImportTable table =
            json ? ce::read_json_table(text, fields, faults) : ce::read_csv_table(text, fields, faults);
        CE_FUZZ_CHECK(table.json == json, "the table's kind");
        for (const ce::Fault& f : faults) CE_FUZZ_CHECK(!f.message().empty(), "an empty fault");
        check_table(table, fields);
    }
    return 0;
}
