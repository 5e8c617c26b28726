// A temporary folder with the settings file and language files of our own.
// Header-only so that the language benchmark can use it too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/language.h"

namespace ce::textfix {

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Lines each followed by CR LF.
inline std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Russian texts use bytes above 0x7F, as in Windows-1251.
inline std::string prefix(int language, const char* english, const char* russian) {
    return language == 0 ? english : russian;
}
inline std::string none_entry(int language) { return prefix(language, "(none)", "(\xED\xE5\xF2)"); }
inline std::string creature(int language, int k) {
    return prefix(language, "Beast ", "\xC7\xE2\xE5\xF0\xFC ") + std::to_string(k);
}
inline std::string plural(int language, int k) {
    return prefix(language, "Beasts ", "\xC7\xE2\xE5\xF0\xE8 ") + std::to_string(k);
}
inline std::string ability(int language, int k) {
    return prefix(language, "Bites\thard ", "\xCA\xF3\xF1\xE0\xE5\xF2 ") + std::to_string(k);
}
inline std::string spell(int language, int k) {
    return prefix(language, "Spell ", "\xD7\xE0\xF0\xFB ") + std::to_string(k);
}
// Common line k: line 3 is the header format.
inline std::string common(int language, int k) {
    if (k == 3) return prefix(language, "Creature %d", "\xD1\xF3\xF9 %d");
    return prefix(language, "Common ", "\xCE\xE1\xF9 ") + std::to_string(k);
}

class TextFolder {
public:
    explicit TextFolder(int creatures = 1000, int spells = 100) {
        static unsigned serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("ce-text-" + std::to_string(++serial) + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        set_settings(0, 0);
        for (int language = 0; language < 2; ++language) {
            std::vector<std::string> monsters{none_entry(language)}, plurals, abilities, spell_lines,
                common_lines;
            for (int k = 0; k < creatures; ++k) {
                monsters.push_back(creature(language, k));
                plurals.push_back(plural(language, k));
                abilities.push_back(ability(language, k));
            }
            for (int k = 0; k < spells; ++k) spell_lines.push_back(spell(language, k));
            for (int k = 0; k < 217; ++k) common_lines.push_back(common(language, k));
            write(TextKind::Monsters, language, join(monsters));
            write(TextKind::Plural, language, join(plurals));
            write(TextKind::Ability, language, join(abilities));
            write(TextKind::Spells, language, join(spell_lines));
            write(TextKind::Common, language, join(common_lines));
        }
    }
    ~TextFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TextFolder(const TextFolder&) = delete;
    TextFolder& operator=(const TextFolder&) = delete;

    std::string root() const { return dir_.string(); }
    std::filesystem::path path(TextKind kind, int language) const {
        return language_file(root(), kind, language);
    }
    std::string read(TextKind kind, int language) const { return read_file(path(kind, language)); }
    void write(TextKind kind, int language, const std::string& bytes) const {
        write_file(path(kind, language), bytes);
    }
    void remove(TextKind kind, int language) const { std::filesystem::remove(path(kind, language)); }
    void set_settings(int language_byte, int index) const {
        std::string bytes(3, '\0');
        bytes[0] = static_cast<char>(language_byte);
        bytes[1] = static_cast<char>(index & 0xFF);
        bytes[2] = static_cast<char>((index >> 8) & 0xFF);
        write_file(dir_ / "Lang", bytes);
    }
    // Names of every file below the folder, for checks that nothing was left behind.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_))
            if (entry.is_regular_file())
                names.push_back(std::filesystem::relative(entry.path(), dir_).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path dir_;
};

}  // namespace ce::textfix
