#include "tables/export_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "folder/field_facts.h"
#include "tables/csv.h"
#include "tables/import_table.h"

namespace ce {
namespace {

// FNV-1a over 64 bits, each text's length first, so that no two rows of other
// cells hash alike by shifting a separator. A digest tells a changed row from
// the one exported; it guards against slips, not against forgery.
std::uint64_t text_hash(std::uint64_t h, std::string_view s) {
    constexpr std::uint64_t kPrime = 1099511628211ull;
    h = (h ^ s.size()) * kPrime;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {  // eight bytes at a time, then the rest one by one
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        h = (h ^ word) * kPrime;
        h ^= h >> 29;
    }
    for (; i < s.size(); ++i) h = (h ^ static_cast<unsigned char>(s[i])) * kPrime;
    return h;
}

constexpr std::uint64_t kOffset = 14695981039346656037ull;

}  // namespace

RowDigest::RowDigest(const std::vector<std::string>& header, std::size_t skip) : skip_(skip) {
    keys_.reserve(header.size());
    for (const std::string& key : header) keys_.push_back(text_hash(kOffset, key));
}

std::string RowDigest::operator()(const std::vector<std::string>& cells) const {
    // Each cell hashed apart with its column's key, the hashes summed: the
    // cells do not wait on each other, so a row of thousands hashes quickly.
    std::uint64_t h = kOffset;
    for (std::size_t i = 0; i < keys_.size() && i < cells.size(); ++i) {
        if (i == skip_) continue;
        std::uint64_t c = text_hash(keys_[i], cells[i]);
        c = (c ^ (c >> 31)) * 0x9e3779b97f4a7c15ull;
        h += c ^ (c >> 29);
    }
    h = (h ^ (h >> 33)) * 0xff51afd7ed558ccdull;  // mixed, so that rows alike get digests unlike
    h = (h ^ (h >> 33)) * 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    static const char digits[] = "0123456789abcdef";
    std::string out(kDigestLength, 'd');
    for (std::size_t i = kDigestLength; i-- > 1; h >>= 4) out[i] = digits[h & 0xF];
    return out;
}

std::vector<const Field*> csv_columns(const Dataset& data, std::vector<const Field*> fields,
                                      const std::vector<int>& slots) {
    std::erase_if(fields, [&](const Field* f) {
        if (f->kind != FieldKind::After) return false;
        return std::all_of(slots.begin(), slots.end(),
                           [&](int slot) { return bytes_after_text(data, *f, slot).empty(); });
    });
    return fields;
}

std::string csv_table(const Dataset& data, const std::vector<Field>& all, const std::vector<const Field*>& fields,
                      const std::vector<int>& slots, const CsvTableOptions& options) {
    std::string text;
    text.reserve(slots.size() * fields.size() * 32 + 256);
    if (options.bom) text += kUtf8Bom;
    // The slot column's header names the texts' language: "slot (English)".
    std::vector<std::string> header{slot_header(data.language)};
    for (const Field* f : fields) header.push_back(f->key);
    const RowDigest digest(header);
    std::vector<std::string> record = header;
    record.emplace_back(kDigestKey);
    append_csv_record(text, record);
    if (options.captions) {
        const std::vector<std::string> captions = field_captions(data, all);
        record.assign(1, kCaptionsMarker);
        for (const Field* f : fields) record.push_back(captions[static_cast<std::size_t>(f - all.data())]);
        record.emplace_back();
        append_csv_record(text, record);
    }
    for (int slot : slots) {
        record.assign(1, std::to_string(slot));
        for (const Field* f : fields) record.push_back(export_value(data, *f, slot));
        record.push_back(digest(record));
        append_csv_record(text, record);
    }
    return text;
}

std::string json_table(const Dataset& data, const std::vector<const Field*>& fields, const std::vector<int>& slots) {
    std::vector<std::string> keys;
    for (const Field* f : fields) keys.push_back("      " + quote_text(f->key) + ": ");
    std::string text;
    text.reserve(slots.size() * fields.size() * 40 + 256);
    text += "{\n  \"language\": ";
    text += quote_text(language_name(data.language));
    text += ",\n  \"creatures\": [";
    bool first_slot = true;
    for (int slot : slots) {
        text += first_slot ? "\n    {\n      \"slot\": " : ",\n    {\n      \"slot\": ";
        first_slot = false;
        text += std::to_string(slot);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->kind == FieldKind::After && bytes_after_text(data, *fields[i], slot).empty())
                continue;  // only where the bytes after the text are not all zero
            text += ",\n";
            text += keys[i];
            const std::string value = export_value(data, *fields[i], slot);
            if (is_text_field(*fields[i]) ||
                (fields[i]->kind == FieldKind::Float && (value[0] == 'n' || value.back() == 'f')))
                text += quote_text(value);  // texts, and NaN and infinities, which JSON has no numbers for
            else
                text += value;
        }
        text += "\n    }";
    }
    text += slots.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace ce
