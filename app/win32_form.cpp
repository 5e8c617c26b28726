#include "app/win32_form.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/spin_buddy.h"
#include "form/catalogue.h"
#include "picture/draw_win32.h"


namespace ce {
namespace {

// Whether the window's class is one of `classes` (in any case).
bool has_class(HWND hwnd, std::initializer_list<const wchar_t*> classes) {
    wchar_t name[16] = {};
    if (GetClassNameW(hwnd, name, 16) == 0) return false;
    return std::any_of(classes.begin(), classes.end(), [&](const wchar_t* c) { return lstrcmpiW(name, c) == 0; });
}

bool is_combo_box(HWND hwnd) { return has_class(hwnd, {WC_COMBOBOXW}); }

// Edits and NewEdit fields (the class of a NewEdit is derived from "Edit").
bool is_edit_control(HWND hwnd) { return has_class(hwnd, {WC_EDITW, L"NewEdit"}); }

bool is_group_box(HWND hwnd) {
    return has_class(hwnd, {WC_BUTTONW}) && (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// A picture's place as a rectangle.
RECT to_rect(const PixelRect& place) { return RECT{place.x, place.y, place.x + place.w, place.y + place.h}; }

// `rect` added to `region`.
void add_to_region(HRGN region, const RECT& rect) {
    HRGN piece = CreateRectRgnIndirect(&rect);
    CombineRgn(region, region, piece, RGN_OR);
    DeleteObject(piece);
}

// A multi-line edit does not tell of a WM_SETTEXT: its text is always read.
bool is_one_line_edit(HWND hwnd) {
    return is_edit_control(hwnd) && (GetWindowLongW(hwnd, GWL_STYLE) & ES_MULTILINE) == 0;
}

// The forms watching each dialog, and the dialog's own procedure.
struct Watch {
    WNDPROC original = nullptr;
    std::vector<Win32Form*> forms;
};
std::unordered_map<HWND, Watch>& watched_dialogs() {
    static std::unordered_map<HWND, Watch> dialogs;
    return dialogs;
}

bool is_editable_combo(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & 3) == CBS_DROPDOWN; }

std::wstring window_text(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The text of entry `index` of a combo box, empty when there is none.
std::wstring entry_text(HWND list, int index) {
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The language list form's own small event routine.
INT_PTR CALLBACK language_list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;  // focus on OK
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

Win32Form::Win32Form(HWND dialog) : dialog_(dialog) {
    // Children in Z order are the controls in creation order: the dialog
    // manager puts each new control at the bottom. The first one wins.
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        controls_.try_emplace(id, child);
        stacking_.try_emplace(child, stacking_.size());
    }
    shorten_buddy_hooks(dialog_);
    Watch& watch = watched_dialogs()[dialog_];
    if (watch.forms.empty()) {
        watch.original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Form::watch_dialog)));
    }
    watch.forms.push_back(this);
}

Win32Form::~Win32Form() {
    if (canvas_bitmap_ != nullptr) DeleteObject(canvas_bitmap_);
    const auto found = watched_dialogs().find(dialog_);
    if (found == watched_dialogs().end()) return;
    Watch& watch = found->second;
    watch.forms.erase(std::remove(watch.forms.begin(), watch.forms.end(), this), watch.forms.end());
    if (!watch.forms.empty()) return;
    if (IsWindow(dialog_) != FALSE &&
        GetWindowLongPtrW(dialog_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Win32Form::watch_dialog)) {
        SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch.original));
    }
    watched_dialogs().erase(found);
}

LRESULT CALLBACK Win32Form::watch_dialog(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto found = watched_dialogs().find(hwnd);
    if (found == watched_dialogs().end()) return DefDlgProcW(hwnd, message, wparam, lparam);
    const WNDPROC original = found->second.original;
    if (message == WM_COMMAND && HIWORD(wparam) == EN_CHANGE && lparam != 0) {
        for (Win32Form* form : found->second.forms) form->edit_texts_.erase(reinterpret_cast<HWND>(lparam));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        watched_dialogs().erase(found);
    }
    return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

std::wstring Win32Form::shown_text(HWND hwnd) const {
    const auto known = edit_texts_.find(hwnd);
    if (known != edit_texts_.end()) return known->second;
    std::wstring text = window_text(hwnd);
    if (is_one_line_edit(hwnd)) edit_texts_[hwnd] = text;
    return text;
}

HWND Win32Form::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

HWND Win32Form::list(int id) const {
    HWND hwnd = control(id);
    return hwnd != nullptr && is_combo_box(hwnd) ? hwnd : nullptr;
}

std::wstring Win32Form::to_wide(std::string_view text) const {
    const std::u16string units = bytes_to_utf16(page_, text);
    return std::wstring(units.begin(), units.end());
}

std::string Win32Form::to_bytes(const std::wstring& text) const {
    const std::u16string units(text.begin(), text.end());
    return utf16_to_bytes(page_, units);
}

void Win32Form::set_text(int id, std::string_view text) {
    HWND hwnd = control(id);
    if (hwnd == nullptr) return;
    settle(hwnd);
    const std::wstring wide = to_wide(text);
    if (shown_text(hwnd) == wide) return;
    const bool is_edit = is_edit_control(hwnd);
    // A group box's caption is drawn in its top edge; the rest of it, and
    // the controls inside, stay as they are.
    if (is_group_box(hwnd)) {
        if (updating()) captions_.push_back(hwnd);
    } else {
        // A button or label draws its new caption at once, which costs more
        // than the pause of the dialog's drawing.
        if (!is_edit) pause_dialog();
        changed(hwnd);
    }
    // An upper-case edit capitalises what the user types; the program's text
    // (a stored value) is shown as it is, so that it reads back unchanged.
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const LONG case_styles = ES_UPPERCASE | ES_LOWERCASE;
    if (is_edit && (style & case_styles) != 0) SetWindowLongW(hwnd, GWL_STYLE, style & ~case_styles);
    SetWindowTextW(hwnd, wide.c_str());
    if (is_edit && (style & case_styles) != 0) SetWindowLongW(hwnd, GWL_STYLE, style);
    if (is_one_line_edit(hwnd)) edit_texts_[hwnd] = wide;
}

std::string Win32Form::get_text(int id, int capacity) const {
    HWND hwnd = control(id);
    if (hwnd == nullptr || capacity <= 0) return {};
    settle(hwnd);
    // Both code pages are single-byte: one unit is one byte.
    std::string bytes = to_bytes(shown_text(hwnd));
    if (bytes.size() > static_cast<std::size_t>(capacity - 1)) bytes.resize(capacity - 1);
    return bytes;
}

void Win32Form::set_check(int id, int state) {
    HWND hwnd = control(id);
    if (hwnd == nullptr) return;
    const WPARAM wanted = state != 0 ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)) == wanted) return;
    changed(hwnd);
    SendMessageW(hwnd, BM_SETCHECK, wanted, 0);
}

int Win32Form::get_check(int id) const {
    HWND hwnd = control(id);
    if (hwnd == nullptr) return 0;
    return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Form::check_radio(int first, int last, int id) {
    for (const auto& [control_id, hwnd] : controls_) {
        if (control_id < first || control_id > last) continue;
        const WPARAM wanted = control_id == id ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)) == wanted) continue;
        changed(hwnd);
        SendMessageW(hwnd, BM_SETCHECK, wanted, 0);
    }
}

void Win32Form::select_item(int id, int index) {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return;
    if (refills_.count(hwnd) != 0) {
        finish_refill(hwnd, index);
        return;
    }
    show_selection(hwnd, index);
}

void Win32Form::show_selection(HWND hwnd, int index) const {
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    // An index that names no entry leaves no selection and an empty shown text.
    const int chosen = index >= 0 && index < count ? index : -1;
    if (SendMessageW(hwnd, CB_GETCURSEL, 0, 0) == chosen) {
        // The edit field of an editable drop-down may show what the user typed.
        if (!is_editable_combo(hwnd)) return;
        if (window_text(hwnd) == (chosen == -1 ? std::wstring() : entry_text(hwnd, chosen))) return;
    }
    changed(hwnd);
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

int Win32Form::selected_item(int id) const {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return 0;
    settle(hwnd);
    const LRESULT index = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32Form::clear_items(int id) {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return;
    if (!updating()) {
        really_clear(hwnd);
        return;
    }
    // The entries stay until one added differs from the one in its place.
    if (refills_.count(hwnd) != 0) finish_refill(hwnd, -1);
    entries(hwnd);
    refills_[hwnd] = 0;
}

void Win32Form::really_clear(HWND hwnd) const {
    quiet(hwnd);
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    entries_[hwnd].clear();
    // The edit field of an editable drop-down goes with the entries.
    if (is_editable_combo(hwnd)) SetWindowTextW(hwnd, L"");
}

int Win32Form::add_item(int id, std::string_view text) {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return -1;
    const std::wstring wide = to_wide(text);
    const auto refill = refills_.find(hwnd);
    if (refill == refills_.end()) return append(hwnd, wide);
    std::size_t& kept = refill->second;
    const std::vector<std::wstring>& held = entries_[hwnd];  // read when the list was cleared
    if (kept < held.size()) {
        if (held[kept] == wide) return static_cast<int>(kept++);
        cut_entries(hwnd, kept);
    }
    const int index = append(hwnd, wide);
    kept = held.size();
    return index;
}

int Win32Form::append(HWND hwnd, const std::wstring& text) const {
    quiet(hwnd);
    const LRESULT index = SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) entries_[hwnd].push_back(text);
    return static_cast<int>(index);
}

// Leaves the first `keep` entries, by the fewer messages: deleting the rest
// one by one, or emptying the list and adding the first ones again.
void Win32Form::cut_entries(HWND hwnd, std::size_t keep) const {
    std::vector<std::wstring>& held = entries(hwnd);
    if (keep >= held.size()) return;
    quiet(hwnd);
    if (held.size() - keep > keep) {
        std::vector<std::wstring> first(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(keep));
        really_clear(hwnd);
        for (const std::wstring& text : first) append(hwnd, text);
        return;
    }
    while (held.size() > keep) {
        SendMessageW(hwnd, CB_DELETESTRING, held.size() - 1, 0);
        held.pop_back();
    }
}

std::vector<std::wstring>& Win32Form::entries(HWND hwnd) const {
    std::vector<std::wstring>& held = entries_[hwnd];
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    if (count != static_cast<LRESULT>(held.size())) {
        held.clear();
        for (int i = 0; i < count; ++i) held.push_back(entry_text(hwnd, i));
    }
    return held;
}

void Win32Form::settle(HWND hwnd) const {
    if (refills_.count(hwnd) != 0) finish_refill(hwnd, -1);
}

void Win32Form::finish_refill(HWND hwnd, int selection) const {
    const auto refill = refills_.find(hwnd);
    if (refill == refills_.end()) return;
    const std::size_t kept = refill->second;
    refills_.erase(refill);
    cut_entries(hwnd, kept);
    // A refilled list has no selection, and an editable one an empty edit
    // field, until an entry is chosen.
    show_selection(hwnd, selection);
}

int Win32Form::insert_item(int id, int index, std::string_view text) {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return -1;
    settle(hwnd);
    changed(hwnd);
    const std::wstring wide = to_wide(text);
    const LRESULT at = SendMessageW(hwnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
    entries_.erase(hwnd);  // read again when next needed
    return static_cast<int>(at);
}

void Win32Form::delete_item(int id, int index) {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return;
    settle(hwnd);
    changed(hwnd);
    SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    entries_.erase(hwnd);
}

std::optional<std::string> Win32Form::item_text(int id, int index) const {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return std::nullopt;
    settle(hwnd);
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return std::nullopt;
    const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR) return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return to_bytes(text);
}

void Win32Form::set_enabled(int id, bool enabled) {
    HWND hwnd = control(id);
    if (hwnd == nullptr || (IsWindowEnabled(hwnd) != FALSE) == enabled) return;
    changed(hwnd);
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
}

void Win32Form::set_text_limit(int id, int limit) {
    if (HWND hwnd = control(id)) SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void Win32Form::set_spin_range(int spin_id, int low, int high) {
    if (HWND hwnd = control(spin_id)) {
        SendMessageW(hwnd, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    }
}

int Win32Form::item_count(int id) const {
    HWND hwnd = list(id);
    if (hwnd == nullptr) return 0;
    settle(hwnd);
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : static_cast<int>(count);
}

bool Win32Form::is_enabled(int id) const {
    HWND hwnd = control(id);
    return hwnd != nullptr && IsWindowEnabled(hwnd) != FALSE;
}

bool Win32Form::has_control(int id) const { return control(id) != nullptr; }

namespace {
bool meets(const RECT& area, const PixelRect& place) {
    const RECT rect = to_rect(place);
    RECT common;
    return IntersectRect(&common, &area, &rect) != FALSE;
}
}  // namespace

void Win32Form::paint_portrait(int index) {
    // While an update holds the drawing, the portrait's place is invalidated
    // with the controls, and the paint that follows draws the portrait of the
    // entry list 300 selects.
    if (dialog_paused_) {
        portrait_due_ = true;
        return;
    }
    if (paint_area_ && !meets(*paint_area_, map_to_dialog(kPortraitPlace, dialog_scale(dialog_)))) return;
    draw_portrait(dialog_, index);
}

void Win32Form::paint_decorations() {
    if (paint_area_) {
        const DialogScale scale = dialog_scale(dialog_);
        const auto places = decoration_places();
        if (std::none_of(places.begin(), places.end(),
                         [&](const DecorationPlace& place) { return meets(*paint_area_, map_to_dialog(place.rect, scale)); })) {
            return;
        }
    }
    draw_decorations(dialog_);
}

void Win32Form::pause_list_redraw() {
    for (const auto& [id, hwnd] : controls_) {
        // Only lists that show now, so that ending the pause shows no hidden one.
        if (!is_combo_box(hwnd) || (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) == 0) continue;
        SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
        paused_lists_.push_back(hwnd);
    }
}

void Win32Form::resume_list_redraw() {
    for (HWND hwnd : paused_lists_) {
        SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    paused_lists_.clear();
}

void Win32Form::begin_update() {
    if (update_depth_++ > 0) return;
    // Only a shown dialog holds its drawing: one that is not shown yet draws
    // nothing (see hold).
    dialog_paused_ = IsWindowVisible(dialog_) != FALSE;
}

void Win32Form::hold(HWND hwnd) const {
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

void Win32Form::pause_dialog() const {
    if (!dialog_paused_ || dialog_held_) return;
    // Pausing the dialog drops what is waiting to be painted: that is painted first.
    if ((HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0) {
        RedrawWindow(dialog_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    SendMessageW(dialog_, WM_SETREDRAW, FALSE, 0);
    dialog_held_ = true;
}

void Win32Form::end_update() {
    if (update_depth_ == 0) return;
    // Still in the update while it ends, so what the pending refills change is
    // drawn with the rest.
    if (update_depth_ == 1) flush_update();
    --update_depth_;
}

namespace {
// A group box draws only its frame and its caption: inside those it draws
// nothing, and a control that lies wholly there does not overlap its drawing.
bool inside_group_box(HWND dialog, HWND box, const RECT& rect) {
    RECT inner;
    if (!is_group_box(box) || !GetWindowRect(box, &inner)) return false;
    RECT caption{0, 0, 0, 8};  // the height of the dialog font's text
    MapDialogRect(dialog, &caption);
    constexpr int kFrame = 3;  // the etched frame line is two pixels wide
    inner.left += kFrame;
    inner.right -= kFrame;
    inner.bottom -= kFrame;
    inner.top += caption.bottom;
    return rect.left >= inner.left && rect.right <= inner.right && rect.top >= inner.top &&
           rect.bottom <= inner.bottom;
}
}  // namespace

const std::vector<HWND>& Win32Form::overlapping(HWND hwnd) const {
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

void Win32Form::changed(HWND hwnd) const {
    if (!updating() || !changed_set_.insert(hwnd).second) return;
    changed_.push_back(hwnd);
    hold(hwnd);
}

void Win32Form::quiet(HWND hwnd) const {
    if (!updating()) return;
    // A list gets many entries in a refill, and one that redraws costs far
    // more per entry.
    if (std::find(quiet_lists_.begin(), quiet_lists_.end(), hwnd) == quiet_lists_.end()) {
        SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
        quiet_lists_.push_back(hwnd);
    }
    changed(hwnd);
}

void Win32Form::end_pauses() {
    std::vector<HWND> refilled;
    for (const auto& [hwnd, kept] : refills_) refilled.push_back(hwnd);
    for (HWND hwnd : refilled) finish_refill(hwnd, -1);
    for (HWND hwnd : quiet_lists_) SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    quiet_lists_.clear();
    if (dialog_held_) SendMessageW(dialog_, WM_SETREDRAW, TRUE, 0);
    dialog_held_ = false;
    drawn_at_once_ = 0;
    dialog_paused_ = false;
}

// Draws controls into the dialog in place of their own paints. Under Wine a
// control that paints itself asks the window server some eight times (its
// update region, the caret, its visible region); the dialog draws them all
// through one device context, and takes back what they had marked for the
// next paint. Each draws into a device context whose origin is its client
// area's, as the one its paint gets (a control clips its drawing to its client
// rectangle in device units), over what the dialog shows there now. Nothing
// can be drawn while the dialog is hidden or minimised.
class DialogCanvas {
public:
    // `bitmap` holds the memory picture from one canvas to the next (the size
    // of the dialog's client area: some megabytes).
    DialogCanvas(HWND dialog, HBITMAP& bitmap) : dialog_(dialog) {
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
    DialogCanvas(const DialogCanvas&) = delete;
    DialogCanvas& operator=(const DialogCanvas&) = delete;
    ~DialogCanvas() {
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

    // An edit, button, label or list (a spin draws its corner otherwise
    // when asked to draw into another device context), shown, without scroll
    // bars (its frame changes with them), without a window of its own inside
    // (an editable list's edit field) and without the caret, which its own
    // paint hides and shows again; only its client area is drawn, and `rect`
    // (screen coordinates) must not reach into its frame.
    bool can_draw(HWND hwnd, const RECT& rect) const {
        if (dc_ == nullptr || hwnd == focus_) return false;
        if (!has_class(hwnd, {WC_EDITW, L"NewEdit", WC_BUTTONW, WC_STATICW, WC_COMBOBOXW})) return false;
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        if ((style & WS_VISIBLE) == 0 || (style & (WS_VSCROLL | WS_HSCROLL)) != 0) return false;
        if ((style & 3) == CBS_DROPDOWN && is_combo_box(hwnd)) return false;  // an editable list
        RECT window, client, part;
        if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client)) return false;
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (!IntersectRect(&part, &window, &rect)) return true;
        return part.left >= client.left && part.top >= client.top && part.right <= client.right &&
               part.bottom <= client.bottom;
    }

    // The control's client area within `clip` (screen coordinates).
    void draw(HWND hwnd, const RECT& clip) {
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

    // The dialog's background within `rect` (dialog coordinates).
    void erase(const RECT& rect) {
        const int saved = SaveDC(memory_);
        IntersectClipRect(memory_, rect.left, rect.top, rect.right, rect.bottom);
        SendMessageW(dialog_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory_), 0);
        RestoreDC(memory_, saved);
        BitBlt(dc_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory_, rect.left, rect.top,
               SRCCOPY);
        take(rect);
    }

private:
    void take(const RECT& rect) { add_to_region(taken_, rect); }

    HWND dialog_;
    HDC dc_ = nullptr, memory_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    HRGN taken_ = nullptr;  // dialog coordinates
    HWND focus_ = nullptr;
};

// Each changed control is drawn again, and what overlaps the part it draws is
// drawn again there (a group box's frame line over a list), in the order a
// whole repaint draws them: the later a control in the dialog's list of
// children, the later it draws. The rest is as it was. What cannot be drawn
// on `canvas` is marked for the next paint (`marks`), except a changed
// control that drew itself or marked itself. A control's frame changes only
// with scroll bars, which a new text can change.
void Win32Form::redraw_changed(DialogCanvas& canvas, bool paused, const std::vector<HWND>& refilled,
                               std::vector<Mark>& marks) const {
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
        for (HWND other : overlapping(hwnd)) {
            RECT theirs, common;
            if (!GetWindowRect(other, &theirs) || !IntersectRect(&common, &drawn, &theirs)) continue;
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
void Win32Form::redraw_captions(DialogCanvas& canvas, HRGN region) const {
    if (captions_.empty()) return;
    RECT line{0, 0, 0, 8};  // the dialog font's height
    MapDialogRect(dialog_, &line);
    const DialogScale scale = dialog_scale(dialog_);
    std::vector<RECT> pictures;
    for (const DecorationPlace& place : decoration_places()) {
        pictures.push_back(to_rect(map_to_dialog(place.rect, scale)));
    }
    pictures.push_back(to_rect(map_to_dialog(kPortraitPlace, scale)));
    for (HWND box : captions_) {
        RECT strip;  // screen coordinates
        if (!GetWindowRect(box, &strip)) continue;
        strip.bottom = std::min(strip.bottom, strip.top + line.bottom);
        RECT inside = strip;  // dialog coordinates
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&inside), 2);
        std::vector<std::pair<HWND, RECT>> parts{{box, strip}};
        for (HWND other : overlapping(box)) {
            RECT theirs, common;
            if (GetWindowRect(other, &theirs) && IntersectRect(&common, &strip, &theirs)) {
                parts.emplace_back(other, common);
            }
        }
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

std::size_t Win32Form::place(HWND hwnd) const {
    const auto found = stacking_.find(hwnd);
    return found == stacking_.end() ? stacking_.size() : found->second;
}

void Win32Form::flush_update() {
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
}

void Win32Form::report_error(std::string_view message) {
    // The message box stands over a drawn form.
    if (updating()) flush_update();
    resume_list_redraw();
    // Messages name files and folders, which the file layer knows in the
    // system's ANSI code page.
    show_error(dialog_, ansi_to_wide(message));
}

void Win32Form::report_values(std::string_view message) {
    if (updating()) flush_update();
    resume_list_redraw();
    show_error(dialog_, to_wide(message));
}

Form::Answer Win32Form::ask(std::string_view question) {
    if (updating()) flush_update();
    resume_list_redraw();
    switch (ask_user(dialog_, to_wide(question))) {
        case IDYES: return Answer::Yes;
        case IDNO: return Answer::No;
        default: return Answer::Cancel;
    }
}

void Win32Form::focus(int id) {
    if (HWND hwnd = control(id)) SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hwnd), TRUE);
}

void Win32Form::set_language(int language) {
    const CodePage old_page = page_;
    page_ = code_page_for_language(language);
    if (page_ == old_page) return;
    // A language switch sets the captions of most controls: the dialog's
    // drawing pauses at once.
    pause_dialog();
    // The edits keep their bytes: what they show was set or typed in the old
    // page, and read back in the new one it would turn into other bytes, or
    // into '?' that Save would store. Show the same bytes in the new page.
    for (const auto& [id, hwnd] : controls_) {
        if (!is_edit_control(hwnd)) continue;
        const std::wstring shown = shown_text(hwnd);
        if (std::all_of(shown.begin(), shown.end(), [](wchar_t c) { return c < 0x80; })) continue;
        set_text(id, utf16_to_bytes(old_page, std::u16string(shown.begin(), shown.end())));
    }
}

void Win32Form::open_language_list() {
    if (updating()) flush_update();
    run_language_list(dialog_);
}

void run_language_list(HWND owner) {
    const DialogTemplate tmpl = language_list_template();
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), owner, language_list_proc, 0);
}

void show_error(HWND owner, std::wstring_view message) {
    const std::wstring title = ansi_to_wide(editor_frame().title);
    const std::wstring text(message);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

int ask_user(HWND owner, std::wstring_view question) {
    const std::wstring title = ansi_to_wide(editor_frame().title);
    const std::wstring text(question);
    return MessageBoxW(owner, text.c_str(), title.c_str(), MB_YESNOCANCEL | MB_ICONWARNING);
}

std::wstring ansi_to_wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, out.data(), needed);
    return out;
}

}  // namespace ce
