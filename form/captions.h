// The captions that name the fields of a creature for a person: the editor's
// messages, the tool's show, export and patches use the same words.
#pragma once

#include <functional>
#include <string>

#include "store/binding.h"
#include "text/language.h"

namespace ce {

// The text of a caption control (a label, group box or check box of the form),
// as the form or the Common file gives it; "" when it has none.
using CaptionOf = std::function<std::string(int id)>;

// The caption of a binding row: the caption of its own control (a check box)
// or of the label or group box that names it, prefixed by the caption of the
// group box around that one ("Movement: Speed"); rows of a file that share a
// caption are numbered ("Turn angles #3"). "" when the row has no caption
// control or its captions are empty.
std::string row_caption(const BindingRow& row, const CaptionOf& caption_of);

// The caption of a creature's line: "Name", or the captions of the plural and
// ability texts.
std::string line_caption(TextKind kind, const CaptionOf& caption_of);

}  // namespace ce
