// The captions that name the fields of a creature for a person: the editor's
// messages, the tool's show, export and patches use the same words.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "store/binding.h"
#include "text/language.h"

namespace ce {

// The text of a caption control (a label, group box or check box of the form),
// as the form or the Common file gives it; "" when it has none.
using CaptionOf = std::function<std::string(int id)>;

// A caption control that names a binding row, and the captioned group box
// around it on the form, whose caption comes first ("Movement: Speed").
struct CaptionBox {
    int control;
    int box;
};
// Every caption control of a binding row that lies inside a captioned group
// box, in ascending order of control (the form's catalogue is checked to agree).
std::span<const CaptionBox> caption_boxes();
// The captioned group box around caption control `id`, or 0.
int caption_box(int id);

// The caption of a binding row: the caption of its own control (a check box)
// or of the label or group box that names it, prefixed by the caption of the
// group box around that one ("Movement: Speed"); rows of a file that share a
// caption are numbered ("Turn angles #3"). "" when the row has no caption
// control or its captions are empty.
std::string row_caption(const BindingRow& row, const CaptionOf& caption_of);

// The caption controls of a creature's plural and ability texts.
inline constexpr int kPluralCaptionControl = 2102, kAbilityCaptionControl = 2103;

// The caption of a creature's line: "Name", or the captions of the plural and
// ability texts.
std::string line_caption(TextKind kind, const CaptionOf& caption_of);

}  // namespace ce
