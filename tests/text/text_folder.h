// A temporary folder with the settings file and the Named language files
// (support/data_folder.h) of a chosen number of creatures and spells, and no
// data files. Header-only so that the language benchmark can use it too.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/data_folder.h"

namespace ce::textfix {

using test::join_lines;
using test::lines_of;
using test::read_file;
using test::write_file;

inline std::string none_entry(int language) { return test::none_entry(language); }
inline std::string creature(int language, int k) { return test::creature_name(language, k); }
inline std::string plural(int language, int k) { return test::plural_of(language, k); }
inline std::string ability(int language, int k) { return test::ability_of(language, k); }
inline std::string spell(int language, int k) { return test::spell_name(language, k); }
// Common line k: line 3 is the header format.
inline std::string common(int language, int k) { return test::common_line(language, k); }

class TextFolder : public test::DataFolder {
public:
    explicit TextFolder(int creatures = 1000, int spells = 100)
        : DataFolder({.data = test::Data::None, .creatures = creatures, .spells = spells}, "text") {}

    std::string read(TextKind kind, int language) const { return text(kind, language); }
    void write(TextKind kind, int language, const std::string& bytes) const { write_file(path(kind, language), bytes); }
    void remove(TextKind kind, int language) const { std::filesystem::remove(path(kind, language)); }
    void set_settings(int language_byte, int index) const { write_settings(language_byte, index); }
    // Names of every file below the folder, for checks that nothing was left behind.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir().path()))
            if (entry.is_regular_file())
                names.push_back(std::filesystem::relative(entry.path(), dir().path()).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace ce::textfix
