// The editor's suites work on a data folder of the tests' own
// (support/data_folder.h): random data files from a seed, the settings file,
// and the five Named language files of both languages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/data_folder.h"

namespace ce::fixture {

using test::Bytes;
using test::DataFolder;
using test::ability_of;
using test::creature_name;
using test::for_each_saved_file;
using test::join_lines;
using test::lines_of;
using test::plural_of;
using test::read_bytes;
using test::write_bytes;

inline void write_text(const std::filesystem::path& path, const std::string& text) { test::write_file(path, text); }

// Little-endian element access on a file's bytes.
inline std::uint32_t peek(const Bytes& bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) value |= std::uint32_t{bytes.at(offset + i)} << (8 * i);
    return value;
}

constexpr int kSpells = test::FolderRecipe{}.spells;
constexpr int kCommonLines = test::FolderRecipe{}.common_lines;

}  // namespace ce::fixture
