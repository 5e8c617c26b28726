// The portable half of the pictures: where the portrait file of a creature is,
// which picture the portrait shows, and where every picture goes on the form.
// The Win32 half (picture/draw_win32.h) decodes and paints with these.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/path_separator.h"

namespace ce {

// dir + "\Pic\" + index in decimal (minus sign for negatives, no leading zeros)
// + ".jpg", with `separator` for the backslashes. The directory text is copied
// unchanged, a "%" included.
std::string portrait_path(std::string_view dir, int index, char separator = kPathSeparator);

// A rectangle in pixels of the form's client area.
struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The embedded fallback portrait: resource 2000 of type "IMAGE".
inline constexpr int kPortraitResource = 2000;
// Where the portrait goes at the design scale: inside the portrait frame.
inline constexpr PixelRect kPortraitPlace{13, 236, 58, 64};

struct DecorationPlace {
    int id;          // bitmap resource 501..508
    PixelRect rect;  // at the design scale
};
// Bitmaps 501..508 in drawing order: the seven icons left of edits 70..76 and
// the picture in the bottom-right corner.
std::span<const DecorationPlace> decoration_places();

// A dialog's scale as the dialog manager reports it: the pixels of 4 horizontal
// and 8 vertical dialog units (its base units).
struct DialogScale {
    int base_x = 6, base_y = 13;
    friend bool operator==(const DialogScale&, const DialogScale&) = default;
};
// The form's design scale, MS Sans Serif 8 at 96 dpi: 1.5 x 1.625 pixels per unit.
inline constexpr DialogScale kDesignScale{6, 13};

// Maps a place given in pixels at the design scale onto a dialog of `scale`:
// its corner goes to the same dialog-unit position (x / 1.5, y / 1.625 units),
// rounded to the nearest pixel once. The size stays: pictures are never scaled.
// At the design scale the result is the place itself.
PixelRect map_to_dialog(PixelRect design, DialogScale scale);

// The design's dots per inch. On a screen of other DPI the pictures are drawn
// larger, as the dialog's font is; their corners still follow the dialog's own
// scale (map_to_dialog).
inline constexpr int kDesignDpi = 96;

// How much larger the pictures are drawn: num / den.
struct PictureScale {
    int num = 1, den = 1;
    friend bool operator==(const PictureScale&, const PictureScale&) = default;
};
// At the design DPI (or one the system does not report) the pictures keep their
// pixels. At another DPI they grow by dpi / 96, but never past what the dialog's
// own scale gives their frames (a font's base units grow a little less than its
// DPI), nor below their pixels; one factor for both directions keeps them
// undistorted.
PictureScale picture_scale(int dpi, DialogScale dialog);
// `r` with its size scaled (rounded as map_to_dialog rounds); the corner stays.
PixelRect scale_size(PixelRect r, PictureScale scale);
// How many source pixels `pixels` drawn at `scale` show (the inverse, rounded).
int source_pixels(int pixels, PictureScale scale);

// What a portrait paint does with a picture of picture_w x picture_h pixels
// (0 x 0 when there is none) at `place`: the top-left part it copies unscaled,
// and the parts of the place it leaves, to be painted in the background colour.
struct PortraitLayout {
    PixelRect copy;               // destination; the source is the picture's top-left
    std::vector<PixelRect> fill;  // 0, 1 or 2 rectangles, none empty
};
PortraitLayout portrait_layout(PixelRect place, int picture_w, int picture_h);

enum class PortraitSource { file, embedded, background };

template <class Picture>
struct PortraitChoice {
    PortraitSource source;
    Picture picture;  // empty when source is background
};

// The portrait shows the file picture when it decodes, else the embedded one,
// else the background alone. Each loader returns a picture that converts to
// false when it failed; the embedded one is not loaded when the file decodes.
template <class FileLoader, class EmbeddedLoader>
auto choose_portrait(FileLoader&& from_file, EmbeddedLoader&& embedded) {
    using Picture = decltype(from_file());
    Picture picture = from_file();
    if (picture) return PortraitChoice<Picture>{PortraitSource::file, std::move(picture)};
    picture = embedded();
    if (picture) return PortraitChoice<Picture>{PortraitSource::embedded, std::move(picture)};
    return PortraitChoice<Picture>{PortraitSource::background, std::move(picture)};
}

}  // namespace ce
