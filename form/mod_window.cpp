#include "form/mod_window.h"

#include <algorithm>

#include "folder/dataset.h"
#include "folder/field_facts.h"
#include "form/controls.h"
#include "form/editor.h"
#include "form/form.h"
#include "form/history_window.h"
#include "form/shown.h"
#include "mods/patch.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/quoted_text.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {
namespace {

constexpr std::uint32_t kRowChosen = (1u << 16) | static_cast<std::uint32_t>(ctl::kModChanges);

UserText fault_lines(int language, MessageKey head, const std::string& file, const FaultList& faults) {
    UserText text = say(language, head, {{"file", UserText::system(file)}});
    for (const Fault& f : faults.kept()) text.add_words("\n  ").add_system(f.message());
    if (faults.size() > faults.kept().size())
        text.add_words("\n  ...");
    return text;
}

// The patch's value as it reads, in the form's code page.
std::string value_text(const PatchValue& v, int language) {
    return in_page(v.type == CellType::String ? quote_text(v.text) : v.text, language);
}

// Applies the patch onto the folder as read now (every conflict open).
Result<ApplyPlan> plan_now(const std::string& root, const Patch& patch, const std::vector<Field>& fields,
                           FaultList& faults, Dataset& data) {
    data = load_dataset(root);
    const std::vector<std::string> unusable = data_faults(data.folder);
    if (!unusable.empty()) return Fault(FaultKind::invalid, "", unusable.front());
    return apply_patch(data, patch, fields, {}, faults);
}

}  // namespace

ModWindow::ModWindow(EditorState& state, Form& editor, std::string path, Patch patch, ApplyPlan plan)
    : state_(state), editor_(editor), path_(std::move(path)), patch_(std::move(patch)), fields_(make_fields(true)),
      plan_(std::move(plan)) {
    for (Outcome o : plan_.outcomes) conflict_.push_back(o == Outcome::Open);
}

const WindowLayout& ModWindow::layout() const { return mod_window(); }

void ModWindow::on_initialise(Form& window) { list_changes(window); }

bool ModWindow::on_command(Form& window, std::uint32_t wparam) {
    switch (wparam) {
        case ctl::kClose: return true;
        case ctl::kApply: return apply(window);
        case ctl::kTakeMod: settle(window, false, Outcome::PatchWins); break;
        case ctl::kKeepFolder: settle(window, false, Outcome::FolderWins); break;
        case ctl::kAllMod: settle(window, true, Outcome::PatchWins); break;
        case ctl::kAllFolder: settle(window, true, Outcome::FolderWins); break;
        case kRowChosen: {
            const int row = window.selected_item(ctl::kModChanges);
            const bool conflict = row >= 0 && static_cast<std::size_t>(row) < rows_.size() &&
                                  conflict_[rows_[static_cast<std::size_t>(row)]];
            window.set_enabled(ctl::kTakeMod, conflict);
            window.set_enabled(ctl::kKeepFolder, conflict);
            break;
        }
        default: break;
    }
    return false;
}

void ModWindow::list_changes(Form& window) {
    const int language = window.language();
    const int selected = window.selected_item(ctl::kModChanges);
    window.clear_items(ctl::kModChanges);
    rows_.clear();
    const std::vector<std::string> captions = field_captions(plan_.data, fields_);
    std::size_t writes_count = 0, already = 0, conflicts = 0;
    for (std::size_t i = 0; i < plan_.changes.size(); ++i) {
        const Change& c = plan_.changes[i];
        const Outcome o = plan_.outcomes[i];
        if (o == Outcome::Already) ++already;
        if (o == Outcome::Nothing || o == Outcome::Already) continue;
        if (conflict_[i]) ++conflicts;
        else ++writes_count;
        const PatchChange& change =
            patch_.creatures[static_cast<std::size_t>(c.creature)].changes[static_cast<std::size_t>(c.change)];
        const Field& f = fields_[static_cast<std::size_t>(c.field)];
        const std::string name(plan_.data.text(TextKind::Monsters).line(creature_line_number(TextKind::Monsters, c.slot)));
        const std::string caption = in_page(captions[static_cast<std::size_t>(c.field)], language);
        const UserText row = !conflict_[i]
            ? say(language, MessageKey::history_change_row,
                  {{"slot", c.slot}, {"name", name}, {"caption", caption}, {"before", value_text(change.before, language)},
                   {"after", value_text(change.after, language)}})
            : say(language, MessageKey::mod_conflict_row,
                  {{"slot", c.slot}, {"name", name}, {"caption", caption}, {"before", value_text(change.before, language)},
                   {"after", value_text(change.after, language)},
                   {"folder", in_page(export_value(plan_.data, f, c.slot), language)},
                   {"settled", message_text(language, o == Outcome::PatchWins   ? MessageKey::mod_settled_mod
                                                      : o == Outcome::FolderWins ? MessageKey::mod_settled_folder
                                                                                 : MessageKey::mod_settled_open)}});
        window.add_item(ctl::kModChanges, row.flat());
        rows_.push_back(i);
    }
    if (rows_.empty()) window.add_item(ctl::kModChanges, message_text(language, MessageKey::mod_nothing));
    window.select_item(ctl::kModChanges, rows_.empty() ? -1 : std::max(selected, 0));
    window.set_text(ctl::kModSummary, say(language, MessageKey::mod_summary,
                                          {{"write", writes_count}, {"already", already}, {"conflicts", conflicts},
                                           {"open", plan_.open}}).flat());
    window.set_enabled(ctl::kAllMod, conflicts > 0);
    window.set_enabled(ctl::kAllFolder, conflicts > 0);
    window.set_enabled(ctl::kApply, plan_.open == 0 && writes_count + conflicts > 0);
    on_command(window, kRowChosen);
}

void ModWindow::settle(Form& window, bool all, Outcome outcome) {
    if (all) {
        for (std::size_t i = 0; i < plan_.outcomes.size(); ++i)
            if (conflict_[i]) plan_.outcomes[i] = outcome;
    } else {
        const int row = window.selected_item(ctl::kModChanges);
        if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
        const std::size_t i = rows_[static_cast<std::size_t>(row)];
        if (!conflict_[i]) return;
        plan_.outcomes[i] = outcome;
    }
    plan_.open = static_cast<std::size_t>(std::count(plan_.outcomes.begin(), plan_.outcomes.end(), Outcome::Open));
    list_changes(window);
}

bool ModWindow::apply(Form& window) {
    const int language = window.language();
    if (plan_.open > 0) return false;
    UserText question;
    if (has_unsaved_changes(state_.shown, editor_)) {
        question = say(language, MessageKey::unsaved_dropped, {{"slot", state_.current}});
        question.add_words("\n\n");
    }
    question += say(language, MessageKey::ask_apply_mod);
    if (ask_question(state_, window, question) != Form::Answer::Yes) return false;
    const auto failed = [&](const UserText& reason) {
        window.report_error(say(language, MessageKey::mod_not_applied, {{"reason", reason}}));
        return false;
    };
    FileOps& ops = file_ops(state_);
    Result<Committed> written = Committed{};
    {
        // Planned again from the folder as read under the lock held to the
        // commit: the user's settling holds only for the conflicts it was made for.
        FolderLock lock;
        if (Status e = lock_for_write(ops, state_.root, lock); !e.ok()) return failed(UserText::system(e.message()));
        FaultList faults;
        Dataset data;
        Result<ApplyPlan> now = plan_now(state_.root, patch_, fields_, faults, data);
        if (!now.ok()) return failed(UserText::system(now.fault().message()));
        bool same = now->changes.size() == plan_.changes.size();
        for (std::size_t i = 0; same && i < now->outcomes.size(); ++i)
            same = (now->outcomes[i] == Outcome::Open) == conflict_[i] && (conflict_[i] || now->outcomes[i] == plan_.outcomes[i]);
        if (!same) {
            window.report_error(say(language, MessageKey::mod_folder_changed));
            plan_ = std::move(*now);
            conflict_.clear();
            for (Outcome o : plan_.outcomes) conflict_.push_back(o == Outcome::Open);
            list_changes(window);
            return false;
        }
        now->outcomes = plan_.outcomes;
        Result<ApplyPlan> settled = settle_plan(data, patch_, fields_, std::move(*now));
        if (!settled.ok()) return failed(UserText::system(settled.fault().message()));
        std::vector<std::string> names;
        const std::vector<PlannedFile> planned = planned_files(data, *settled, names);
        written = commit_folder_write(ops, state_.root, planned, {"apply of patch " + path_, written_slots(*settled)}, &lock);
    }
    if (!written.ok()) return failed(UserText::system(written.fault().message()));
    applied_ = true;
    show_files_again(state_, editor_);
    return true;
}

void apply_mod(EditorState& state, Form& form) {
    const int language = form.language();
    const std::optional<std::string> path = form.choose_path(Form::PathChoice::OpenMod);
    if (!path) return;
    WholeFile file;
    if (Status e = read_whole_file(*path, file); !e.ok()) {
        form.report_error(say(language, MessageKey::mod_unreadable, {{"reason", UserText::system(e.message())}}));
        return;
    }
    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    Patch patch = read_patch(std::string_view(reinterpret_cast<const char*>(file.data()), file.length), fields, faults);
    Dataset data;
    Result<ApplyPlan> plan = faults.empty() ? plan_now(state.root, patch, fields, faults, data)
                                            : Result<ApplyPlan>(Fault(FaultKind::invalid, "", "faults in the patch"));
    if (!faults.empty()) {
        form.report_error(fault_lines(language, MessageKey::mod_faults, *path, faults));
        return;
    }
    if (!plan.ok()) {
        form.report_error(say(language, MessageKey::mod_not_applied, {{"reason", UserText::system(plan.fault().message())}}));
        return;
    }
    ModWindow window(state, form, *path, std::move(patch), std::move(*plan));
    form.open_window(window);
}

void save_as_mod(EditorState& state, Form& form) {
    const int language = form.language();
    const std::optional<std::string> base_root = form.choose_path(Form::PathChoice::BaseFolder);
    if (!base_root) return;
    // As diff --patch BASE FOLDER: the folder's texts read in the base's language.
    const Dataset base = load_dataset(*base_root);
    const Dataset mine = load_dataset(state.root, base.language);
    for (const Dataset* d : {&base, &mine}) {
        const std::vector<std::string> unusable = data_faults(d->folder);
        if (unusable.empty()) continue;
        form.report_error(say(language, MessageKey::mod_not_saved, {{"reason", UserText::system(unusable.front())}}));
        return;
    }
    const std::vector<Field> fields = make_fields(true);
    const std::string patch = write_patch(base, mine, fields, field_captions(base, fields));
    if (patch.find("\"slot\"") == std::string::npos) {
        form.report_error(say(language, MessageKey::mod_no_difference, {{"base", UserText::system(*base_root)}}));
        return;
    }
    const std::optional<std::string> out = form.choose_path(Form::PathChoice::SaveMod);
    if (!out) return;
    if (Status e = store_whole_file(file_ops(state), *out, patch.data(), patch.size()); !e.ok())
        form.report_error(say(language, MessageKey::mod_not_saved, {{"reason", UserText::system(e.message())}}));
}

}  // namespace ce
