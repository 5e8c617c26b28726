#include "app/win32_form.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/draw_scheduler.h"
#include "app/editor_shell.h"
#include "app/spin_buddy.h"
#include "app/window_data.h"
#include "app/window_kinds.h"
#include "form/catalogue.h"
#include "picture/draw_win32.h"

namespace ce {
namespace {

// The forms watching each dialog, and the dialog's own procedure.
struct Watch {
    WNDPROC original = nullptr;
    std::vector<Win32Form*> forms;
};
auto& watched_dialogs() { return window_data<Watch>(); }

std::wstring window_text(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The text of entry `index` of a combo box; nothing when it has none.
std::optional<std::wstring> entry_text(HWND list, int index) {
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::nullopt;
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == CB_ERR) return std::nullopt;
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The text of row `index` of a list box; nothing when it has none.
std::optional<std::wstring> row_text(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) return std::nullopt;
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// A list box scrolls sideways as far as its widest row.
void fit_row_width(HWND list, const std::wstring& text) {
    HDC dc = GetDC(list);
    if (dc == nullptr) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    const LRESULT extent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + 8 > extent) SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
}

// The dialog's font, MS Sans Serif, is a bitmap font, and an edit leaves no
// margins beside the text of such a font. A TrueType font standing in for it
// (under Wine whose prefix lacks Wine's own fonts, the system's sans-serif
// face, with digits as wide) gets margins of three pixels a side, which the
// number fields, a few digits wide, cannot spare: every one-line edit gets
// the margins of the dialog's own font.
void fit_margins(HWND edit) { SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0); }

// An edit too narrow for its text is left scrolled to where its caret was;
// once it loses the focus it shows the text from its start again.
void show_from_start(HWND hwnd) {
    if (!is_one_line_edit(hwnd)) return;
    SendMessageW(hwnd, EM_SETSEL, 0, 0);
    SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
}

void word_language_list(HWND dialog, int language) {
    for (const ListedLanguage& listed : listed_languages()) {
        const std::string_view name = message_text(language, listed.words);
        const UserText label = say(language, MessageKey::language_label, {{"language", name}});
        SetDlgItemTextW(dialog, listed.label, user_text_wide(label, language).c_str());
        SetDlgItemTextW(dialog, listed.name, words_wide(language, listed.words).c_str());
    }
    SetDlgItemTextW(dialog, kLanguageListOk, words_wide(language, MessageKey::button_ok).c_str());
}

// The language list form's own small event routine; its creation parameter
// is the language it speaks.
INT_PTR CALLBACK language_list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            word_language_list(dialog, static_cast<int>(lparam));
            return TRUE;  // focus on OK
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

// While one of the editor's message boxes opens and is open: its buttons get
// the editor's words, and a key held down since before it (a held arrow key
// that met a question) repeats into nothing until it is let go, so that it
// neither moves the box's focus from button to button nor, once the box has
// closed, goes on past the question. Boxes may nest; the newest acts.
class MessageBoxHooks {
public:
    MessageBoxHooks(HWND owner, int language) : owner_(owner), language_(language), outer_(current_) {
        current_ = this;
        const DWORD thread = GetCurrentThreadId();
        words_ = SetWindowsHookExW(WH_CBT, &MessageBoxHooks::on_cbt, nullptr, thread);
        keys_ = SetWindowsHookExW(WH_KEYBOARD, &MessageBoxHooks::on_key, nullptr, thread);
    }
    ~MessageBoxHooks() {
        if (keys_ != nullptr) UnhookWindowsHookEx(keys_);
        if (words_ != nullptr) UnhookWindowsHookEx(words_);
        current_ = outer_;
    }
    MessageBoxHooks(const MessageBoxHooks&) = delete;
    MessageBoxHooks& operator=(const MessageBoxHooks&) = delete;

private:
    static LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
        MessageBoxHooks* self = current_;
        if (self != nullptr && code == HCBT_ACTIVATE) self->word_buttons(reinterpret_cast<HWND>(wparam));
        return CallNextHookEx(self != nullptr ? self->words_ : nullptr, code, wparam, lparam);
    }
    static LRESULT CALLBACK on_key(int code, WPARAM wparam, LPARAM lparam) {
        MessageBoxHooks* self = current_;
        if (self != nullptr && code >= 0 && self->dropping_) {
            const bool released = (lparam & 0x80000000) != 0;
            const bool repeated = (lparam & 0x40000000) != 0;
            if (!released && repeated) return 1;
            self->dropping_ = false;  // let go, or a key pressed anew
        }
        return CallNextHookEx(self != nullptr ? self->keys_ : nullptr, code, wparam, lparam);
    }
    void word_buttons(HWND box) const {
        if (box == owner_ || GetWindow(box, GW_OWNER) != owner_) return;
        constexpr struct {
            int id;
            MessageKey words;
        } kButtons[] = {{IDOK, MessageKey::button_ok},
                        {IDYES, MessageKey::button_yes},
                        {IDNO, MessageKey::button_no},
                        {IDCANCEL, MessageKey::button_cancel}};
        for (const auto& button : kButtons)
            if (HWND hwnd = GetDlgItem(box, button.id)) SetWindowTextW(hwnd, words_wide(language_, button.words).c_str());
    }

    static inline MessageBoxHooks* current_ = nullptr;
    HWND owner_;
    int language_;
    MessageBoxHooks* outer_;
    HHOOK words_ = nullptr;
    HHOOK keys_ = nullptr;
    bool dropping_ = true;
};

int message_box(HWND owner, std::wstring_view message, int language, UINT type) {
    const std::wstring title = words_wide(language, MessageKey::editor_title);
    const std::wstring text(message);
    const MessageBoxHooks hooks(owner, language);
    return MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

}  // namespace

Win32Form::Win32Form(HWND dialog) : dialog_(dialog) {
    // Children in Z order are the controls in creation order: the dialog
    // manager puts each new control at the bottom. The first one wins.
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (controls_.try_emplace(id, child).second && has_class(child, {L"ListBox"})) list_boxes_.emplace(id, child);
        children.push_back(child);
        if (is_one_line_edit(child)) fit_margins(child);
    }
    drawing_ = std::make_unique<DrawScheduler>(dialog_, controls_, children, [this] { finish_refills(); });
    shorten_buddy_hooks(dialog_);
    Watch& watch = watched_dialogs()[dialog_];
    if (watch.forms.empty()) {
        watch.original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Form::watch_dialog)));
    }
    watch.forms.push_back(this);
}

Win32Form::~Win32Form() {
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
    if (message == WM_COMMAND && HIWORD(wparam) == EN_KILLFOCUS && lparam != 0) {
        show_from_start(reinterpret_cast<HWND>(lparam));
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

HWND Win32Form::list_box(int id) const {
    // The editor form has none: its list operations ask nothing more of the window.
    if (list_boxes_.empty()) return nullptr;
    const auto found = list_boxes_.find(id);
    return found == list_boxes_.end() ? nullptr : found->second;
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
        drawing_->caption_changed(hwnd);
    } else {
        // A button or label draws its new caption at once, which costs more
        // than the pause of the dialog's drawing.
        if (!is_edit) drawing_->pause_dialog();
        drawing_->changed(hwnd);
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
    drawing_->changed(hwnd);
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
        drawing_->changed(hwnd);
        SendMessageW(hwnd, BM_SETCHECK, wanted, 0);
    }
}

void Win32Form::select_item(int id, int index) {
    if (HWND rows = list_box(id)) {
        const LRESULT count = SendMessageW(rows, LB_GETCOUNT, 0, 0);
        SendMessageW(rows, LB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
        return;
    }
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
        if (window_text(hwnd) == (chosen == -1 ? std::wstring() : entry_text(hwnd, chosen).value_or(L""))) return;
    }
    drawing_->changed(hwnd);
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

int Win32Form::selected_item(int id) const {
    if (HWND rows = list_box(id)) {
        const LRESULT index = SendMessageW(rows, LB_GETCURSEL, 0, 0);
        return index == LB_ERR ? -1 : static_cast<int>(index);
    }
    HWND hwnd = list(id);
    if (hwnd == nullptr) return 0;
    settle(hwnd);
    const LRESULT index = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32Form::clear_items(int id) {
    if (HWND rows = list_box(id)) {
        SendMessageW(rows, LB_RESETCONTENT, 0, 0);
        SendMessageW(rows, LB_SETHORIZONTALEXTENT, 0, 0);
        return;
    }
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
    drawing_->quiet(hwnd);
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    entries_[hwnd].clear();
    // The edit field of an editable drop-down goes with the entries.
    if (is_editable_combo(hwnd)) SetWindowTextW(hwnd, L"");
}

int Win32Form::add_item(int id, std::string_view text) {
    if (HWND rows = list_box(id)) {
        const std::wstring wide = to_wide(text);
        fit_row_width(rows, wide);
        return static_cast<int>(SendMessageW(rows, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
    }
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
    drawing_->quiet(hwnd);
    const LRESULT index = SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) entries_[hwnd].push_back(text);
    return static_cast<int>(index);
}

// Leaves the first `keep` entries, by the fewer messages: deleting the rest
// one by one, or emptying the list and adding the first ones again.
void Win32Form::cut_entries(HWND hwnd, std::size_t keep) const {
    std::vector<std::wstring>& held = entries(hwnd);
    if (keep >= held.size()) return;
    drawing_->quiet(hwnd);
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
        for (int i = 0; i < count; ++i) held.push_back(entry_text(hwnd, i).value_or(L""));
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
    if (HWND rows = list_box(id)) {
        const std::wstring wide = to_wide(text);
        fit_row_width(rows, wide);
        return static_cast<int>(
            SendMessageW(rows, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str())));
    }
    HWND hwnd = list(id);
    if (hwnd == nullptr) return -1;
    settle(hwnd);
    drawing_->changed(hwnd);
    const std::wstring wide = to_wide(text);
    const LRESULT at = SendMessageW(hwnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
    entries_.erase(hwnd);  // read again when next needed
    return static_cast<int>(at);
}

void Win32Form::delete_item(int id, int index) {
    if (HWND rows = list_box(id)) {
        SendMessageW(rows, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        return;
    }
    HWND hwnd = list(id);
    if (hwnd == nullptr) return;
    settle(hwnd);
    drawing_->changed(hwnd);
    SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    entries_.erase(hwnd);
}

std::optional<std::string> Win32Form::item_text(int id, int index) const {
    if (HWND rows = list_box(id)) {
        const std::optional<std::wstring> text = row_text(rows, index);
        if (!text) return std::nullopt;
        return to_bytes(*text);
    }
    HWND hwnd = list(id);
    if (hwnd == nullptr) return std::nullopt;
    settle(hwnd);
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return std::nullopt;
    const std::optional<std::wstring> text = entry_text(hwnd, index);
    if (!text) return std::nullopt;
    return to_bytes(*text);
}

void Win32Form::set_enabled(int id, bool enabled) {
    HWND hwnd = control(id);
    if (hwnd == nullptr || (IsWindowEnabled(hwnd) != FALSE) == enabled) return;
    drawing_->changed(hwnd);
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
    if (HWND rows = list_box(id)) {
        const LRESULT count = SendMessageW(rows, LB_GETCOUNT, 0, 0);
        return count == LB_ERR ? 0 : static_cast<int>(count);
    }
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
    if (drawing_->defer_portrait()) return;
    const std::optional<RECT>& area = drawing_->paint_area();
    if (area && !meets(*area, map_to_dialog(kPortraitPlace, dialog_scale(dialog_)))) return;
    draw_portrait(dialog_, index);
}

void Win32Form::paint_decorations() {
    if (const std::optional<RECT>& area = drawing_->paint_area()) {
        const DialogScale scale = dialog_scale(dialog_);
        const auto places = decoration_places();
        if (std::none_of(places.begin(), places.end(),
                         [&](const DecorationPlace& place) { return meets(*area, map_to_dialog(place.rect, scale)); })) {
            return;
        }
    }
    draw_decorations(dialog_);
}

void Win32Form::begin_update() { drawing_->begin_update(); }
void Win32Form::end_update() { drawing_->end_update(); }
bool Win32Form::updating() const { return drawing_->updating(); }
void Win32Form::hold_drawing() { drawing_->pause_dialog(); }
void Win32Form::flush_update() { drawing_->flush(); }
void Win32Form::set_paint_area(std::optional<RECT> area) { drawing_->set_paint_area(area); }
void Win32Form::pause_list_redraw() { drawing_->pause_lists(); }
void Win32Form::resume_list_redraw() { drawing_->resume_lists(); }
bool Win32Form::list_redraw_paused() const { return drawing_->lists_paused(); }

void Win32Form::finish_refills() const {
    std::vector<HWND> refilled;
    for (const auto& [hwnd, kept] : refills_) refilled.push_back(hwnd);
    for (HWND hwnd : refilled) finish_refill(hwnd, -1);
}

void Win32Form::ready_for_message_box() {
    // A message box stands over a drawn form.
    if (updating()) flush_update();
    resume_list_redraw();
}

void Win32Form::report_error(const UserText& message) {
    ready_for_message_box();
    show_error(dialog_, user_text_wide(message, language_), language_);
}

Form::Answer Win32Form::ask(const UserText& question) {
    ready_for_message_box();
    switch (ask_user(dialog_, user_text_wide(question, language_), language_)) {
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
    language_ = language == 1 ? 1 : 0;
    page_ = code_page_for_language(language);
    if (page_ == old_page) return;
    // A language switch sets the captions of most controls: the dialog's
    // drawing pauses at once.
    drawing_->pause_dialog();
    // The edits keep their bytes: what they show was set or typed in the old
    // page, and read back in the new one it would turn into other bytes, or
    // into '?' that Save would store. Show the same bytes in the new page.
    for (const auto& [id, hwnd] : controls_) {
        if (!is_edit_control(hwnd)) continue;
        const std::wstring shown = shown_text(hwnd);
        if (std::all_of(shown.begin(), shown.end(), [](wchar_t c) { return c < 0x80; })) continue;
        set_text(id, utf16_to_bytes(old_page, std::u16string(shown.begin(), shown.end())));
    }
    show_own_words();
}

void Win32Form::show_own_words() {
    // Only the editor's frame carries its menu; the frame of any other form
    // keeps its title.
    HMENU bar = GetMenu(dialog_);
    if (bar == nullptr) return;
    SetWindowTextW(dialog_, words_wide(language_, MessageKey::editor_title).c_str());
    for (const MenuItem& item : editor_menu()) {
        const std::wstring text = words_wide(language_, item.words);
        ModifyMenuW(bar, static_cast<UINT>(item.id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(item.id),
                    text.c_str());
    }
    DrawMenuBar(dialog_);
}

void Win32Form::open_language_list() {
    if (updating()) flush_update();
    run_language_list(dialog_, language_);
}

namespace {

// What a window of the editor's own keeps while it is open.
struct OpenWindow {
    FormWindow& window;
    int language;
    std::unique_ptr<Win32Form> form;
};

}  // namespace

INT_PTR CALLBACK Win32Form::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    auto* open = reinterpret_cast<OpenWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (open == nullptr) return FALSE;
    if (const INT_PTR brush = control_colours(message, reinterpret_cast<HDC>(wparam))) return brush;
    // No exception crosses the window procedure.
    try {
        switch (message) {
            case WM_INITDIALOG: {
                open->form = std::make_unique<Win32Form>(hwnd);
                open->form->language_ = open->language;
                open->form->page_ = code_page_for_language(open->language);
                const WindowLayout& layout = open->window.layout();
                SetWindowTextW(hwnd, words_wide(open->language, layout.title).c_str());
                word_window(*open->form, layout);
                open->window.on_initialise(*open->form);
                return TRUE;  // the first control that takes the focus has it
            }
            case WM_COMMAND:
                if (open->form != nullptr && open->window.on_command(*open->form, static_cast<std::uint32_t>(wparam)))
                    EndDialog(hwnd, 0);
                return TRUE;
            default: break;
        }
    } catch (const std::exception& e) {
        show_error(hwnd, ansi_to_wide(e.what()), open->language);
    } catch (...) {
        show_error(hwnd, words_wide(open->language, MessageKey::unexpected_unknown_error), open->language);
    }
    return FALSE;
}

void Win32Form::open_window(FormWindow& window) {
    if (updating()) flush_update();
    OpenWindow open{window, language_, nullptr};
    const DialogTemplate tmpl = window_template(window.layout());
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), dialog_, window_proc, reinterpret_cast<LPARAM>(&open));
}

namespace {

// A path from the choosers in the system's code page, as the core names files.
std::string wide_to_ansi(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

std::optional<std::string> choose_folder(HWND owner, const std::wstring& title) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr) return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!found) return std::nullopt;
    return wide_to_ansi(path);
}

}  // namespace

std::optional<std::string> Win32Form::choose_path(PathChoice what) {
    if (updating()) flush_update();
    const bool table = what == PathChoice::OpenTable || what == PathChoice::SaveTable;
    const bool open = what == PathChoice::OpenMod || what == PathChoice::OpenTable;
    const MessageKey title_key = what == PathChoice::OpenMod      ? MessageKey::choose_mod
                                 : what == PathChoice::BaseFolder ? MessageKey::choose_base
                                 : what == PathChoice::OpenTable  ? MessageKey::choose_table
                                 : what == PathChoice::SaveTable  ? MessageKey::choose_table_file
                                                                  : MessageKey::choose_mod_file;
    const std::wstring title = words_wide(language_, title_key);
    if (what == PathChoice::BaseFolder) return choose_folder(dialog_, title);
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW file{};
    file.lStructSize = sizeof file;
    file.hwndOwner = dialog_;
    file.lpstrFilter = table ? L"CSV (*.csv)\0*.csv\0JSON (*.json)\0*.json\0*.*\0*.*\0"
                             : L"JSON (*.json)\0*.json\0*.*\0*.*\0";
    file.lpstrFile = path;
    file.nMaxFile = MAX_PATH;
    file.lpstrTitle = title.c_str();
    file.lpstrDefExt = table ? L"csv" : L"json";
    file.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                 (open ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : OFN_OVERWRITEPROMPT);
    const BOOL chosen = open ? GetOpenFileNameW(&file) : GetSaveFileNameW(&file);
    if (!chosen) return std::nullopt;
    return wide_to_ansi(path);
}

void run_language_list(HWND owner, int language) {
    const DialogTemplate tmpl = language_list_template();
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), owner, language_list_proc, language);
}

std::wstring user_text_wide(const UserText& text, int language) {
    const CodePage page = code_page_for_language(language);
    std::wstring out;
    for (const UserText::Piece& piece : text.pieces()) {
        if (piece.system) {
            out += ansi_to_wide(piece.bytes);
        } else {
            const std::u16string units = bytes_to_utf16(page, piece.bytes);
            out.append(units.begin(), units.end());
        }
    }
    return out;
}

std::wstring words_wide(int language, MessageKey key) {
    const std::u16string units = bytes_to_utf16(code_page_for_language(language), message_text(language, key));
    return std::wstring(units.begin(), units.end());
}

void show_error(HWND owner, std::wstring_view message, int language) {
    message_box(owner, message, language, MB_OK | MB_ICONERROR);
}

int ask_user(HWND owner, std::wstring_view question, int language) {
    return message_box(owner, question, language, MB_YESNOCANCEL | MB_ICONWARNING);
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
