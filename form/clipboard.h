// The states clipboard: what "Copy all states" captures from the form, and the
// two pastes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ce {

class Form;

struct StatesClipboard {
    // fields are filled in by the clipboard implementation
};

void capture_states(int index, const Form& form, StatesClipboard& clip);
void capture_cranim(const Form& form, StatesClipboard& clip);
void restore_states(int index, Form& form, const StatesClipboard& clip);
void restore_cranim(Form& form, const StatesClipboard& clip);

}  // namespace ce
