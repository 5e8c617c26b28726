// The Windows half of the pictures: decoding JPEG portraits with the OLE picture
// loader and painting the portrait and the decoration bitmaps onto the form.
//
// COM: the loaders need OLE initialised on the calling thread. The program's
// user-interface thread holds one OleSession for its whole run (run_editor
// makes it before the form opens); a test makes its own.
//
// Every handle taken here is held by one of the owners below and released on
// every path. The owners count what they hold in process-wide counters, so a
// test can prove that painting leaves nothing behind.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <utility>

#include "picture/portrait.h"

namespace ce {

// --- live-object counters -------------------------------------------------------

struct LiveCounts {
    long dcs = 0;            // window, screen and memory drawing contexts
    long bitmaps = 0;        // GDI bitmaps
    long selections = 0;     // objects selected into a context, not yet taken out
    long com_objects = 0;    // streams and picture objects
    long memory_blocks = 0;  // COM task memory and global memory blocks
    friend bool operator==(const LiveCounts&, const LiveCounts&) = default;
};
LiveCounts live_counts();

// --- owners -----------------------------------------------------------------------

// A window's drawing context (GetDC / ReleaseDC); hwnd null is the screen.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd);
    ~WindowDc();
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory drawing context (CreateCompatibleDC / DeleteDC).
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible_with);
    ~MemoryDc();
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// A GDI bitmap owned by its holder (DeleteObject). Movable; empty converts to false.
class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(HBITMAP handle);
    ~Bitmap() { reset(); }
    Bitmap(Bitmap&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Bitmap& operator=(Bitmap&& other) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    HBITMAP get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset();
    // Width and height in pixels, 0 x 0 when empty.
    SIZE size() const;

private:
    HBITMAP handle_ = nullptr;
};

// An object selected into a context; the previous object goes back on destruction,
// so the owner of the object can release it afterwards.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object);
    ~Selection();
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    explicit operator bool() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

namespace detail {
void count_com_object(long delta);
}

// One reference to a COM object (IUnknown::Release). Takes over the reference a
// creating call handed out.
template <class T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) : p_(p) {
        if (p_) detail::count_com_object(+1);
    }
    ~ComRef() { reset(); }
    ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) {
            std::exchange(p_, nullptr)->Release();
            detail::count_com_object(-1);
        }
    }

private:
    T* p_ = nullptr;
};

// OLE for the calling thread (OleInitialize / OleUninitialize when it succeeded).
class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (ok_) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// --- loaders: each returns an empty Bitmap on failure --------------------------

// Decodes a picture file (JPEG, BMP, GIF, ...) into a bitmap compatible with the
// screen. `path` is in the process's ANSI code page, as GetCurrentDirectoryA gives it.
Bitmap load_picture_file(const char* path);
// Decodes the "IMAGE" resource `id` of `module` (null: the program's own).
Bitmap load_picture_resource(HMODULE module, int id);
// Decodes a picture held in memory.
Bitmap load_picture_bytes(const void* bytes, std::size_t count);
// Renders a decoded picture upright into a new screen-compatible bitmap of its
// natural size in screen pixels.
Bitmap picture_to_bitmap(IPicture* picture);

// --- painting -----------------------------------------------------------------------

// The dialog's base units (MapDialogRect); the design scale for a window that is
// not a dialog.
DialogScale dialog_scale(HWND dialog);

// Paints the portrait of creature `index` (any int; -1 when nothing is selected)
// at the portrait place mapped to the dialog's scale: Pic\<index>.jpg of the
// current directory, else the embedded portrait (resource 2000 of `module`, null:
// the program's own), its top-left 58 x 64, unscaled at 96 DPI and scaled by
// picture_scale on a screen of other DPI (the place too); whatever it leaves of the
// place is painted in the dialog background colour (COLOR_3DFACE). Draws through
// the dialog's own drawing context, so it is not clipped to a paint region.
void draw_portrait(HWND dialog, int index, HMODULE module = nullptr);

// Copies the top-left w x h pixels of bitmap resource `id` of `module` (null: the
// program's own) to client pixel (x, y), as given (no scale mapping). 8-bit
// bitmaps show their first stored pixel's colour as the dialog background.
void draw_resource_bitmap(HWND dialog, int id, int x, int y, int w, int h, HMODULE module = nullptr);

// Bitmaps 501..508 in order, each at its place mapped to the dialog's scale,
// scaled by picture_scale on a screen of other DPI.
void draw_decorations(HWND dialog, HMODULE module = nullptr);

}  // namespace ce
