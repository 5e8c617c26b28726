// What a window of the dialog is, asked of the window itself (its class and
// styles), and the height of one line of the dialog font: shared by the form
// over the dialog and the drawing of its changes.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace ce {

// Whether the window's class is one of `classes` (in any case).
bool has_class(HWND hwnd, std::initializer_list<const wchar_t*> classes);

bool is_combo_box(HWND hwnd);
// A drop-down list with an edit field of its own (list 300).
bool is_editable_combo(HWND hwnd);
// Edits and NewEdit fields (the class of a NewEdit is derived from "Edit").
bool is_edit_control(HWND hwnd);
// A multi-line edit does not tell of a WM_SETTEXT: its text is always read.
bool is_one_line_edit(HWND hwnd);
bool is_group_box(HWND hwnd);

// The height of one line of the dialog font's text, in pixels: a group box
// draws its caption in that much of its top.
int caption_height(HWND dialog);

}  // namespace ce
