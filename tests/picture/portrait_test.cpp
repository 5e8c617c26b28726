#include "picture/portrait.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ce {
namespace {

TEST(PortraitPath, NamesTheFileInPicByDecimalIndex) {
    EXPECT_EQ(portrait_path("C:\\Game", 7, '\\'), "C:\\Game\\Pic\\7.jpg");
    EXPECT_EQ(portrait_path("C:\\Game", -1, '\\'), "C:\\Game\\Pic\\-1.jpg");
    EXPECT_EQ(portrait_path("C:\\Game", 0, '\\'), "C:\\Game\\Pic\\0.jpg");
    EXPECT_EQ(portrait_path("C:\\Game", 999, '\\'), "C:\\Game\\Pic\\999.jpg");
    EXPECT_EQ(portrait_path("C:\\Game", -2147483647 - 1, '\\'), "C:\\Game\\Pic\\-2147483648.jpg");
    // No leading zeros: creature 7 never looks for 007.jpg.
    EXPECT_NE(portrait_path("C:\\Game", 7, '\\'), "C:\\Game\\Pic\\007.jpg");
    // The root of a drive ends in a backslash of its own, as the platform reports it.
    EXPECT_EQ(portrait_path("C:\\", 3, '\\'), "C:\\\\Pic\\3.jpg");
}

TEST(PortraitPath, CopiesTheDirectoryTextUnchanged) {
    EXPECT_EQ(portrait_path("D:\\100%d\\%s%n", 12, '\\'), "D:\\100%d\\%s%n\\Pic\\12.jpg");
    EXPECT_EQ(portrait_path("/home/a b/%%", 5, '/'), "/home/a b/%%/Pic/5.jpg");
    const std::string long_dir(1500, 'x');  // longer than any fixed buffer would hold
    EXPECT_EQ(portrait_path(long_dir, 1, '\\'), long_dir + "\\Pic\\1.jpg");
#ifdef _WIN32
    EXPECT_EQ(portrait_path("C:\\G", 4), "C:\\G\\Pic\\4.jpg");
#else
    EXPECT_EQ(portrait_path("/g", 4), "/g/Pic/4.jpg");
#endif
}

// A stand-in picture: empty when the loader failed.
using Fake = std::optional<int>;

TEST(ChoosePortrait, PrefersFileThenEmbeddedThenBackground) {
    int embedded_calls = 0;
    auto file_ok = [] { return Fake{1}; };
    auto file_bad = [] { return Fake{}; };
    auto embedded_ok = [&] { ++embedded_calls; return Fake{2}; };
    auto embedded_bad = [&] { ++embedded_calls; return Fake{}; };

    auto a = choose_portrait(file_ok, embedded_ok);
    EXPECT_EQ(a.source, PortraitSource::file);
    EXPECT_EQ(a.picture, Fake{1});
    EXPECT_EQ(embedded_calls, 0) << "the embedded picture is not decoded when the file decodes";

    auto b = choose_portrait(file_bad, embedded_ok);
    EXPECT_EQ(b.source, PortraitSource::embedded);
    EXPECT_EQ(b.picture, Fake{2});

    auto c = choose_portrait(file_bad, embedded_bad);
    EXPECT_EQ(c.source, PortraitSource::background);
    EXPECT_FALSE(c.picture.has_value());
    EXPECT_EQ(embedded_calls, 2);
}

TEST(PortraitLayout, CopiesTopLeftUnscaledAndFillsTheRest) {
    const PixelRect place{13, 236, 58, 64};

    // Exact and larger pictures cover the place: a larger one is cut, not scaled.
    for (auto [w, h] : {std::pair{58, 64}, std::pair{200, 200}, std::pair{58, 500}}) {
        const PortraitLayout l = portrait_layout(place, w, h);
        EXPECT_EQ(l.copy, place) << w << "x" << h;
        EXPECT_TRUE(l.fill.empty()) << w << "x" << h;
    }

    // A smaller picture: its own size copied, the strip to its right and the
    // part below it painted.
    const PortraitLayout small = portrait_layout(place, 30, 20);
    EXPECT_EQ(small.copy, (PixelRect{13, 236, 30, 20}));
    ASSERT_EQ(small.fill.size(), 2u);
    EXPECT_EQ(small.fill[0], (PixelRect{43, 236, 28, 64}));
    EXPECT_EQ(small.fill[1], (PixelRect{13, 256, 30, 44}));

    // Only narrower, or only shorter: one strip.
    const PortraitLayout narrow = portrait_layout(place, 40, 90);
    EXPECT_EQ(narrow.copy, (PixelRect{13, 236, 40, 64}));
    ASSERT_EQ(narrow.fill.size(), 1u);
    EXPECT_EQ(narrow.fill[0], (PixelRect{53, 236, 18, 64}));
    const PortraitLayout flat = portrait_layout(place, 80, 10);
    EXPECT_EQ(flat.copy, (PixelRect{13, 236, 58, 10}));
    ASSERT_EQ(flat.fill.size(), 1u);
    EXPECT_EQ(flat.fill[0], (PixelRect{13, 246, 58, 54}));

    // No picture, or one without area: all of the place is background.
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 64}, std::pair{58, 0}, std::pair{-5, -5}}) {
        const PortraitLayout none = portrait_layout(place, w, h);
        EXPECT_EQ(none.copy.w * none.copy.h, 0) << w << "x" << h;
        ASSERT_EQ(none.fill.size(), 1u) << w << "x" << h;
        EXPECT_EQ(none.fill[0], place) << w << "x" << h;
    }
}

TEST(PicturePlaces, HoldTheFormPositionsInDrawingOrder) {
    EXPECT_EQ(kPortraitPlace, (PixelRect{13, 236, 58, 64}));
    const auto places = decoration_places();
    ASSERT_EQ(places.size(), 8u);
    for (std::size_t i = 0; i < places.size(); ++i) EXPECT_EQ(places[i].id, 501 + static_cast<int>(i));
    EXPECT_EQ(places[0].rect, (PixelRect{762, 56, 20, 18}));
    EXPECT_EQ(places[3].rect, (PixelRect{947, 56, 20, 18}));
    EXPECT_EQ(places[6].rect, (PixelRect{900, 82, 20, 18}));
    EXPECT_EQ(places[7].rect, (PixelRect{760, 383, 248, 208}));

    // At the design scale each icon ends just left of its edit (edits 70..76 at
    // these dialog-unit x positions) and sits on the edit's row.
    const int edit_x[7] = {522, 564, 604, 646, 522, 564, 614};
    const int edit_y[7] = {34, 34, 34, 34, 49, 49, 49};
    for (int i = 0; i < 7; ++i) {
        const PixelRect r = places[static_cast<std::size_t>(i)].rect;
        const double edit_left = edit_x[i] * 1.5, edit_top = edit_y[i] * 1.625;
        EXPECT_LE(r.x + r.w, edit_left) << places[static_cast<std::size_t>(i)].id;
        EXPECT_GE(r.x + r.w, edit_left - 3) << places[static_cast<std::size_t>(i)].id;
        EXPECT_NEAR(r.y, edit_top, 3) << places[static_cast<std::size_t>(i)].id;
    }
    // The corner picture ends inside the 674 x 366 unit client area.
    EXPECT_LE(places[7].rect.x + places[7].rect.w, 674 * 1.5);
    EXPECT_LE(places[7].rect.y + places[7].rect.h, 366 * 1.625);
}

TEST(MapToDialog, KeepsDesignPixelsAndMovesWithTheDialogScale) {
    // The design scale gives back exactly the described pixels.
    EXPECT_EQ(map_to_dialog(kPortraitPlace, kDesignScale), kPortraitPlace);
    for (const DecorationPlace& d : decoration_places())
        EXPECT_EQ(map_to_dialog(d.rect, kDesignScale), d.rect) << d.id;

    // Larger base units (a larger font or more dots per inch) move the corner
    // proportionally to the same dialog-unit position; the size stays.
    EXPECT_EQ(map_to_dialog(kPortraitPlace, {8, 16}), (PixelRect{17, 290, 58, 64}));  // 17.33, 290.46
    EXPECT_EQ(map_to_dialog({762, 56, 20, 18}, {12, 26}), (PixelRect{1524, 112, 20, 18}));
    EXPECT_EQ(map_to_dialog({760, 383, 248, 208}, {5, 12}), (PixelRect{633, 354, 248, 208}));  // 633.3, 353.5
    // Halves round away from zero, as the platform's MulDiv does.
    EXPECT_EQ(map_to_dialog({3, 13, 1, 1}, {7, 13}), (PixelRect{4, 13, 1, 1}));  // 3.5 -> 4
    EXPECT_EQ(map_to_dialog({-3, -13, 1, 1}, {7, 13}), (PixelRect{-4, -13, 1, 1}));

    // Moving with the scale keeps every place at its dialog-unit position: an icon
    // placed against its edit at the design scale stays within a pixel of the same
    // unit position at any scale.
    for (DialogScale s : {DialogScale{5, 12}, DialogScale{7, 15}, DialogScale{9, 20}}) {
        const PixelRect r = map_to_dialog({762, 56, 20, 18}, s);
        EXPECT_NEAR(r.x, 508.0 * s.base_x / 4, 0.5) << s.base_x;  // 762 px = 508 units
        EXPECT_NEAR(r.y, 56.0 * 8 / 13 * s.base_y / 8, 0.5) << s.base_y;
    }
}

TEST(PictureScale, PicturesGrowWithTheScreensDpiWithinTheirFrames) {
    // At the design DPI, and for a DPI the system does not report, nothing changes,
    // whatever the font: pictures keep their pixels.
    EXPECT_EQ(picture_scale(96, kDesignScale), (PictureScale{}));
    EXPECT_EQ(picture_scale(96, {8, 16}), (PictureScale{}));
    EXPECT_EQ(picture_scale(96, {5, 12}), (PictureScale{}));
    EXPECT_EQ(picture_scale(0, {9, 20}), (PictureScale{}));
    // 150 % and 200 % with base units that grew as much: dpi / 96.
    EXPECT_EQ(picture_scale(144, {9, 20}), (PictureScale{144, 96}));
    EXPECT_EQ(picture_scale(192, {12, 26}), (PictureScale{192, 96}));
    // A font whose base units grew less than the DPI limits the pictures to
    // what their frames got, one factor for both directions.
    EXPECT_EQ(picture_scale(192, {12, 24}), (PictureScale{24, 13}));
    EXPECT_EQ(picture_scale(192, {11, 26}), (PictureScale{11, 6}));
    // Never below the pictures' own pixels.
    EXPECT_EQ(picture_scale(144, {5, 12}), (PictureScale{}));

    EXPECT_EQ(scale_size(kPortraitPlace, {}), kPortraitPlace);
    EXPECT_EQ(scale_size(kPortraitPlace, {144, 96}), (PixelRect{13, 236, 87, 96}));
    EXPECT_EQ(scale_size(kPortraitPlace, {192, 96}), (PixelRect{13, 236, 116, 128}));
    EXPECT_EQ(scale_size(kPortraitPlace, {24, 13}), (PixelRect{13, 236, 107, 118}));  // 107.08, 118.15
    EXPECT_EQ(scale_size({0, 0, 20, 18}, {120, 96}), (PixelRect{0, 0, 25, 23}));       // 22.5 rounds up

    // Back to the source pixels: a whole place shows the whole 58 x 64 picture.
    EXPECT_EQ(source_pixels(87, {144, 96}), 58);
    EXPECT_EQ(source_pixels(96, {144, 96}), 64);
    EXPECT_EQ(source_pixels(107, {24, 13}), 58);
    EXPECT_EQ(source_pixels(118, {24, 13}), 64);
    EXPECT_EQ(source_pixels(25, {120, 96}), 20);
    EXPECT_EQ(source_pixels(40, {}), 40);

    // A larger picture fills the scaled place; a smaller one leaves the rest of it
    // to the background, scaled alike.
    const PixelRect place = scale_size(kPortraitPlace, {144, 96});
    const PixelRect big = scale_size({0, 0, 200, 200}, {144, 96});
    EXPECT_EQ(portrait_layout(place, big.w, big.h).copy, place);
    const PixelRect small = scale_size({0, 0, 30, 20}, {144, 96});
    const PortraitLayout layout = portrait_layout(place, small.w, small.h);
    EXPECT_EQ(layout.copy, (PixelRect{13, 236, 45, 30}));
    ASSERT_EQ(layout.fill.size(), 2u);
    EXPECT_EQ(layout.fill[0], (PixelRect{58, 236, 42, 96}));
    EXPECT_EQ(layout.fill[1], (PixelRect{13, 266, 45, 66}));
}

}  // namespace
}  // namespace ce
