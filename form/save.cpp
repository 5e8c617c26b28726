// Saving the shown creature: a three-way merge of what the user changed since
// the show onto the files as they are at Save time, committed as one write.
#include "form/save.h"

#include <array>
#include <string>
#include <vector>

#include "folder/captions.h"
#include "form/editor.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/interlocks.h"
#include "form/messages.h"
#include "form/sentences.h"
#include "form/rewrite.h"
#include "form/shown.h"
#include "form/slot_binding.h"
#include "store/data_check.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/layouts.h"
#include "store/merge.h"
#include "store/value_text.h"
#include "store/whole_file.h"

namespace ce {

namespace {

using Files = std::array<std::vector<std::uint8_t>, kDataFileCount>;

std::size_t index_of(DataFile id) { return static_cast<std::size_t>(id); }

CaptionOf form_captions(const Form& form) {
    return [&form](int id) { return form.get_text(id, 256); };
}

std::string caption_of_row(const Form& form, const BindingRow& row) {
    std::string caption = row_caption(row, form_captions(form));
    return caption.empty() ? std::string(data_file(row.file).name) + "@" + std::to_string(row.offset) : caption;
}

// How the form shows the element of `bytes`, for a message.
std::string element_words(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const std::int64_t value = read_int(row, bytes, slot);
    switch (row.kind) {
        case Conversion::Text: return quoted_value(shown_element_text(row, bytes, slot));
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Float:
        case Conversion::Scaled: return shown_element_text(row, bytes, slot);
        case Conversion::Check:
        case Conversion::Bit:
            return std::string(
                message_text(form.language(), value != 0 ? MessageKey::state_checked : MessageKey::state_clear));
        case Conversion::List: {
            const auto entry = form.item_text(row.control, static_cast<int>(value + row.shift));
            return entry ? quoted_value(*entry) : std::to_string(value);
        }
        case Conversion::Radio: {
            const std::string caption = form.get_text(row.control + 1 + static_cast<int>(value), 256);
            return caption.empty() ? std::to_string(value) : caption;
        }
        default: return std::to_string(value);
    }
}

UserText value_faults_message(const Form& form, int slot, const std::vector<ValueFault>& faults) {
    const int language = form.language();
    UserText fields;
    for (const ValueFault& f : faults)
        fields += say(language, MessageKey::refused_value_line,
                      {{"field", caption_of_row(form, *f.row)}, {"why", refused_value(language, *f.row, f.text, f.kind)}});
    return say(language, MessageKey::save_values_refused, {{"slot", slot}, {"fields", fields}});
}

// A creature's line by its caption in the form's language ("Name" is ours).
std::string line_words(const Form& form, std::size_t line) {
    if (kCreatureLines[line] == TextKind::Monsters)
        return std::string(message_text(form.language(), MessageKey::name_caption));
    return line_caption(kCreatureLines[line], form_captions(form));
}

UserText conflict_question(const Form& form, int slot, const Files& base, const Files& ours, const Files& disk,
                           const std::vector<FieldConflict>& fields, const std::vector<LineConflict>& lines) {
    const int language = form.language();
    UserText changed;
    for (const LineConflict& c : lines)
        changed += say(language, MessageKey::conflict_line,
                       {{"field", line_words(form, c.line)}, {"shown", quoted_value(c.shown)},
                        {"yours", quoted_value(c.yours)}, {"disk", quoted_value(c.disk)}});
    for (const FieldConflict& c : fields) {
        const std::size_t f = index_of(c.row->file);
        changed += say(language, MessageKey::conflict_line,
                       {{"field", caption_of_row(form, *c.row)}, {"shown", element_words(form, *c.row, base[f], slot)},
                        {"yours", element_words(form, *c.row, ours[f], slot)},
                        {"disk", element_words(form, *c.row, disk[f], slot)}});
    }
    return say(language, MessageKey::save_conflict_question, {{"slot", slot}, {"fields", changed}});
}

// "Creature <slot> was not saved:" with the reason the file layer gives.
UserText not_saved(const Form& form, int slot, const Status& error) {
    return say(form.language(), MessageKey::save_failed, {{"slot", slot}, {"reason", UserText::system(error.message())}});
}

// What a Save will write: ours (the shown files with the user's changes),
// the files as they are now, ours merged onto them, the fields changed on
// both sides, and the creature's lines.
struct SavePlan {
    Files ours, disk, merged;
    std::vector<FieldConflict> conflicts;
    LineChanges lines;
};

// The files as they are now: all six read and checked before anything.
bool read_data_files(const std::string& root, std::array<WholeFile, kDataFileCount>& read, Form& form, int slot) {
    std::vector<Fault> faults;
    for (const DataFileInfo& info : data_files())
        if (Status fault = load_data_file(root, info, read[index_of(info.id)]); !fault.ok())
            faults.push_back(fault.fault());
    if (faults.empty()) return true;
    const int language = form.language();
    form.report_error(folder_faults(language, say(language, MessageKey::save_data_files_unread, {{"slot", slot}}),
                                    root, faults));
    return false;
}

// What the user typed must be storable as it stands: no cut, no guess.
bool values_storable(Form& form, const ShownCreature& shown, int slot) {
    std::vector<ValueFault> bad;
    for (const DataFileInfo& info : data_files())
        check_slot(form, info.id, shown.file(info.id), slot, shown.memos_of(info.id), bad);
    if (bad.empty()) return true;
    form.report_error(value_faults_message(form, slot, bad));
    form.focus(bad.front().row->control);
    return false;
}

// Ours, merged onto the files as read now, field by field; the lines likewise.
SavePlan plan_save(const Form& form, const EditorState& state, const std::array<WholeFile, kDataFileCount>& read) {
    const int c = state.current;
    const ShownCreature& shown = state.shown;
    SavePlan plan;
    plan.ours = shown.files;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        save_slot(form, info.id, plan.ours[f], c, shown.memos_of(info.id));
        plan.disk[f] = read[f].block;
        plan.merged[f] = plan.disk[f];
        merge_slot(info.id, shown.files[f], plan.ours[f], plan.merged[f], c, plan.conflicts);
    }
    plan.lines = plan_creature_lines(form, state.root, c, shown.lines, false);
    return plan;
}

// Fields and lines changed on both sides: the user decides. False when the
// user cancels the Save.
bool settle_conflicts(Form& form, EditorState& state, SavePlan& plan) {
    if (plan.conflicts.empty() && plan.lines.conflicts.empty()) return true;
    const int c = state.current;
    switch (ask_question(state, form, conflict_question(form, c, state.shown.files, plan.ours, plan.disk,
                                                        plan.conflicts, plan.lines.conflicts))) {
        case Form::Answer::Cancel: return false;
        case Form::Answer::No: return true;
        case Form::Answer::Yes: break;
    }
    for (const FieldConflict& conflict : plan.conflicts) {
        const std::size_t f = index_of(conflict.row->file);
        copy_element(*conflict.row, plan.ours[f], plan.merged[f], c);
    }
    plan.lines = plan_creature_lines(form, state.root, c, state.shown.lines, true);
    return true;
}

void add_files(FolderWrite& write, const std::string& root, const std::array<WholeFile, kDataFileCount>& read,
               SavePlan& plan) {
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        write.add(data_path(root, info.name), std::string(reinterpret_cast<const char*>(read[f].data()), read[f].length),
                  std::string(reinterpret_cast<const char*>(plan.merged[f].data()), info.size));
    }
    for (LineFile& file : plan.lines.files) write.add(file.path, std::move(file.read), std::move(file.bytes));
}

// The form shows what the files now hold: the texts and lists refilled, and
// the fields where the files' values stand shown again.
void show_saved(Form& form, EditorState& state, SavePlan& plan) {
    const int c = state.current;
    std::vector<Fault> refill_faults;
    refill_after_save(form, state.root, c, state.header_format, refill_faults);
    bool reshown = false;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        for (const BindingRow& row : binding_rows(info.id)) {
            if (row.kind == Conversion::None || same_element(row, plan.merged[f], plan.ours[f], c)) continue;
            show_element(form, row, plan.merged[f], c);
            reshown = true;
        }
    }
    if (reshown) update_interlocks(c, form);
    remember_save(state.shown, form, std::move(plan.merged));
    if (!refill_faults.empty()) form.report_error(language_fault_message(form.language(), refill_faults));
}

}  // namespace

// lock -> read the files now -> refuse what cannot be stored -> merge ours onto
// them -> the user settles conflicts -> one folder write -> show the result.
bool save_creature(EditorState& state, Form& form) {
    const int c = state.current;
    if (state.shown.slot != c) {
        form.report_error(say(form.language(), MessageKey::save_not_shown, {{"slot", c}}));
        return false;
    }
    FileOps& ops = state.files != nullptr ? *state.files : system_file_ops();

    // The nine files are one write of the folder: locked before they are read,
    // so that nobody changes them between this reading and the commit.
    FolderWrite write(ops, state.root, {"Save of creature " + std::to_string(c) + " in the editor", {c}});
    if (Status error = write.lock(); !error.ok()) {
        form.report_error(not_saved(form, c, error));
        return false;
    }
    std::array<WholeFile, kDataFileCount> read;
    if (!read_data_files(state.root, read, form, c) || !values_storable(form, state.shown, c)) return false;

    SavePlan plan = plan_save(form, state, read);
    if (!plan.lines.faults.empty()) {
        const int language = form.language();
        form.report_error(folder_faults(language, say(language, MessageKey::save_language_files_unread, {{"slot", c}}),
                                        state.root, plan.lines.faults));
        return false;
    }
    if (!settle_conflicts(form, state, plan)) return false;

    add_files(write, state.root, read, plan);
    if (Status error = write.commit().status(); !error.ok()) {
        form.report_error(not_saved(form, c, error));
        return false;
    }
    show_saved(form, state, plan);
    return true;
}

}  // namespace ce
