// The editor's state and the portable event handlers that the Win32 dialog
// procedure (and the flow tests on MemoryForm) call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form/clipboard.h"
#include "form/form.h"
#include "form/messages.h"
#include "form/shown.h"
#include "store/fault.h"

namespace ce {

class FileOps;

struct EditorState {
    std::string root;             // data folder; "" is the current directory
    FileOps* files = nullptr;     // write seam; nullptr means system_file_ops()
    int current = 0;              // current creature index, always 0..999
    bool copied = false;          // "Copy all states" has run
    std::string header_format;    // taken back from control 2003 by apply_language
    StatesClipboard clipboard;
    bool choice_pending = false;  // list 300 moved on to a creature not shown yet
    ShownCreature shown;          // what the form showed of the current creature
    // A question is open (a modal box): commands that reach the editor
    // meanwhile do nothing. Every question asked is counted, so that the
    // shell can stop a key held down at it.
    bool asking = false;
    unsigned questions = 0;
};

// Faults of the files the editor needs (the six data files present and at least
// their size; the five language files of the current language present), one
// line each naming the file and what is wrong. Empty when all is well.
std::vector<Fault> startup_faults(const std::string& root);
// One message naming the folder and listing every fault, in `language`.
UserText startup_message(int language, const std::string& root, const std::vector<Fault>& faults);

// The file operations the editor writes with: the state's, or the system's.
FileOps& file_ops(const EditorState& state);

// Asks the user through the form, with state.asking set while the box is open.
Form::Answer ask_question(EditorState& state, Form& form, const UserText& question);

// Form initialisation: apply_language, text limits and spin ranges, the creature
// index from `Lang`, show_creature.
void on_initialise(EditorState& state, Form& form);

enum class CommandResult { Continue, Close };
// A command event (wParam as a whole 32-bit word). Close after command 2, once
// the close sequence has stored the current creature index.
CommandResult on_command(EditorState& state, Form& form, std::uint32_t wparam);

// A paint event: portrait of the entry selected in list 300, then the decorations.
// While a choice is pending, the portrait of the creature the form shows.
void on_paint(EditorState& state, Form& form);

// A selection change of list 300 that is not shown now, because newer ones
// follow (a key held down). The current creature index keeps naming the
// creature the form shows. The pending choice is shown by the next selection
// change, by show_pending_choice, and before any click or menu command acts.
// Not deferred (false) when the shown creature has unsaved changes: moving on
// asks first, so the caller routes the selection change now.
bool defer_creature_choice(EditorState& state, const Form& form);
// Shows the creature list 300 selects when a choice is pending (as a selection
// change would); nothing otherwise.
void show_pending_choice(EditorState& state, Form& form);

}  // namespace ce
