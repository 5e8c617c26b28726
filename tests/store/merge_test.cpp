// The field-level merges: one slot three ways (the editor's Save), and many
// sides onto one base (mods), as properties over random folders and changes.
#include "store/merge.h"

#include <gtest/gtest.h>

#include <set>

#include "support/random.h"

namespace ce {
namespace {

using Files = std::array<std::vector<std::uint8_t>, kDataFileCount>;

Files random_files(test::Random& rng) {
    Files files;
    for (const DataFileInfo& info : data_files()) {
        auto& f = files[static_cast<std::size_t>(info.id)];
        f.resize(info.size);
        rng.fill(f);
    }
    return files;
}

FolderFiles view(const Files& files) {
    FolderFiles v;
    for (std::size_t i = 0; i < files.size(); ++i) v[i] = files[i];
    return v;
}

struct FieldKey {
    const BindingRow* row;
    int slot;
    auto operator<=>(const FieldKey&) const = default;
};

// Changes `count` random fields of `files` (in slots `slots`) and says which.
std::set<FieldKey> change_fields(Files& files, test::Random& rng, int count, std::pair<int, int> slots) {
    std::set<FieldKey> changed;
    while (static_cast<int>(changed.size()) < count) {
        const auto& info = rng.pick(data_files());
        const auto rows = binding_rows(info.id);
        const BindingRow& row = rng.pick(rows);
        const int slot = rng.range(slots.first, slots.second - 1);
        if (changed.contains({&row, slot})) continue;  // a second change could undo the first
        auto& f = files[static_cast<std::size_t>(info.id)];
        const std::string before = element_bytes(row, f, slot);
        std::string after = before;
        if (row.kind == Conversion::Bit) after[0] = static_cast<char>(after[0] ^ 1);
        else after[rng.below(after.size())] ^= static_cast<char>(rng.range(1, 255));
        put_element_bytes(row, f, slot, after);
        changed.insert({&row, slot});
    }
    return changed;
}

TEST(MergeSlot, TheUsersChangesGoOntoTheFilesAndBothSidesChangingDifferentlyIsAConflict) {
    test::Random rng(7);
    const int slot = 321;
    const Files base = random_files(rng);
    Files scratch = base;
    const auto picked = change_fields(scratch, rng, 32, {slot, slot + 1});
    const std::vector<FieldKey> keys(picked.begin(), picked.end());
    // 0..11 ours only, 12..23 theirs only, 24..27 both the same way, 28..31 both differently.
    Files ours = base, theirs = base;
    std::set<FieldKey> only_ours, clashed;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const BindingRow& row = *keys[i].row;
        const std::size_t f = static_cast<std::size_t>(row.file);
        if (i < 12 || i >= 24) copy_element(row, scratch[f], ours[f], slot);
        if (i >= 12) copy_element(row, scratch[f], theirs[f], slot);
        if (i < 12) only_ours.insert(keys[i]);
        if (i >= 28) {
            // Theirs: another value, neither the base's nor ours.
            std::string other = element_bytes(row, base[f], slot);
            if (row.kind == Conversion::Bit) {
                copy_element(row, base[f], theirs[f], slot);  // a bit has no third value: theirs keeps the base
                only_ours.insert(keys[i]);
                continue;
            }
            for (char& c : other) c = static_cast<char>(~c);
            if (other == element_bytes(row, ours[f], slot)) other[0] = static_cast<char>(other[0] ^ 1);
            put_element_bytes(row, theirs[f], slot, other);
            clashed.insert(keys[i]);
        }
    }
    Files merged = theirs;
    std::vector<FieldConflict> conflicts;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = static_cast<std::size_t>(info.id);
        merge_slot(info.id, base[f], ours[f], merged[f], slot, conflicts);
    }
    std::set<FieldKey> found;
    for (const FieldConflict& c : conflicts) found.insert({c.row, c.slot});
    EXPECT_EQ(found, clashed);
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = static_cast<std::size_t>(info.id);
        for (const BindingRow& row : binding_rows(info.id)) {
            const auto& expected = only_ours.contains({&row, slot}) ? ours[f] : theirs[f];
            EXPECT_TRUE(same_element(row, merged[f], expected, slot)) << info.name << "@" << row.offset;
        }
        // Other slots (and the other bits of a shared Bit byte) are theirs.
        for (int s : {0, slot - 1, slot + 1, kSlots - 1})
            for (const BindingRow& row : binding_rows(info.id)) EXPECT_TRUE(same_element(row, merged[f], theirs[f], s));
    }
}

TEST(MergeSides, OneSideGivesThatSideAndDisjointSidesCommute) {
    test::Random rng(11);
    const Files base = random_files(rng);
    Files a = base, b = base;
    change_fields(a, rng, 300, {0, 500});
    change_fields(b, rng, 300, {500, kSlots});
    Files out;
    EXPECT_EQ(merge_sides(view(base), std::vector<FolderFiles>{view(a)}, {}, out).size(), 300u);
    EXPECT_EQ(out, a);

    Files ab, ba;
    const auto changed = merge_sides(view(base), std::vector<FolderFiles>{view(a), view(b)}, {}, ab);
    merge_sides(view(base), std::vector<FolderFiles>{view(b), view(a)}, {}, ba);
    EXPECT_EQ(ab, ba);
    EXPECT_EQ(changed.size(), 600u);
    for (const ChangedField& c : changed) EXPECT_FALSE(c.conflict);
    // Both at once equal b's changes merged onto a, slot by slot.
    Files a_then_b = a;
    std::vector<FieldConflict> conflicts;
    for (const DataFileInfo& info : data_files())
        for (int slot = 0; slot < kSlots; ++slot) {
            const std::size_t f = static_cast<std::size_t>(info.id);
            merge_slot(info.id, base[f], b[f], a_then_b[f], slot, conflicts);
        }
    EXPECT_TRUE(conflicts.empty());
    EXPECT_EQ(ab, a_then_b);
}

TEST(MergeSides, ConflictsAreExactlyTheFieldsChangedToDifferentValues) {
    test::Random rng(13);
    const Files base = random_files(rng);
    Files a = base, b = base, c = base;
    const auto in_a = change_fields(a, rng, 200, {0, kSlots});
    const auto in_b = change_fields(b, rng, 200, {0, kSlots});
    // c agrees with a on some of a's fields.
    std::set<FieldKey> agreeing;
    for (const FieldKey& k : in_a) {
        if (agreeing.size() == 50) break;
        const std::size_t f = static_cast<std::size_t>(k.row->file);
        copy_element(*k.row, a[f], c[f], k.slot);
        agreeing.insert(k);
    }
    std::set<FieldKey> expected;
    for (const FieldKey& k : in_b) {
        const std::size_t f = static_cast<std::size_t>(k.row->file);
        if ((in_a.contains(k) && !same_element(*k.row, a[f], b[f], k.slot)) ||
            (agreeing.contains(k) && !same_element(*k.row, c[f], b[f], k.slot)))
            expected.insert(k);
    }
    ASSERT_FALSE(expected.empty());
    const std::vector<FolderFiles> sides{view(a), view(b), view(c)};
    Files open, settled;
    std::set<FieldKey> found;
    for (const ChangedField& f : merge_sides(view(base), sides, {}, open)) {
        if (f.conflict) {
            found.insert({f.row, f.slot});
            EXPECT_EQ(f.taken, -1);
            EXPECT_TRUE(same_element(*f.row, open[static_cast<std::size_t>(f.row->file)],
                                     base[static_cast<std::size_t>(f.row->file)], f.slot));
        }
    }
    EXPECT_EQ(found, expected);
    // b first, then a and c over it: conflicts go to the later of those that changed them.
    const int order[] = {1, 0, 2};
    for (const ChangedField& f : merge_sides(view(base), sides, order, settled)) {
        if (!f.conflict) continue;
        const bool c_changed = std::find(f.changed_by.begin(), f.changed_by.end(), 2) != f.changed_by.end();
        EXPECT_EQ(f.taken, c_changed ? 2 : 0);
        const std::size_t file = static_cast<std::size_t>(f.row->file);
        EXPECT_TRUE(same_element(*f.row, settled[file], sides[static_cast<std::size_t>(f.taken)][file], f.slot));
    }
}

}  // namespace
}  // namespace ce
