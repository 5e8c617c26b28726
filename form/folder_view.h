// The form showing a data folder held in memory (the tool's show and check
// use it to say what the editor would show).
#pragma once

#include <string>

#include "folder/dataset.h"
#include "folder/fields.h"

namespace ce {

class Form;

// Fills the form's captions and lists from the folder's language files, as the
// editor does (the Common, Spells and Monsters files of the folder's language).
void fill_form(Form& form, const Dataset& data);
// Shows the slot's elements of the six data files in the form, as the editor's
// show does before its interlocks. The data files must be usable.
void show_in_form(Form& form, const Dataset& data, int slot);

// The text the editor shows for the slot's element (UTF-8), read from a form
// that fill_form filled and show_in_form showed the slot in: the number as the
// edit shows it, "checked"/"clear", the chosen radio button's or list entry's
// text ("(no entry)" when the position names none), the float text, the text
// field as shown (up to its first zero, past the field when it has none).
std::string shown_text(const Dataset& data, const Form& form, const Field& field, int slot);

}  // namespace ce
