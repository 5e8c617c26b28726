// The tables an export writes: CSV (one row per slot under a header of keys)
// and JSON (a document of creatures), from a data folder held in memory. The
// tool's export and the editor's both write these.
//
// Each CSV row is signed: its last column, headed "digest", holds a short
// digest of the header's keys and the row's cells as written. A row that comes
// back with its digest matching is exactly as exported, so the import takes it
// as it stands; a row a person or a program changed no longer matches and is
// classed cell by cell (import_suspect.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "folder/dataset.h"
#include "folder/fields.h"

namespace ce {

// The header of the digest column, and the length of a digest: a letter and
// 15 hexadecimal digits, so that no spreadsheet takes it for a number or a date.
constexpr std::string_view kDigestKey = "digest";
constexpr std::size_t kDigestLength = 16;

// The digests of the rows under one header: the keys of the row's columns in
// their order, and which column holds the digest (of a row read back), if any.
class RowDigest {
public:
    explicit RowDigest(const std::vector<std::string>& header, std::size_t skip = std::string::npos);
    // The digest of a row's cells (as many as the header has keys).
    std::string operator()(const std::vector<std::string>& cells) const;

private:
    std::vector<std::uint64_t> keys_;  // per column: its key's hash
    std::size_t skip_;
};

struct CsvTableOptions {
    bool bom = false;       // a UTF-8 byte-order mark first, for spreadsheets that want one
    bool captions = false;  // a second row of the fields' captions
};

// The fields a table of these slots shows: the bytes after a text's zero are
// all zero in an ordinary folder, and their columns appear only when some slot
// holds other bytes there.
std::vector<const Field*> csv_columns(const Dataset& data, std::vector<const Field*> fields,
                                      const std::vector<int>& slots);

// `all` is the field table that `fields` point into (for the captions).
std::string csv_table(const Dataset& data, const std::vector<Field>& all, const std::vector<const Field*>& fields,
                      const std::vector<int>& slots, const CsvTableOptions& options);
// JSON names the bytes after a text only where they are not all zero.
std::string json_table(const Dataset& data, const std::vector<const Field*>& fields, const std::vector<int>& slots);

}  // namespace ce
