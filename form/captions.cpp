#include "form/captions.h"

#include "form/catalogue.h"
#include "form/controls.h"
#include "text/list_sources.h"

namespace ce {
namespace {

bool contains(const Control& outer, const Control& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool has_caption_line(int id) { return id >= ctl::kFirstCaption && id < ctl::kFirstCaption + kCaptionLines; }

// The innermost captioned group box around the control, or 0.
int enclosing_box(int id) {
    const auto controls = editor_controls();
    const Control* inner = find_control(controls, id);
    if (!inner) return 0;
    const Control* best = nullptr;
    for (const Control& c : controls) {
        if (c.kind != Kind::GroupBox || c.id == id || !has_caption_line(c.id) || !contains(c, *inner)) continue;
        if (!best || c.w * c.h < best->w * best->h) best = &c;
    }
    return best ? best->id : 0;
}

}  // namespace

std::string row_caption(const BindingRow& row, const CaptionOf& caption_of) {
    if (!row.caption) return {};
    std::string caption = caption_of(row.caption);
    if (const int box = enclosing_box(row.caption)) {
        const std::string outer = caption_of(box);
        if (!outer.empty() && !caption.empty()) caption = outer + ": " + caption;
        else if (caption.empty()) caption = outer;
    }
    if (caption.empty()) return caption;
    int shared = 0, rank = 0;
    for (const BindingRow& r : binding_rows(row.file)) {
        if (r.caption != row.caption) continue;
        ++shared;
        if (&r == &row) rank = shared;
    }
    if (shared > 1) caption += " #" + std::to_string(rank);
    return caption;
}

std::string line_caption(TextKind kind, const CaptionOf& caption_of) {
    if (kind == TextKind::Plural) return caption_of(ctl::kPluralCaption);
    if (kind == TextKind::Ability) return caption_of(ctl::kAbilityCaption);
    return "Name";
}

}  // namespace ce
