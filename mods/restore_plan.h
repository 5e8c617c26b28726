// A restore planned from the folder's history: the whole folder as it was
// before an entry, or one creature's fields and texts of it over the folder's
// files now; what an entry changed, field by field. The tool's restore and the
// editor's History window and undo plan through here, so they write the same.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "folder/dataset.h"
#include "mods/restore.h"
#include "store/history.h"
#include "store/journal.h"

namespace ce {

struct RestorePlan {
    RestoreFiles target;                 // what the restore writes, and the bytes it was built from
    std::vector<int> slots;              // the creatures its entry is about
    std::vector<std::string> not_there;  // files that did not exist before the entry (left as they are)
    std::string made_by;                 // "restore of entry 3", "restore of entry 3 for creature 5"
};

// Plans the restore to before `entry` (of creature `slot` alone when given),
// reading the history and the folder's files now: call it under the folder's
// lock (lock_for_write) and commit with that lock. Refused, before anything is
// written, when the history names a file through a link out of the folder, or
// (unless `force`) when files do not hold what the history's last write left
// there.
Result<RestorePlan> plan_restore(const std::string& root, EntryNumber entry, std::optional<int> slot, bool force);

// The files of a plan as one folder write checks and writes them.
std::vector<PlannedFile> planned_files(const RestoreFiles& target);

// The plan committed as one history entry under `lock`, made by plan.made_by.
Result<Committed> commit_restore(FileOps& ops, const std::string& root, const RestorePlan& plan, FolderLock& lock);

// One field that a write changed: the creature, the field (index into
// make_fields(true)) and its exported values before and after (texts in UTF-8).
struct FieldDifference {
    int slot = 0;
    int field = 0;
    std::string before, after;
};

// Whether creature `slot` holds the same value of `field` in both folders.
bool same_field(const Dataset& a, const Dataset& b, const Field& field, int slot);

// Every field that differs between the two folders, creature by creature in
// field order.
std::vector<FieldDifference> field_differences(const Dataset& before, const Dataset& after, const std::vector<Field>& fields);

// The folder's files just before and just after entry `entry`, whose next
// entry in the history is `next` (nothing for the newest): what no later entry
// changed is as the folder holds it now. Both read in `language`.
struct EntryFolders {
    Dataset before, after;
};
Result<EntryFolders> entry_folders(const std::string& root, EntryNumber entry, std::optional<EntryNumber> next,
                                   int language);

}  // namespace ce
