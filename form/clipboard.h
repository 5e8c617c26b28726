// The states clipboard: what "Copy all states" captures from the form, and the
// two pastes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "form/shown.h"
#include "text/lines.h"

namespace ce {

class Form;

// Byte widths of the clipboard's text fields: a field of n bytes carries at most
// n - 1 characters (a longer text is cut at capture).
namespace clip_width {
constexpr int kName121 = 16;
constexpr int kSound122 = 5;
constexpr int kAmmo304 = 16;
constexpr int kEdit151 = 2;
constexpr int kShort = 4;        // 212, 231, 245, 246, 248, 249, 250, 98
constexpr int kEdit247 = 10;
constexpr int kEdit251 = 6;
constexpr int kEdit97 = 5;       // "-100" to "-128" whole
constexpr int kCrAnim = 8;       // 91-96 and 5002-5019
constexpr int kCrAnimWide = 11;  // 5014 and 5015: ten digits, an unsigned reading whole
constexpr int kName300 = kNameMax + 1;
constexpr int kPlural = kNameMax + 1;
constexpr int kAbility = kAbilityMax + 1;  // the whole stored ability
}  // namespace clip_width

// One captured control: its text, or its check state, selection or number.
struct ClipValue {
    std::string text;
    std::int64_t number = 0;
};

// One record for the whole run, zero at start, overwritten by every capture:
// a value per control of the clipboard's table (one for the radio group), in
// the table's order.
struct StatesClipboard {
    StatesClipboard();
    std::vector<ClipValue> values;
    // Per data file and binding row, the exact bytes of the element the
    // captured controls stood for (element_bytes), when they showed the
    // creature's stored or pasted value; nothing for a value the user typed,
    // which travels as the text alone. A paste carries these exactly: the
    // texts show a float cut to five characters, a scaled value rounded.
    std::array<std::vector<std::optional<std::string>>, kDataFileCount> exact;
};

// Reads the form into the clipboard (index is not used; it names the creature
// shown, for symmetry with restore_states), and from `shown`, when given, the
// exact values of what the controls show unchanged.
void capture_states(int index, const Form& form, StatesClipboard& clip, const ShownCreature* shown = nullptr);
// Edits 91-96, then 5002-5019.
void capture_cranim(const Form& form, StatesClipboard& clip);
// Writes the whole clipboard into the form, puts the captured name into entry
// `index` of list 300 and selects it, and recomputes the interlocks. With
// `shown`, notes for each element pasted with its exact value what its controls
// now hold, so that a Save stores that value as long as they hold it.
void restore_states(int index, Form& form, const StatesClipboard& clip, ShownCreature* shown = nullptr);
// Edits 91-96, then 5002-5019; nothing else changes.
void restore_cranim(Form& form, const StatesClipboard& clip, ShownCreature* shown = nullptr);

}  // namespace ce
