// The folder's history in the editor: the History window (every entry, newest
// first, what the selected one changed, and its two restores) and the undo of
// the shown creature's last Save. Each restore is planned and written as the
// tool's restore is (mods/restore_plan.h): one more history entry, asked
// before it writes; the form shows the files as they are afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "form/form_window.h"
#include "store/history.h"

namespace ce {

class Form;
struct EditorState;

class HistoryWindow : public FormWindow {
public:
    HistoryWindow(EditorState& state, Form& editor) : state_(state), editor_(editor) {}
    const WindowLayout& layout() const override;
    void on_initialise(Form& window) override;
    bool on_command(Form& window, std::uint32_t wparam) override;

private:
    void list_entries(Form& window, int select);
    void list_changes(Form& window);
    void restore(Form& window, bool creature);

    EditorState& state_;
    Form& editor_;
    std::vector<HistoryEntry> entries_;  // newest first, as listed
};

// Opens the History window over the editor form.
void open_history(EditorState& state, Form& form);

// Undoes the last Save of the shown creature that is not undone yet: the
// creature put back as it was before that Save (as "Restore this creature"
// does). Asks first; with unsaved changes on the form the question says that
// they are dropped.
void undo_last_save(EditorState& state, Form& form);

// The form shows the folder's files as they are now (after a write of the
// editor's own windows): its captions and lists, and the current creature.
void show_files_again(EditorState& state, Form& form);

// A text exported in UTF-8 in the code page of `language` ('?' for a letter it lacks).
std::string in_page(const std::string& utf8, int language);

// What wrote an entry, in the editor's words (a record it does not know as it
// was recorded).
UserText entry_author(int language, const std::string& made_by);

// The number of the newest Save of creature `slot` that no later restore of
// that creature has undone, among `entries` (oldest first).
std::optional<EntryNumber> last_save_to_undo(const std::vector<HistoryEntry>& entries, int slot);

}  // namespace ce
