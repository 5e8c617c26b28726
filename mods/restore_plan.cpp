#include "mods/restore_plan.h"

#include <algorithm>

#include "folder/folder.h"
#include "folder/folder_bytes.h"
#include "store/binding.h"
#include "store/data_folder.h"
#include "store/merge.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

std::string bytes_of(const WholeFile& file) {
    return std::string(reinterpret_cast<const char*>(file.data()), file.length);
}

// "a, b, c".
std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) {
        if (!out.empty()) out.append(", ");
        out.append(name);
    }
    return out;
}

// Why the folder cannot be put back as it was before entry `number`, or
// nothing: a file the history names through a link out of the folder, or files
// that do not hold what the history's last write left there (unless `force`).
Status restore_refused(const std::string& root, bool force, EntryNumber number, const FolderBytes& before,
                       const FolderBytes& now) {
    for (const auto& [name, bytes] : before) {
        if (Status e = link_out_of_folder(root, name); !e.ok()) return e.fault().followed_by("; " + untrusted_history(root));
    }
    if (force) return {};
    std::vector<std::string> changed;
    if (Status e = files_not_as_written(root, number, now, changed); !e.ok()) return e;
    if (changed.empty()) return {};
    return Fault(FaultKind::conflict, "", listed(changed) + (changed.size() == 1 ? " does" : " do") +
           " not hold what the history's last write left there (changed since by another program, or by a write "
           "whose entry is gone), so the folder would not be as it was before entry " + std::to_string(number) +
           "; nothing was written (--force restores anyway: the restore is itself a history entry)");
}

// The folder's files `names` as they are now (nothing where one does not exist).
Result<FolderBytes> read_now(const std::string& root, const FolderBytes& names) {
    FolderBytes now;
    for (const auto& [name, bytes] : names) {
        std::optional<std::string> current;
        WholeFile file;
        const Status fault = read_whole_file(data_path(root, name), file);
        if (fault.ok()) current = bytes_of(file);
        else if (!fault.is(FaultKind::missing)) return fault.fault();
        now[name] = std::move(current);
    }
    return now;
}

}  // namespace

Result<RestorePlan> plan_restore(const std::string& root, EntryNumber entry, std::optional<int> slot, bool force) {
    RestorePlan plan;
    plan.made_by = "restore of entry " + std::to_string(entry);
    if (slot) plan.made_by.append(" for creature ").append(std::to_string(*slot));
    FolderBytes before;
    if (Status e = folder_before(root, entry, before, &plan.slots); !e.ok())
        return e.fault().after(folder_label(root) + ": ").followed_by("; nothing was written");
    const Result<FolderBytes> now = read_now(root, before);
    if (!now.ok()) return now.fault().followed_by("; nothing was written");
    if (Status e = restore_refused(root, force, entry, before, *now); !e.ok()) return e.fault().after(folder_label(root) + ": ");
    std::map<std::string, std::string> old_files;
    for (auto& [name, bytes] : before) {
        if (bytes) old_files[name] = *bytes;
        else if (!slot) plan.not_there.push_back(name);
    }
    if (!slot) {
        for (auto& [name, bytes] : old_files) {
            plan.target.read[name] = now->at(name);
            plan.target.bytes[name] = std::move(bytes);
        }
        return plan;
    }
    FileBytes then = read_folder_bytes(root);
    // What did not exist then stays as it is now.
    FolderBytes present;
    for (auto& [name, bytes] : old_files) present[name] = std::move(bytes);
    put_over(then, present);
    const BothLanguages now_texts{load_dataset(root, 0), load_dataset(root, 1)};
    const BothLanguages then_texts{dataset_from_bytes(root, then, 0), dataset_from_bytes(root, then, 1)};
    Result<RestoreFiles> creature = restore_creature(now_texts, then_texts, *slot);
    if (!creature.ok()) return creature.fault().followed_by("; nothing was written");
    plan.target = std::move(*creature);
    plan.slots = {*slot};
    return plan;
}

std::vector<PlannedFile> planned_files(const RestoreFiles& target) {
    std::vector<PlannedFile> planned;
    for (const auto& [name, bytes] : target.bytes) {
        planned.push_back({record_name(name), target.read.at(name), bytes});
    }
    return planned;
}

Result<Committed> commit_restore(FileOps& ops, const std::string& root, const RestorePlan& plan, FolderLock& lock) {
    return commit_folder_write(ops, root, planned_files(plan.target), {plan.made_by, plan.slots}, &lock);
}

bool same_field(const Dataset& a, const Dataset& b, const Field& f, int slot) {
    switch (f.kind) {
        case FieldKind::Line: {
            const int k = line_of(f, slot);
            return a.text(f.text_kind).line(k) == b.text(f.text_kind).line(k);
        }
        case FieldKind::Integer:
        case FieldKind::Float:
            return same_element(*f.row, a.folder.file(f.row->file).view(), b.folder.file(f.row->file).view(), slot);
        case FieldKind::Text: return stored_bytes(a, f, slot) == stored_bytes(b, f, slot);
        case FieldKind::After: return bytes_after_text(a, f, slot) == bytes_after_text(b, f, slot);
    }
    return true;
}

std::vector<FieldDifference> field_differences(const Dataset& before, const Dataset& after, const std::vector<Field>& fields) {
    std::vector<FieldDifference> changes;
    for (int slot = 0; slot < kSlots; ++slot) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (same_field(before, after, fields[i], slot)) continue;
            changes.push_back({slot, static_cast<int>(i), export_value(before, fields[i], slot),
                               export_value(after, fields[i], slot)});
        }
    }
    return changes;
}

Result<EntryFolders> entry_folders(const std::string& root, EntryNumber entry, std::optional<EntryNumber> next_entry,
                                   int language) {
    FolderBytes then, next;
    if (Status e = folder_before(root, entry, then); !e.ok()) return e.fault();
    // Just after the entry is just before the next one, whose stored old
    // contents give what it and later entries changed.
    if (next_entry) {
        if (Status e = folder_before(root, *next_entry, next); !e.ok()) return e.fault();
    }
    const FileBytes now = read_folder_bytes(root);
    FileBytes before_files = now, after_files = now;
    put_over(before_files, then);
    put_over(after_files, next);
    return EntryFolders{dataset_from_bytes(root, before_files, language), dataset_from_bytes(root, after_files, language)};
}

}  // namespace ce
