// Draws controls into the dialog in place of their own paints. Under Wine a
// control that paints itself asks the window server some eight times (its
// update region, the caret, its visible region); the dialog draws them all
// through one device context, and takes back what they had marked for the
// next paint. Each draws into a device context whose origin is its client
// area's, as the one its paint gets (a control clips its drawing to its client
// rectangle in device units), over what the dialog shows there now. Nothing
// can be drawn while the dialog is hidden or minimised.
#pragma once

#include <windows.h>

namespace ce {

class DialogCanvas {
public:
    // `bitmap` holds the memory picture from one canvas to the next (the size
    // of the dialog's client area: some megabytes).
    DialogCanvas(HWND dialog, HBITMAP& bitmap);
    DialogCanvas(const DialogCanvas&) = delete;
    DialogCanvas& operator=(const DialogCanvas&) = delete;
    // What was drawn is taken back from the next paint.
    ~DialogCanvas();

    // An edit, button, label or list (a spin draws its corner otherwise
    // when asked to draw into another device context), shown, without scroll
    // bars (its frame changes with them), without a window of its own inside
    // (an editable list's edit field) and without the caret, which its own
    // paint hides and shows again; only its client area is drawn, and `rect`
    // (screen coordinates) must not reach into its frame.
    bool can_draw(HWND hwnd, const RECT& rect) const;

    // The control's client area within `clip` (screen coordinates).
    void draw(HWND hwnd, const RECT& clip);

    // The dialog's background within `rect` (dialog coordinates).
    void erase(const RECT& rect);

private:
    void take(const RECT& rect);

    HWND dialog_;
    HDC dc_ = nullptr, memory_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    HRGN taken_ = nullptr;  // dialog coordinates
    HWND focus_ = nullptr;
};

// `rect` added to `region`.
void add_to_region(HRGN region, const RECT& rect);

}  // namespace ce
