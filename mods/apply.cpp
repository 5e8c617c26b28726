// The one apply: a patch's changes checked against the folder, settled, and
// their "after" written into a copy of it in memory.
#include "mods/apply.h"

#include <algorithm>
#include <tuple>

#include "folder/folder_bytes.h"
#include "text/lines.h"

namespace ce {
namespace {

Outcome outcome_of(const Dataset& base, const std::vector<Field>& fields, const Change& c, const ApplyRules& rules) {
    if (rules.same_is_nothing && c.before == c.after) return Outcome::Nothing;
    switch (change_state(base, fields, c)) {
        case ChangeState::Before: return Outcome::Write;
        case ChangeState::After: return Outcome::Already;
        case ChangeState::Conflict: break;
    }
    const Winner w = rules.winners.empty() ? Winner::None : rules.winners[static_cast<std::size_t>(c.slot)];
    return w == Winner::Patch ? Outcome::PatchWins : w == Winner::Folder ? Outcome::FolderWins : Outcome::Open;
}

}  // namespace

Result<std::vector<Winner>> conflict_winners(bool patch_wins, bool folder_wins, std::string_view patch_for,
                                             std::string_view folder_for) {
    if (patch_wins && folder_wins)
        return Fault(FaultKind::invalid, "", "--patch-wins and --folder-wins exclude each other");
    std::vector<Winner> winners(kSlots, patch_wins ? Winner::Patch : folder_wins ? Winner::Folder : Winner::None);
    std::vector<bool> named(kSlots, false);
    for (const auto& [list, winner, option] : {std::tuple{patch_for, Winner::Patch, "--patch-wins-for"},
                                               std::tuple{folder_for, Winner::Folder, "--folder-wins-for"}}) {
        if (list.empty()) continue;
        const Result<std::vector<int>> slots = parse_slots(list);
        if (!slots.ok()) return slots.fault().after(std::string(option) + ": ");
        for (int s : *slots) {
            if (named[static_cast<std::size_t>(s)])
                return Fault(FaultKind::invalid, "",
                             "slot " + std::to_string(s) + " is named by both --patch-wins-for and --folder-wins-for");
            named[static_cast<std::size_t>(s)] = true;
            winners[static_cast<std::size_t>(s)] = winner;
        }
    }
    return winners;
}

Result<ApplyPlan> apply_patch(const Dataset& base, const Patch& patch, const std::vector<Field>& fields,
                              const ApplyRules& rules, FaultList& faults) {
    if (Status mismatch = language_mismatch(patch, fields, base.language); !mismatch.ok()) return mismatch.fault();
    ApplyPlan plan;
    plan.changes = prepare_patch(patch, fields, base.language, faults);
    if (!faults.empty())
        return Fault(FaultKind::invalid, "", std::to_string(faults.size()) + " faults in the patch");
    plan.outcomes.reserve(plan.changes.size());
    for (const Change& c : plan.changes) plan.outcomes.push_back(outcome_of(base, fields, c, rules));
    return settle_plan(base, patch, fields, std::move(plan));
}

Result<ApplyPlan> settle_plan(const Dataset& base, const Patch& patch, const std::vector<Field>& fields, ApplyPlan plan) {
    std::vector<bool> take(plan.changes.size(), false);
    plan.open = 0;
    for (std::size_t i = 0; i < plan.changes.size(); ++i) {
        take[i] = writes(plan.outcomes[i]);
        plan.open += plan.outcomes[i] == Outcome::Open;
    }
    if (Status missing = missing_text_file(base, patch, fields, plan.changes, take); !missing.ok())
        return missing.fault();
    plan.data = base;
    plan.edits = put_afters(plan.data, fields, plan.changes, take);
    put_lines(plan.data, plan.edits.lines);
    return plan;
}

std::vector<int> written_slots(const ApplyPlan& plan) {
    std::vector<int> slots;
    for (std::size_t i = 0; i < plan.changes.size(); ++i) {
        const int slot = plan.changes[i].slot;
        if (writes(plan.outcomes[i]) && (slots.empty() || slots.back() != slot)) slots.push_back(slot);
    }
    return slots;
}

std::vector<PlannedFile> planned_files(const Dataset& base, const ApplyPlan& plan, std::vector<std::string>& names) {
    std::vector<PlannedFile> planned;
    for (const DataFileInfo& info : data_files()) {
        if (!plan.edits.data_changed[static_cast<std::size_t>(info.id)]) continue;
        const DataBytes& was = base.folder.file(info.id);
        const DataBytes& now = plan.data.folder.file(info.id);
        // The file keeps its own length (bytes past the fixed size stay).
        planned.push_back({info.name, std::string(reinterpret_cast<const char*>(was.bytes.data()), was.length),
                           std::string(reinterpret_cast<const char*>(now.bytes.data()), std::max(now.length, info.size))});
        names.push_back(info.name);
    }
    for (int k = 0; k < 5; ++k) {
        if (plan.edits.lines[static_cast<std::size_t>(k)].empty()) continue;
        const LanguageText& was = base.text(static_cast<TextKind>(k));
        planned.push_back({record_name(was.name), was.bytes, plan.data.text(static_cast<TextKind>(k)).bytes});
        names.push_back(record_name(was.name));
    }
    return planned;
}

}  // namespace ce
