// A data folder of our own in a temporary directory: the six data files with
// random bytes, the settings file, and the five language files of both
// languages. Header-only so that the benchmarks can use it as well.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "store/layouts.h"
#include "support/lines.h"
#include "support/temp_dir.h"
#include "text/language.h"

namespace ce::fixture {

using Bytes = std::vector<std::uint8_t>;

inline Bytes read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void write_text(const std::filesystem::path& path, const std::string& text) {
    write_bytes(path, Bytes(text.begin(), text.end()));
}

using test::for_each_saved_file;
using test::join_lines;
using test::lines_of;

// Little-endian element access on a file's bytes.
inline std::uint32_t peek(const Bytes& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= std::uint32_t{bytes.at(offset + i)} << (8 * i);
    return value;
}

// The name of creature k in language 0 or 1 (Russian names use bytes above 0x7F).
inline std::string creature_name(int language, int k) {
    return (language == 0 ? "Beast " : "\xC7\xE2\xE5\xF0\xFC ") + std::to_string(k);
}
inline std::string plural_of(int language, int k) {
    return (language == 0 ? "Beasts " : "\xC7\xE2\xE5\xF0\xE8 ") + std::to_string(k);
}
inline std::string ability_of(int language, int k) {
    return (language == 0 ? "Bites hard, number " : "\xCA\xF3\xF1\xE0\xE5\xF2\xF1\xFF ") +
           std::to_string(k);
}

constexpr int kSpells = 300;
constexpr int kCommonLines = 217;

class DataFolder {
public:
    // Random data files from `seed`; `Lang` holds language 0 and creature 0.
    explicit DataFolder(unsigned seed = 1) : dir_("editor-" + std::to_string(seed)) {
        std::mt19937 rng(seed);
        for (const DataFileInfo& info : data_files()) {
            Bytes bytes(info.size);
            for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
            write(info.name, bytes);
        }
        write_settings(0, 0);
        for (int language = 0; language < 2; ++language) write_language(language);
    }
    std::string root() const { return dir_.str(); }
    std::filesystem::path path(const std::string& name) const { return dir_.path() / name; }
    // A language file of the folder, e.g. path(TextKind::Plural, 0).
    std::filesystem::path path(TextKind kind, int language) const {
        return language_file(root(), kind, language);
    }

    Bytes read(const std::string& name) const { return read_bytes(path(name)); }
    Bytes read(TextKind kind, int language) const { return read_bytes(path(kind, language)); }
    std::string text(TextKind kind, int language) const {
        Bytes b = read(kind, language);
        return std::string(b.begin(), b.end());
    }
    void write(const std::string& name, const Bytes& bytes) const { write_bytes(path(name), bytes); }

    void write_settings(int language, int index) const {
        write("Lang", {static_cast<std::uint8_t>(language), static_cast<std::uint8_t>(index & 0xFF),
                       static_cast<std::uint8_t>((index >> 8) & 0xFF)});
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
    void write_language(int language) const {
        std::filesystem::create_directories(path(TextKind::Monsters, language).parent_path());
        std::vector<std::string> monsters{language == 0 ? "(none)" : "(\xED\xE5\xF2)"};
        std::vector<std::string> plural, ability;
        for (int k = 0; k < kSlots; ++k) {
            monsters.push_back(creature_name(language, k));
            plural.push_back(plural_of(language, k));
            ability.push_back(ability_of(language, k));
        }
        std::vector<std::string> spells;
        for (int k = 0; k < kSpells; ++k) spells.push_back((language == 0 ? "Spell " : "\xD7\xE0\xF0\xFB ") + std::to_string(k));
        std::vector<std::string> common;
        for (int k = 0; k < kCommonLines; ++k) {
            common.push_back(k == 3 ? (language == 0 ? "Creature %d" : "\xD1\xF3\xF9\xE5\xF1\xF2\xE2\xEE %d")
                                    : (language == 0 ? "Line " : "\xD1\xF2\xF0 ") + std::to_string(k));
        }
        write_text(path(TextKind::Monsters, language), join_lines(monsters));
        write_text(path(TextKind::Spells, language), join_lines(spells));
        write_text(path(TextKind::Common, language), join_lines(common));
        write_text(path(TextKind::Plural, language), join_lines(plural));
        write_text(path(TextKind::Ability, language), join_lines(ability));
    }

    test::TempDir dir_;
};

}  // namespace ce::fixture
