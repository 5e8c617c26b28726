#include "app/draw_scheduler.h"

#include <algorithm>

#include "app/dialog_canvas.h"
#include "app/window_kinds.h"
#include "picture/draw_win32.h"

namespace ce {
namespace {

// A group box draws only its frame and its caption: inside those it draws
// nothing, and a control that lies wholly there does not overlap its drawing.
bool inside_group_box(HWND dialog, HWND box, const RECT& rect) {
    RECT inner;
    if (!is_group_box(box) || !GetWindowRect(box, &inner)) return false;
    constexpr int kFrame = 3;  // the etched frame line is two pixels wide
    inner.left += kFrame;
    inner.right -= kFrame;
    inner.bottom -= kFrame;
    inner.top += caption_height(dialog);
    return rect.left >= inner.left && rect.right <= inner.right && rect.top >= inner.top &&
           rect.bottom <= inner.bottom;
}

}  // namespace

RECT to_rect(const PixelRect& place) { return RECT{place.x, place.y, place.x + place.w, place.y + place.h}; }

DrawScheduler::DrawScheduler(HWND dialog, const std::unordered_map<int, HWND>& controls,
                             const std::vector<HWND>& children, std::function<void()> settle)
    : dialog_(dialog), controls_(controls), settle_(std::move(settle)) {
    for (HWND child : children) stacking_.try_emplace(child, stacking_.size());
}

DrawScheduler::~DrawScheduler() {
    if (canvas_bitmap_ != nullptr) DeleteObject(canvas_bitmap_);
}

bool DrawScheduler::defer_portrait() {
    // While an update holds the drawing, the portrait's place is invalidated
    // with the controls, and the paint that follows draws the portrait of the
    // entry list 300 selects.
    if (!dialog_paused_) return false;
    portrait_due_ = true;
    return true;
}

void DrawScheduler::pause_lists() {
    for (const auto& [id, hwnd] : controls_) {
        // Only lists that show now, so that ending the pause shows no hidden one.
        if (!is_combo_box(hwnd) || (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) == 0) continue;
        SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
        paused_lists_.push_back(hwnd);
    }
}

void DrawScheduler::resume_lists() {
    for (HWND hwnd : paused_lists_) {
        SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    paused_lists_.clear();
}

void DrawScheduler::begin_update() {
    if (update_depth_++ > 0) return;
    // Only a shown dialog holds its drawing: one that is not shown yet draws
    // nothing (see hold).
    dialog_paused_ = IsWindowVisible(dialog_) != FALSE;
}

void DrawScheduler::hold(HWND hwnd) {
    // Under Wine, hiding the dialog's window and showing it again costs more
    // than a show of a creature draws, and a check box drawn at once when it
    // changes costs less than one drawn later. So the first controls an
    // update changes draw themselves (an edit only marks its text for the
    // next paint); past a creature's show the update pauses the dialog, and
    // the one pass at its end draws all it changed.
    constexpr std::size_t kDrawnAtOnce = 64;
    if (!dialog_paused_ || dialog_held_ || is_edit_control(hwnd) || ++drawn_at_once_ <= kDrawnAtOnce) return;
    pause_dialog();
}

void DrawScheduler::pause_dialog() {
    if (!dialog_paused_ || dialog_held_) return;
    // Pausing the dialog drops what is waiting to be painted: that is painted first.
    if ((HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0) {
        RedrawWindow(dialog_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    SendMessageW(dialog_, WM_SETREDRAW, FALSE, 0);
    dialog_held_ = true;
}

void DrawScheduler::end_update() {
    if (update_depth_ == 0) return;
    // Still in the update while it ends, so what the pending refills change is
    // drawn with the rest.
    if (update_depth_ == 1) flush();
    --update_depth_;
}

const std::vector<HWND>& DrawScheduler::overlapping(HWND hwnd) {
    const auto found = overlaps_.find(hwnd);
    if (found != overlaps_.end()) return found->second;
    std::vector<HWND>& out = overlaps_[hwnd];
    RECT own;
    if (!GetWindowRect(hwnd, &own)) return out;
    for (const auto& [id, other] : controls_) {
        RECT theirs, common;
        if (other == hwnd || !GetWindowRect(other, &theirs) || !IntersectRect(&common, &own, &theirs)) continue;
        if (inside_group_box(dialog_, other, own)) continue;
        if (std::find(out.begin(), out.end(), other) == out.end()) out.push_back(other);
    }
    return out;
}

std::vector<std::pair<HWND, RECT>> DrawScheduler::overlaps_within(HWND hwnd, const RECT& rect) {
    std::vector<std::pair<HWND, RECT>> out;
    for (HWND other : overlapping(hwnd)) {
        RECT theirs, common;
        if (GetWindowRect(other, &theirs) && IntersectRect(&common, &rect, &theirs)) out.emplace_back(other, common);
    }
    return out;
}

void DrawScheduler::changed(HWND hwnd) {
    if (!updating() || !changed_set_.insert(hwnd).second) return;
    changed_.push_back(hwnd);
    hold(hwnd);
}

void DrawScheduler::caption_changed(HWND box) {
    if (updating()) captions_.push_back(box);
}

void DrawScheduler::quiet(HWND hwnd) {
    if (!updating()) return;
    // A list gets many entries in a refill, and one that redraws costs far
    // more per entry.
    if (std::find(quiet_lists_.begin(), quiet_lists_.end(), hwnd) == quiet_lists_.end()) {
        SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
        quiet_lists_.push_back(hwnd);
    }
    changed(hwnd);
}

void DrawScheduler::end_pauses() {
    settle_();
    for (HWND hwnd : quiet_lists_) SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    quiet_lists_.clear();
    if (dialog_held_) SendMessageW(dialog_, WM_SETREDRAW, TRUE, 0);
    dialog_held_ = false;
    drawn_at_once_ = 0;
    dialog_paused_ = false;
}

// Each changed control is drawn again, and what overlaps the part it draws is
// drawn again there (a group box's frame line over a list), in the order a
// whole repaint draws them: the later a control in the dialog's list of
// children, the later it draws. The rest is as it was. What cannot be drawn
// on `canvas` is marked for the next paint (`marks`), except a changed
// control that drew itself or marked itself. A control's frame changes only
// with scroll bars, which a new text can change.
void DrawScheduler::redraw_changed(DialogCanvas& canvas, bool paused, const std::vector<HWND>& refilled,
                                   std::vector<Mark>& marks) {
    constexpr UINT kMark = RDW_INVALIDATE | RDW_ERASE;
    std::vector<Mark> parts;
    for (HWND hwnd : changed_) {
        const bool frame = (GetWindowLongW(hwnd, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) != 0;
        RECT drawn;
        if (!GetWindowRect(hwnd, &drawn)) continue;
        const bool own = paused || std::find(refilled.begin(), refilled.end(), hwnd) != refilled.end();
        if (!frame) {
            GetClientRect(hwnd, &drawn);
            MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&drawn), 2);
        }
        parts.push_back({hwnd, drawn, own ? kMark | (frame ? RDW_FRAME : 0) : 0, true});
        for (const auto& [other, common] : overlaps_within(hwnd, drawn)) {
            parts.push_back({other, common, kMark | RDW_FRAME, false});
        }
    }
    std::stable_sort(parts.begin(), parts.end(),
                     [&](const Mark& a, const Mark& b) { return place(a.hwnd) < place(b.hwnd); });
    for (const Mark& part : parts) {
        if (canvas.can_draw(part.hwnd, part.rect)) {
            canvas.draw(part.hwnd, part.rect);
        } else if (part.flags != 0) {
            marks.push_back(part);
        }
    }
}

// The old caption of a group box is cleared over one line of the dialog
// font: the dialog's background, then every control there, is drawn again.
// Where the dialog draws a picture or a control cannot be drawn on `canvas`,
// the line goes into `region` (dialog coordinates), for the next paint.
void DrawScheduler::redraw_captions(DialogCanvas& canvas, HRGN region) {
    if (captions_.empty()) return;
    const int line = caption_height(dialog_);
    const DialogScale scale = dialog_scale(dialog_);
    std::vector<RECT> pictures;
    for (const DecorationPlace& place : decoration_places()) {
        pictures.push_back(to_rect(map_to_dialog(place.rect, scale)));
    }
    pictures.push_back(to_rect(map_to_dialog(kPortraitPlace, scale)));
    for (HWND box : captions_) {
        RECT strip;  // screen coordinates
        if (!GetWindowRect(box, &strip)) continue;
        strip.bottom = std::min(strip.bottom, strip.top + line);
        RECT inside = strip;  // dialog coordinates
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&inside), 2);
        std::vector<std::pair<HWND, RECT>> parts{{box, strip}};
        for (const auto& part : overlaps_within(box, strip)) parts.push_back(part);
        RECT common;
        const bool over_picture = std::any_of(pictures.begin(), pictures.end(), [&](const RECT& picture) {
            return IntersectRect(&common, &picture, &inside) != FALSE;
        });
        const bool drawable = std::all_of(parts.begin(), parts.end(), [&](const auto& part) {
            return canvas.can_draw(part.first, part.second);
        });
        if (over_picture || !drawable) {
            add_to_region(region, inside);
            continue;
        }
        std::stable_sort(parts.begin(), parts.end(),
                         [&](const auto& a, const auto& b) { return place(a.first) < place(b.first); });
        canvas.erase(inside);
        for (const auto& [hwnd, rect] : parts) canvas.draw(hwnd, rect);
    }
}

std::size_t DrawScheduler::place(HWND hwnd) const {
    const auto found = stacking_.find(hwnd);
    return found == stacking_.end() ? stacking_.size() : found->second;
}

void DrawScheduler::flush() {
    const bool paused = dialog_held_;
    const std::vector<HWND> refilled = quiet_lists_;
    end_pauses();
    std::vector<Mark> marks;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    {
        DialogCanvas canvas(dialog_, canvas_bitmap_);
        redraw_changed(canvas, paused, refilled, marks);
        redraw_captions(canvas, region);
    }  // what was drawn is taken back from the next paint before anything is marked for it
    for (const Mark& mark : marks) {
        RECT rect = mark.rect;
        MapWindowPoints(nullptr, mark.hwnd, reinterpret_cast<POINT*>(&rect), 2);
        RedrawWindow(mark.hwnd, mark.whole ? nullptr : &rect, nullptr, mark.flags);
    }
    // A paint of the dialog may draw the portrait whole (see set_paint_area),
    // so its place always goes with the dialog's region.
    RECT bounds;
    if (GetRgnBox(region, &bounds) != NULLREGION || portrait_due_) {
        add_to_region(region, to_rect(map_to_dialog(kPortraitPlace, dialog_scale(dialog_))));
        RedrawWindow(dialog_, nullptr, region, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    DeleteObject(region);
    changed_.clear();
    changed_set_.clear();
    captions_.clear();
    portrait_due_ = false;
    // What was marked is painted now: the paints of a window come only when
    // no input waits, and a held key sends its steps faster than the editor
    // shows them, so the marked parts would stay as they were, beside the
    // parts drawn above, until the key is released.
    RedrawWindow(dialog_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace ce
