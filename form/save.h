// Saving the shown creature.
#pragma once

namespace ce {

class Form;
struct EditorState;

// Stores what the user changed of the shown creature since the show (values
// and its name, plural and ability lines; see ShownCreature) into slot
// state.current of the six data files and the creature's lines of the language
// files, onto the files as they are now: what another program changed there
// since the show is kept. One write of the folder, all or nothing:
// - a data file missing or short, a language file that cannot be read, or a
//   value the Save cannot store (out of its field's range, not a number, too
//   long: one message naming each, the first one's control focused) refuses
//   the Save before anything is written;
// - a field changed both in the form and in the files is asked about (your
//   values, the files' values, or nothing saved);
// - a failed write puts back what it had replaced and is reported.
// Afterwards the form's texts and lists are refilled, and fields where the
// files' values stand are shown again. Returns true when the Save went through.
bool save_creature(EditorState& state, Form& form);

}  // namespace ce
