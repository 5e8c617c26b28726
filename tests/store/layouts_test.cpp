#include "store/layouts.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "store/binding.h"

namespace ce {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Layouts, SixFilesWithTheirSizesInSaveOrder) {
    const auto files = data_files();
    ASSERT_EQ(files.size(), 6u);
    const std::pair<const char*, std::size_t> expected[] = {
        {"MonstersSetup.vrh", 254000}, {"Ammo.vrh", 16000}, {"ImposedSpells.vrh", 6000},
        {"Firewall.vrh", 125},         {"Demonology.vrh", 2000}, {"DefenseBonus.vrh", 1000}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(files[i].name, expected[i].first);
        EXPECT_EQ(files[i].size, expected[i].second);
        EXPECT_EQ(&data_file(files[i].id), &files[i]);
    }
}

// Every byte of a file belongs to exactly one element of one slot (Firewall: every bit).
TEST(BindingTable, ArraysTileEveryFileExactly) {
    for (const DataFileInfo& info : data_files()) {
        std::vector<int> owners(info.size * 8, 0);
        for (const BindingRow& row : binding_rows(info.id)) {
            EXPECT_EQ(row.file, info.id);
            for (int s = 0; s < kSlots; ++s) {
                if (row.kind == Conversion::Bit) {
                    ++owners[element_position(row, s) * 8 + (s & 7)];
                    continue;
                }
                const std::size_t at = element_position(row, s);
                ASSERT_LE(at + row.width, info.size) << info.name << " " << row.offset;
                for (std::size_t b = 0; b < row.width * 8u; ++b) ++owners[at * 8 + b];
            }
        }
        for (std::size_t bit = 0; bit < owners.size(); ++bit)
            ASSERT_EQ(owners[bit], 1) << info.name << " byte " << bit / 8;
    }
    // MonstersSetup.vrh: 56 arrays, the number block and the CrAnim record 84 bytes a slot.
    std::set<std::uint32_t> arrays;
    for (const BindingRow& row : binding_rows(DataFile::Monsters)) arrays.insert(row.offset);
    EXPECT_EQ(arrays.size(), 56u);
}

TEST(BindingTable, OrdersAndKeys) {
    for (const DataFileInfo& info : data_files()) {
        const auto rows = binding_rows(info.id);
        std::multiset<std::uint16_t> saved(save_order(info.id).begin(), save_order(info.id).end());
        EXPECT_EQ(saved.size(), rows.size());
        for (std::uint16_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(saved.count(i), 1u);
            EXPECT_EQ(find_row(info.id, rows[i].offset, rows[i].element), &rows[i]);
            if (rows[i].kind != Conversion::None) {
                EXPECT_NE(rows[i].caption, 0);
            }
        }
        for (std::uint16_t i : show_order(info.id)) EXPECT_NE(rows[i].kind, Conversion::None);
    }
    const auto rows = binding_rows(DataFile::Monsters);
    const auto show = show_order(DataFile::Monsters);
    ASSERT_EQ(show.size(), 94u);
    // Showing: ... 26000, 47000, 43000, 27000, ... number block, CrAnim, 253000.
    EXPECT_EQ(rows[show[4]].offset, 26000u);
    EXPECT_EQ(rows[show[5]].offset, 47000u);
    EXPECT_EQ(rows[show[6]].offset, 43000u);
    EXPECT_EQ(rows[show[47]].offset, 83000u);
    EXPECT_EQ(rows[show[48]].control, 70);
    EXPECT_EQ(rows[show[69]].control, 91);
    EXPECT_EQ(rows[show.back()].offset, 253000u);
    const auto save = save_order(DataFile::Monsters);
    EXPECT_EQ(rows[save[8]].offset, 30000u);
    EXPECT_EQ(rows[save[52]].offset, 84000u);
    for (std::uint32_t offset : {30000u, 77000u, 78000u, 79000u, 84000u})
        EXPECT_EQ(find_row(DataFile::Monsters, offset, 0)->kind, Conversion::None) << offset;
    EXPECT_EQ(find_row(DataFile::Monsters, 85000, 21), nullptr);
}

TEST(BindingTable, RowsCarryTheConversions) {
    const BindingRow* r = find_row(DataFile::Monsters, 25000, 0);
    EXPECT_EQ(r->kind, Conversion::NumberPlusOne);
    EXPECT_TRUE(r->is_signed);
    EXPECT_FALSE(r->save_signed);
    r = find_row(DataFile::Monsters, 47000, 0);
    EXPECT_EQ(r->control, 301);
    EXPECT_EQ(r->shift, 1);
    EXPECT_EQ(r->width, 4);
    EXPECT_EQ(find_row(DataFile::Monsters, 43000, 0)->shift, 0);
    r = find_row(DataFile::Monsters, 85000, 20);
    EXPECT_EQ(r->control, 90);
    EXPECT_EQ(r->element_offset, 80);
    EXPECT_FALSE(r->show_signed);
    EXPECT_FALSE(r->save_signed);
    r = find_row(DataFile::Monsters, 169000, 23);
    EXPECT_EQ(r->control, 5019);
    EXPECT_EQ(r->scale, 115.0f);
    EXPECT_EQ(r->element_offset, 80);
    EXPECT_EQ(find_row(DataFile::Monsters, 169000, 18)->control, 5014);
    EXPECT_FALSE(find_row(DataFile::Monsters, 169000, 19)->save_signed);
    EXPECT_TRUE(find_row(DataFile::Monsters, 169000, 5)->save_signed);
    EXPECT_EQ(find_row(DataFile::Monsters, 169000, 17)->control, 5013);
    for (int b = 0; b < 6; ++b) {
        r = find_row(DataFile::ImposedSpells, 0, b);
        EXPECT_EQ(r->control, 317 + b);
        EXPECT_TRUE(r->is_signed);
        EXPECT_EQ(r->shift, b < 3 ? 1 : 0);
    }
    EXPECT_EQ(find_row(DataFile::Demonology, 0, 0)->shift, 1);
    EXPECT_FALSE(find_row(DataFile::DefenseBonus, 0, 0)->is_signed);
    EXPECT_TRUE(find_row(DataFile::DefenseBonus, 0, 0)->show_signed);
    r = find_row(DataFile::Monsters, 40000, 0);
    EXPECT_EQ(r->kind, Conversion::CheckPair);
    EXPECT_EQ(r->control2, 2019);
}

TEST(BindingTable, ElementAccessors) {
    Bytes file(254000 + 32, 0);
    const BindingRow& demon = *find_row(DataFile::Demonology, 0, 0);
    write_int(demon, file, 7, -2);
    EXPECT_EQ(file[14], 0xFE);
    EXPECT_EQ(file[15], 0xFF);
    EXPECT_EQ(read_int(demon, file, 7), -2);

    const BindingRow& byte = *find_row(DataFile::Monsters, 27000, 0);
    write_int(byte, file, 3, 300);
    EXPECT_EQ(read_int(byte, file, 3), 44);
    write_int(byte, file, 3, -1);
    EXPECT_EQ(read_int(byte, file, 3), 255);  // stored unsigned
    const BindingRow& radio = *find_row(DataFile::Monsters, 26000, 0);
    EXPECT_EQ(read_int(radio, file, 0), 0);
    file[26000] = 0xFF;
    EXPECT_EQ(read_int(radio, file, 0), -1);

    const BindingRow& block = *find_row(DataFile::Monsters, 85000, 2);
    write_int(block, file, 999, 0x12345678);
    EXPECT_EQ(file[85000 + 84 * 999 + 8], 0x78);
    EXPECT_EQ(file[85000 + 84 * 999 + 11], 0x12);

    const BindingRow& f = *find_row(DataFile::Monsters, 169000, 6);
    write_float(f, file, 1, 1.5f);
    EXPECT_EQ(file[169000 + 84 + 12 + 3], 0x3F);
    EXPECT_EQ(file[169000 + 84 + 12 + 2], 0xC0);
    EXPECT_EQ(read_float(f, file, 1), 1.5f);
}

TEST(BindingTable, FirewallBits) {
    const BindingRow& row = *find_row(DataFile::Firewall, 0, 0);
    const std::pair<int, std::pair<std::size_t, int>> cases[] = {
        {0, {0, 0}}, {31, {3, 7}}, {32, {4, 0}}, {991, {123, 7}}, {992, {124, 0}}, {999, {124, 7}}};
    for (const auto& [slot, where] : cases) {
        Bytes file(125 + 32, 0);
        write_int(row, file, slot, 1);
        Bytes expected(125 + 32, 0);
        expected[where.first] = static_cast<std::uint8_t>(1u << where.second);
        EXPECT_EQ(file, expected) << slot;
        EXPECT_EQ(read_int(row, file, slot), 1);
        Bytes full(125 + 32, 0xFF);
        write_int(row, full, slot, 0);
        EXPECT_EQ(full[where.first], static_cast<std::uint8_t>(~(1u << where.second) & 0xFF)) << slot;
        EXPECT_EQ(read_int(row, full, slot), 0);
    }
}

TEST(BindingTable, TextFields) {
    Bytes file(16000 + 32, 0);
    const BindingRow& row = *find_row(DataFile::Ammo, 0, 0);
    for (int i = 0; i < 16; ++i) file[16 * 4 + i] = 'A';
    file[16 * 5] = 'B';
    file[16 * 5 + 1] = 'C';
    // No zero in the field: the text runs on into the next field.
    EXPECT_EQ(read_text(row, file, 4), std::string(16, 'A') + "BC");
    write_text(row, file, 4, "Hello");
    EXPECT_EQ(read_text(row, file, 4), "Hello");
    EXPECT_EQ(file[16 * 4 + 6], 'A');  // the bytes after the zero stay
    write_text(row, file, 4, std::string(20, 'x'));
    EXPECT_EQ(read_text(row, file, 4), std::string(15, 'x'));
    EXPECT_EQ(file[16 * 5], 'B');
    // The last field of a buffer without its 32 spare bytes stops at the end.
    Bytes exact(16000, 'z');
    EXPECT_EQ(read_text(row, exact, 999).size(), 16u);
}

}  // namespace
}  // namespace ce
