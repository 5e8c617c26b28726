// Data folders of the tests' own, for every test program: the six data files,
// the settings file `Lang`, the five language files of both languages and
// portraits, made from a FolderRecipe in a temporary folder (DataFolder) or into
// a given one (write_data_folder). The same FolderRecipe and seed give the same bytes
// on every platform. Header-only, so that the benchmarks and the Windows test
// program use it as they are.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "store/binding.h"
#include "store/data_folder.h"
#include "store/layouts.h"
#include "store/settings.h"
#include "support/lines.h"
#include "support/random.h"
#include "support/temp_dir.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce::test {

using Bytes = std::vector<std::uint8_t>;

// What the six data files hold.
enum class Data {
    None,    // no data files: a folder of texts
    Zeros,   // every byte zero
    Bytes,   // every byte random
    Fields,  // every element a value the editor shows as stored, drawn through the binding
             // table, but the odd slots of `varied_slot`
};

// What the language files hold.
enum class Texts {
    None,      // none at all
    Named,     // creature_name(), plural_of(), ... below, in each language's code page
    Captions,  // accented English and Russian words, and Common lines naming the options of
               // every list, so that each list has as many entries as the data's values need
};

struct FolderRecipe {
    Data data = Data::Bytes;
    Texts texts = Texts::Named;
    std::uint64_t seed = 1;
    int language = 0;        // `Lang`: the language and the creature shown
    int creature = 0;
    int creatures = kSlots;  // Named: names (after the none entry), plurals and abilities
    int spells = 300;        // lines of the Spells files
    int common_lines = 217;  // Named: lines of the Common files
};

// --- Named texts -------------------------------------------------------------

// Russian texts use bytes above 0x7F, as in Windows-1251.
inline std::string in_language(int language, const char* english, const char* russian) {
    return language == 0 ? english : russian;
}
inline std::string none_entry(int language) { return in_language(language, "(none)", "(\xED\xE5\xF2)"); }
inline std::string creature_name(int language, int k) {
    return in_language(language, "Beast ", "\xC7\xE2\xE5\xF0\xFC ") + std::to_string(k);
}
inline std::string plural_of(int language, int k) {
    return in_language(language, "Beasts ", "\xC7\xE2\xE5\xF0\xE8 ") + std::to_string(k);
}
inline std::string ability_of(int language, int k) {
    return in_language(language, "Bites hard, number ", "\xCA\xF3\xF1\xE0\xE5\xF2\xF1\xFF ") + std::to_string(k);
}
inline std::string spell_name(int language, int k) {
    return in_language(language, "Spell ", "\xD7\xE0\xF0\xFB ") + std::to_string(k);
}
// Common line k; line 3 is the creature header's format.
inline std::string common_line(int language, int k) {
    if (k == 3) return in_language(language, "Creature %d", "\xD1\xF3\xF9\xE5\xF1\xF2\xE2\xEE %d");
    return in_language(language, "Line ", "\xD1\xF2\xF0 ") + std::to_string(k);
}

// --- the varied folder (Data::Fields with Texts::Captions) -------------------

// Slots that hold, on purpose, values the editor cannot show faithfully.
namespace varied_slot {
constexpr int kNegativeNumber = 13;  // number block value 0 (85000[0]) is -7
constexpr int kListNoEntry = 21;     // 51000 (list 308, 10 entries) holds 12
constexpr int kCheckTwo = 34;        // 61000 (check box 2077) holds 2
constexpr int kRadioNine = 89;       // 26000 holds 9
constexpr int kAmmoNoZero = 144;     // Ammo.vrh: 16 letters without a zero
constexpr int kCodeNoZero = 145;     // 16000: 5 letters without a zero
constexpr int kBigFloat = 233;       // 169000[6] is 123456.5
constexpr int kOddFloats = 300;      // 169000[7..9]: NaN 0xFFC00001, -0.0, inf
}  // namespace varied_slot
constexpr const char* kVariedAmmoNoZero = "Quicksilver dart";
constexpr int kVariedSpells = 100;

// Lang, varied values in every element, texts in both languages: the folder
// the tool's tests export, import and compare.
inline FolderRecipe varied_folder(std::uint64_t seed = 1) {
    return {Data::Fields, Texts::Captions, seed, 0, 0, kSlots, kVariedSpells};
}

namespace detail {

constexpr int kOptionCounts[12] = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3};

// Entries of a list as the editor fills it from the Captions texts.
inline int caption_list_count(int list, int spells) {
    if (list >= 305 && list <= 316) return kOptionCounts[list - 305];
    switch (list) {
        case 301: case 323: return kSlots + 1;
        case 302: return kSlots;
        case 303: return spells;
        case 317: case 318: case 319: return spells + 1;
        default: return 4;  // 320..322
    }
}

inline std::string word(Random& r, int length) {
    std::string w;
    for (int i = 0; i < length; ++i) w += static_cast<char>('a' + r.range(0, 25));
    return w;
}

inline void fill_element(const BindingRow& row, Bytes& bytes, int slot, Random& r, int spells) {
    switch (row.kind) {
        case Conversion::Text: {
            // A text and its zero, then leftovers of an older, longer text.
            const int n = r.range(1, row.width - 1);
            const std::string t = word(r, n) + '\0' + word(r, row.width - n - 1);
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
            int top = caption_list_count(row.control, spells) - 1;
            if (row.width == 1 && !row.is_signed) top = std::min(top, 255);
            if (row.width == 1 && row.is_signed) top = std::min(top, 127 + row.shift);
            return write_int(row, bytes, slot, r.range(0, top) - row.shift);
        }
        case Conversion::Float: return write_float(row, bytes, slot, static_cast<float>(r.range(-90000, 90000)) / 1000.0f);
        case Conversion::Scaled: return write_int(row, bytes, slot, r.range(-50000, 50000));
        case Conversion::Bit: return write_int(row, bytes, slot, r.range(0, 1));
        case Conversion::None: return write_int(row, bytes, slot, r.range(0, 255));
    }
}

// The varied values of every element, then the odd slots.
inline std::vector<Bytes> field_files(Random& r, int spells) {
    std::vector<Bytes> files;
    for (const DataFileInfo& info : data_files()) {
        Bytes bytes(info.size, 0);
        for (const BindingRow& row : binding_rows(info.id))
            for (int s = 0; s < kSlots; ++s) fill_element(row, bytes, s, r, spells);
        files.push_back(std::move(bytes));
    }
    Bytes& m = files[static_cast<std::size_t>(DataFile::Monsters)];
    const auto row = [](std::uint32_t offset, int element) { return *find_row(DataFile::Monsters, offset, element); };
    using namespace varied_slot;
    write_int(row(85000, 0), m, kNegativeNumber, -7);
    write_int(row(51000, 0), m, kListNoEntry, 12);
    write_int(row(61000, 0), m, kCheckTwo, 2);
    write_int(row(26000, 0), m, kRadioNine, 9);
    std::memcpy(m.data() + 16000 + 5 * kCodeNoZero, "QUILL", 5);
    write_float(row(169000, 6), m, kBigFloat, 123456.5f);
    write_int(row(169000, 7), m, kOddFloats, 0xFFC00001u);
    write_int(row(169000, 8), m, kOddFloats, 0x80000000u);
    write_int(row(169000, 9), m, kOddFloats, 0x7F800000u);
    std::memcpy(files[static_cast<std::size_t>(DataFile::Ammo)].data() + 16 * kAmmoNoZero, kVariedAmmoNoZero, 16);
    return files;
}

// The five files of one language, in TextKind order, as lines.
using LanguageLines = std::array<std::vector<std::string>, 5>;

inline LanguageLines named_lines(const FolderRecipe& recipe, int language) {
    LanguageLines l;
    auto& [monsters, spells, common, plural, ability] = l;
    monsters.push_back(none_entry(language));
    for (int k = 0; k < recipe.creatures; ++k) {
        monsters.push_back(creature_name(language, k));
        plural.push_back(plural_of(language, k));
        ability.push_back(ability_of(language, k));
    }
    for (int k = 0; k < recipe.spells; ++k) spells.push_back(spell_name(language, k));
    for (int k = 0; k < recipe.common_lines; ++k) common.push_back(common_line(language, k));
    return l;
}

inline std::vector<std::string> caption_common(int language) {
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

// Written in UTF-8 here, stored in the language's code page.
inline LanguageLines caption_lines(const FolderRecipe& recipe, int language) {
    const bool ru = language == 1;
    LanguageLines l;
    auto& [monsters, spells, common, plural, ability] = l;
    monsters.push_back(ru ? "(нет)" : "(none)");
    for (int s = 0; s < kSlots; ++s) {
        const std::string name = ru ? "Зверь " + std::to_string(s) : "Créature " + std::to_string(s);
        monsters.push_back(name);
        plural.push_back(name + (ru ? " (мн.)" : "s"));
        ability.push_back((ru ? "Умение существа " : "Ability of creature ") + std::to_string(s) + ".");
    }
    for (int i = 0; i < recipe.spells; ++i) spells.push_back((ru ? "Чары " : "Spell ") + std::to_string(i));
    common = caption_common(language);
    for (auto& file : l) {
        for (std::string& line : file) {
            const auto bytes = encode_code_page(line, language);
            if (!bytes) throw std::logic_error("not in the language's code page: " + line);
            line = *bytes;
        }
    }
    return l;
}

}  // namespace detail

// The settings file's bytes for a language and a creature index.
inline std::string settings_bytes(int language, int creature) {
    return std::string{static_cast<char>(language), static_cast<char>(creature & 0xFF),
                       static_cast<char>((creature >> 8) & 0xFF)};
}

// The six data files' bytes that the FolderRecipe asks for (none for Data::None), in
// data_files() order.
inline std::vector<Bytes> data_file_bytes(const FolderRecipe& recipe) {
    Random r(recipe.seed);
    if (recipe.data == Data::Fields) return detail::field_files(r, recipe.spells);
    std::vector<Bytes> files;
    if (recipe.data == Data::None) return files;
    for (const DataFileInfo& info : data_files()) {
        files.emplace_back(info.size, 0);
        if (recipe.data == Data::Bytes) r.fill(files.back());
    }
    return files;
}

// Writes data files (in data_files() order) into `dir`.
inline void write_data_files(const std::filesystem::path& dir, const std::vector<Bytes>& files) {
    for (const DataFileInfo& info : data_files()) {
        const Bytes& bytes = files.at(static_cast<std::size_t>(info.id));
        write_file(dir / info.name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
}

// Writes the folder the FolderRecipe describes into `dir` (made when missing);
// throws when a file cannot be written.
inline void write_data_folder(const std::filesystem::path& dir, const FolderRecipe& recipe) {
    write_file(dir / kSettingsFile, settings_bytes(recipe.language, recipe.creature));
    if (recipe.data != Data::None) write_data_files(dir, data_file_bytes(recipe));
    if (recipe.texts == Texts::None) return;
    for (int language = 0; language < 2; ++language) {
        const detail::LanguageLines lines =
            recipe.texts == Texts::Named ? detail::named_lines(recipe, language) : detail::caption_lines(recipe, language);
        for (std::size_t kind = 0; kind < lines.size(); ++kind)
            write_file(dir / kLanguageFolders[static_cast<std::size_t>(language)] / kLanguageFileNames[kind],
                       join_lines(lines[kind]));
    }
}

inline Bytes read_bytes(const std::filesystem::path& path) {
    const std::string text = read_file(path);
    return Bytes(text.begin(), text.end());
}
inline void write_bytes(const std::filesystem::path& path, const Bytes& bytes) {
    write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A data folder in a temporary folder of its own, removed afterwards.
class DataFolder {
public:
    // Random data files from `seed`, Named texts, language 0 and creature 0.
    explicit DataFolder(std::uint64_t seed = 1) : DataFolder(FolderRecipe{.seed = seed}) {}
    explicit DataFolder(const FolderRecipe& recipe, std::string_view tag = "data")
        : dir_(std::string(tag) + "-" + std::to_string(recipe.seed)) {
        write_data_folder(dir_.path(), recipe);
    }

    std::string root() const { return dir_.str(); }
    const TempDir& dir() const { return dir_; }
    std::filesystem::path path(const std::string& name) const { return dir_.path() / name; }
    // A language file of the folder, e.g. path(TextKind::Plural, 0).
    std::filesystem::path path(TextKind kind, int language) const { return language_file(root(), kind, language); }

    Bytes read(const std::string& name) const { return read_bytes(path(name)); }
    Bytes read(TextKind kind, int language) const { return read_bytes(path(kind, language)); }
    std::string text(TextKind kind, int language) const { return read_file(path(kind, language)); }
    void write(const std::string& name, const Bytes& bytes) const { write_bytes(path(name), bytes); }
    void write_settings(int language, int index) const { write_file(path(kSettingsFile), settings_bytes(language, index)); }
    // The portrait of a slot, Pic/<slot>.jpg.
    void write_picture(int slot, std::string_view bytes) const {
        write_file(dir_.path() / kPictureFolder / (std::to_string(slot) + ".jpg"), bytes);
    }

    // Every file the editor reads or writes, with its bytes.
    struct Snapshot {
        std::vector<std::string> names;
        std::vector<Bytes> bytes;
    };
    Snapshot snapshot() const {
        Snapshot s;
        for_each_saved_file(dir_.path(), [&](const std::string& name, const std::filesystem::path& file) {
            s.names.push_back(name);
            s.bytes.push_back(read_bytes(file));
        });
        return s;
    }

private:
    TempDir dir_;
};

}  // namespace ce::test
