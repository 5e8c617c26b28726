// Procedural creature faces: a head with eyes, mouth, horns or ears on a
// coloured background, each feature outlined in a dark colour. All geometry is
// integer arithmetic in a 0..1000000 square stretched over the picture, so the
// pixels do not depend on the compiler's floating-point code.
#include "demo/portrait.h"

#include <algorithm>

#include "demo/random.h"

namespace ce {

namespace {

constexpr std::int64_t kUnit = 1000;  // one design unit; the picture spans 1000 of them

struct Rgb {
    int r, g, b;
};

// Hue 0..359, saturation and value 0..255.
Rgb hsv(int h, int s, int v) {
    h = ((h % 360) + 360) % 360;
    const int region = h / 60;
    const int rem = (h % 60) * 255 / 60;
    const int p = v * (255 - s) / 255;
    const int q = v * (255 - s * rem / 255) / 255;
    const int t = v * (255 - s * (255 - rem) / 255) / 255;
    switch (region) {
        case 0: return {v, t, p};
        case 1: return {q, v, p};
        case 2: return {p, v, t};
        case 3: return {p, q, v};
        case 4: return {t, p, v};
        default: return {v, p, q};
    }
}

Rgb darker(Rgb c, int percent) {
    return {c.r * (100 - percent) / 100, c.g * (100 - percent) / 100, c.b * (100 - percent) / 100};
}

struct Shape {
    enum Kind { Ellipse, Triangle } kind;
    std::int64_t x[3], y[3];  // Ellipse: centre, radii in x[1], y[1]
    Rgb colour;
    int clip = -1;  // index of an ellipse the shape must also lie in (-1: none)
    std::int64_t min_x, min_y, max_x, max_y;

    bool contains(std::int64_t u, std::int64_t v) const {
        if (u < min_x || u > max_x || v < min_y || v > max_y) return false;
        if (kind == Ellipse) {
            const std::int64_t dx = (u - x[0]) * 1000 / x[1];
            const std::int64_t dy = (v - y[0]) * 1000 / y[1];
            return dx * dx + dy * dy <= 1000000;
        }
        const auto side = [&](int a, int b) {
            return (x[b] - x[a]) * (v - y[a]) - (y[b] - y[a]) * (u - x[a]);
        };
        const std::int64_t s0 = side(0, 1), s1 = side(1, 2), s2 = side(2, 0);
        return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
    }
};

struct Face {
    // cx, cy, rx, ry in design units.
    int ellipse(int cx, int cy, int rx, int ry, Rgb colour, int outline, int clip = -1) {
        if (outline > 0) add_ellipse(cx, cy, rx + outline, ry + outline, outline_colour, clip);
        return add_ellipse(cx, cy, rx, ry, colour, clip);
    }
    void triangle(int x0, int y0, int x1, int y1, int x2, int y2, Rgb colour, int clip = -1) {
        Shape s{Shape::Triangle, {x0 * kUnit, x1 * kUnit, x2 * kUnit}, {y0 * kUnit, y1 * kUnit, y2 * kUnit},
                colour, clip, 0, 0, 0, 0};
        s.min_x = std::min({s.x[0], s.x[1], s.x[2]});
        s.max_x = std::max({s.x[0], s.x[1], s.x[2]});
        s.min_y = std::min({s.y[0], s.y[1], s.y[2]});
        s.max_y = std::max({s.y[0], s.y[1], s.y[2]});
        shapes.push_back(s);
    }

    Rgb top{}, bottom{}, outline_colour{};
    std::vector<Shape> shapes;

    int add_ellipse(int cx, int cy, int rx, int ry, Rgb colour, int clip) {
        Shape s{Shape::Ellipse, {cx * kUnit, rx * kUnit, 0}, {cy * kUnit, ry * kUnit, 0}, colour, clip, 0, 0, 0, 0};
        s.min_x = s.x[0] - s.x[1];
        s.max_x = s.x[0] + s.x[1];
        s.min_y = s.y[0] - s.y[1];
        s.max_y = s.y[0] + s.y[1];
        shapes.push_back(s);
        return static_cast<int>(shapes.size()) - 1;
    }
};

// The colours a face is drawn in, besides its background.
struct Palette {
    int hue;
    Rgb skin, shade;
};

// The head's centre height and radii, in design units.
struct Head {
    int cy, rx, ry;
    int top() const { return cy - ry; }
};

Palette paint_colours(Face& f, Rng& rng) {
    const int hue = rng.below(360);
    const Rgb skin = hsv(hue, rng.range(90, 200), rng.range(150, 230));
    const Rgb shade = darker(skin, 30);
    const int bg_hue = hue + 120 + rng.range(0, 120);
    f.top = hsv(bg_hue, rng.range(60, 160), rng.range(170, 240));
    f.bottom = hsv(bg_hue + rng.range(-30, 30), rng.range(120, 220), rng.range(60, 130));
    f.outline_colour = hsv(hue, 120, 40);
    return {hue, skin, shade};
}

// Horns, ears, antennae or a crest, behind the head; or nothing.
void add_head_ornament(Face& f, Rng& rng, const Palette& p, const Head& h) {
    const int top_y = h.top();
    const Rgb horn = rng.percent(50) ? hsv(40, 60, 225) : darker(p.skin, 55);
    switch (rng.below(5)) {
        case 1:  // horns
            for (const int side : {-1, 1}) {
                const int base = 500 + side * (h.rx * 6 / 10);
                f.triangle(base - 70 * side, top_y + 110, base + 70 * side, top_y + 150,
                           base + side * rng.range(80, 220), rng.range(20, 120), horn);
            }
            break;
        case 2:  // pointed ears
            for (const int side : {-1, 1}) {
                const int x = 500 + side * h.rx;
                f.triangle(x - side * 60, h.cy - 140, x - side * 60, h.cy + 20,
                           x + side * rng.range(120, 200), h.cy - rng.range(150, 300), p.shade);
            }
            break;
        case 3:  // antennae
            for (const int side : {-1, 1}) {
                const int tip_x = 500 + side * rng.range(150, 300);
                const int tip_y = rng.range(40, 120);
                f.triangle(500 + side * 60, top_y + 60, 500 + side * 100, top_y + 60, tip_x, tip_y, f.outline_colour);
                f.ellipse(tip_x, tip_y, 40, 40, hsv(p.hue + 180, 200, 240), 10);
            }
            break;
        case 4:  // crest
            for (int k = -2; k <= 2; ++k)
                f.triangle(500 + k * 90 - 55, top_y + 80, 500 + k * 90 + 55, top_y + 80, 500 + k * 100,
                           top_y - rng.range(60, 160), hsv(p.hue + 40, 200, 200));
            break;
        default:  // a bare head
            break;
    }
}

// The head with a few blotches on it; returns the head's shape index.
int add_head(Face& f, Rng& rng, const Palette& p, const Head& h, int line) {
    const int head = f.ellipse(500, h.cy, h.rx, h.ry, p.skin, line);
    for (int k = rng.range(0, 5); k > 0; --k)
        f.ellipse(500 + rng.range(-250, 250), h.cy + rng.range(-280, 200), rng.range(25, 60),
                  rng.range(25, 60), p.shade, 0, head);
    return head;
}

// Eyes (one, two or three), and frowning brows on some faces.
void add_eyes(Face& f, Rng& rng, const Palette& p, const Head& h, int head) {
    const int eye_y = h.cy - rng.range(20, 90);
    const int eye_rx = rng.range(60, 95);
    const int eye_ry = rng.range(50, 85);
    const Rgb white = rng.percent(70) ? Rgb{245, 245, 235} : hsv(55, 180, 250);
    const Rgb pupil = rng.percent(70) ? Rgb{20, 20, 30} : hsv(p.hue + 180, 230, 200);
    const bool slit = rng.percent(35);
    const int eyes = rng.percent(15) ? 1 : (rng.percent(85) ? 2 : 3);
    const auto eye = [&](int x, int y, int scale) {
        f.ellipse(x, y, eye_rx * scale / 100, eye_ry * scale / 100, white, 12);
        if (slit) f.ellipse(x, y, 14 * scale / 100, eye_ry * 85 / 100 * scale / 100, pupil, 0);
        else f.ellipse(x, y, 38 * scale / 100, 38 * scale / 100, pupil, 0);
        f.ellipse(x - eye_rx * scale / 300, y - eye_ry * scale / 300, 14, 14, Rgb{255, 255, 255}, 0);
    };
    const int spread = rng.range(110, 150);
    if (eyes == 1) {
        eye(500, eye_y, 150);
    } else {
        eye(500 - spread, eye_y, 100);
        eye(500 + spread, eye_y, 100);
        if (eyes == 3) eye(500, eye_y - 150, 70);
    }
    if (rng.percent(40))  // frowning brows
        for (const int side : {-1, 1})
            f.triangle(500 + side * 30, eye_y - eye_ry - 10, 500 + side * (spread + eye_rx), eye_y - eye_ry - 70,
                       500 + side * (spread + eye_rx), eye_y - eye_ry - 20, f.outline_colour, head);
}

// Nostrils, and a mouth with fangs.
void add_mouth(Face& f, Rng& rng, const Palette& p, const Head& h, int head) {
    const int nose_y = h.cy + rng.range(70, 120);
    for (const int side : {-1, 1}) f.ellipse(500 + side * 35, nose_y, 18, 14, darker(p.skin, 60), 0, head);
    const int mouth_y = h.cy + rng.range(170, 220);
    const int mouth_rx = rng.range(100, 190);
    const int mouth_ry = rng.range(30, 75);
    const int mouth = f.ellipse(500, mouth_y, mouth_rx, mouth_ry, Rgb{90, 20, 30}, 10, head);
    const int fangs = rng.range(0, 3);
    for (int k = 0; k < fangs; ++k) {
        const int x = 500 + (2 * k - (fangs - 1)) * mouth_rx / (fangs + 1);
        f.triangle(x - 25, mouth_y - mouth_ry, x + 25, mouth_y - mouth_ry, x, mouth_y + mouth_ry / 2,
                   Rgb{250, 250, 240}, mouth);
    }
}

Face make_face(std::uint64_t seed, int slot) {
    Rng rng(seed * 1000003u + static_cast<std::uint64_t>(slot), "portrait");
    Face f;
    const Palette p = paint_colours(f, rng);
    const int line = 18;
    // Shoulders.
    f.ellipse(500, 1080, rng.range(400, 470), 330, darker(hsv(p.hue + rng.range(-60, 60), 150, 170), 20), line);
    Head h{};
    h.cy = rng.range(470, 530);
    h.rx = rng.range(250, 330);
    h.ry = rng.range(290, 350);
    add_head_ornament(f, rng, p, h);
    const int head = add_head(f, rng, p, h, line);
    add_eyes(f, rng, p, h, head);
    add_mouth(f, rng, p, h, head);
    return f;
}

// The picture at 3 x 3 samples a pixel (which smooths the edges), and where the
// face's design units fall on them.
struct Samples {
    static constexpr int kSub = 3;
    static constexpr std::int64_t kSpan = 1000 * kUnit;
    int sw, sh;  // samples across and down the picture
    int su, sv;  // samples across and down the face's 1000 design units
    std::vector<Rgb> rgb;

    Samples(int width, int height, int face_width, int face_height)
        : sw(width * kSub), sh(height * kSub), su(face_width * kSub), sv(face_height * kSub),
          rgb(static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh)) {}
    std::int64_t u(int i) const { return (2 * static_cast<std::int64_t>(i) + 1) * kSpan / (2 * su); }
    std::int64_t v(int j) const { return (2 * static_cast<std::int64_t>(j) + 1) * kSpan / (2 * sv); }
    // The sample nearest a design position, within the picture.
    static int first_at(std::int64_t pos, int per_span, int samples) {
        const std::int64_t i = (2 * pos * per_span / kSpan - 1) / 2;
        return static_cast<int>(std::clamp<std::int64_t>(i, 0, samples - 1));
    }
    Rgb& at(int i, int j) {
        return rgb[static_cast<std::size_t>(j) * static_cast<std::size_t>(sw) + static_cast<std::size_t>(i)];
    }
};

// Background: a vertical blend of two colours.
void paint_background(Samples& s, const Face& face) {
    for (int j = 0; j < s.sh; ++j) {
        const std::int64_t t = std::clamp<std::int64_t>(s.v(j) / kUnit, 0, 1000);
        const Rgb c{static_cast<int>((face.top.r * (1000 - t) + face.bottom.r * t) / 1000),
                    static_cast<int>((face.top.g * (1000 - t) + face.bottom.g * t) / 1000),
                    static_cast<int>((face.top.b * (1000 - t) + face.bottom.b * t) / 1000)};
        std::fill_n(s.rgb.begin() + static_cast<std::ptrdiff_t>(j) * s.sw, s.sw, c);
    }
}

// Each shape over the samples of its bounding box only, in order, so later
// shapes cover earlier ones.
void paint_shapes(Samples& s, const Face& face) {
    for (const Shape& shape : face.shapes) {
        const Shape* clip = shape.clip < 0 ? nullptr : &face.shapes[static_cast<std::size_t>(shape.clip)];
        const int i0 = Samples::first_at(shape.min_x, s.su, s.sw), i1 = Samples::first_at(shape.max_x, s.su, s.sw) + 1;
        const int j0 = Samples::first_at(shape.min_y, s.sv, s.sh), j1 = Samples::first_at(shape.max_y, s.sv, s.sh) + 1;
        for (int j = j0; j <= j1 && j < s.sh && j < s.sv; ++j) {
            const std::int64_t v = s.v(j);
            for (int i = i0; i <= i1 && i < s.sw && i < s.su; ++i) {
                const std::int64_t u = s.u(i);
                if (shape.contains(u, v) && (clip == nullptr || clip->contains(u, v))) s.at(i, j) = shape.colour;
            }
        }
    }
}

// Around a face smaller than the picture: a gilt frame, then a dark wall.
void paint_frame(Samples& s, const Face& face) {
    constexpr int kFrame = 3 * Samples::kSub;
    const Rgb gilt{196, 158, 64};
    const Rgb wall = darker(face.bottom, 50);
    for (int j = 0; j < s.sh; ++j)
        for (int i = 0; i < s.sw; ++i)
            if (i >= s.su || j >= s.sv) s.at(i, j) = i < s.su + kFrame && j < s.sv + kFrame ? gilt : wall;
}

// Each pixel the mean of its samples.
Image average_samples(const Samples& s, int width, int height) {
    constexpr int kSub = Samples::kSub;
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSub; ++sy) {
                const Rgb* row = &s.rgb[static_cast<std::size_t>(y * kSub + sy) * static_cast<std::size_t>(s.sw)];
                for (int sx = 0; sx < kSub; ++sx) {
                    const Rgb& c = row[x * kSub + sx];
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            }
            image.rgb[at++] = static_cast<std::uint8_t>(r / (kSub * kSub));
            image.rgb[at++] = static_cast<std::uint8_t>(g / (kSub * kSub));
            image.rgb[at++] = static_cast<std::uint8_t>(b / (kSub * kSub));
        }
    }
    return image;
}

}  // namespace

Image draw_creature_face(std::uint64_t seed, int slot, int width, int height) {
    return draw_creature_face(seed, slot, width, height, width, height);
}

Image draw_creature_face(std::uint64_t seed, int slot, int width, int height, int face_width, int face_height) {
    const Face face = make_face(seed, slot);
    Samples samples(width, height, face_width, face_height);
    paint_background(samples, face);
    paint_shapes(samples, face);
    paint_frame(samples, face);
    return average_samples(samples, width, height);
}

}  // namespace ce
