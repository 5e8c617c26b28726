#include "app/dialog_canvas.h"

#include <commctrl.h>

#include "app/window_kinds.h"

namespace ce {

void add_to_region(HRGN region, const RECT& rect) {
    HRGN piece = CreateRectRgnIndirect(&rect);
    CombineRgn(region, region, piece, RGN_OR);
    DeleteObject(piece);
}

DialogCanvas::DialogCanvas(HWND dialog, HBITMAP& bitmap) : dialog_(dialog) {
    if (IsWindowVisible(dialog) == FALSE || IsIconic(dialog) != FALSE) return;
    dc_ = GetDCEx(dialog, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);  // over the controls
    if (dc_ == nullptr) return;
    RECT area;
    GetClientRect(dialog, &area);
    BITMAP held{};
    if (bitmap != nullptr && (GetObjectW(bitmap, sizeof held, &held) == 0 || held.bmWidth < area.right ||
                              held.bmHeight < area.bottom)) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (bitmap == nullptr) bitmap = CreateCompatibleBitmap(dc_, area.right, area.bottom);
    memory_ = CreateCompatibleDC(dc_);
    previous_ = bitmap != nullptr && memory_ != nullptr ? SelectObject(memory_, bitmap) : nullptr;
    if (previous_ == nullptr) {
        // No picture to draw into (the display changed its depth, or no memory): the
        // bitmap is made anew next time, and everything is marked for the next paint.
        if (memory_ != nullptr) DeleteDC(memory_);
        if (bitmap != nullptr) DeleteObject(bitmap);
        bitmap = nullptr;
        memory_ = nullptr;
        ReleaseDC(dialog, dc_);
        dc_ = nullptr;
        return;
    }
    taken_ = CreateRectRgn(0, 0, 0, 0);
    focus_ = GetFocus();
}

DialogCanvas::~DialogCanvas() {
    if (dc_ == nullptr) return;
    SelectObject(memory_, previous_);
    DeleteDC(memory_);
    ReleaseDC(dialog_, dc_);
    RECT bounds;
    if (GetRgnBox(taken_, &bounds) != NULLREGION) {
        RedrawWindow(dialog_, nullptr, taken_, RDW_VALIDATE | RDW_ALLCHILDREN);
    }
    DeleteObject(taken_);
}

bool DialogCanvas::can_draw(HWND hwnd, const RECT& rect) const {
    if (dc_ == nullptr || hwnd == focus_) return false;
    if (!has_class(hwnd, {WC_EDITW, L"NewEdit", WC_BUTTONW, WC_STATICW, WC_COMBOBOXW})) return false;
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if ((style & WS_VISIBLE) == 0 || (style & (WS_VSCROLL | WS_HSCROLL)) != 0) return false;
    if (is_editable_combo(hwnd)) return false;
    RECT window, client, part;
    if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) return false;
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!IntersectRect(&part, &window, &rect)) return true;
    return part.left >= client.left && part.top >= client.top && part.right <= client.right &&
           part.bottom <= client.bottom;
}

void DialogCanvas::draw(HWND hwnd, const RECT& clip) {
    RECT client, part;
    GetClientRect(hwnd, &client);
    RECT local = clip;
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&local), 2);
    if (!IntersectRect(&part, &client, &local)) return;
    POINT origin{0, 0};
    MapWindowPoints(hwnd, dialog_, &origin, 1);
    const int w = part.right - part.left, h = part.bottom - part.top;
    BitBlt(memory_, part.left, part.top, w, h, dc_, origin.x + part.left, origin.y + part.top, SRCCOPY);
    const int saved = SaveDC(memory_);
    IntersectClipRect(memory_, part.left, part.top, part.right, part.bottom);
    SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory_), 0);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory_), PRF_CLIENT);
    RestoreDC(memory_, saved);
    BitBlt(dc_, origin.x + part.left, origin.y + part.top, w, h, memory_, part.left, part.top, SRCCOPY);
    OffsetRect(&part, origin.x, origin.y);
    take(part);
}

void DialogCanvas::erase(const RECT& rect) {
    const int saved = SaveDC(memory_);
    IntersectClipRect(memory_, rect.left, rect.top, rect.right, rect.bottom);
    SendMessageW(dialog_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory_), 0);
    RestoreDC(memory_, saved);
    BitBlt(dc_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory_, rect.left, rect.top,
           SRCCOPY);
    take(rect);
}

void DialogCanvas::take(const RECT& rect) { add_to_region(taken_, rect); }

}  // namespace ce
