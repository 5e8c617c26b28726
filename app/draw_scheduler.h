// When and how the dialog draws what the form's operations change, tuned to
// what drawing costs under Wine: one drawing pass per action.
//
// Between begin_update and end_update (they nest) the form tells the
// scheduler of every control an operation really changes, and end_update
// draws them again, with what overlaps them, in one pass through the dialog
// (DialogCanvas); what cannot be drawn so is marked and painted right after,
// so that an update ends with the whole form on the screen. The
// first controls an update changes draw themselves; past a creature's show,
// a language switch or a new caption of a button or label, the dialog's
// drawing pauses until the pass. Lists that get or lose entries stop
// redrawing while the update lasts.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "picture/portrait.h"

namespace ce {

class DialogCanvas;

class DrawScheduler {
public:
    // `controls`: the dialog's controls by identifier (the first of each),
    // which outlive the scheduler; `children`: the dialog's list of children
    // (the order a whole repaint draws them in). `settle` finishes what the
    // form left pending (lists being refilled) when an update's pass begins.
    DrawScheduler(HWND dialog, const std::unordered_map<int, HWND>& controls, const std::vector<HWND>& children,
                  std::function<void()> settle);
    ~DrawScheduler();
    DrawScheduler(const DrawScheduler&) = delete;
    DrawScheduler& operator=(const DrawScheduler&) = delete;

    void begin_update();
    void end_update();
    bool updating() const { return update_depth_ > 0; }
    // Ends the pauses of an update, drawing what changed (an update can go on).
    void flush();

    // What the form tells of its operations, during an update (otherwise a
    // control draws itself as it changes).
    void changed(HWND hwnd);          // a control is about to change
    void caption_changed(HWND box);   // a group box's caption is about to change
    // Pauses the dialog's drawing now (a language switch, a new caption of a
    // button or label, which draws itself at once at a higher cost), when the
    // update may.
    void pause_dialog();
    // A list about to get or lose entries: it stops redrawing.
    void quiet(HWND list);
    // True when the portrait is not to be drawn now: the paint after the
    // update draws it, with the controls.
    bool defer_portrait();

    // The part of the dialog a paint draws (nothing: all of it). The pictures
    // outside it are not drawn again.
    void set_paint_area(std::optional<RECT> area) { paint_area_ = area; }
    const std::optional<RECT>& paint_area() const { return paint_area_; }

    // The drop-down lists stop redrawing until resume_lists (see
    // Win32Form::pause_list_redraw).
    void pause_lists();
    void resume_lists();
    // Also while an update pauses the dialog or refills a list.
    bool lists_paused() const { return !paused_lists_.empty() || !quiet_lists_.empty() || dialog_paused_; }

private:
    struct Mark {
        HWND hwnd;
        RECT rect;   // screen coordinates
        UINT flags;  // RedrawWindow's
        bool whole;  // the whole control, not just `rect`
    };
    // Past a number of controls changed, pauses the dialog's drawing until the
    // update ends.
    void hold(HWND hwnd);
    // Pending refills finished and every pause ended.
    void end_pauses();
    // Each changed control and what overlaps it drawn again, and the old
    // captions of group boxes cleared; what cannot be drawn at once marked
    // for the next paint, with the portrait's place when the dialog is.
    void redraw_changed(DialogCanvas& canvas, bool paused, const std::vector<HWND>& refilled,
                        std::vector<Mark>& marks);
    void redraw_captions(DialogCanvas& canvas, HRGN region);
    // The controls that overlap `hwnd` within `rect` (screen coordinates),
    // each with the part they share.
    std::vector<std::pair<HWND, RECT>> overlaps_within(HWND hwnd, const RECT& rect);
    const std::vector<HWND>& overlapping(HWND hwnd);
    std::size_t place(HWND hwnd) const;  // in the dialog's list of children

    HWND dialog_;
    const std::unordered_map<int, HWND>& controls_;
    std::function<void()> settle_;
    std::unordered_map<HWND, std::size_t> stacking_;  // place in the dialog's list of children
    HBITMAP canvas_bitmap_ = nullptr;                 // see DialogCanvas
    std::vector<HWND> paused_lists_;
    std::optional<RECT> paint_area_;

    // The state of an update.
    int update_depth_ = 0;
    bool dialog_paused_ = false;  // a shown dialog: its drawing may be held
    bool dialog_held_ = false;    // held, past a number of controls changed
    std::size_t drawn_at_once_ = 0;  // controls changed that drew themselves
    bool portrait_due_ = false;
    std::vector<HWND> changed_;
    std::unordered_set<HWND> changed_set_;
    std::vector<HWND> captions_;     // group boxes whose caption changed
    std::vector<HWND> quiet_lists_;  // lists whose redraw this update paused
    // The controls that overlap each control (a spin its edit's border, a
    // list a group box's frame line), found once: the layout never changes.
    std::unordered_map<HWND, std::vector<HWND>> overlaps_;
};

// A picture's place as a rectangle.
RECT to_rect(const PixelRect& place);

}  // namespace ce
