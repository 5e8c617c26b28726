// Fields as a person reads them: captions from the Common file of the folder's
// language and the text the editor would show for a stored value.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "folder/dataset.h"
#include "tables/import_table.h"

namespace ce {

class Form;

// First cell of the optional CSV row of captions (the slot column).

// The caption of every field (aligned with `fields`): the caption of the
// field's own control (a check box), or of the label or group box that names it,
// prefixed by the caption of the group box around that one; fields that share a
// caption are numbered (#1, #2, ...). Arrays without a control are "(no
// control)". Empty captions (no Common file) fall back to the key.
std::vector<std::string> field_captions(const Dataset& data, const std::vector<Field>& fields);

// Names on `err` ("creatures <command>: <file>: <why>; read as empty") each
// language text of `data` that could not be read and so reads as empty.
void warn_unread_texts(const Dataset& data, const char* command, std::ostream& err);

// Where a field's value lives: "MonstersSetup.vrh@27012" (the byte position of
// the slot's element), "Firewall.vrh@1 bit 4", "Eng/Monsters.txt line 13".
std::string field_place(const Field& field, int slot);

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
