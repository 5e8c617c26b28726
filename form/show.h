// Showing one creature in the whole form.
#pragma once

namespace ce {

class Form;
struct EditorState;

// Fills the form with creature `slot` (0..999) from the files of state.root, in
// the fixed order (header, portrait, the creature table file, list 300, plural
// and ability lines, the five side table files, interlocks). When a data file is
// missing or short the show is refused as a whole: the form is left as it was,
// the fault is reported through form.report_error, and false is returned.
// Does not change state.current; the caller sets it after a successful show.
bool show_creature(const EditorState& state, Form& form, int slot);

}  // namespace ce
