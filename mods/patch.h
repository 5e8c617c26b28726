// Patches: what a mod changes, as JSON small enough to read, keep in version
// control and send to others. The language of its texts, then for each changed
// creature its slot and name and each changed field or text by the export's key,
// with its caption and its value before and after (the export's exact texts):
//
//   {
//     "language": "English",
//     "creatures": [
//       {"slot": 5, "name": "Shaipon", "changes": {
//         "MonstersSetup.vrh@27000": {"caption": "Speed", "before": 5, "after": 7}
//       }}
//     ]
//   }
//
// Applying one (mods/apply.h) is a three-way check per field: where the folder
// holds "before", "after" is written; where it holds "after" already, nothing
// is to do; anything else is a conflict. A text field and the bytes after its zero (its ".after"
// key) are one element: a text changed without its ".after" keeps the bytes
// after it that the folder holds.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "folder/dataset.h"
#include "mods/change_set.h"
#include "folder/fields.h"
#include "tables/import_table.h"
#include "store/whole_file.h"

namespace ce {

// A value as the patch gives it: a string's text (UTF-8), a number as written,
// or "null", "true", "false" (CellType::Other), which no field takes.
struct PatchValue {
    CellType type = CellType::Other;
    std::string text;
};

struct PatchChange {
    int field = -1;  // index into make_fields(true)
    int line = 0;    // the line of its key in the patch
    PatchValue before, after;
};

struct PatchCreature {
    int slot = -1;
    int index = 0;   // its place in the "creatures" array
    int line = 0;    // the line where it begins
    std::vector<PatchChange> changes;
};

struct Patch {
    std::optional<int> language;  // 0 English, 1 Russian
    std::vector<PatchCreature> creatures;
};

// Reads a patch strictly: well-formed JSON of the form above (any white space,
// members in any order), every key known, nothing given twice (a top-level key,
// a creature's slot, a field of a creature, a member of a change), nothing
// after its end. Every fault names its line. The values are not checked here
// (prepare_patch does, for a language).
Patch read_patch(std::string_view text, const std::vector<Field>& fields, FaultList& faults);

// Where a change is: "line 12, creatures[0] (slot 5), key \"MonstersSetup.vrh@27000\"".
std::string change_place(const PatchCreature& creature, const PatchChange& change, const std::vector<Field>& fields);

// Every value of the patch checked against its field and read once into the
// bytes the files of `language` hold (a "before" as long as a line of the
// folder may be, which a patch made from it holds); faults name the value's
// place. In patch order (slot by slot as the patch gives them, each
// creature's changes in the patch's order).
ChangeSet prepare_patch(const Patch& patch, const std::vector<Field>& fields, int language, FaultList& faults);
using ReadyChange = Change;

// The first text of a patch whose language is not `language` ("line 7,
// creatures[0] (slot 5), key \"name\": the patch's texts are Russian and ...");
// success when the patch holds no text or is in that language. Numbers are the
// same in both languages.
Status language_mismatch(const Patch& patch, const std::vector<Field>& fields, int language);

// The first change marked in `take` that writes a line into a language file
// that cannot be read (its place, and why), as the import refuses it; success
// when every such file is there.
Status missing_text_file(const Dataset& data, const Patch& patch, const std::vector<Field>& fields,
                         const ChangeSet& changes, const std::vector<bool>& take);

// The patch that makes `base` into `mod`: every field of the six data files
// and the name, plural and ability lines of base's language (`mod` read in the
// same language). `captions` aligned with `fields` (make_fields(true)).
std::string write_patch(const Dataset& base, const Dataset& mod, const std::vector<Field>& fields,
                        const std::vector<std::string>& captions);

// A value as a patch writes it: texts in quotes, NaN and the infinities too
// (JSON has no numbers for them), other numbers bare.
std::string patch_json_value(const Field& field, const std::string& exported);
// Appends the pieces to `s` in place: the reports of whole-folder patches and
// merges hold hundreds of thousands of lines, which temporaries would copy again.
template <class... Pieces>
void add_to(std::string& s, const Pieces&... pieces) {
    (s.append(pieces), ...);
}

}  // namespace ce
