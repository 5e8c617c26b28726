#include "form/shown.h"

#include "form/controls.h"
#include "form/form.h"

namespace ce {
namespace {

// Longer than any text the three lines' controls hold.
constexpr int kWholeText = 1 << 20;

// The edits the interlocks empty or reset when a creature is shown.
constexpr int kInterlockedEdits[] = {ctl::kNameEdit, ctl::kSoundEdit, ctl::kZeroedEdit};

bool interlocked(const BindingRow& row) {
    for (int id : kInterlockedEdits)
        if (row.control == id) return true;
    return false;
}

void start_memos(ShownCreature& shown) {
    for (const DataFileInfo& info : data_files())
        shown.memos[static_cast<std::size_t>(info.id)].assign(binding_rows(info.id).size(), ElementMemo{});
}

// The rows that do not show the base's bytes: `note(memo)` gets what their
// controls hold.
template <typename Note>
void note_rows_not_showing(ShownCreature& shown, const Form& form, bool (*wanted)(const BindingRow&), Note note) {
    for (const DataFileInfo& info : data_files()) {
        const auto rows = binding_rows(info.id);
        auto& memos = shown.memos[static_cast<std::size_t>(info.id)];
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (wanted(rows[i]) && !shows_bytes(form, rows[i], shown.file(info.id), shown.slot))
                note(memos[i], row_state(form, rows[i]));
    }
}

bool has_control(const BindingRow& row) { return row.kind != Conversion::None; }

}  // namespace

int line_control(std::size_t line) {
    constexpr int kControls[] = {ctl::kCreatureList, ctl::kPlural, ctl::kAbility};
    return kControls[line];
}

std::string line_text(const Form& form, std::size_t line) { return form.get_text(line_control(line), kWholeText); }

void remember_lines(ShownCreature& shown, const Form& form) {
    for (std::size_t k = 0; k < kCreatureLines.size(); ++k) shown.lines[k] = line_text(form, k);
    shown.typed_name.reset();
}

void remember_show(ShownCreature& shown, const Form& form, int slot,
                   std::array<std::vector<std::uint8_t>, kDataFileCount> files) {
    shown.slot = slot;
    shown.files = std::move(files);
    start_memos(shown);
    remember_lines(shown, form);
    note_rows_not_showing(shown, form, interlocked, [](ElementMemo& memo, std::string state) { memo.shown = std::move(state); });
}

void remember_save(ShownCreature& shown, const Form& form, std::array<std::vector<std::uint8_t>, kDataFileCount> files) {
    shown.files = std::move(files);
    start_memos(shown);
    remember_lines(shown, form);
    note_rows_not_showing(shown, form, has_control, [](ElementMemo& memo, std::string state) { memo.kept = std::move(state); });
}

bool has_unsaved_changes(const ShownCreature& shown, const Form& form, const std::string* name) {
    if (shown.slot < 0) return false;
    for (std::size_t k = 0; k < kCreatureLines.size(); ++k)
        if ((k == 0 && name ? *name : line_text(form, k)) != shown.lines[k]) return true;
    for (const DataFileInfo& info : data_files()) {
        const auto rows = binding_rows(info.id);
        const auto memos = shown.memos_of(info.id);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (element_unsaved(form, rows[i], shown.file(info.id), shown.slot, memos.empty() ? nullptr : &memos[i]))
                return true;
    }
    return false;
}

}  // namespace ce
