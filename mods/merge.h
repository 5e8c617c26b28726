// The merge of mods onto a base: the sides read (data folders, or patches
// applied onto the base), merged at the grain of what they hold, and what each
// mod changed and lost.
//
//   the six data files    field by field (store/merge.h, merge_sides)
//   the language files    line by line, both languages: the creatures' names,
//                         plurals and abilities and every other line; a file
//                         that one mod alone changes is taken whole (its line
//                         ends and the bytes after its text too)
//   Pic/                  file by file; a mod that lacks a portrait leaves it
//                         as BASE has it (a mod adds or replaces, never removes)
//   Lang                  BASE's (the language and creature shown are the user's)
//
// Bytes past a data file's fixed size come from the one mod that changes them;
// other files of a mod's folder are left out, and the report names them. No
// file of OUT may be read by more people than a file its bytes came from.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "folder/dataset.h"
#include "folder/new_folder.h"
#include "store/merge.h"

namespace ce {

// A portrait of a side, read in pieces whenever it is compared or copied and
// never held whole: a mod may hold many large ones.
struct Picture {
    std::uint64_t size = 0;
    FileIdentity identity;  // as it was first read: a copy must find it so
    FileAccess access;
    int same = 0;           // the mods whose portrait of this name holds the same bytes share this number
};

// What of a side the merge does not carry: a name as the folder gives it
// (quoted wherever it is shown) and why.
struct LeftOut {
    std::string name, why;
};

// BASE or one mod as a side of the merge.
struct MergeSide {
    std::string given;       // as named on the command line
    bool patch = false;
    FileAccess patch_access;  // a patch: who may read it
    Dataset data;            // the data files, and the texts of BASE's language
    std::array<LanguageText, 5> other;  // the texts of the other language
    // A mod: each "Pic/<name>" it adds or changes. BASE: every one it has.
    std::map<std::string, Picture> pictures;
    std::string settings;                // BASE: the bytes of its Lang
    FileAccess settings_access;
    // A patch's changes where BASE held neither its "before" nor its "after",
    // with that "before" as the patch gives it: fields (row, slot) and lines
    // (language, kind, line).
    std::map<std::pair<const BindingRow*, int>, std::string> base_fields;
    std::map<std::tuple<int, int, int>, std::string> base_lines;
    std::vector<LeftOut> left_out;  // what of it the merge does not carry

    const LanguageText& text(int language, TextKind kind) const {
        return language == data.language ? data.text(kind) : other[static_cast<std::size_t>(kind)];
    }
    // Who may read what a value of this side that came from `file` rests on:
    // that file, and a patch's own file.
    void add_sources(const FileAccess& file, std::vector<FileAccess>& to) const {
        to.push_back(file);
        if (patch) to.push_back(patch_access);
    }
};

// A line of a language file or a portrait that mods changed.
struct MergedItem {
    bool picture = false;
    int language = 0, kind = 0, line = 0;  // a line
    std::string name;                      // a portrait: "Pic/5.jpg"
    std::vector<int> changed_by;           // the mods (0-based), ascending
    bool conflict = false;
    int taken = -1;                        // the mod whose value OUT holds; -1: BASE's (an open conflict)
    bool with_base = false;                // a patch's "before" that BASE does not hold, left open
};

struct MergeResult {
    std::vector<ChangedField> fields;        // merge_sides' list
    std::vector<bool> field_with_base;       // aligned with `fields`: open because of a patch's "before"
    std::vector<MergedItem> items;           // lines and portraits
    std::vector<NewFile> files;              // OUT's files
    std::vector<std::pair<int, LeftOut>> left_out;  // (mod, what of it OUT does not carry)
    std::size_t open = 0;                    // conflicts left open
    std::size_t settled = 0;                 // conflicts settled by precedence
};

// Merges the mods onto the base (`precedence`: mod indices, the later wins).
MergeResult merge_mods(const MergeSide& base, const std::vector<MergeSide>& mods, const std::vector<int>& precedence);

}  // namespace ce
