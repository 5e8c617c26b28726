// Decoding and painting through the real platform (runs under Wine in the
// Windows test program). Pictures are written by the test; the artwork comes
// from resources/ on disk and is put into a copy of this program as resources,
// so the real resource paths (FindResource "IMAGE", LoadImage of a bitmap) run.
#ifdef _WIN32

#include "picture/draw_win32.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wpedantic"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#if __has_include(<stb/stb_image_write.h>)
#include <stb/stb_image_write.h>
#else
// The cross build reads the host's copy from the libstb-dev package.
#include "/usr/include/stb/stb_image_write.h"
#endif
#pragma GCC diagnostic pop

namespace ce {
namespace {

using Bytes = std::vector<std::uint8_t>;

// --- files -------------------------------------------------------------------------

// resources/ of this source tree, as a Windows path (Wine maps Z: to /).
// The source tree's resources folder (a Linux path under Wine is on drive Z:).
std::wstring resources_dir() {
    const std::string tree = CE_SOURCE_DIR;
    std::wstring out;
    if (!tree.empty() && tree[0] == '/') out = L"Z:";
    for (char c : tree) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out + L"\\resources\\";
}

Bytes read_file(const std::wstring& path) {
    Bytes out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    out.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!out.empty() && !ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &got, nullptr)) got = 0;
    out.resize(got);
    CloseHandle(f);
    return out;
}

bool write_file(const std::wstring& path, const Bytes& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    CloseHandle(f);
    return ok;
}

// A JPEG of w x h whose pixel (x, y) is colour(x, y).
Bytes jpeg_of(int w, int h, const std::function<COLORREF(int, int)>& colour) {
    Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    Bytes out;
    auto sink = [](void* ctx, void* data, int size) {
        auto* o = static_cast<Bytes*>(ctx);
        const auto* p = static_cast<const std::uint8_t*>(data);
        o->insert(o->end(), p, p + size);
    };
    stbi_write_jpg_to_func(sink, &out, w, h, 3, rgb.data(), 100);
    return out;
}

constexpr COLORREF kRed = RGB(220, 30, 30), kGreen = RGB(30, 200, 40), kBlue = RGB(30, 40, 210),
                   kYellow = RGB(240, 220, 40), kMagenta = RGB(200, 40, 200), kBlack = RGB(0, 0, 0);

// Four flat quadrants: tells upright from flipped and scaled from cut.
COLORREF quadrants(int x, int y) {
    if (y < 32) return x < 29 ? kRed : kGreen;
    return x < 29 ? kBlue : kYellow;
}

bool close_to(COLORREF a, COLORREF b, int tolerance = 24) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

COLORREF bitmap_pixel(const Bitmap& bitmap, int x, int y) {
    WindowDc screen(nullptr);
    MemoryDc memory(screen.get());
    Selection selected(memory.get(), bitmap.get());
    return GetPixel(memory.get(), x, y);
}

using test::TempDir;

// A copy of this program carrying the artwork as resources, loaded as data:
// "IMAGE" 2000 = portrait.jpg, bitmaps 501..508 = bmpNNN.bmp.
class ArtModule {
public:
    explicit ArtModule(const std::wstring& folder) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring copy = folder + L"\\art.dll";
        if (!CopyFileW(self, copy.c_str(), FALSE)) return;
        HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
        if (!update) return;
        const WORD lang = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        Bytes portrait = read_file(resources_dir() + L"portrait.jpg");
        bool ok = !portrait.empty() &&
                  UpdateResourceW(update, L"IMAGE", MAKEINTRESOURCEW(kPortraitResource), lang, portrait.data(),
                                  static_cast<DWORD>(portrait.size()));
        for (int id = 501; id <= 508; ++id) {
            Bytes bmp = read_file(resources_dir() + L"bmp" + std::to_wstring(id) + L".bmp");
            // A bitmap resource is the file without its 14-byte file header.
            ok = ok && bmp.size() > 14 &&
                 UpdateResourceW(update, MAKEINTRESOURCEW(2) /* RT_BITMAP */, MAKEINTRESOURCEW(id), lang,
                                 bmp.data() + 14, static_cast<DWORD>(bmp.size() - 14));
        }
        if (!EndUpdateResourceW(update, !ok) || !ok) return;
        module_ = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ArtModule() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// --- a dialog to paint on --------------------------------------------------------------

INT_PTR CALLBACK plain_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A visible dialog at the screen's top-left from an in-memory template: the
// editor form's size and font, at `points` points.
HWND make_dialog(int points) {
    std::vector<WORD> t;
    auto dword = [&t](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&t](const wchar_t* s) {
        do t.push_back(static_cast<WORD>(*s)); while (*s++);
    };
    dword(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT);
    dword(0);
    t.push_back(0);  // no controls
    t.push_back(0);  // x, y, width, height in dialog units
    t.push_back(0);
    t.push_back(674);
    t.push_back(366);
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    text(L"pictures");
    t.push_back(static_cast<WORD>(points));
    text(L"MS Sans Serif");
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                             nullptr, plain_dialog_proc, 0);
    if (dialog) {
        SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(dialog);
    }
    return dialog;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

COLORREF pixel(HWND dialog, int x, int y) {
    WindowDc dc(dialog);
    return GetPixel(dc.get(), x, y);
}

void paint_black(HWND dialog, PixelRect r) {
    WindowDc dc(dialog);
    const RECT rc{r.x, r.y, r.x + r.w, r.y + r.h};
    FillRect(dc.get(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// One dialog and one art module for the whole suite (making a window under Wine
// takes a while); a fresh current directory for every test.
class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        art_dir_ = new TempDir("pictures");
        art_ = new ArtModule(art_dir_->path().wstring());
        dialog_ = make_dialog(8);
        pump();
    }
    static void TearDownTestSuite() {
        if (dialog_) DestroyWindow(dialog_);
        dialog_ = nullptr;
        pump();
        delete art_;
        art_ = nullptr;
        delete art_dir_;
        art_dir_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(ole_.ok());
        start_ = live_counts();
        GetCurrentDirectoryW(MAX_PATH, saved_dir_);
        ASSERT_TRUE(SetCurrentDirectoryW(dir_.path().c_str()));
        ASSERT_NE(art_->get(), nullptr) << "could not put the artwork into a module";
        ASSERT_NE(dialog_, nullptr);
        place_ = map_to_dialog(kPortraitPlace, dialog_scale(dialog_));
    }
    void TearDown() override {
        pump();
        SetCurrentDirectoryW(saved_dir_);
        EXPECT_EQ(live_counts(), start_) << "a test left a drawing context, bitmap or COM object behind";
    }
    void put_picture(const std::wstring& name, const Bytes& bytes) {
        CreateDirectoryW((dir_.path().wstring() + L"\\Pic").c_str(), nullptr);
        ASSERT_TRUE(write_file(dir_.path().wstring() + L"\\Pic\\" + name, bytes));
    }
    // The pixel at (dx, dy) of the portrait place.
    COLORREF at(int dx, int dy) const { return pixel(dialog_, place_.x + dx, place_.y + dy); }
    HMODULE art() const { return art_->get(); }

    static TempDir* art_dir_;
    static ArtModule* art_;
    static HWND dialog_;
    OleSession ole_;
    TempDir dir_{"pictures"};
    LiveCounts start_;
    wchar_t saved_dir_[MAX_PATH] = {};
    PixelRect place_;
};
TempDir* Pictures::art_dir_ = nullptr;
ArtModule* Pictures::art_ = nullptr;
HWND Pictures::dialog_ = nullptr;

// --- decoding ---------------------------------------------------------------------------

TEST_F(Pictures, DecodesJpegFilesAndBytesUpright) {
    const Bytes q = jpeg_of(58, 64, quadrants);
    put_picture(L"q.jpg", q);
    char dir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "\\Pic\\q.jpg";

    Bitmap from_file = load_picture_file(path.c_str());
    ASSERT_TRUE(from_file);
    EXPECT_EQ(from_file.size().cx, 58);
    EXPECT_EQ(from_file.size().cy, 64);
    EXPECT_TRUE(close_to(bitmap_pixel(from_file, 14, 16), kRed)) << hex(bitmap_pixel(from_file, 14, 16));
    EXPECT_TRUE(close_to(bitmap_pixel(from_file, 43, 16), kGreen)) << hex(bitmap_pixel(from_file, 43, 16));
    EXPECT_TRUE(close_to(bitmap_pixel(from_file, 14, 48), kBlue)) << hex(bitmap_pixel(from_file, 14, 48));
    EXPECT_TRUE(close_to(bitmap_pixel(from_file, 43, 48), kYellow)) << hex(bitmap_pixel(from_file, 43, 48));

    Bitmap from_bytes = load_picture_bytes(q.data(), q.size());
    ASSERT_TRUE(from_bytes);
    EXPECT_EQ(from_bytes.size().cx, 58);
    EXPECT_EQ(from_bytes.size().cy, 64);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{14, 16}, std::pair{57, 63}, std::pair{30, 33}})
        EXPECT_EQ(bitmap_pixel(from_bytes, x, y), bitmap_pixel(from_file, x, y)) << x << "," << y;

    // A relative path is taken from the current directory.
    Bitmap relative = load_picture_file("Pic\\q.jpg");
    ASSERT_TRUE(relative);
    EXPECT_EQ(bitmap_pixel(relative, 14, 16), bitmap_pixel(from_file, 14, 16));

    Bitmap big = load_picture_bytes(jpeg_of(200, 120, quadrants).data(), jpeg_of(200, 120, quadrants).size());
    EXPECT_EQ(big.size().cx, 200);
    EXPECT_EQ(big.size().cy, 120);
}

TEST_F(Pictures, LoadersReportFailureWithNoBitmap) {
    const Bytes junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    put_picture(L"junk.jpg", junk);
    EXPECT_FALSE(load_picture_file("Pic\\missing.jpg"));
    EXPECT_FALSE(load_picture_file("Pic\\junk.jpg"));
    EXPECT_FALSE(load_picture_file(""));
    EXPECT_FALSE(load_picture_file(nullptr));
    EXPECT_FALSE(load_picture_bytes(junk.data(), junk.size()));
    EXPECT_FALSE(load_picture_bytes(nullptr, 10));
    EXPECT_FALSE(load_picture_bytes(junk.data(), 0));
    // A JPEG cut short after its header.
    const Bytes q = jpeg_of(58, 64, quadrants);
    const Bytes cut(q.begin(), q.begin() + 20);
    EXPECT_FALSE(load_picture_bytes(cut.data(), cut.size()));
    EXPECT_FALSE(picture_to_bitmap(nullptr));
    // This program carries no pictures; the art module has no IMAGE 1999.
    EXPECT_FALSE(load_picture_resource(nullptr, kPortraitResource));
    EXPECT_FALSE(load_picture_resource(art(), 1999));
    Bitmap embedded = load_picture_resource(art(), kPortraitResource);
    ASSERT_TRUE(embedded);
    EXPECT_EQ(embedded.size().cx, 58);
    EXPECT_EQ(embedded.size().cy, 64);
}

// --- the portrait ---------------------------------------------------------------------------

TEST_F(Pictures, PortraitShowsPicFileOfTheIndexAtItsPlace) {
    put_picture(L"7.jpg", jpeg_of(58, 64, quadrants));
    paint_black(dialog_, place_);
    draw_portrait(dialog_, 7, art());
    EXPECT_TRUE(close_to(at(14, 16), kRed)) << hex(at(14, 16));
    EXPECT_TRUE(close_to(at(43, 16), kGreen)) << hex(at(43, 16));
    EXPECT_TRUE(close_to(at(14, 48), kBlue)) << hex(at(14, 48));
    EXPECT_TRUE(close_to(at(43, 48), kYellow)) << hex(at(43, 48));
    EXPECT_TRUE(close_to(at(0, 0), kRed)) << hex(at(0, 0));
    EXPECT_TRUE(close_to(at(57, 63), kYellow)) << hex(at(57, 63));
    // Nothing outside the place changes.
    EXPECT_NE(at(-1, 10), at(0, 10));
    EXPECT_FALSE(close_to(at(58, 10), kGreen)) << hex(at(58, 10));
    EXPECT_FALSE(close_to(at(10, 64), kBlue)) << hex(at(10, 64));
}

TEST_F(Pictures, PortraitFallsBackToTheEmbeddedPicture) {
    Bitmap embedded = load_picture_resource(art(), kPortraitResource);
    ASSERT_TRUE(embedded);
    auto shows_embedded = [&](int index) {
        paint_black(dialog_, place_);
        draw_portrait(dialog_, index, art());
        for (auto [x, y] : {std::pair{0, 0}, std::pair{29, 30}, std::pair{57, 63}, std::pair{10, 50}, std::pair{50, 5}})
            if (at(x, y) != bitmap_pixel(embedded, x, y)) return false;
        return true;
    };
    // No Pic folder at all; nothing selected (-1).
    EXPECT_TRUE(shows_embedded(5));
    EXPECT_TRUE(shows_embedded(-1));
    // 007.jpg is not the file of creature 7.
    put_picture(L"007.jpg", jpeg_of(58, 64, [](int, int) { return kMagenta; }));
    EXPECT_TRUE(shows_embedded(7));
    // A file that is not a picture.
    put_picture(L"9.jpg", Bytes{'J', 'P', 'E', 'G', '?'});
    EXPECT_TRUE(shows_embedded(9));
    // The file wins when it is there.
    put_picture(L"7.jpg", jpeg_of(58, 64, [](int, int) { return kMagenta; }));
    EXPECT_FALSE(shows_embedded(7));
    EXPECT_TRUE(close_to(at(20, 20), kMagenta)) << hex(at(20, 20));
}

TEST_F(Pictures, LargerPortraitIsCutToItsTopLeftUnscaled) {
    // The quadrant pattern in the top-left 58 x 64, blue beyond it.
    put_picture(L"12.jpg", jpeg_of(200, 200, [](int x, int y) { return x < 58 && y < 64 ? quadrants(x, y) : kBlue; }));
    paint_black(dialog_, {place_.x, place_.y, 80, 90});
    draw_portrait(dialog_, 12, art());
    EXPECT_TRUE(close_to(at(14, 16), kRed)) << hex(at(14, 16));
    EXPECT_TRUE(close_to(at(43, 16), kGreen)) << hex(at(43, 16));
    EXPECT_TRUE(close_to(at(14, 48), kBlue)) << hex(at(14, 48));
    EXPECT_TRUE(close_to(at(43, 48), kYellow)) << hex(at(43, 48));
    EXPECT_TRUE(close_to(at(55, 61), kYellow)) << hex(at(55, 61));
    // The rest of the picture is not drawn.
    EXPECT_EQ(at(60, 10), kBlack);
    EXPECT_EQ(at(10, 66), kBlack);
    EXPECT_EQ(at(70, 80), kBlack);
}

TEST_F(Pictures, PortraitPaintsBackgroundWhereNoPictureCovers) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    // A smaller picture: the rest of the place in the dialog's colour.
    const PixelRect around{place_.x - 5, place_.y - 5, place_.w + 10, place_.h + 10};
    put_picture(L"3.jpg", jpeg_of(30, 20, [](int, int) { return kRed; }));
    paint_black(dialog_, around);
    draw_portrait(dialog_, 3, art());
    EXPECT_TRUE(close_to(at(5, 5), kRed)) << hex(at(5, 5));
    EXPECT_TRUE(close_to(at(29, 19), kRed)) << hex(at(29, 19));
    EXPECT_EQ(at(30, 5), face);
    EXPECT_EQ(at(57, 63), face);
    EXPECT_EQ(at(5, 20), face);
    EXPECT_EQ(at(29, 63), face);

    EXPECT_EQ(at(58, 10), kBlack);
    EXPECT_EQ(at(10, 64), kBlack);
    EXPECT_EQ(at(-1, -1), kBlack);

    // No file and no embedded picture (this program has none): all background.
    paint_black(dialog_, around);
    draw_portrait(dialog_, 4, nullptr);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{57, 0}, std::pair{0, 63}, std::pair{57, 63}, std::pair{29, 31}})
        EXPECT_EQ(at(x, y), face) << x << "," << y;
    EXPECT_EQ(at(58, 10), kBlack);
    EXPECT_EQ(at(10, 64), kBlack);
}

TEST(PicturesScale, PortraitFollowsTheDialogScale) {
    OleSession ole;
    TempDir dir("pictures");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    CreateDirectoryW((dir.path().wstring() + L"\\Pic").c_str(), nullptr);
    ASSERT_TRUE(write_file(dir.path().wstring() + L"\\Pic\\7.jpg", jpeg_of(58, 64, quadrants)));
    HWND small = make_dialog(8);
    HWND large = make_dialog(12);
    ASSERT_TRUE(small && large);
    pump();
    const DialogScale a = dialog_scale(small), b = dialog_scale(large);
    EXPECT_LT(a.base_x, b.base_x);
    EXPECT_LT(a.base_y, b.base_y);
    // A window that is not a dialog paints at the design pixels.
    EXPECT_EQ(dialog_scale(GetDesktopWindow()), kDesignScale);

    const PixelRect p = map_to_dialog(kPortraitPlace, b);
    draw_portrait(large, 7, nullptr);
    EXPECT_TRUE(close_to(pixel(large, p.x, p.y), kRed)) << hex(pixel(large, p.x, p.y));
    EXPECT_TRUE(close_to(pixel(large, p.x + 57, p.y + 63), kYellow)) << hex(pixel(large, p.x + 57, p.y + 63));
    DestroyWindow(small);
    DestroyWindow(large);
    pump();
    SetCurrentDirectoryW(saved);
}

// --- the decoration bitmaps --------------------------------------------------------------------

struct BmpFile {
    int w = 0, h = 0, bits = 0;
    std::vector<COLORREF> table;
    Bytes data;
    std::size_t offset = 0;
    explicit BmpFile(const Bytes& b) : data(b) {
        auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); };
        if (b.size() < 54) return;
        offset = u32(10);
        w = static_cast<int>(u32(18));
        h = static_cast<int>(u32(22));
        bits = b[28] | b[29] << 8;
        const std::uint32_t colours = u32(46);
        for (std::uint32_t i = 0; i < colours; ++i) table.push_back(RGB(b[54 + 4 * i + 2], b[54 + 4 * i + 1], b[54 + 4 * i]));
    }
    // Colour of (x, y) counted from the top; index is set for 8-bit files.
    COLORREF at(int x, int y, int* index = nullptr) const {
        const std::size_t stride = static_cast<std::size_t>((w * bits + 31) / 32 * 4);
        const std::size_t row = offset + stride * static_cast<std::size_t>(h - 1 - y);
        if (bits == 8) {
            const int i = data[row + static_cast<std::size_t>(x)];
            if (index) *index = i;
            return table[static_cast<std::size_t>(i)];
        }
        const std::size_t p = row + 3 * static_cast<std::size_t>(x);
        return RGB(data[p + 2], data[p + 1], data[p]);
    }
};

TEST_F(Pictures, ArtworkHasTheDescribedFormats) {
    for (int id = 501; id <= 507; ++id) {
        const BmpFile f(read_file(resources_dir() + L"bmp" + std::to_wstring(id) + L".bmp"));
        EXPECT_EQ(f.w, 20) << id;
        EXPECT_EQ(f.h, 18) << id;
        EXPECT_EQ(f.bits, 8) << id;
        int first = -1;
        ASSERT_FALSE(f.table.empty()) << id;
        f.at(0, f.h - 1, &first);  // the first stored pixel: bottom row, left
        EXPECT_EQ(f.table[static_cast<std::size_t>(first)], RGB(0, 255, 255)) << id;
        for (COLORREF c : f.table)
            for (COLORREF grey : {RGB(128, 128, 128), RGB(192, 192, 192), RGB(223, 223, 223)})
                EXPECT_NE(c, grey) << id;
    }
    const BmpFile corner(read_file(resources_dir() + L"bmp508.bmp"));
    EXPECT_EQ(corner.w, 248);
    EXPECT_EQ(corner.h, 208);
    EXPECT_EQ(corner.bits, 24);
    EXPECT_TRUE(corner.table.empty());
}

TEST_F(Pictures, IconCyanBecomesTheDialogColour) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const BmpFile f(read_file(resources_dir() + L"bmp501.bmp"));
    ASSERT_EQ(f.w, 20);
    paint_black(dialog_, {100, 100, 30, 30});
    draw_resource_bitmap(dialog_, 501, 100, 100, 20, 18, art());
    int wrong = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 20; ++x) {
            int index = 0;
            const COLORREF stored = f.at(x, y, &index);
            const COLORREF want = index == 0 ? face : stored;
            const COLORREF got = pixel(dialog_, 100 + x, 100 + y);
            EXPECT_NE(got, RGB(0, 255, 255)) << x << "," << y;
            if (got != want && ++wrong < 5) ADD_FAILURE() << x << "," << y << " " << hex(got) << " want " << hex(want);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(pixel(dialog_, 100, 117), face);  // the first stored pixel
    EXPECT_EQ(pixel(dialog_, 120, 100), kBlack);
    EXPECT_EQ(pixel(dialog_, 100, 118), kBlack);
    // Asking for more than the bitmap has copies only the bitmap.
    paint_black(dialog_, {200, 100, 40, 40});
    draw_resource_bitmap(dialog_, 501, 200, 100, 40, 40, art());
    EXPECT_EQ(pixel(dialog_, 200, 117), face);
    EXPECT_EQ(pixel(dialog_, 220, 100), kBlack);
    EXPECT_EQ(pixel(dialog_, 200, 118), kBlack);
    // An unknown bitmap draws nothing.
    draw_resource_bitmap(dialog_, 599, 300, 100, 20, 18, art());
    EXPECT_EQ(pixel(dialog_, 300, 100), face);
}

TEST_F(Pictures, DecorationsGoToTheirMappedPlaces) {
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const DialogScale scale = dialog_scale(dialog_);
    for (const DecorationPlace& d : decoration_places()) {
        const PixelRect r = map_to_dialog(d.rect, scale);
        paint_black(dialog_, r);
    }
    draw_decorations(dialog_, art());
    // Where the dialog's scale is smaller than the design scale, the corner
    // picture reaches past the client area and is cut there.
    RECT client;
    GetClientRect(dialog_, &client);
    for (const DecorationPlace& d : decoration_places()) {
        const PixelRect r = map_to_dialog(d.rect, scale);
        const BmpFile f(read_file(resources_dir() + L"bmp" + std::to_wstring(d.id) + L".bmp"));
        ASSERT_EQ(f.w, d.rect.w) << d.id;
        int wrong = 0;
        const int step = d.id == 508 ? 7 : 1;
        for (int y = 0; y < r.h && r.y + y < client.bottom; y += step)
            for (int x = 0; x < r.w && r.x + x < client.right; x += step) {
                int index = -1;
                const COLORREF stored = f.at(x, y, &index);
                const COLORREF want = index == 0 ? face : stored;
                if (pixel(dialog_, r.x + x, r.y + y) != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << d.id << " at " << r.x << "," << r.y;
    }
}

// --- nothing survives a paint ------------------------------------------------------------------

// The process's private committed memory (Wine reports it only as PagefileUsage).
long long committed_memory() {
    PROCESS_MEMORY_COUNTERS_EX m{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
    return static_cast<long long>(std::max(m.PrivateUsage, m.PagefileUsage));
}


TEST_F(Pictures, ManyPaintsLeaveNothingBehind) {
    put_picture(L"7.jpg", jpeg_of(58, 64, quadrants));
    auto paint = [&](int i) {
        draw_portrait(dialog_, i % 2 ? 7 : 8, art());  // the file, then the embedded picture
        draw_decorations(dialog_, art());
    };
    for (int i = 0; i < 20; ++i) paint(i);  // warm the loaders' own caches
    pump();
    const LiveCounts counts = live_counts();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const long long memory = committed_memory();
    for (int i = 0; i < 2000; ++i) {
        paint(i);
        if (i % 100 == 0) pump();
    }
    pump();
    EXPECT_EQ(live_counts(), counts);
    EXPECT_EQ(live_counts(), start_);
    // The platform's own counters, where it keeps them (some Wine versions report 0).
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 2);
    // 2000 paints decode 2000 pictures and load 16000 bitmaps; losing one bitmap
    // per paint would add some 30 MB.
    EXPECT_LT(committed_memory() - memory, 1 << 20) << memory << " -> " << committed_memory();
    // The picture still comes out right after all that.
    EXPECT_TRUE(close_to(at(14, 16), kRed)) << hex(at(14, 16));
}

// Run by hand: test_picture --gtest_also_run_disabled_tests --gtest_filter=*Timing*
TEST_F(Pictures, DISABLED_DecodeTiming) {
    put_picture(L"7.jpg", jpeg_of(58, 64, quadrants));
    put_picture(L"500.jpg", jpeg_of(200, 200, quadrants));
    const std::string dir = [] {
        char buf[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, buf);
        return std::string(buf);
    }();
    auto time = [](const char* what, int n, const std::function<void()>& f) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) f();
        const auto t1 = std::chrono::steady_clock::now();
        std::printf("%-40s %8.1f us\n", what, std::chrono::duration<double, std::micro>(t1 - t0).count() / n);
    };
    const std::string p7 = portrait_path(dir, 7, '\\'), p500 = portrait_path(dir, 500, '\\');
    time("load_picture_file 58x64", 500, [&] { Bitmap b = load_picture_file(p7.c_str()); });
    time("load_picture_file 200x200", 500, [&] { Bitmap b = load_picture_file(p500.c_str()); });
    time("load_picture_resource 2000", 500, [&] { Bitmap b = load_picture_resource(art(), 2000); });
    time("draw_portrait (file)", 500, [&] { draw_portrait(dialog_, 7, art()); });
    time("draw_portrait (embedded)", 500, [&] { draw_portrait(dialog_, 8, art()); });
    time("draw_decorations", 500, [&] { draw_decorations(dialog_, art()); });
}

}  // namespace
}  // namespace ce

#endif  // _WIN32
