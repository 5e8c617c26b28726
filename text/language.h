// The language file table and the filling of every caption and list of the
// editor form from the language text files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

class Form;

enum class TextKind { Monsters = 0, Spells = 1, Common = 2, Plural = 3, Ability = 4 };

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
// first zero byte, see text_of). On failure text is empty and the result is the
// fault "<path>: <what went wrong>".
std::optional<std::string> load_language_text(const std::string& path, std::string& text);

// Fills every caption and list of the form from the language files of the
// language in `Lang`, in the fixed order; replaces header_format (taken back from
// control 2003, at most 119 characters). A missing language file is reported
// through form.report_error (one message for all that are missing) and read as
// empty. Sets form.set_language(language) before any text is set.
void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format);
// The same, with the read faults ("<path>: <what went wrong>") added to `faults`
// instead of reported, for callers that report one message for a whole action.
void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format, std::vector<std::string>& faults);
// The one message that names every language file that could not be read.
std::string language_fault_message(const std::vector<std::string>& faults);

}  // namespace ce
