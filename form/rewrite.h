// Rewriting the current creature's name, plural and ability lines on Save.
#pragma once

#include <string>
#include <vector>

namespace ce {

class Form;
class FileOps;
class FolderWrite;

// Rebuilds the Monsters, Plural and Ability files of the language in `Lang`
// (name from the edit part of list 300 and the other names from its entries,
// plural from 5000, ability from 5001), replacing each file safely; then runs
// apply_language and selects entry `index` of list 300. The typed texts are kept
// on one line (every line ender becomes a space), a file too short for the
// creature's line is extended with empty lines up to it, and every other line
// keeps its bytes. Every file that could not be read or written is added to
// `failures` as "<path>: <what went wrong>" (and keeps its old bytes); so is an
// index outside 0..999, which stores nothing. Reporting them is the caller's job.
// The form then shows what the files hold, except that a text whose file was
// not written keeps what the user typed, so that the next Save stores it.
// With `write`, the three files join that write of the folder instead of being
// replaced one by one, and the write is committed (all or nothing) before the
// refill; its failure joins `failures`.
void rewrite_creature_texts(Form& form, FileOps& ops, const std::string& root, int index,
                            std::string& header_format, std::vector<std::string>& failures,
                            FolderWrite* write = nullptr);

}  // namespace ce
