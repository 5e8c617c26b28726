#include "store/merge.h"

#include <algorithm>

namespace ce {

bool same_element(const BindingRow& row, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                  int slot) {
    const std::size_t at = element_position(row, slot);
    if (row.kind == Conversion::Bit) return ((a[at] ^ b[at]) & (1u << (slot & 7))) == 0;
    return std::equal(a.begin() + static_cast<std::ptrdiff_t>(at),
                      a.begin() + static_cast<std::ptrdiff_t>(at + row.width), b.begin() + static_cast<std::ptrdiff_t>(at));
}

void copy_element(const BindingRow& row, std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
                  int slot) {
    const std::size_t at = element_position(row, slot);
    if (row.kind == Conversion::Bit) {
        const auto bit = static_cast<std::uint8_t>(1u << (slot & 7));
        to[at] = static_cast<std::uint8_t>((to[at] & ~bit) | (from[at] & bit));
        return;
    }
    std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(at), row.width, to.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string element_bytes(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    if (row.kind == Conversion::Bit) return std::string(1, static_cast<char>(read_int(row, bytes, slot)));
    const std::size_t at = element_position(row, slot);
    return std::string(reinterpret_cast<const char*>(bytes.data() + at), row.width);
}

void put_element_bytes(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::string_view value) {
    if (row.kind == Conversion::Bit) {
        write_int(row, bytes, slot, value.empty() ? 0 : value[0]);
        return;
    }
    std::copy_n(value.begin(), std::min<std::size_t>(value.size(), row.width),
                bytes.begin() + static_cast<std::ptrdiff_t>(element_position(row, slot)));
}

MergeCase merge_case(const BindingRow& row, std::span<const std::uint8_t> base, std::span<const std::uint8_t> ours,
                     std::span<const std::uint8_t> theirs, int slot) {
    if (same_element(row, base, ours, slot))
        return same_element(row, base, theirs, slot) ? MergeCase::Unchanged : MergeCase::Theirs;
    if (same_element(row, base, theirs, slot)) return MergeCase::Ours;
    return same_element(row, ours, theirs, slot) ? MergeCase::Theirs : MergeCase::Conflict;
}

void merge_slot(DataFile file, std::span<const std::uint8_t> base, std::span<const std::uint8_t> ours,
                std::span<std::uint8_t> theirs, int slot, std::vector<FieldConflict>& conflicts) {
    for (const BindingRow& row : binding_rows(file)) {
        switch (merge_case(row, base, ours, theirs, slot)) {
            case MergeCase::Ours: copy_element(row, ours, theirs, slot); break;
            case MergeCase::Conflict: conflicts.push_back({&row, slot}); break;
            case MergeCase::Unchanged:
            case MergeCase::Theirs: break;
        }
    }
}

}  // namespace ce
