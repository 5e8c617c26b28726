// Saving the shown creature: a three-way merge of what the user changed since
// the show onto the files as they are at Save time, committed as one write.
#include "form/save.h"

#include <array>
#include <string>
#include <vector>

#include "form/captions.h"
#include "form/editor.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/interlocks.h"
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
        case Conversion::Bit: return value != 0 ? "checked" : "clear";
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

std::string value_faults_message(const Form& form, int slot, const std::vector<ValueFault>& faults) {
    std::string message = "Creature " + std::to_string(slot) + " was not saved: these values cannot be stored:";
    for (const ValueFault& f : faults) message += "\n    " + caption_of_row(form, *f.row) + ": " + f.why;
    return message + "\n\nNothing was written.";
}

std::string conflict_question(const Form& form, int slot, const Files& base, const Files& ours, const Files& disk,
                              const std::vector<FieldConflict>& fields, const std::vector<LineConflict>& lines) {
    std::string q = "Creature " + std::to_string(slot) +
                    " was changed by another program since it was shown, in fields you changed too:\n";
    const CaptionOf captions = form_captions(form);
    for (const LineConflict& c : lines)
        q += "\n    " + line_caption(kCreatureLines[c.line], captions) + ": shown " + quoted_value(c.shown) +
             ", yours " + quoted_value(c.yours) + ", on disk " + quoted_value(c.disk);
    for (const FieldConflict& c : fields) {
        const std::size_t f = index_of(c.row->file);
        q += "\n    " + caption_of_row(form, *c.row) + ": shown " + element_words(form, *c.row, base[f], slot) +
             ", yours " + element_words(form, *c.row, ours[f], slot) + ", on disk " +
             element_words(form, *c.row, disk[f], slot);
    }
    return q + "\n\nYes: save your values over them.\nNo: keep the values on disk in these fields and save "
               "your other changes.\nCancel: save nothing.";
}

}  // namespace

bool save_creature(EditorState& state, Form& form) {
    const int c = state.current;
    const std::string creature = "Creature " + std::to_string(c);
    ShownCreature& shown = state.shown;
    if (shown.slot != c) {
        form.report_error(creature + " was not saved: it is not shown, so nothing of it was changed.");
        return false;
    }
    FileOps& ops = state.files != nullptr ? *state.files : system_file_ops();

    // The nine files are one write of the folder: locked before they are read,
    // so that nobody changes them between this reading and the commit.
    FolderWrite write(ops, state.root, {"Save of creature " + std::to_string(c) + " in the editor", {c}});
    if (Status error = write.lock(); !error.ok()) {
        form.report_error(creature + " was not saved:\n    " + error.message());
        return false;
    }

    // The files as they are now: all six read and checked before anything.
    std::array<WholeFile, kDataFileCount> read;
    std::vector<std::string> faults;
    for (const DataFileInfo& info : data_files())
        if (Status fault = load_data_file(state.root, info, read[index_of(info.id)]); !fault.ok()) faults.push_back(fault.message());
    if (!faults.empty()) {
        form.report_error(fault_message(creature + " was not saved: data files cannot be read or are too short",
                                        state.root, faults));
        return false;
    }

    // What the user typed must be storable as it stands: no cut, no guess.
    std::vector<ValueFault> bad;
    for (const DataFileInfo& info : data_files())
        check_slot(form, info.id, shown.file(info.id), c, shown.memos_of(info.id), bad);
    if (!bad.empty()) {
        form.report_values(value_faults_message(form, c, bad));
        form.focus(bad.front().row->control);
        return false;
    }

    // Ours: the shown files with the user's changes; merged onto the files now.
    Files ours = shown.files, disk, merged;
    std::vector<FieldConflict> conflicts;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        save_slot(form, info.id, ours[f], c, shown.memos_of(info.id));
        disk[f] = read[f].block;
        merged[f] = disk[f];
        merge_slot(info.id, shown.files[f], ours[f], merged[f], c, conflicts);
    }
    LineChanges lines = plan_creature_lines(form, state.root, c, shown.lines, false);
    if (!lines.faults.empty()) {
        form.report_error(fault_message(creature + " was not saved: language files cannot be read; nothing was written",
                                        state.root, lines.faults));
        return false;
    }
    if (!conflicts.empty() || !lines.conflicts.empty()) {
        switch (form.ask(conflict_question(form, c, shown.files, ours, disk, conflicts, lines.conflicts))) {
            case Form::Answer::Cancel: return false;
            case Form::Answer::No: break;
            case Form::Answer::Yes:
                for (const FieldConflict& conflict : conflicts) {
                    const std::size_t f = index_of(conflict.row->file);
                    copy_element(*conflict.row, ours[f], merged[f], c);
                }
                lines = plan_creature_lines(form, state.root, c, shown.lines, true);
                break;
        }
    }

    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        write.add(data_path(state.root, info.name),
                  std::string(reinterpret_cast<const char*>(read[f].data()), read[f].length),
                  std::string(reinterpret_cast<const char*>(merged[f].data()), info.size));
    }
    for (LineFile& file : lines.files) write.add(file.path, std::move(file.read), std::move(file.bytes));
    if (Status error = write.commit().status(); !error.ok()) {
        form.report_error(creature + " was not saved:\n    " + error.message());
        return false;
    }

    // The form shows what the files now hold: the texts and lists refilled,
    // and the fields where the files' values stand shown again.
    std::vector<std::string> refill_faults;
    refill_after_save(form, state.root, c, state.header_format, refill_faults);
    bool reshown = false;
    for (const DataFileInfo& info : data_files()) {
        const std::size_t f = index_of(info.id);
        for (const BindingRow& row : binding_rows(info.id)) {
            if (row.kind == Conversion::None || same_element(row, merged[f], ours[f], c)) continue;
            show_element(form, row, merged[f], c);
            reshown = true;
        }
    }
    if (reshown) update_interlocks(c, form);
    remember_save(shown, form, std::move(merged));
    if (!refill_faults.empty()) form.report_error(language_fault_message(refill_faults));
    return true;
}

}  // namespace ce
