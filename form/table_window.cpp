#include "form/table_window.h"

#include <algorithm>

#include "folder/commit.h"
#include "folder/dataset.h"
#include "folder/field_facts.h"
#include "form/controls.h"
#include "form/editor.h"
#include "form/form.h"
#include "form/history_window.h"
#include "form/shown.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/whole_file.h"
#include "tables/csv.h"
#include "tables/export_table.h"
#include "text/lines.h"

namespace ce {
namespace {

// The words of a class of suspect change, in the form's language.
MessageKey class_words(Suspect s) {
    return static_cast<MessageKey>(static_cast<int>(MessageKey::table_class_character_set) + static_cast<int>(s) - 1);
}

// The table's plan against the folder as read now (its language the table's).
ImportPlan plan_now(const std::string& root, const ImportTable& table, const std::vector<Field>& fields,
                    SuspectChoice held, Dataset& data) {
    data = load_dataset(root, table.language.value_or(-1));
    FaultList faults;
    for (const std::string& f : data_faults(data.folder)) faults.push_back(f);
    if (!faults.empty()) {
        ImportPlan plan;
        plan.faults = std::move(faults);
        return plan;
    }
    return plan_import(table, std::move(faults), data, fields, {true, held, {}, {}});
}

UserText fault_lines(int language, const std::string& file, const FaultList& faults) {
    UserText text = say(language, MessageKey::table_faults, {{"file", UserText::system(file)}});
    for (const Fault& f : faults.kept()) text.add_words("\n  ").add_system(f.message());
    if (faults.size() > faults.kept().size()) text.add_words("\n  ...");
    return text;
}

}  // namespace

TableWindow::TableWindow(EditorState& state, Form& editor, std::string path, ImportTable table, ImportPlan plan)
    : state_(state), editor_(editor), path_(std::move(path)), table_(std::move(table)), fields_(make_fields(true)),
      plan_(std::move(plan)) {}

const WindowLayout& TableWindow::layout() const { return table_window(); }

void TableWindow::on_initialise(Form& window) {
    const int language = window.language();
    Dataset data = load_dataset(state_.root, table_.language.value_or(-1));
    const std::vector<std::string> captions = field_captions(data, fields_);
    // The held changes first, each with its class, then the others.
    for (bool held : {true, false}) {
        for (const FieldChange& c : plan_.changes) {
            if ((c.suspect != Suspect::None) != held) continue;
            const Field& f = fields_[static_cast<std::size_t>(c.field)];
            const std::string name(data.text(TextKind::Monsters).line(creature_line_number(TextKind::Monsters, c.slot)));
            const auto value = [&](const std::string& stored) {
                const std::string text = stored_text(f, stored, data.language);
                return in_page(is_text_field(f) ? quote_text(text) : text, language);
            };
            UserText row = say(language, MessageKey::history_change_row,
                               {{"slot", c.slot}, {"name", name},
                                {"caption", in_page(captions[static_cast<std::size_t>(c.field)], language)},
                                {"before", value(c.before)}, {"after", value(c.after)}});
            if (held) row = say(language, MessageKey::table_held_row, {{"class", say(language, class_words(c.suspect))},
                                                                      {"change", row}});
            window.add_item(ctl::kTableChanges, row.flat());
        }
    }
    if (plan_.changes.empty()) window.add_item(ctl::kTableChanges, message_text(language, MessageKey::table_nothing));
    window.select_item(ctl::kTableChanges, 0);
    window.set_text(ctl::kTableSummary,
                    say(language, MessageKey::table_summary, {{"changes", plan_.changes.size()}, {"held", plan_.held}})
                        .flat());
    window.set_enabled(ctl::kImportAll, !plan_.changes.empty());
    window.set_enabled(ctl::kImportWithoutHeld, plan_.held > 0 && plan_.held < plan_.changes.size());
}

bool TableWindow::on_command(Form& window, std::uint32_t wparam) {
    switch (wparam) {
        case ctl::kClose: return true;
        case ctl::kImportAll: return write(window, SuspectChoice::Accept);
        case ctl::kImportWithoutHeld: return write(window, SuspectChoice::Drop);
        default: return false;
    }
}

bool TableWindow::write(Form& window, SuspectChoice held) {
    const int language = window.language();
    UserText question;
    if (has_unsaved_changes(state_.shown, editor_)) {
        question = say(language, MessageKey::unsaved_dropped, {{"slot", state_.current}});
        question.add_words("\n\n");
    }
    question += say(language, held == SuspectChoice::Drop ? MessageKey::ask_import_without_held
                                                          : MessageKey::ask_import_table,
                    {{"held", plan_.held}});
    if (ask_question(state_, window, question) != Form::Answer::Yes) return false;
    const auto failed = [&](const UserText& reason) {
        window.report_error(say(language, MessageKey::table_not_imported, {{"reason", reason}}));
        return false;
    };
    FileOps& ops = file_ops(state_);
    // Planned again from the folder as read under the lock held to the commit,
    // as the tool's import does: the same files, the same history entry.
    FolderLock lock;
    if (Status e = lock_for_write(ops, state_.root, lock); !e.ok()) return failed(UserText::system(e.message()));
    Dataset data;
    ImportPlan now = plan_now(state_.root, table_, fields_, held, data);
    if (!now.faults.empty()) return failed(UserText::system(now.faults.kept().front().message()));
    if (now.changes.size() != plan_.changes.size() || now.held != plan_.held) {
        window.report_error(say(language, MessageKey::mod_folder_changed));
        return false;
    }
    const std::map<std::string, std::string> read = files_as_read(data);
    std::vector<PlannedFile> planned;
    for (const ImportFile& w : now.files) {
        const auto found = read.find(w.path);
        planned.push_back({folder_relative_name(state_.root, w.path),
                           found == read.end() ? std::nullopt : std::optional<std::string>(found->second), w.bytes});
    }
    std::vector<int> slots;
    for (const FieldChange& c : now.changes)
        if (now.writes(c)) slots.push_back(c.slot);
    if (!planned.empty()) {
        const Result<Committed> written = commit_import(state_.root, ops, planned, std::move(slots), lock);
        if (!written.ok()) return failed(UserText::system(written.fault().message()));
    }
    imported_ = true;
    show_files_again(state_, editor_);
    return true;
}

void export_table(EditorState& state, Form& form) {
    const int language = form.language();
    const std::optional<std::string> path = form.choose_path(Form::PathChoice::SaveTable);
    if (!path) return;
    const Dataset data = load_dataset(state.root);
    if (const std::vector<std::string> unusable = data_faults(data.folder); !unusable.empty()) {
        form.report_error(say(language, MessageKey::table_not_exported, {{"reason", UserText::system(unusable.front())}}));
        return;
    }
    // Every field of every creature, as `creatures export` writes them.
    const std::vector<Field> fields = make_fields(true);
    std::vector<const Field*> chosen;
    for (const Field& f : fields) chosen.push_back(&f);
    std::vector<int> slots;
    for (int s = 0; s < kSlots; ++s) slots.push_back(s);
    const std::string text = is_json_table(*path, "") ? json_table(data, chosen, slots)
                                                       : csv_table(data, fields, csv_columns(data, chosen, slots), slots, {});
    if (Status e = store_whole_file(file_ops(state), *path, text.data(), text.size()); !e.ok())
        form.report_error(say(language, MessageKey::table_not_exported, {{"reason", UserText::system(e.message())}}));
}

void import_table(EditorState& state, Form& form) {
    const int language = form.language();
    const std::optional<std::string> path = form.choose_path(Form::PathChoice::OpenTable);
    if (!path) return;
    WholeFile file;
    if (Status e = read_whole_file(*path, file); !e.ok()) {
        form.report_error(say(language, MessageKey::table_not_imported, {{"reason", UserText::system(e.message())}}));
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.length);
    const std::vector<Field> fields = make_fields(true);
    FaultList faults;
    ImportTable table = is_json_table(*path, text) ? read_json_table(text, fields, faults)
                                                    : read_csv_table(text, fields, faults);
    ImportPlan plan;
    if (faults.empty()) {
        Dataset data;
        plan = plan_now(state.root, table, fields, SuspectChoice::Hold, data);
    } else {
        plan.faults = std::move(faults);
    }
    if (!plan.faults.empty()) {
        form.report_error(fault_lines(language, *path, plan.faults));
        return;
    }
    TableWindow window(state, form, *path, std::move(table), std::move(plan));
    form.open_window(window);
}

}  // namespace ce
