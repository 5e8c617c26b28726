// Rewriting the current creature's name, plural and ability lines on Save.
#pragma once

#include <string>
#include <vector>

namespace ce {

class Form;
class FileOps;

// Rebuilds the Monsters, Plural and Ability files of the language in `Lang`
// (name from the edit part of list 300 and the other names from its entries,
// plural from 5000, ability from 5001), replacing each file safely; then runs
// apply_language and selects entry `index` of list 300. Every file that could
// not be read or written is added to `failures` as "<path>: <what went wrong>";
// reporting them is the caller's job.
void rewrite_creature_texts(Form& form, FileOps& ops, const std::string& root, int index,
                            std::string& header_format, std::vector<std::string>& failures);

}  // namespace ce
