// The data files of the demo folder: sizes, values within what the form can
// show, consistency between fields, the documented unusual slots, and that the
// same seed always gives the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "demo_fixture.h"
#include "form/catalogue.h"
#include "store/binding.h"
#include "store/value_text.h"
#include "store/layouts.h"
#include "store/settings.h"

namespace ce {
namespace {

using demo_test::file;
using demo_test::seed1;

std::span<const std::uint8_t> data(DataFile id) { return file(seed1(), data_file(id).name); }

std::int64_t value(DataFile f, std::uint32_t offset, int slot, int element = 0) {
    const BindingRow* row = find_row(f, offset, element);
    EXPECT_NE(row, nullptr);
    return row ? read_int(*row, data(f), slot) : 0;
}

// Entries of each list when the demo's language files fill the form.
int list_entries(int list, int spells) {
    static const std::map<int, int> fixed = {{305, 5}, {306, 3}, {307, 5},  {308, 10}, {309, 6},
                                             {310, 9}, {311, 4}, {312, 10}, {313, 9},  {314, 7},
                                             {315, 9}, {316, 3}, {320, 4},  {321, 4},  {322, 4}};
    if (auto it = fixed.find(list); it != fixed.end()) return it->second;
    if (list == 300 || list == 302) return kSlots;
    if (list == 301 || list == 323) return kSlots + 1;
    if (list == 303) return spells;
    return spells + 1;  // 317..319
}

const LimitRow* spin_of(int edit) {
    for (const LimitRow& row : limit_rows())
        if (row.edit == edit && row.spin != -1) return &row;
    return nullptr;
}

bool documented(int slot) {
    return slot == demo_slot::kNegativeNumber || slot == demo_slot::kListNoEntry ||
           slot == demo_slot::kCheckTwo || slot == demo_slot::kRadioMinusOne || slot == demo_slot::kRadioNine ||
           slot == demo_slot::kAmmoNoZero || slot == demo_slot::kCodeNoZero || slot == demo_slot::kBigFloat;
}

// The value rounded to thousandths, as text ("-18.800").
std::string three_decimals(float f) {
    const long long k = std::llround(static_cast<double>(f) * 1000.0);
    const long long a = k < 0 ? -k : k;
    std::string frac = std::to_string(a % 1000);
    frac.insert(0, 3 - frac.size(), '0');
    std::string text = k < 0 ? "-" : "";
    text += std::to_string(a / 1000);
    text += '.';
    text += frac;
    return text;
}

TEST(DemoData, FilesHaveTheirFixedSizesAndLangOpensEnglishAtCreatureZero) {
    const std::map<std::string, std::size_t> sizes = {
        {"MonstersSetup.vrh", 254000}, {"Ammo.vrh", 16000}, {"ImposedSpells.vrh", 6000},
        {"Firewall.vrh", 125},         {"Demonology.vrh", 2000}, {"DefenseBonus.vrh", 1000}};
    for (const auto& [name, size] : sizes) EXPECT_EQ(file(seed1(), name).size(), size) << name;
    EXPECT_EQ(file(seed1(), kSettingsFile), (std::vector<std::uint8_t>{0, 0, 0}));
    // Every file name appears once.
    std::set<std::string> names;
    for (const DemoFile& f : seed1()) EXPECT_TRUE(names.insert(f.name).second) << f.name;
}

TEST(DemoData, OrdinarySlotsHoldValuesTheFormCanShow) {
    const int spells = 100;
    for (const DataFileInfo& info : data_files()) {
        for (const BindingRow& row : binding_rows(info.id)) {
            SCOPED_TRACE(std::string(info.name) + " offset " + std::to_string(row.offset) + " element " +
                         std::to_string(row.element));
            std::set<std::int64_t> seen;
            for (int s = 0; s < kSlots; ++s) {
                if (documented(s)) continue;
                const std::int64_t v = read_int(row, data(info.id), s);
                seen.insert(v);
                switch (row.kind) {
                    case Conversion::Number:
                    case Conversion::NumberPlusOne: {
                        const LimitRow* spin = spin_of(row.control);
                        ASSERT_NE(spin, nullptr) << "edit " << row.control;
                        const std::int64_t shown = row.kind == Conversion::NumberPlusOne ? v + 1 : v;
                        EXPECT_GE(shown, spin->low) << "slot " << s;
                        EXPECT_LE(shown, spin->high) << "slot " << s;
                        break;
                    }
                    case Conversion::List:
                        EXPECT_GE(v + row.shift, 0) << "slot " << s;
                        EXPECT_LT(v + row.shift, list_entries(row.control, spells)) << "slot " << s;
                        break;
                    case Conversion::Check:
                    case Conversion::Bit:
                        EXPECT_TRUE(v == 0 || v == 1) << "slot " << s;
                        break;
                    case Conversion::CheckPair:  // 2 only for a creature whose box 2019 is checked
                        EXPECT_TRUE(v == 0 || v == 1 || (v == 2 && (value(DataFile::Monsters, 21000, s) & 1)))
                            << "slot " << s;
                        break;
                    case Conversion::Radio:
                        EXPECT_GE(v, -1) << "slot " << s;
                        EXPECT_LE(v, 8) << "slot " << s;
                        break;
                    case Conversion::Float: {
                        const float f = read_float(row, data(info.id), s);
                        EXPECT_GE(f, -90.0f) << "slot " << s;
                        EXPECT_LE(f, 90.0f) << "slot " << s;
                        // Up to three decimals: the value a typed text gives.
                        EXPECT_EQ(parse_float(three_decimals(f)), f) << format_lf(f);
                        break;
                    }
                    case Conversion::Scaled: {
                        const float shown = scaled_value(static_cast<std::int32_t>(v), row.scale);
                        EXPECT_GE(shown, 0.0f) << "slot " << s;
                        EXPECT_LE(shown, 100.0f) << "slot " << s;
                        EXPECT_LE(float_text(shown).size(), 5u);
                        break;
                    }
                    case Conversion::Text: {
                        const std::string t = read_text(row, data(info.id), s);
                        EXPECT_LT(t.size(), row.width) << "slot " << s;  // a zero inside the field
                        break;
                    }
                    case Conversion::FlagWord:
                    case Conversion::None:
                        break;
                }
            }
            // Varied data: every field with a control takes more than one value.
            if (row.kind != Conversion::None) { EXPECT_GT(seen.size(), 1u); }
        }
    }
}

TEST(DemoData, FieldsAgreeWithTheTraitsThatGovernThem) {
    constexpr DataFile M = DataFile::Monsters;
    int shooters = 0, breath_two = 0, fractions = 0;
    for (int s = 0; s < kSlots; ++s) {
        if (documented(s)) continue;
        SCOPED_TRACE("slot " + std::to_string(s));
        const auto traits = static_cast<std::uint32_t>(value(M, 21000, s));
        const auto bit = [traits](int box) { return (traits >> (box - 2019) & 1u) != 0; };
        if (!bit(2021)) {
            // What clearing the shooter box leaves: lists 306, 305, 307 on their
            // reset entries, the shooting boxes clear, no missile.
            EXPECT_EQ(value(M, 33000, s), 0);
            EXPECT_EQ(value(M, 82000, s), 2);
            EXPECT_EQ(value(M, 31000, s), 0);
            for (std::uint32_t box : {37000u, 74000u, 73000u, 81000u}) EXPECT_EQ(value(M, box, s), 0);
            EXPECT_EQ(data(DataFile::Ammo)[static_cast<std::size_t>(16 * s)], 0);
        } else {
            ++shooters;
            EXPECT_NE(data(DataFile::Ammo)[static_cast<std::size_t>(16 * s)], 0);
        }
        if (bit(2025)) { EXPECT_EQ(value(M, 27000, s), 0); }  // rooted: speed 0
        if (bit(2036)) { EXPECT_EQ(value(M, 28000, s), 0); }  // mindless: no morale
        if (!bit(2038)) { EXPECT_EQ(value(M, 68000, s), 0); } // only fliers dive
        if (value(M, 40000, s) == 2) ++breath_two;
        // Upgrades: a base creature upgrades to the next slot, whose base form it is.
        const std::int64_t up = value(M, 47000, s);
        if (up >= 0) { EXPECT_EQ(value(M, 43000, static_cast<int>(up)), s); }
        for (int e = 6; e < 18; ++e) {
            const float f = read_float(*find_row(M, 169000, e), data(M), s);
            if (f != static_cast<float>(static_cast<int>(f))) ++fractions;
        }
        // Spells cast on hit: a level only where there is a spell.
        for (int k = 0; k < 3; ++k)
            if (value(DataFile::ImposedSpells, 0, s, k) == -1) { EXPECT_EQ(value(DataFile::ImposedSpells, 0, s, 3 + k), 0); }
    }
    EXPECT_GT(shooters, 100);
    EXPECT_GT(breath_two, 0);
    EXPECT_GT(fractions, 1000);
}

TEST(DemoData, DocumentedSlotsHoldTheirUnusualValues) {
    constexpr DataFile M = DataFile::Monsters;
    EXPECT_EQ(value(M, 85000, demo_slot::kNegativeNumber, 0), kDemoNegativeNumber);
    EXPECT_LT(kDemoNegativeNumber, 0);
    EXPECT_EQ(value(M, 51000, demo_slot::kListNoEntry), kDemoListNoEntry);
    EXPECT_GE(kDemoListNoEntry, 10);  // list 308 has 10 entries
    EXPECT_EQ(value(M, 61000, demo_slot::kCheckTwo), 2);
    EXPECT_EQ(value(M, 26000, demo_slot::kRadioMinusOne), -1);
    EXPECT_EQ(value(M, 26000, demo_slot::kRadioNine), 9);

    // Text fields without a zero: the field is full, and reading runs on into
    // the next slot's field.
    const auto ammo = data(DataFile::Ammo).subspan(16 * demo_slot::kAmmoNoZero, 16);
    EXPECT_EQ(std::string(ammo.begin(), ammo.end()), kDemoAmmoNoZero);
    const BindingRow& ammo_row = *find_row(DataFile::Ammo, 0, 0);
    EXPECT_EQ(read_text(ammo_row, data(DataFile::Ammo), demo_slot::kAmmoNoZero),
              std::string(kDemoAmmoNoZero) + read_text(ammo_row, data(DataFile::Ammo), demo_slot::kAmmoNoZero + 1));
    const auto code = data(M).subspan(16000 + 5 * demo_slot::kCodeNoZero, 5);
    EXPECT_EQ(std::string(code.begin(), code.end()), kDemoCodeNoZero);

    const float big = read_float(*find_row(M, 169000, 6), data(M), demo_slot::kBigFloat);
    EXPECT_EQ(big, kDemoBigFloat);
    EXPECT_EQ(float_text(big), "12345");  // six integer digits: only five show

    // Slot 149 is ordinary: both texts present and terminated in their fields.
    const int s = demo_slot::kInterlockedTexts;
    EXPECT_FALSE(documented(s));
    EXPECT_FALSE(read_text(*find_row(M, 0, 0), data(M), s).empty());
    EXPECT_FALSE(read_text(*find_row(M, 16000, 0), data(M), s).empty());
}

TEST(DemoData, SameSeedSameBytesOtherSeedOtherBytes) {
    const std::vector<DemoFile> again = make_demo_files(1).value();
    ASSERT_EQ(again.size(), seed1().size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].name, seed1()[i].name);
        EXPECT_TRUE(again[i].bytes == seed1()[i].bytes) << again[i].name;
    }
    const std::vector<DemoFile> other = make_demo_files(2).value();
    ASSERT_EQ(other.size(), seed1().size());
    int differ = 0;
    for (std::size_t i = 0; i < other.size(); ++i) {
        ASSERT_EQ(other[i].name, seed1()[i].name);
        if (other[i].bytes != seed1()[i].bytes) ++differ;
        // The fixed parts of a data folder do not depend on the seed.
        if (other[i].name == "Lang" || other[i].name.find("Common") != std::string::npos)
            EXPECT_TRUE(other[i].bytes == seed1()[i].bytes) << other[i].name;
        else
            EXPECT_FALSE(other[i].bytes == seed1()[i].bytes) << other[i].name;
    }
    EXPECT_GT(differ, 300);
}

}  // namespace
}  // namespace ce
