// The language file table, the creature header and reading a language file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/fault.h"

namespace ce {

enum class TextKind { Monsters = 0, Spells = 1, Common = 2, Plural = 3, Ability = 4 };

// "English" or "Russian": the language of the folder "Eng" or "Rus".
const char* language_name(int language);

// The line of a creature's text in its language file: a creature's name is line
// slot + 1 of Monsters.txt (its line 0 names no creature); its plural and its
// ability text are line slot of theirs.
int creature_line_number(TextKind kind, int slot);
// Longest text stored in a creature's line of that file (kNameMax, or
// kAbilityMax for the ability text: text/lines.h).
std::size_t creature_line_max(TextKind kind);

// Path of the file of that kind for language 0 (English, "Eng") or 1 (Russian,
// "Rus"), relative to root, with the platform's separator ("Eng\Monsters.txt").
std::string language_file(const std::string& root, TextKind kind, int language);
// The name alone, relative ("Eng" + separator + "Monsters.txt").
std::string language_file_name(TextKind kind, int language);

// The creature header: the format with its first integer conversion
// (%d %i %u %x %X, with l, flags - and 0, and a width) applied to index; "%%" is
// a percent sign; everything else is literal. Cut at 999 characters.
std::string format_header(std::string_view format, int index);

// "%03d %s" of index and line.
std::string numbered_entry(int index, std::string_view line);

// Reads a language file whole into text (its bytes; the text proper ends at the
// first zero byte, see text_of). On failure text is empty and the result is
// why the file cannot be read.
Status load_language_text(const std::string& path, std::string& text);

}  // namespace ce
