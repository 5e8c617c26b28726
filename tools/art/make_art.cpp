// Draws the editor's artwork and writes it into a resources folder:
//   icon.ico        the program icon (48, 32 and 16 pixels, 32-bit with alpha)
//   bmp501..bmp507  the seven 20 x 18 icons beside the first number fields,
//                   8 bits per pixel with a colour table; cyan is the background
//   bmp508.bmp      the 248 x 208 corner picture, 24 bits per pixel
//   portrait.jpg    the 58 x 64 fallback portrait
// Everything is drawn here from simple shapes, so the output is the same on
// every run. Usage: make_art <output folder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
};

// --- little-endian writers ---------------------------------------------------

void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put_info_header(Bytes& out, int w, int h, int bits, std::uint32_t image_size, int colours) {
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h));  // positive: rows stored bottom-up
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);  // BI_RGB
    put32(out, image_size);
    put32(out, 3780);  // 96 dpi in pixels per metre
    put32(out, 3780);
    put32(out, static_cast<std::uint32_t>(colours));
    put32(out, 0);
}

int row_bytes(int w, int bits) { return ((w * bits + 31) / 32) * 4; }

bool write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    f.close();
    if (!f) {
        std::cerr << "make_art: cannot write " << path << "\n";
        return false;
    }
    return true;
}

// --- true-colour canvas ------------------------------------------------------

struct Canvas {
    int w, h;
    std::vector<float> px;  // r, g, b, a per pixel, top row first, 0..1
    Canvas(int width, int height) : w(width), h(height), px(static_cast<std::size_t>(width * height * 4), 0.f) {}

    float* at(int x, int y) { return &px[static_cast<std::size_t>((y * w + x) * 4)]; }

    // Blends colour c with coverage a (0..1) over the pixel.
    void blend(int x, int y, Rgb c, float a) {
        if (x < 0 || y < 0 || x >= w || y >= h || a <= 0.f) return;
        a = std::min(a, 1.f);
        float* p = at(x, y);
        const float src[3] = {c.r / 255.f, c.g / 255.f, c.b / 255.f};
        const float out_a = a + p[3] * (1.f - a);
        for (int i = 0; i < 3; ++i)
            p[i] = out_a > 0.f ? (src[i] * a + p[i] * p[3] * (1.f - a)) / out_a : 0.f;
        p[3] = out_a;
    }

    // Fills every pixel whose centre-sampled coverage (4 x 4 samples) lies
    // inside the shape given by `inside(x, y)`.
    template <class Inside>
    void fill(Rgb c, Inside inside, float opacity = 1.f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        if (inside(x + (sx + 0.5f) / 4.f, y + (sy + 0.5f) / 4.f)) ++hits;
                if (hits) blend(x, y, c, opacity * static_cast<float>(hits) / 16.f);
            }
    }

    std::uint8_t channel(int x, int y, int i) const {
        const float v = px[static_cast<std::size_t>((y * w + x) * 4 + i)];
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.f, 1.f) * 255.f));
    }
};

auto disc(float cx, float cy, float r) {
    return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
auto ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) {
        const float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.f;
    };
}
auto box(float x0, float y0, float x1, float y1) {
    return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}
struct Pt {
    float x, y;
};
auto polygon(std::vector<Pt> pts) {
    return [pts = std::move(pts)](float x, float y) {
        bool in = false;
        for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const Pt& a = pts[i];
            const Pt& b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        return in;
    };
}
// A thick segment with round ends.
auto stroke(Pt a, Pt b, float width) {
    return [=](float x, float y) {
        const float vx = b.x - a.x, vy = b.y - a.y;
        float t = ((x - a.x) * vx + (y - a.y) * vy) / (vx * vx + vy * vy);
        t = std::clamp(t, 0.f, 1.f);
        const float dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
        return dx * dx + dy * dy <= width * width / 4.f;
    };
}

Rgb mix(Rgb a, Rgb b, float t) {
    auto m = [t](std::uint8_t u, std::uint8_t v) {
        return static_cast<std::uint8_t>(std::lround(u + (v - u) * std::clamp(t, 0.f, 1.f)));
    };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// --- the program icon ----------------------------------------------------------

// A horned creature's head on a round shield, scaled to any size.
Canvas draw_icon(int size) {
    Canvas c(size, size);
    const float s = static_cast<float>(size) / 32.f;
    auto S = [s](float v) { return v * s; };
    c.fill({40, 52, 110}, disc(S(16), S(16), S(15.5f)));
    c.fill({70, 96, 190}, disc(S(16), S(16), S(13.5f)));
    // horns
    c.fill({236, 226, 196}, polygon({{S(8), S(14)}, {S(3), S(3)}, {S(12), S(10)}}));
    c.fill({236, 226, 196}, polygon({{S(24), S(14)}, {S(29), S(3)}, {S(20), S(10)}}));
    // head
    c.fill({176, 70, 40}, ellipse(S(16), S(18), S(9), S(10)));
    c.fill({214, 110, 60}, ellipse(S(16), S(16.5f), S(7), S(7.5f)));
    // eyes and snout
    c.fill({255, 230, 60}, ellipse(S(12.5f), S(15), S(2.2f), S(1.5f)));
    c.fill({255, 230, 60}, ellipse(S(19.5f), S(15), S(2.2f), S(1.5f)));
    c.fill({30, 20, 20}, disc(S(12.5f), S(15), S(0.9f)));
    c.fill({30, 20, 20}, disc(S(19.5f), S(15), S(0.9f)));
    c.fill({120, 40, 30}, ellipse(S(16), S(23), S(4), S(2.5f)));
    c.fill({40, 20, 20}, disc(S(14.5f), S(23), S(0.8f)));
    c.fill({40, 20, 20}, disc(S(17.5f), S(23), S(0.8f)));
    return c;
}

// One icon image: 32-bit BGRA bottom-up, then the 1-bit AND mask.
Bytes icon_image(const Canvas& c) {
    Bytes out;
    const int mask_row = row_bytes(c.w, 1);
    const auto size = static_cast<std::uint32_t>(c.w * c.h * 4 + mask_row * c.h);
    put_info_header(out, c.w, c.h * 2, 32, size, 0);
    for (int y = c.h - 1; y >= 0; --y)
        for (int x = 0; x < c.w; ++x) {
            out.push_back(c.channel(x, y, 2));
            out.push_back(c.channel(x, y, 1));
            out.push_back(c.channel(x, y, 0));
            out.push_back(c.channel(x, y, 3));
        }
    for (int y = c.h - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(mask_row), 0);
        for (int x = 0; x < c.w; ++x)
            if (c.channel(x, y, 3) < 128) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes icon_file(const std::vector<int>& sizes) {
    std::vector<Bytes> images;
    for (int s : sizes) images.push_back(icon_image(draw_icon(s)));
    Bytes out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, static_cast<unsigned>(sizes.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(static_cast<std::uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 32);  // bits per pixel
        put32(out, static_cast<std::uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& img : images) out.insert(out.end(), img.begin(), img.end());
    return out;
}

// --- the seven small icons (palette pictures) ------------------------------------

// Shared colour table. Entry 0 is cyan, the background that the loader turns into
// the dialog's face colour; no entry is one of the standard greys (128, 192, 223)
// that the loader would also replace.
const std::array<Rgb, 16> kIconPalette = {{
    {0, 255, 255},    // 0 background
    {0, 0, 0},        // 1 outline
    {255, 255, 255},  // 2 highlight
    {96, 100, 112},   // 3 dark steel
    {168, 174, 186},  // 4 steel
    {214, 220, 232},  // 5 light steel
    {120, 72, 32},    // 6 wood
    {176, 120, 56},   // 7 light wood
    {200, 24, 32},    // 8 red
    {250, 96, 96},    // 9 light red
    {232, 176, 24},   // 10 gold
    {255, 232, 112},  // 11 light gold
    {24, 72, 176},    // 12 blue
    {96, 152, 248},   // 13 light blue
    {40, 128, 48},    // 14 green
    {120, 200, 96},   // 15 light green
}};

struct IndexImage {
    int w = 20, h = 18;
    std::vector<std::uint8_t> px = std::vector<std::uint8_t>(20 * 18, 0);
    void set(int x, int y, std::uint8_t v) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[static_cast<std::size_t>(y * w + x)] = v;
    }
    std::uint8_t get(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
    template <class Inside>
    void fill(std::uint8_t v, Inside inside) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (inside(x + 0.5f, y + 0.5f)) set(x, y, v);
    }
    // A one-pixel black border around every drawn area, so the icons read on any
    // face colour.
    void outline() {
        std::vector<std::uint8_t> copy = px;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (get(x, y) != 0) continue;
                bool edge = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if ((dx || dy) && nx >= 0 && ny >= 0 && nx < w && ny < h && get(nx, ny) != 0 &&
                            get(nx, ny) != 1 && (dx == 0 || dy == 0))
                            edge = true;
                    }
                if (edge) copy[static_cast<std::size_t>(y * w + x)] = 1;
            }
        px = copy;
    }
};

// 501: a sword (attack).
IndexImage icon_sword() {
    IndexImage m;
    m.fill(4, polygon({{15.5f, 1.5f}, {17.5f, 1.5f}, {17.5f, 3.5f}, {7.5f, 13.5f}, {5.5f, 11.5f}}));
    m.fill(5, stroke({16.5f, 2.5f}, {7.f, 12.f}, 0.9f));
    m.fill(10, stroke({4.5f, 10.5f}, {8.5f, 14.5f}, 2.f));
    m.fill(6, stroke({6.f, 13.f}, {4.f, 15.f}, 2.f));
    m.fill(11, disc(3.3f, 15.7f, 1.1f));
    m.outline();
    return m;
}
// 502: a shield (defence).
IndexImage icon_shield() {
    IndexImage m;
    m.fill(12, polygon({{4.f, 2.f}, {16.f, 2.f}, {16.f, 9.f}, {10.f, 16.5f}, {4.f, 9.f}}));
    m.fill(13, polygon({{6.f, 4.f}, {10.f, 4.f}, {10.f, 14.f}, {6.f, 9.f}}));
    m.fill(10, box(9.f, 2.f, 11.f, 15.f));
    m.fill(10, box(4.f, 6.f, 16.f, 8.f));
    m.outline();
    return m;
}
// 503: a bow and arrow (shots).
IndexImage icon_bow() {
    IndexImage m;
    m.fill(6, [](float x, float y) {
        const float dx = x - 3.f, dy = y - 9.f;
        const float d = std::sqrt(dx * dx + dy * dy);
        return d > 9.f && d < 11.f && x > 5.f;
    });
    m.fill(5, box(11.f, 1.f, 12.f, 17.f));
    m.fill(7, box(3.f, 8.5f, 16.f, 9.5f));
    m.fill(4, polygon({{15.f, 6.5f}, {19.5f, 9.f}, {15.f, 11.5f}}));
    m.fill(8, polygon({{1.f, 6.5f}, {4.f, 8.5f}, {4.f, 9.5f}, {1.f, 11.5f}}));
    m.outline();
    return m;
}
// 504: a star (magic).
IndexImage icon_star() {
    IndexImage m;
    std::vector<Pt> pts;
    for (int i = 0; i < 10; ++i) {
        const float a = static_cast<float>(i) * 3.14159265f / 5.f - 3.14159265f / 2.f;
        const float r = i % 2 ? 3.6f : 8.2f;
        pts.push_back({10.f + r * std::cos(a), 9.6f + r * std::sin(a)});
    }
    m.fill(10, polygon(pts));
    m.fill(11, disc(9.f, 8.f, 2.f));
    m.outline();
    return m;
}
// 505: a heart (health).
IndexImage icon_heart() {
    IndexImage m;
    m.fill(8, [](float x, float y) {
        const float u = (x - 10.f) / 8.f, v = (9.f - y) / 8.f + 0.15f;
        const float t = u * u + v * v - 0.5f;
        return t * t * t - u * u * v * v * v <= 0.f;
    });
    m.fill(9, disc(7.f, 6.f, 1.6f));
    m.fill(2, disc(6.6f, 5.6f, 0.6f));
    m.outline();
    return m;
}
// 506: a winged boot (speed).
IndexImage icon_boot() {
    IndexImage m;
    m.fill(6, polygon({{6.f, 2.f}, {11.f, 2.f}, {11.f, 11.f}, {17.f, 12.f}, {17.f, 16.f}, {5.f, 16.f}}));
    m.fill(7, box(7.f, 3.f, 10.f, 11.f));
    m.fill(3, box(5.f, 15.f, 17.5f, 16.5f));
    m.fill(5, polygon({{11.f, 4.f}, {18.5f, 1.5f}, {17.f, 5.f}, {18.f, 5.5f}, {12.f, 8.f}}));
    m.outline();
    return m;
}
// 507: a stack of coins (cost).
IndexImage icon_coins() {
    IndexImage m;
    for (int i = 0; i < 4; ++i) {
        const float y = 14.f - static_cast<float>(i) * 3.2f;
        m.fill(10, ellipse(8.f, y, 6.f, 2.4f));
        m.fill(11, ellipse(8.f, y - 0.6f, 4.2f, 1.2f));
    }
    m.fill(10, ellipse(15.5f, 14.f, 3.5f, 2.2f));
    m.fill(11, ellipse(15.5f, 13.6f, 2.f, 1.f));
    m.outline();
    return m;
}

Bytes palette_bmp(const IndexImage& m) {
    const int stride = row_bytes(m.w, 8);
    const int colours = static_cast<int>(kIconPalette.size());
    const auto image_size = static_cast<std::uint32_t>(stride * m.h);
    const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * colours);
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);
    put32(out, 0);
    put32(out, offset);
    put_info_header(out, m.w, m.h, 8, image_size, colours);
    for (const Rgb& c : kIconPalette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = m.h - 1; y >= 0; --y) {
        for (int x = 0; x < m.w; ++x) out.push_back(m.get(x, y));
        for (int p = m.w; p < stride; ++p) out.push_back(0);
    }
    return out;
}

// --- the corner picture -----------------------------------------------------------

// A hill fort at dusk: sky, sun, two mountain ranges, a keep and a banner.
Canvas draw_corner() {
    Canvas c(248, 208);
    const Rgb sky_top{28, 36, 92}, sky_low{236, 150, 96};
    for (int y = 0; y < c.h; ++y) {
        const Rgb row = mix(sky_top, sky_low, static_cast<float>(y) / 130.f);
        for (int x = 0; x < c.w; ++x) c.blend(x, y, row, 1.f);
    }
    // stars in the upper sky, placed by a fixed sequence
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int i = 0; i < 40; ++i) {
        const int x = static_cast<int>(next() % 248), y = static_cast<int>(next() % 60);
        c.blend(x, y, {255, 255, 230}, 0.4f + static_cast<float>(next() % 60) / 100.f);
    }
    c.fill({255, 220, 140}, disc(178, 92, 22), 0.35f);
    c.fill({255, 236, 170}, disc(178, 92, 15));
    auto ridge = [](float base, float a1, float f1, float a2, float f2, float phase) {
        return [=](float x, float y) {
            return y > base + a1 * std::sin(x * f1 + phase) + a2 * std::sin(x * f2 + 2.f * phase);
        };
    };
    c.fill({92, 66, 110}, ridge(100, 16, 0.031f, 7, 0.11f, 1.3f));
    c.fill({56, 44, 78}, ridge(128, 12, 0.045f, 5, 0.17f, 0.4f));
    c.fill({34, 58, 40}, ridge(158, 6, 0.02f, 3, 0.09f, 2.2f));
    // the fort on the near hill
    const Rgb stone{70, 62, 74}, dark{40, 34, 46};
    c.fill(stone, box(54, 104, 100, 162));
    c.fill(stone, box(40, 122, 118, 162));
    for (int i = 0; i < 7; ++i) c.fill(stone, box(40.f + 11.f * static_cast<float>(i), 116, 46.f + 11.f * static_cast<float>(i), 122));
    for (int i = 0; i < 4; ++i) c.fill(stone, box(54.f + 12.f * static_cast<float>(i), 98, 61.f + 12.f * static_cast<float>(i), 104));
    c.fill(dark, polygon({{70, 162}, {70, 146}, {77, 139}, {84, 146}, {84, 162}}));
    c.fill({255, 206, 90}, box(62, 114, 66, 121));
    c.fill({255, 206, 90}, box(88, 114, 92, 121));
    c.fill({255, 206, 90}, box(75, 126, 79, 133));
    c.fill(dark, box(76.5f, 72, 78, 98));
    c.fill({200, 30, 36}, polygon({{78, 73}, {96, 77}, {78, 84}}));
    // path and foreground grass
    c.fill({120, 100, 70}, polygon({{70, 162}, {84, 162}, {140, 208}, {96, 208}}));
    c.fill({24, 44, 30}, ridge(190, 4, 0.07f, 2, 0.23f, 0.9f));
    // a pine on the right
    for (int i = 0; i < 4; ++i) {
        const float top = 120.f + 12.f * static_cast<float>(i), half = 8.f + 5.f * static_cast<float>(i);
        c.fill({20, 40, 28}, polygon({{212, top}, {212 + half, top + 20}, {212 - half, top + 20}}));
    }
    c.fill({50, 34, 24}, box(209, 180, 215, 196));
    return c;
}

Bytes true_colour_bmp(const Canvas& c) {
    const int stride = row_bytes(c.w, 24);
    const auto image_size = static_cast<std::uint32_t>(stride * c.h);
    const std::uint32_t offset = 14 + 40;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);
    put32(out, 0);
    put32(out, offset);
    put_info_header(out, c.w, c.h, 24, image_size, 0);
    for (int y = c.h - 1; y >= 0; --y) {
        for (int x = 0; x < c.w; ++x) {
            out.push_back(c.channel(x, y, 2));
            out.push_back(c.channel(x, y, 1));
            out.push_back(c.channel(x, y, 0));
        }
        for (int p = c.w * 3; p < stride; ++p) out.push_back(0);
    }
    return out;
}

// --- the fallback portrait --------------------------------------------------------

// A hooded stranger against a dim stone wall: stands for "no portrait yet".
Canvas draw_portrait() {
    Canvas c(58, 64);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            const bool mortar = y % 12 == 0 || (x + (y / 12 % 2) * 9) % 18 == 0;
            c.blend(x, y, mortar ? Rgb{52, 48, 58} : mix({96, 88, 100}, {70, 64, 78}, static_cast<float>(y) / 64.f), 1.f);
        }
    c.fill({34, 40, 70}, polygon({{29, 6}, {46, 24}, {50, 64}, {8, 64}, {12, 24}}));
    c.fill({50, 60, 104}, polygon({{29, 9}, {42, 25}, {44, 64}, {14, 64}, {16, 25}}));
    c.fill({14, 12, 20}, ellipse(29, 30, 10, 12));
    c.fill({250, 220, 90}, ellipse(25, 30, 2.2f, 1.3f));
    c.fill({250, 220, 90}, ellipse(33, 30, 2.2f, 1.3f));
    c.fill({150, 120, 60}, box(27, 46, 31, 64));
    c.fill({200, 170, 80}, disc(29, 46, 3));
    return c;
}

Bytes jpeg(const Canvas& c) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            for (int i = 0; i < 3; ++i) rgb.push_back(c.channel(x, y, i));
    Bytes out;
    auto sink = [](void* ctx, void* data, int size) {
        auto* o = static_cast<Bytes*>(ctx);
        const auto* p = static_cast<const std::uint8_t*>(data);
        o->insert(o->end(), p, p + size);
    };
    if (!stbi_write_jpg_to_func(sink, &out, c.w, c.h, 3, rgb.data(), 95)) out.clear();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_art <output folder>\n";
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = write_file(dir + "/icon.ico", icon_file({48, 32, 16}));
    const IndexImage icons[7] = {icon_sword(), icon_shield(), icon_bow(), icon_star(),
                                 icon_heart(), icon_boot(), icon_coins()};
    for (int i = 0; i < 7; ++i) {
        // The loader takes the first stored pixel (bottom-left) as the
        // background; keep it background whatever the drawing does.
        if (icons[i].get(0, icons[i].h - 1) != 0) {
            std::cerr << "make_art: icon " << 501 + i << " covers its bottom-left pixel\n";
            return 1;
        }
        ok = write_file(dir + "/bmp" + std::to_string(501 + i) + ".bmp", palette_bmp(icons[i])) && ok;
    }
    ok = write_file(dir + "/bmp508.bmp", true_colour_bmp(draw_corner())) && ok;
    const Bytes portrait = jpeg(draw_portrait());
    if (portrait.empty()) {
        std::cerr << "make_art: JPEG encoding failed\n";
        return 1;
    }
    ok = write_file(dir + "/portrait.jpg", portrait) && ok;
    return ok ? 0 : 1;
}
