#include "folder/captions.h"

#include <algorithm>
#include <array>

#include "store/layouts.h"

namespace ce {
namespace {

constexpr std::array<CaptionBox, 19> kCaptionBoxes{{
    {2066, 2065}, {2070, 2069}, {2072, 2069}, {2088, 2087}, {2089, 2087}, {2113, 2112}, {2114, 2112},
    {2118, 2117}, {2119, 2117}, {2121, 2120}, {2122, 2120}, {2123, 2120}, {2124, 2120}, {2125, 2120},
    {2126, 2120}, {2127, 2120}, {2128, 2120}, {2129, 2120}, {2130, 2120},
}};

}  // namespace

std::span<const CaptionBox> caption_boxes() { return kCaptionBoxes; }

int caption_box(int id) {
    const auto it = std::lower_bound(kCaptionBoxes.begin(), kCaptionBoxes.end(), id,
                                     [](const CaptionBox& b, int control) { return b.control < control; });
    return it != kCaptionBoxes.end() && it->control == id ? it->box : 0;
}

std::string row_caption(const BindingRow& row, const CaptionOf& caption_of) {
    if (!row.caption) return {};
    std::string caption = caption_of(row.caption);
    if (const int box = caption_box(row.caption)) {
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
    if (kind == TextKind::Plural) return caption_of(kPluralCaptionControl);
    if (kind == TextKind::Ability) return caption_of(kAbilityCaptionControl);
    return "Name";
}

}  // namespace ce
