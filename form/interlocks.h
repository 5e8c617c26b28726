// Controls that only mean something for a given creature or check-box state.
#pragma once

namespace ce {

class Form;

// Recomputes the enabled states from scratch (and empties 121/122 for slot 149
// and 212 while 2025 is checked). Changes no check box and no list selection.
void update_interlocks(int index, Form& form);

// True for the check boxes whose click has a reaction: 2021, 2039, 2030, 2024,
// 2025, 2036, 2038.
bool has_click_reaction(int box);
// The reaction to the user's click on `box` (the box is already toggled).
void react_to_click(int box, Form& form);

}  // namespace ce
