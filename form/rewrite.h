// The creature's name, plural and ability lines on Save: what the user changed
// of them goes into the language files of the current language, and the form's
// texts and lists are refilled from the files afterwards.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <string_view>

#include "store/fault.h"

namespace ce {

class Form;

// The typed text of a line as a Save stores it: one line (every line ender a
// space), at most 63 characters (999 for the ability).
std::string stored_line(std::size_t line, std::string_view typed);

// A line the user changed that another program changed too since the show.
struct LineConflict {
    std::size_t line;   // index into kCreatureLines
    std::string shown;  // what the form showed
    std::string yours;  // what the Save would store
    std::string disk;   // what the file holds now
};

// A language file a Save rewrites: its path, the bytes read, the new bytes.
struct LineFile {
    std::string path;
    std::string read;
    std::string bytes;
};

// The creature's lines of the language files of the language in `Lang`, as a
// Save changes them.
struct LineChanges {
    std::vector<LineFile> files;           // the files whose bytes change
    std::vector<LineConflict> conflicts;
    std::vector<Fault> faults;       // files that cannot be read: nothing may be written
};
// Each line whose control no longer holds `shown` (what it held after the show)
// is stored from the control; the other lines keep what the files hold now, so
// another program's change survives. A line changed both here and in its file
// is a conflict: with `take_yours` the form's text is stored anyway, otherwise
// the file's is kept. Every file is rebuilt as a Save always has: the line
// replaced, every line ending CR LF, a file too short for the creature's line
// extended with empty lines up to it (but not by an empty plural or ability).
// A slot outside 0..999 stores nothing and is a fault.
LineChanges plan_creature_lines(const Form& form, const std::string& root, int slot,
                                const std::array<std::string, 3>& shown, bool take_yours);

// After a Save was committed (or not): refills the form's texts and lists from
// the files (apply_language) and selects entry `slot` of list 300. Faults of
// files that cannot be read are added to `faults`.
void refill_after_save(Form& form, const std::string& root, int slot, std::string& header_format,
                       std::vector<Fault>& faults);

}  // namespace ce
