// What a person reads of a field beside its value: its caption in the folder's
// language and the place of its bytes in the files.
#pragma once

#include <string>
#include <vector>

#include "folder/dataset.h"
#include "folder/fields.h"

namespace ce {

// The caption of every field (aligned with `fields`): the caption of the
// field's own control (a check box), or of the label or group box that names it,
// prefixed by the caption of the group box around that one; fields that share a
// caption are numbered (#1, #2, ...). Arrays without a control are "(no
// control)". Empty captions (no Common file) fall back to the key.
std::vector<std::string> field_captions(const Dataset& data, const std::vector<Field>& fields);

// Where a field's value lives: "MonstersSetup.vrh@27012" (the byte position of
// the slot's element), "Firewall.vrh@1 bit 4", "Eng/Monsters.txt line 13".
std::string field_place(const Field& field, int slot);

}  // namespace ce
