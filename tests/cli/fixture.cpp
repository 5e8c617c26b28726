#include "fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "text/code_page.h"
#include "store/binding.h"
#include "store/layouts.h"

namespace ce::test {
namespace {

namespace fs = std::filesystem;

constexpr int kOptionCounts[12] = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3};

// Entries of a list as the editor fills it from these language files.
int list_count(int list) {
    if (list >= 305 && list <= 316) return kOptionCounts[list - 305];
    switch (list) {
        case 301: case 323: return 1001;
        case 302: return 1000;
        case 303: return kFixtureSpells;
        case 317: case 318: case 319: return kFixtureSpells + 1;
        default: return 4;  // 320..322
    }
}

std::string word(Random& r, int length) {
    std::string w;
    for (int i = 0; i < length; ++i) w += static_cast<char>('a' + r.range(0, 25));
    return w;
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

std::string lines(const std::vector<std::string>& utf8, int language) {
    std::string out;
    for (const std::string& l : utf8) {
        auto bytes = encode_code_page(l, language);
        EXPECT_TRUE(bytes) << l;
        out += bytes.value_or("") + "\r\n";
    }
    return out;
}

void fill_element(const BindingRow& row, std::vector<std::uint8_t>& bytes, int slot, Random& r) {
    switch (row.kind) {
        case Conversion::Text: {
            // A text and its zero, then leftovers of an older, longer text.
            const int n = r.range(1, row.width - 1);
            std::string t = word(r, n) + '\0' + word(r, row.width - n - 1);
            std::memcpy(bytes.data() + element_position(row, slot), t.data(), row.width);
            return;
        }
        case Conversion::Number:
            if (row.width == 4) return write_int(row, bytes, slot, r.range(0, 2000000));
            if (row.width == 2) return write_int(row, bytes, slot, r.range(row.is_signed ? -300 : 0, 30000));
            return write_int(row, bytes, slot, row.is_signed ? r.range(-100, 100) : r.range(0, 255));
        case Conversion::NumberPlusOne: return write_int(row, bytes, slot, r.range(0, 6));
        case Conversion::Check: return write_int(row, bytes, slot, r.range(0, 1));
        case Conversion::CheckPair: return write_int(row, bytes, slot, r.range(0, 2));
        case Conversion::FlagWord: return write_int(row, bytes, slot, static_cast<std::int64_t>(r.next() & 0xFFFFFFFFu));
        case Conversion::Radio: return write_int(row, bytes, slot, r.range(-1, 8));
        case Conversion::List: {
            int top = list_count(row.control) - 1;
            if (row.width == 1 && !row.is_signed) top = std::min(top, 255);
            if (row.width == 1 && row.is_signed) top = std::min(top, 127 + row.shift);
            return write_int(row, bytes, slot, r.range(0, top) - row.shift);
        }
        case Conversion::Float: {
            const float f = static_cast<float>(r.range(-90000, 90000)) / 1000.0f;
            return write_float(row, bytes, slot, f);
        }
        case Conversion::Scaled: return write_int(row, bytes, slot, r.range(-50000, 50000));
        case Conversion::Bit: return write_int(row, bytes, slot, r.range(0, 1));
        case Conversion::None: return write_int(row, bytes, slot, r.range(0, 255));
    }
}

std::vector<std::string> common_lines(int language) {
    const bool ru = language == 1;
    std::vector<std::string> c;
    for (int k = 0; k <= 132; ++k) c.push_back((ru ? "Подпись " : "Caption ") + std::to_string(k));
    c[1] = ru ? "Английский" : "English";
    c[2] = ru ? "Русский" : "Russian";
    c[3] = ru ? "Существо %d" : "Creature %d";
    c[100] = ru ? "Сохранить" : "Save";
    for (int k = 0; k < 32; ++k) c[static_cast<std::size_t>(19 + k)] = (ru ? "Флаг " : "Flag ") + std::to_string(k);
    for (int list = 305; list <= 316; ++list)
        for (int i = 0; i < kOptionCounts[list - 305]; ++i)
            c.push_back((ru ? "Выбор " : "Option ") + std::to_string(list) + "." + std::to_string(i));
    for (int i = 0; i < 4; ++i) c.push_back((ru ? "Степень " : "Degree ") + std::to_string(i));
    return c;
}

}  // namespace

void write_fixture_folder(const std::string& dir, std::uint64_t seed) {
    Random r(seed);
    const fs::path root(dir);
    write(root / "Lang", std::string("\x00\x00\x00", 3));

    std::vector<std::vector<std::uint8_t>> files;
    for (const DataFileInfo& info : data_files()) {
        std::vector<std::uint8_t> bytes(info.size, 0);
        for (const BindingRow& row : binding_rows(info.id))
            for (int s = 0; s < kSlots; ++s) fill_element(row, bytes, s, r);
        files.push_back(std::move(bytes));
    }
    auto& m = files[static_cast<std::size_t>(DataFile::Monsters)];
    auto row = [](DataFile f, std::uint32_t offset, int element) { return *find_row(f, offset, element); };
    using namespace fixture_slot;
    write_int(row(DataFile::Monsters, 85000, 0), m, kNegativeNumber, -7);
    write_int(row(DataFile::Monsters, 51000, 0), m, kListNoEntry, 12);
    write_int(row(DataFile::Monsters, 61000, 0), m, kCheckTwo, 2);
    write_int(row(DataFile::Monsters, 26000, 0), m, kRadioNine, 9);
    std::memcpy(m.data() + 16000 + 5 * kCodeNoZero, "QUILL", 5);
    write_float(row(DataFile::Monsters, 169000, 6), m, kBigFloat, 123456.5f);
    write_int(row(DataFile::Monsters, 169000, 7), m, kOddFloats, 0xFFC00001u);
    write_int(row(DataFile::Monsters, 169000, 8), m, kOddFloats, 0x80000000u);
    write_int(row(DataFile::Monsters, 169000, 9), m, kOddFloats, 0x7F800000u);
    std::memcpy(files[static_cast<std::size_t>(DataFile::Ammo)].data() + 16 * kAmmoNoZero, kFixtureAmmoNoZero, 16);
    for (const DataFileInfo& info : data_files())
        write(root / info.name, std::string(files[static_cast<std::size_t>(info.id)].begin(),
                                            files[static_cast<std::size_t>(info.id)].end()));

    for (int language = 0; language < 2; ++language) {
        const bool ru = language == 1;
        const fs::path folder = root / (ru ? "Rus" : "Eng");
        fs::create_directories(folder);
        std::vector<std::string> monsters{ru ? "(нет)" : "(none)"}, plural, ability, spells;
        for (int s = 0; s < kSlots; ++s) {
            const std::string name = ru ? "Зверь " + std::to_string(s) : "Créature " + std::to_string(s);
            monsters.push_back(name);
            plural.push_back(name + (ru ? " (мн.)" : "s"));
            ability.push_back((ru ? "Умение существа " : "Ability of creature ") + std::to_string(s) + ".");
        }
        for (int i = 0; i < kFixtureSpells; ++i) spells.push_back((ru ? "Чары " : "Spell ") + std::to_string(i));
        write(folder / "Monsters.txt", lines(monsters, language));
        write(folder / "Plural.txt", lines(plural, language));
        write(folder / "Ability.txt", lines(ability, language));
        write(folder / "Spells.txt", lines(spells, language));
        write(folder / "Common.txt", lines(common_lines(language), language));
    }
}

}  // namespace ce::test
