// A temporary folder with the settings file and language files of our own.
// Header-only so that the language benchmark can use it too.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/lines.h"
#include "support/temp_dir.h"
#include "text/language.h"

namespace ce::textfix {

using test::join_lines;
using test::lines_of;
using test::read_file;
using test::write_file;

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
    explicit TextFolder(int creatures = 1000, int spells = 100) : dir_("text") {
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
            write(TextKind::Monsters, language, join_lines(monsters));
            write(TextKind::Plural, language, join_lines(plurals));
            write(TextKind::Ability, language, join_lines(abilities));
            write(TextKind::Spells, language, join_lines(spell_lines));
            write(TextKind::Common, language, join_lines(common_lines));
        }
    }
    std::string root() const { return dir_.str(); }
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
        dir_.write("Lang", bytes);
    }
    // Names of every file below the folder, for checks that nothing was left behind.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path()))
            if (entry.is_regular_file())
                names.push_back(std::filesystem::relative(entry.path(), dir_.path()).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    test::TempDir dir_;
};

}  // namespace ce::textfix
