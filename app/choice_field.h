// List 300's edit field while a key is held in it.
//
// When keys wait behind a step of list 300, the step is not shown (the next
// one would overtake it; see EditorState::choice_pending), but the list has
// set its field to it, right after telling the dialog of the step. So
// that the screen keeps one creature's form, the field's paints are put off
// while a step waits: the field keeps showing the creature the form shows,
// and is painted again once a step has been shown.
#pragma once

#include <windows.h>

#include "form/editor.h"

namespace ce {

// Puts off the paints of `field` (list 300's edit field) while
// `state.choice_pending`, for the field's lifetime. `state` outlives it.
// While `state.asking`, the keys that reach the field (pressed before the
// question, and posted to it) do nothing.
void watch_choice_field(HWND field, const EditorState& state);

// A question stood in the way of a step: the repeats of a key held down in
// the field do nothing until it is let go (or another key is pressed), so
// that the steps queued behind the question do not go on past it.
void stop_held_key(HWND field);

// A step has been shown: the field is painted now if a paint was put off.
void release_choice_field(HWND field);

// Whether the last key pressed in the field repeats a key held down.
bool choice_key_held(HWND field);

// The edit field of an editable drop-down list, or nullptr.
HWND edit_field_of(HWND list);

}  // namespace ce
