#include "picture/draw_win32.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <string>

namespace ce {

namespace {

// Process-wide on purpose: the owners count what they hold so that tests can
// check that painting releases everything it takes.
std::atomic<long> g_dcs{0};
std::atomic<long> g_bitmaps{0};
std::atomic<long> g_selections{0};
std::atomic<long> g_com_objects{0};
std::atomic<long> g_memory_blocks{0};

// A block of COM task memory (CoTaskMemAlloc / CoTaskMemFree).
class TaskMemory {
public:
    explicit TaskMemory(std::size_t bytes) : p_(CoTaskMemAlloc(bytes)) {
        if (p_) ++g_memory_blocks;
    }
    ~TaskMemory() {
        if (p_) {
            CoTaskMemFree(p_);
            --g_memory_blocks;
        }
    }
    TaskMemory(const TaskMemory&) = delete;
    TaskMemory& operator=(const TaskMemory&) = delete;
    void* get() const { return p_; }

private:
    void* p_;
};

// A movable global memory block (GlobalAlloc / GlobalFree) until a stream takes it.
class GlobalMemory {
public:
    explicit GlobalMemory(std::size_t bytes) : h_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (h_) ++g_memory_blocks;
    }
    ~GlobalMemory() {
        if (h_) {
            GlobalFree(h_);
            --g_memory_blocks;
        }
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL get() const { return h_; }
    // The stream that now frees the block on its release; its count covers it.
    void hand_over() {
        if (h_) --g_memory_blocks;
        h_ = nullptr;
    }

private:
    HGLOBAL h_;
};

HMODULE own_module(HMODULE module) { return module ? module : GetModuleHandleW(nullptr); }

void fill_background(HDC dc, const PixelRect& r) {
    const RECT rc{r.x, r.y, r.x + r.w, r.y + r.h};
    // A system brush: shared, never deleted.
    FillRect(dc, &rc, GetSysColorBrush(COLOR_3DFACE));
}

// The dots per inch the drawing context paints at (the design's when unknown).
int dc_dpi(HDC dc) {
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    return dpi > 0 ? dpi : kDesignDpi;
}

// Copies the top-left source_w x source_h pixels of `from` onto `to` of `dc`,
// smoothly scaled when the sizes differ (another DPI).
bool copy_pixels(HDC dc, const PixelRect& to, HDC from, int source_w, int source_h) {
    if (to.w == source_w && to.h == source_h)
        return BitBlt(dc, to.x, to.y, to.w, to.h, from, 0, 0, SRCCOPY) != FALSE;
    const int previous = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs it set after the mode
    const bool ok = StretchBlt(dc, to.x, to.y, to.w, to.h, from, 0, 0, source_w, source_h, SRCCOPY) != FALSE;
    if (previous != 0) SetStretchBltMode(dc, previous);
    return ok;
}

}  // namespace

namespace detail {
void count_com_object(long delta) { g_com_objects += delta; }
}  // namespace detail

LiveCounts live_counts() {
    return {g_dcs.load(), g_bitmaps.load(), g_selections.load(), g_com_objects.load(), g_memory_blocks.load()};
}

// --- owners -------------------------------------------------------------------------

WindowDc::WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {
    if (dc_) ++g_dcs;
}
WindowDc::~WindowDc() {
    if (dc_) {
        ReleaseDC(hwnd_, dc_);
        --g_dcs;
    }
}

MemoryDc::MemoryDc(HDC compatible_with) : dc_(CreateCompatibleDC(compatible_with)) {
    if (dc_) ++g_dcs;
}
MemoryDc::~MemoryDc() {
    if (dc_) {
        DeleteDC(dc_);
        --g_dcs;
    }
}

Bitmap::Bitmap(HBITMAP handle) : handle_(handle) {
    if (handle_) ++g_bitmaps;
}
Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        reset();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}
void Bitmap::reset() {
    if (handle_) {
        DeleteObject(std::exchange(handle_, nullptr));
        --g_bitmaps;
    }
}
SIZE Bitmap::size() const {
    BITMAP info{};
    if (!handle_ || GetObjectW(handle_, sizeof info, &info) != static_cast<int>(sizeof info)) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

Selection::Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {
    if (*this) ++g_selections;
}
Selection::~Selection() {
    if (*this) {
        SelectObject(dc_, previous_);
        --g_selections;
    }
}

// --- loaders ------------------------------------------------------------------------

Bitmap picture_to_bitmap(IPicture* picture) {
    if (!picture) return {};
    WindowDc screen(nullptr);
    if (!screen) return {};
    MemoryDc memory(screen.get());
    if (!memory) return {};
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height))) return {};
    // HIMETRIC is hundredths of a millimetre: 2540 to the inch.
    const int pixel_w = MulDiv(width, GetDeviceCaps(screen.get(), LOGPIXELSX), 2540);
    const int pixel_h = MulDiv(height, GetDeviceCaps(screen.get(), LOGPIXELSY), 2540);
    // A zero size would give a 1 x 1 monochrome bitmap, not a picture.
    if (pixel_w <= 0 || pixel_h <= 0) return {};
    Bitmap bitmap(CreateCompatibleBitmap(screen.get(), pixel_w, pixel_h));
    if (!bitmap) return {};
    {
        Selection selected(memory.get(), bitmap.get());
        if (!selected) return {};
        // The source starts at the bottom edge and runs upward: HIMETRIC y grows
        // upward, so this draws the picture upright.
        if (FAILED(picture->Render(memory.get(), 0, 0, pixel_w, pixel_h, 0, height, width, -height, nullptr)))
            return {};
    }
    return bitmap;
}

Bitmap load_picture_file(const char* path) {
    if (!path || !*path) return {};
    // The OLE loader takes a full path or a URL only; a relative path is taken
    // from the current directory.
    std::string full(MAX_PATH, '\0');
    DWORD got = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (got >= full.size()) {
        full.assign(got, '\0');
        got = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (got == 0 || got >= full.size()) return {};
    full.resize(got);
    path = full.c_str();
    const int chars = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);  // with the zero
    if (chars <= 0) return {};
    TaskMemory wide(static_cast<std::size_t>(chars) * sizeof(WCHAR));
    if (!wide.get()) return {};
    auto* text = static_cast<LPOLESTR>(wide.get());
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, text, chars) != chars) return {};
    // A path that names no file is not handed to the loader: it would take it
    // for a URL and spend a long while (a tenth of a second and more under
    // Wine, for every creature without a portrait) before it fails the same way.
    const DWORD attributes = GetFileAttributesW(text);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
    IPicture* raw = nullptr;
    const HRESULT hr = OleLoadPicturePath(text, nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(&raw));
    ComRef<IPicture> picture(SUCCEEDED(hr) ? raw : nullptr);
    if (!picture && raw) raw->Release();  // a failing loader that still handed one out
    if (!picture) return {};
    return picture_to_bitmap(picture.get());
}

Bitmap load_picture_bytes(const void* bytes, std::size_t count) {
    if (!bytes || count == 0 || count > static_cast<std::size_t>(LONG_MAX)) return {};
    // CreateStreamOnHGlobal wants a global memory handle; it frees the block
    // when the stream is released.
    GlobalMemory block(count);
    if (!block.get()) return {};
    void* data = GlobalLock(block.get());
    if (!data) return {};
    std::memcpy(data, bytes, count);
    GlobalUnlock(block.get());
    IStream* raw_stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, &raw_stream)) || !raw_stream) return {};
    block.hand_over();
    ComRef<IStream> stream(raw_stream);
    IPicture* raw_picture = nullptr;
    // Run mode FALSE: with TRUE, Wine's picture object does not own its bitmap and
    // never deletes it, losing one bitmap per decode. On Windows the flag only
    // decides whether the original data is kept until the picture is released.
    const HRESULT hr = OleLoadPicture(stream.get(), static_cast<LONG>(count), FALSE, IID_IPicture,
                                      reinterpret_cast<void**>(&raw_picture));
    ComRef<IPicture> picture(hr == S_OK ? raw_picture : nullptr);
    if (!picture && raw_picture) raw_picture->Release();
    if (!picture) return {};
    return picture_to_bitmap(picture.get());
}

Bitmap load_picture_resource(HMODULE module, int id) {
    module = own_module(module);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "IMAGE");
    if (!found) return {};
    // Resource memory belongs to the module: nothing to release.
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (!bytes || size == 0) return {};
    return load_picture_bytes(bytes, size);
}

// --- painting ---------------------------------------------------------------------------

DialogScale dialog_scale(HWND dialog) {
    RECT units{0, 0, 4, 8};
    if (dialog && MapDialogRect(dialog, &units) && units.right > 0 && units.bottom > 0)
        return {static_cast<int>(units.right), static_cast<int>(units.bottom)};
    return kDesignScale;
}

void draw_portrait(HWND dialog, int index, HMODULE module) {
    WindowDc dc(dialog);
    if (!dc) return;
    const DialogScale units = dialog_scale(dialog);
    const PictureScale scale = picture_scale(dc_dpi(dc.get()), units);
    const PixelRect place = scale_size(map_to_dialog(kPortraitPlace, units), scale);

    std::string path;
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);  // with the zero
    if (needed > 0) {
        std::string dir(needed, '\0');
        const DWORD got = GetCurrentDirectoryA(needed, dir.data());
        if (got > 0 && got < needed) {
            dir.resize(got);
            path = portrait_path(dir, index, '\\');
        }
    }
    auto choice = choose_portrait([&] { return path.empty() ? Bitmap{} : load_picture_file(path.c_str()); },
                                  [&] { return load_picture_resource(module, kPortraitResource); });

    const SIZE size = choice.picture.size();
    // The picture as drawn at this scale; its top-left part that the place holds.
    const PixelRect drawn = scale_size({0, 0, static_cast<int>(size.cx), static_cast<int>(size.cy)}, scale);
    PortraitLayout layout = portrait_layout(place, drawn.w, drawn.h);
    if (layout.copy.w > 0 && layout.copy.h > 0) {
        MemoryDc memory(dc.get());
        Selection selected(memory.get(), choice.picture.get());
        const int source_w = std::min(source_pixels(layout.copy.w, scale), static_cast<int>(size.cx));
        const int source_h = std::min(source_pixels(layout.copy.h, scale), static_cast<int>(size.cy));
        if (!memory || !selected || !copy_pixels(dc.get(), layout.copy, memory.get(), source_w, source_h))
            layout = portrait_layout(place, 0, 0);  // could not copy: background only
    }
    for (const PixelRect& r : layout.fill) fill_background(dc.get(), r);
}

namespace {

// Bitmap resource `id` (its top-left w x h pixels) at (x, y), drawn larger by
// the pictures' scale when `scaled`.
void paint_bitmap_resource(HWND dialog, int id, int x, int y, int w, int h, HMODULE module, bool scaled) {
    WindowDc dc(dialog);
    if (!dc) return;
    MemoryDc memory(dc.get());
    if (!memory) return;
    // With a colour table, the first stored pixel's entry becomes the dialog
    // face colour, the standard greys the 3-D colours.
    Bitmap bitmap(static_cast<HBITMAP>(LoadImageA(own_module(module), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                  LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT)));
    if (!bitmap) return;
    // Never copy past the bitmap's edge: that would paint undefined pixels.
    const SIZE size = bitmap.size();
    w = std::min(w, static_cast<int>(size.cx));
    h = std::min(h, static_cast<int>(size.cy));
    if (w <= 0 || h <= 0) return;
    Selection selected(memory.get(), bitmap.get());
    if (!selected) return;
    const PictureScale scale = scaled ? picture_scale(dc_dpi(dc.get()), dialog_scale(dialog)) : PictureScale{};
    const PixelRect to = scale_size({x, y, w, h}, scale);
    copy_pixels(dc.get(), to, memory.get(), w, h);
}

}  // namespace

void draw_resource_bitmap(HWND dialog, int id, int x, int y, int w, int h, HMODULE module) {
    paint_bitmap_resource(dialog, id, x, y, w, h, module, false);
}

void draw_decorations(HWND dialog, HMODULE module) {
    const DialogScale scale = dialog_scale(dialog);
    for (const DecorationPlace& d : decoration_places()) {
        const PixelRect r = map_to_dialog(d.rect, scale);
        paint_bitmap_resource(dialog, d.id, r.x, r.y, r.w, r.h, module, true);
    }
}

}  // namespace ce
