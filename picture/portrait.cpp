#include "picture/portrait.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "store/data_folder.h"

namespace ce {

std::string portrait_path(std::string_view dir, int index, char separator) {
    std::string path(dir);
    path += separator;
    path += kPictureFolder;
    path += separator;
    path += std::to_string(index);  // "-1" for -1, no leading zeros
    path += ".jpg";
    return path;
}

namespace {

// At the design scale icons 501..507 stand just left of edits 70..76 (rows at
// y 34 and 49 units); 508 fills the corner below check box 2099.
constexpr std::array<DecorationPlace, 8> kDecorations = {{
    {501, {762, 56, 20, 18}},
    {502, {824, 56, 20, 18}},
    {503, {885, 56, 20, 18}},
    {504, {947, 56, 20, 18}},
    {505, {762, 82, 20, 18}},
    {506, {824, 82, 20, 18}},
    {507, {900, 82, 20, 18}},
    {508, {760, 383, 248, 208}},
}};

// value * num / den rounded to the nearest integer, halves away from zero, as
// the platform's MulDiv does; den > 0.
int scale_round(int value, int num, int den) {
    const std::int64_t p = static_cast<std::int64_t>(value) * num;
    const std::int64_t q = p >= 0 ? (2 * p + den) / (2 * den) : -((-2 * p + den) / (2 * den));
    return static_cast<int>(q);
}

}  // namespace

std::span<const DecorationPlace> decoration_places() { return kDecorations; }

PixelRect map_to_dialog(PixelRect design, DialogScale scale) {
    // x pixels are x / 1.5 = 2x / 3 units, and a unit is base_x / 4 pixels on the
    // dialog: x * base_x / 6. Vertically y * 8 / 13 units of base_y / 8 pixels.
    // One rounding at the end keeps the design scale exact.
    return {scale_round(design.x, scale.base_x, kDesignScale.base_x),
            scale_round(design.y, scale.base_y, kDesignScale.base_y), design.w, design.h};
}

PictureScale picture_scale(int dpi, DialogScale dialog) {
    if (dpi <= 0 || dpi == kDesignDpi) return {};
    PictureScale best{dpi, kDesignDpi};
    // a/b < c/d, all positive
    const auto less = [](PictureScale a, PictureScale b) {
        return static_cast<std::int64_t>(a.num) * b.den < static_cast<std::int64_t>(b.num) * a.den;
    };
    for (PictureScale limit : {PictureScale{dialog.base_x, kDesignScale.base_x}, PictureScale{dialog.base_y, kDesignScale.base_y}})
        if (limit.num > 0 && less(limit, best)) best = limit;
    if (less(best, PictureScale{})) return {};
    return best;
}

PixelRect scale_size(PixelRect r, PictureScale scale) {
    if (scale.num <= 0 || scale.den <= 0) return r;
    return {r.x, r.y, scale_round(r.w, scale.num, scale.den), scale_round(r.h, scale.num, scale.den)};
}

int source_pixels(int pixels, PictureScale scale) {
    if (scale.num <= 0 || scale.den <= 0) return pixels;
    return scale_round(pixels, scale.den, scale.num);
}

PortraitLayout portrait_layout(PixelRect place, int picture_w, int picture_h) {
    const int cw = std::clamp(picture_w, 0, std::max(place.w, 0));
    const int ch = std::clamp(picture_h, 0, std::max(place.h, 0));
    // A picture with no area covers nothing.
    const bool covers = cw > 0 && ch > 0;
    PortraitLayout layout;
    layout.copy = covers ? PixelRect{place.x, place.y, cw, ch} : PixelRect{place.x, place.y, 0, 0};
    const int covered_w = covers ? cw : 0;
    const int covered_h = covers ? ch : 0;
    if (covered_w < place.w && place.h > 0)  // right strip, full height
        layout.fill.push_back({place.x + covered_w, place.y, place.w - covered_w, place.h});
    if (covered_w > 0 && covered_h < place.h)  // below the picture
        layout.fill.push_back({place.x, place.y + covered_h, covered_w, place.h - covered_h});
    return layout;
}

}  // namespace ce
