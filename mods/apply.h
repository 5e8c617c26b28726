// The one apply of a patch onto a folder in memory, three-way per field: where
// the folder holds a change's "before", its "after" is written; where it holds
// the "after" already, nothing is to do; anything else is a conflict, which
// the rules settle per creature or leave open. `creatures apply` and a merge's
// patch sides use it, and the editor can.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mods/change_set.h"
#include "mods/patch.h"
#include "store/journal.h"

namespace ce {

// Who wins a conflict.
enum class Winner : std::uint8_t { None, Patch, Folder };

// Who wins the conflicts of each slot (kSlots of them): everywhere the patch
// or the folder (`patch_wins`, `folder_wins`), then the creatures each list
// names ("A-B,C"). A fault when both sides are asked to win everywhere, a
// list cannot be read, or a slot is named by both lists.
Result<std::vector<Winner>> conflict_winners(bool patch_wins, bool folder_wins, std::string_view patch_for,
                                             std::string_view folder_for);

struct ApplyRules {
    std::vector<Winner> winners;  // per slot; empty: every conflict is left open
    // A change whose "before" and "after" are the same is nothing to do (the
    // tool's apply); otherwise it is checked and written as any other (a
    // merge's patch side, which then holds its "after").
    bool same_is_nothing = true;
};

// What the apply does with one change.
enum class Outcome : std::uint8_t {
    Nothing,     // "before" and "after" are the same
    Already,     // the folder holds "after"
    Write,       // the folder holds "before": "after" is written
    Open,        // a conflict left open
    PatchWins,   // a conflict settled: "after" is written
    FolderWins,  // a conflict settled: the folder's value stays
};

struct ApplyPlan {
    ChangeSet changes;              // in the patch's order
    std::vector<Outcome> outcomes;  // aligned with `changes`
    Dataset data;                   // the folder with the written "after"s
    Edits edits;                    // which files of it changed
    std::size_t open = 0;           // conflicts left open
};

// Applies the patch onto `base` (the folder as read), for the files of its
// language. Fails when the patch's texts are of the other language, when its
// values do not fit their fields (each named in `faults`), or when a line is
// to be written into a language file that cannot be read.
Result<ApplyPlan> apply_patch(const Dataset& base, const Patch& patch, const std::vector<Field>& fields,
                              const ApplyRules& rules, FaultList& faults);

// The plan's "after"s written again into a copy of `base` by its outcomes as
// they are now (the editor settles its conflicts one by one: PatchWins or
// FolderWins for an Open one), and its open conflicts counted again.
Result<ApplyPlan> settle_plan(const Dataset& base, const Patch& patch, const std::vector<Field>& fields, ApplyPlan plan);

// The slots whose fields the plan writes, in the patch's order (the history
// entry of the apply names them).
std::vector<int> written_slots(const ApplyPlan& plan);

// Whether the outcome writes the change's "after".
inline bool writes(Outcome o) { return o == Outcome::Write || o == Outcome::PatchWins; }

// The files the plan changes, by their names in the folder, with their bytes
// as read (from `base`) and as they will be; `names` receives their names.
std::vector<PlannedFile> planned_files(const Dataset& base, const ApplyPlan& plan, std::vector<std::string>& names);

}  // namespace ce
