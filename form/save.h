// Saving the shown creature.
#pragma once

namespace ce {

class Form;
struct EditorState;

// Writes what the form shows into slot state.current of the six data files and
// the creature's lines of the language files, then refills the form's texts.
// All six data files are checked before any is written; a file that cannot be
// written keeps its old bytes, Save goes on, and one message lists every file
// that failed. Returns true when everything was written.
bool save_creature(EditorState& state, Form& form);

}  // namespace ce
