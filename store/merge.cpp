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

int preferred_side(std::span<const int> sides, std::span<const int> precedence) {
    for (auto it = precedence.rbegin(); it != precedence.rend(); ++it)
        if (std::find(sides.begin(), sides.end(), *it) != sides.end()) return *it;
    return -1;
}

namespace {

bool same_bytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::size_t size) {
    return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(size), b.begin());
}

}  // namespace

std::vector<ChangedField> merge_sides(const FolderFiles& base, std::span<const FolderFiles> sides,
                                      std::span<const int> precedence,
                                      std::array<std::vector<std::uint8_t>, kDataFileCount>& out) {
    std::vector<ChangedField> changed;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = static_cast<std::size_t>(info.id);
        out[f].assign(base[f].begin(), base[f].begin() + static_cast<std::ptrdiff_t>(info.size));
        // A side whose file equals the base's changes nothing in it.
        std::vector<int> touching;
        for (std::size_t m = 0; m < sides.size(); ++m)
            if (!same_bytes(sides[m][f], base[f], info.size)) touching.push_back(static_cast<int>(m));
        if (touching.empty()) continue;
        const auto rows = binding_rows(info.id);
        for (int slot = 0; slot < kSlots; ++slot) {
            for (const BindingRow& row : rows) {
                ChangedField field{&row, slot, {}};
                for (int m : touching)
                    if (!same_element(row, sides[static_cast<std::size_t>(m)][f], base[f], slot)) field.changed_by.push_back(m);
                if (field.changed_by.empty()) continue;
                const auto& first = sides[static_cast<std::size_t>(field.changed_by.front())][f];
                for (int m : field.changed_by)
                    if (!same_element(row, sides[static_cast<std::size_t>(m)][f], first, slot)) field.conflict = true;
                field.taken = field.conflict ? preferred_side(field.changed_by, precedence) : field.changed_by.front();
                if (field.taken >= 0) copy_element(row, sides[static_cast<std::size_t>(field.taken)][f], out[f], slot);
                changed.push_back(std::move(field));
            }
        }
    }
    return changed;
}

}  // namespace ce
