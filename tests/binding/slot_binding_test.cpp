// The binding walk on MemoryForm: what showing puts into each control, and what
// Save stores back, element by element. These tests call show_slot and save_slot
// directly, without the interlocks that show_creature runs afterwards.
#include "form/slot_binding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "form/memory_form.h"
#include "store/binding.h"
#include "support/random.h"

namespace ce {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSpells = 200;

// The lists as the language files fill them: creature lists with 1000 entries
// (301, 323 with the none entry first), spell lists, and the fixed-size lists.
void fill_lists(Form& form) {
    const std::pair<int, int> counts[] = {
        {301, 1001}, {302, 1000}, {303, kSpells}, {305, 5},  {306, 3},  {307, 5},
        {308, 10},   {309, 6},    {310, 9},       {311, 4},  {312, 10}, {313, 9},
        {314, 7},    {315, 9},    {316, 3},       {317, kSpells + 1}, {318, kSpells + 1},
        {319, kSpells + 1}, {320, 4}, {321, 4}, {322, 4}, {323, 1001}};
    for (const auto& [id, n] : counts)
        for (int i = 0; i < n; ++i) form.add_item(id, "entry " + std::to_string(i));
}

struct DataSet {
    std::vector<Bytes> files;  // in data_files() order, each size + 32 zero bytes
    Bytes& operator[](DataFile f) { return files[static_cast<std::size_t>(f)]; }
};

DataSet zero_data() {
    DataSet d;
    for (const DataFileInfo& info : data_files()) d.files.emplace_back(info.size + 32, 0);
    return d;
}

void show_all(Form& form, DataSet& d, int slot) {
    for (const DataFileInfo& info : data_files()) show_slot(form, info.id, d[info.id], slot);
}

void save_all(const Form& form, DataSet& d, int slot) {
    for (const DataFileInfo& info : data_files()) save_slot(form, info.id, d[info.id], slot);
}

class Binding : public ::testing::Test {
protected:
    Binding() { fill_lists(form); }

    const BindingRow& row(DataFile f, std::uint32_t offset, int element = 0) {
        return *find_row(f, offset, element);
    }
    std::int64_t stored(DataFile f, std::uint32_t offset, int element = 0) {
        return read_int(row(f, offset, element), data[f], slot);
    }
    void store(DataFile f, std::uint32_t offset, std::int64_t v, int element = 0) {
        write_int(row(f, offset, element), data[f], slot, v);
    }
    void store_float(std::uint32_t element, float v) {
        write_float(row(DataFile::Monsters, 169000, static_cast<int>(element)), data[DataFile::Monsters], slot, v);
    }
    float stored_float(int element) {
        return read_float(row(DataFile::Monsters, 169000, element), data[DataFile::Monsters], slot);
    }
    void show() { show_all(form, data, slot); }
    void save() { save_all(form, data, slot); }

    MemoryForm form;
    DataSet data = zero_data();
    int slot = 123;
};

TEST_F(Binding, RandomDataRoundTripsUnchangedOnEverySlot) {
    test::Random random(20240611);
    for (Bytes& f : data.files)
        for (std::size_t i = 0; i + 32 < f.size(); ++i) f[i] = random.byte();
    // Some floats that are NaNs (with payloads) and infinities.
    for (int s = 0; s < kSlots; s += 7) {
        const std::uint32_t specials[] = {0x7FC00000u, 0xFFC00001u, 0x7F800000u, 0xFF800000u, 0x7F800123u};
        std::uint32_t b = specials[(s / 7) % 5];
        float v;
        std::memcpy(&v, &b, sizeof v);
        write_float(*find_row(DataFile::Monsters, 169000, 6 + s % 12), data[DataFile::Monsters], s, v);
    }
    const DataSet original = data;
    for (int s = 0; s < kSlots; ++s) {
        show_all(form, data, s);
        save_all(form, data, s);
    }
    for (std::size_t i = 0; i < data.files.size(); ++i)
        EXPECT_TRUE(data.files[i] == original.files[i]) << data_files()[i].name;
}

TEST_F(Binding, ShowPutsEveryConversionIntoItsControl) {
    Bytes& m = data[DataFile::Monsters];
    std::memcpy(&m[16 * slot], "Dragon", 7);
    store(DataFile::Monsters, 21000, 0x80000005);
    store(DataFile::Monsters, 25000, -1);
    store(DataFile::Monsters, 26000, 3);
    store(DataFile::Monsters, 47000, -1);
    store(DataFile::Monsters, 43000, 5);
    store(DataFile::Monsters, 63000, 4000000000);
    store(DataFile::Monsters, 85000, -1, 0);
    store(DataFile::Monsters, 169000, -5, 0);
    store_float(6, 0.123456f);
    store(DataFile::Monsters, 169000, -1, 18);
    store(DataFile::Monsters, 169000, 100, 23);
    store(DataFile::Monsters, 253000, -7);
    store(DataFile::ImposedSpells, 0, -1, 0);
    store(DataFile::ImposedSpells, 0, -1, 3);
    store(DataFile::Demonology, 0, 17);
    store(DataFile::DefenseBonus, 0, 200);
    store(DataFile::Firewall, 0, 1);
    show();
    EXPECT_EQ(form.get_text(121, 100), "Dragon");
    EXPECT_EQ(form.get_check(2019), 1);
    EXPECT_EQ(form.get_check(2020), 0);
    EXPECT_EQ(form.get_check(2021), 1);
    EXPECT_EQ(form.get_check(2050), 1);
    EXPECT_EQ(form.get_text(151, 100), "0");
    EXPECT_EQ(form.get_check(2012), 1);
    EXPECT_EQ(form.get_check(2011), 0);
    EXPECT_EQ(form.selected_item(301), 0);
    EXPECT_EQ(form.selected_item(302), 5);
    EXPECT_EQ(form.get_text(247, 100), "4000000000");
    EXPECT_EQ(form.get_text(70, 100), "4294967295");
    EXPECT_EQ(form.get_text(91, 100), "-5");
    EXPECT_EQ(form.get_text(5002, 100), "0.123");
    EXPECT_EQ(form.get_text(5014, 100), "4294967295");
    EXPECT_EQ(form.get_text(5019, 100), "0.869");
    EXPECT_EQ(form.get_text(97, 100), "-7");
    EXPECT_EQ(form.selected_item(317), 0);    // the none entry
    EXPECT_EQ(form.selected_item(320), -1);   // -1 sign-extended names nothing
    EXPECT_EQ(form.selected_item(323), 18);
    EXPECT_EQ(form.get_text(98, 100), "200");
    EXPECT_EQ(form.get_check(2132), 1);
    EXPECT_EQ(data[DataFile::Firewall][slot >> 3], 1u << (slot & 7));
}

TEST_F(Binding, ShowFollowsTheShowOrder) {
    struct Recorder : MemoryForm {
        std::vector<int> ids;
        void note(int id) {
            if (ids.empty() || ids.back() != id) ids.push_back(id);
        }
        void set_text(int id, std::string_view t) override { note(id), MemoryForm::set_text(id, t); }
        void set_check(int id, int s) override { note(id), MemoryForm::set_check(id, s); }
        void check_radio(int f, int l, int id) override { note(f), MemoryForm::check_radio(f, l, id); }
        void select_item(int id, int i) override { note(id), MemoryForm::select_item(id, i); }
    } rec;
    show_slot(rec, DataFile::Monsters, data[DataFile::Monsters], 0);
    std::vector<int> expected = {121, 122};
    for (int b = 2019; b <= 2050; ++b) expected.push_back(b);
    for (int id : {151, 2008, 301, 302, 212, 306, 305, 307, 2058, 2059, 2060, 2061, 2062, 2063, 308, 309,
                   310, 311, 312, 303, 314, 313, 231, 315, 2073, 2074, 2075, 2076, 2077, 2078, 2079, 2080,
                   2081, 2082, 2083, 2084, 245, 246, 247, 248, 249, 250, 251, 316, 2099})
        expected.push_back(id);
    for (int id = 70; id <= 96; ++id) expected.push_back(id);
    for (int id = 5002; id <= 5019; ++id) expected.push_back(id);
    expected.push_back(97);
    EXPECT_EQ(rec.ids, expected);
}

TEST_F(Binding, ScaledAndFloatTexts) {
    store(DataFile::Monsters, 169000, 0, 23);
    store(DataFile::Monsters, 169000, 100, 22);
    store_float(6, 0.123456f);
    store_float(7, 1.25f);
    store_float(8, 2.0f);
    show();
    EXPECT_EQ(form.get_text(5018, 100), "0.200");
    form.set_text(5019, "0.869");  // scale 115 where 0 is stored
    form.set_text(5016, "0.5");    // scale 9000
    form.set_text(5017, "-0.5");   // scale 500
    form.set_text(5003, "");       // no number (a Save refuses it): the float stays
    form.set_text(5004, "-");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 23), 99);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 20), 4500);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 21), -250);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 22), 100);  // untouched "0.200" keeps 100
    EXPECT_EQ(stored_float(6), 0.123456f);                  // untouched "0.123" keeps all bits
    EXPECT_EQ(stored_float(7), 1.25f);
    EXPECT_EQ(stored_float(8), 2.0f);

    form.set_text(5002, "0.123");  // typed again by hand: the same text keeps the value
    form.set_text(5005, "7.75e1");
    form.set_text(5006, "abc");
    save();
    EXPECT_EQ(stored_float(6), 0.123456f);
    EXPECT_EQ(stored_float(9), 77.5f);
    EXPECT_EQ(stored_float(10), 0.0f);
    form.set_text(5002, "0.1230");
    save();
    EXPECT_EQ(stored_float(6), 0.123f);

    // A NaN shows "nan" and keeps its payload; typing "inf" stores infinity.
    const std::uint32_t payload = 0x7FC01234u;
    float nan;
    std::memcpy(&nan, &payload, 4);
    store_float(11, nan);
    show();
    EXPECT_EQ(form.get_text(5007, 100), "nan");
    save();
    std::uint32_t b;
    float v = stored_float(11);
    std::memcpy(&b, &v, 4);
    EXPECT_EQ(b, payload);
    form.set_text(5007, "-inf");
    save();
    EXPECT_EQ(stored_float(11), -std::numeric_limits<float>::infinity());
    form.set_text(5016, "nan");  // no integer stands for it (a Save refuses it): the value stays
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 20), 4500);
}

TEST_F(Binding, UnsignedReadingsOfTheNumberBlockAndCrAnim) {
    store(DataFile::Monsters, 85000, -1, 3);
    store(DataFile::Monsters, 85000, 5, 4);
    store(DataFile::Monsters, 169000, -2, 19);
    show();
    EXPECT_EQ(form.get_text(73, 100), "4294967295");
    EXPECT_EQ(form.get_text(5015, 100), "4294967294");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 85000, 3), -1);
    form.set_text(70, "4294967295");  // pasted over 0: stores -1
    form.set_text(74, "0");
    form.set_text(75, "");
    form.set_text(5014, "4294967295");
    form.set_text(5015, "4294967296");  // beyond 32 bits: a Save refuses it
    std::vector<ValueFault> faults;
    check_slot(form, DataFile::Monsters, data[DataFile::Monsters], slot, {}, faults);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].why, "4294967296 is outside -2147483648..4294967295");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 85000, 0), -1);
    EXPECT_EQ(stored(DataFile::Monsters, 85000, 4), 0);
    EXPECT_EQ(stored(DataFile::Monsters, 85000, 5), 0);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 18), -1);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 19), -2);  // kept
}

TEST_F(Binding, NumbersOutsideTheirFieldAreRefusedNotCut) {
    store(DataFile::Monsters, 25000, 6);
    store(DataFile::DefenseBonus, 0, 200);
    show();
    EXPECT_EQ(form.get_text(151, 100), "7");
    form.set_text(151, "3");
    form.set_text(212, "300");
    form.set_text(98, "300");
    form.set_text(251, "70000");
    form.set_text(91, "-2");
    form.set_text(97, "-1");
    form.set_text(247, "4294967295");
    form.set_text(5002, "1.2.3");
    form.set_text(5003, "7x");
    form.set_text(5004, "-36,25");
    form.set_text(5016, "1e9");
    std::vector<ValueFault> faults;
    for (const DataFileInfo& info : data_files()) check_slot(form, info.id, data[info.id], slot, {}, faults);
    std::vector<std::string> found;
    for (const ValueFault& f : faults) found.push_back(std::to_string(f.row->control) + " " + f.why);
    EXPECT_EQ(found, (std::vector<std::string>{
                         "212 300 is outside 0..255", "251 70000 is outside 0..65535",
                         "5002 \"1.2.3\" is not a number", "5003 \"7x\" is not a number",
                         "5004 \"-36,25\" is not a number (the decimal point is '.', not ',')",
                         "5016 1e9 is outside -238609.29..238609.29", "98 300 is outside 0..255"}));

    for (int id : {212, 98, 251}) form.set_text(id, "0");
    for (int id : {5002, 5003, 5004, 5016}) form.set_text(id, "0.5");
    faults.clear();
    for (const DataFileInfo& info : data_files()) check_slot(form, info.id, data[info.id], slot, {}, faults);
    EXPECT_TRUE(faults.empty());
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 25000), 2);
    EXPECT_EQ(stored(DataFile::Monsters, 169000, 0), -2);
    EXPECT_EQ(stored(DataFile::Monsters, 253000), -1);
    EXPECT_EQ(stored(DataFile::Monsters, 63000), 4294967295);
    // Byte -1 at 25000 shows 0 and is kept; 0 typed again as "0" keeps it too.
    store(DataFile::Monsters, 25000, -1);
    show();
    EXPECT_EQ(form.get_text(151, 100), "0");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 25000), -1);
    // An emptied edit (as the interlock of 2025 leaves 212) stores 0.
    store(DataFile::Monsters, 27000, 17);
    show();
    form.set_text(212, "");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 27000), 0);
}

TEST_F(Binding, ListsKeepPositionsThatNameNoEntryUntilChanged) {
    store(DataFile::Monsters, 31000, 9);      // list 307 has 5 entries
    store(DataFile::Monsters, 59000, 250);    // 200 spells
    store(DataFile::Monsters, 47000, 5000);
    store(DataFile::ImposedSpells, 0, 100, 1);
    store(DataFile::Demonology, 0, -1);
    show();
    EXPECT_EQ(form.selected_item(307), -1);
    EXPECT_EQ(form.selected_item(303), -1);
    EXPECT_EQ(form.selected_item(301), -1);
    EXPECT_EQ(form.selected_item(318), 101);
    EXPECT_EQ(form.selected_item(323), 0);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 31000), 9);
    EXPECT_EQ(stored(DataFile::Monsters, 59000), 250);
    EXPECT_EQ(stored(DataFile::Monsters, 47000), 5000);
    EXPECT_EQ(stored(DataFile::Demonology, 0), -1);

    // More spells in the list now: the same stored 250 shows a selection, so a
    // list that shows none differs from its reference and stores -1.
    for (int i = kSpells; i < 300; ++i) form.add_item(303, "more");
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 59000), 255);
}

TEST_F(Binding, AListWithNoSelectionStoresMinusOneInTheElementsWidth) {
    store(DataFile::Monsters, 31000, 2);
    store(DataFile::Monsters, 43000, 3);
    store(DataFile::Monsters, 47000, 3);
    for (int b = 0; b < 6; ++b) store(DataFile::ImposedSpells, 0, 1, b);
    store(DataFile::Demonology, 0, 4);
    show();
    for (int id : {307, 302, 301, 317, 318, 319, 320, 321, 322, 323}) form.select_item(id, -1);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 31000), 255);
    EXPECT_EQ(stored(DataFile::Monsters, 43000), -1);
    EXPECT_EQ(stored(DataFile::Monsters, 47000), -2);
    for (int b = 0; b < 3; ++b) EXPECT_EQ(data[DataFile::ImposedSpells][6 * slot + b], 254) << b;
    for (int b = 3; b < 6; ++b) EXPECT_EQ(data[DataFile::ImposedSpells][6 * slot + b], 255) << b;
    EXPECT_EQ(stored(DataFile::Demonology, 0), -2);
    // The none entry stores -1.
    for (int id : {301, 317, 323}) form.select_item(id, 0);
    form.select_item(319, 200);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 47000), -1);
    EXPECT_EQ(data[DataFile::ImposedSpells][6 * slot], 255);
    EXPECT_EQ(data[DataFile::ImposedSpells][6 * slot + 2], 199);
    EXPECT_EQ(stored(DataFile::Demonology, 0), -1);
}

TEST_F(Binding, CheckBytesRadioAndTheByteAt40000) {
    store(DataFile::Monsters, 28000, 9);
    store(DataFile::Monsters, 26000, 9);  // outside -1..8
    store(DataFile::Monsters, 40000, 2);  // while 2019 (bit 0 of 21000) is clear
    show();
    EXPECT_EQ(form.get_check(2073), 1);
    for (int id = 2008; id <= 2017; ++id) EXPECT_EQ(form.get_check(id), 0);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 28000), 9);
    EXPECT_EQ(stored(DataFile::Monsters, 26000), 9);
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 2);

    form.set_check(2073, 0);
    form.set_check(2074, 1);
    form.check_radio(2008, 2017, 2010);
    form.set_check(2019, 1);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 28000), 0);
    EXPECT_EQ(stored(DataFile::Monsters, 29000), 1);
    EXPECT_EQ(stored(DataFile::Monsters, 26000), 1);
    EXPECT_EQ(stored(DataFile::Monsters, 21000), 1);
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 2);

    // 2019 now stored and shown checked: 1 at 40000 with 2019 checked is kept
    // until one of the two boxes changes.
    store(DataFile::Monsters, 40000, 1);
    show();
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 1);
    form.set_check(2019, 0);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 1);
    EXPECT_EQ(stored(DataFile::Monsters, 21000), 0);
    show();
    form.set_check(2019, 1);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 2);
    form.set_check(2062, 0);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 40000), 0);

    // A radio byte of -1 checks 2008; clearing every button keeps the byte.
    store(DataFile::Monsters, 26000, -1);
    show();
    EXPECT_EQ(form.get_check(2008), 1);
    form.check_radio(2008, 2017, 0);
    save();
    EXPECT_EQ(stored(DataFile::Monsters, 26000), -1);
}

TEST_F(Binding, FirewallBitsOfTheEdgeSlots) {
    for (int s : {0, 31, 32, 991, 992, 999}) {
        Bytes& f = data[DataFile::Firewall];
        std::fill(f.begin(), f.begin() + 125, 0xA5);
        const Bytes before = f;
        slot = s;
        show();
        EXPECT_EQ(form.get_check(2132), (0xA5 >> (s & 7)) & 1) << s;
        save();
        EXPECT_EQ(f, before) << s;
        form.set_check(2132, form.get_check(2132) == 0 ? 1 : 0);
        save();
        for (std::size_t i = 0; i < f.size(); ++i)
            EXPECT_EQ(f[i], i == static_cast<std::size_t>(s >> 3) ? before[i] ^ (1u << (s & 7)) : before[i]) << s;
    }
}

TEST_F(Binding, TextFields) {
    Bytes& ammo = data[DataFile::Ammo];
    for (int i = 0; i < 16; ++i) ammo[16 * slot + i] = 'A';  // no zero
    std::memcpy(&ammo[16 * (slot + 1)], "BC", 3);
    Bytes& m = data[DataFile::Monsters];
    std::memcpy(&m[16 * slot], "Goblin\0XYZ", 10);
    show();
    EXPECT_EQ(form.get_text(304, 100), std::string(16, 'A') + "BC");
    save();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ammo[16 * slot + i], 'A');

    form.set_text(304, std::string(16, 'A') + "BCD");  // changed: the first 15 and a zero
    form.set_text(121, "Orc");                          // shorter: the rest stays
    save();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&ammo[16 * slot])), std::string(15, 'A'));
    EXPECT_EQ(ammo[16 * (slot + 1)], 'B');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&m[16 * slot])), "Orc");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&m[16 * slot + 4])), "in");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&m[16 * slot + 7])), "XYZ");
    form.set_text(122, "abcdefg");
    form.set_text(121, "");
    save();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&m[16000 + 5 * slot])), "abcd");
    EXPECT_EQ(m[16 * slot], 0);
    EXPECT_EQ(m[16 * slot + 1], 'r');
}

TEST_F(Binding, ArraysWithoutAControlKeepTheirBytes) {
    for (std::uint32_t offset : {30000u, 77000u, 78000u, 79000u, 84000u}) store(DataFile::Monsters, offset, 0x5A);
    // Every control shows something other than the slot's values.
    DataSet other = zero_data();
    for (Bytes& f : other.files) std::fill(f.begin(), f.end() - 32, 0x33);
    show_all(form, other, slot);
    save();
    for (std::uint32_t offset : {30000u, 77000u, 78000u, 79000u, 84000u})
        EXPECT_EQ(stored(DataFile::Monsters, offset), 0x5A) << offset;
    EXPECT_EQ(stored(DataFile::Monsters, 27000), 0x33);
}

TEST_F(Binding, RejectsBadSlotsAndShortBuffers) {
    Bytes short_file(1000, 0);
    EXPECT_THROW(show_slot(form, DataFile::Monsters, short_file, 0), std::out_of_range);
    EXPECT_THROW(save_slot(form, DataFile::Ammo, short_file, 0), std::out_of_range);
    EXPECT_THROW(show_slot(form, DataFile::DefenseBonus, data[DataFile::DefenseBonus], 1000), std::out_of_range);
    EXPECT_THROW(save_slot(form, DataFile::DefenseBonus, data[DataFile::DefenseBonus], -1), std::out_of_range);
}

}  // namespace
}  // namespace ce
