#include "app/choice_field.h"

#include <commctrl.h>

#include "app/window_data.h"

namespace ce {
namespace {

struct Watched {
    WNDPROC original = nullptr;
    const EditorState* state = nullptr;
    bool put_off = false;  // a paint was put off
    bool held = false;     // the last key pressed repeats a key held down
    bool stopped = false;  // the repeats of a held key do nothing (stop_held_key)
};

bool is_key(UINT message) { return message == WM_KEYDOWN || message == WM_CHAR || message == WM_KEYUP; }

// Whether the key message is one the field must not act on: any key while a
// question is open, and the repeats of a key held down into a question.
bool swallowed(Watched& watched, UINT message, LPARAM lparam) {
    if (!is_key(message)) return false;
    if (watched.state->asking) {
        if (message == WM_KEYDOWN) watched.stopped = true;
        return true;
    }
    // The characters of a held key's repeats, too: they were made before the
    // field saw the repeat.
    if (!watched.stopped || message == WM_CHAR) return watched.stopped;
    if (message == WM_KEYDOWN && (lparam & 0x40000000) != 0) return true;
    watched.stopped = false;  // let go, or pressed anew
    return false;
}

auto& fields() { return window_data<Watched>(); }

LRESULT CALLBACK field_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto found = fields().find(hwnd);
    if (found == fields().end()) return DefWindowProcW(hwnd, message, wparam, lparam);
    Watched& watched = found->second;
    const WNDPROC original = watched.original;
    if (swallowed(watched, message, lparam)) return 0;
    if (message == WM_KEYDOWN) watched.held = (lparam & 0x40000000) != 0;  // the key was down before
    if (message == WM_PAINT && watched.state->choice_pending) {
        ValidateRect(hwnd, nullptr);
        watched.put_off = true;
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        fields().erase(found);
    }
    return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

}  // namespace

void watch_choice_field(HWND field, const EditorState& state) {
    if (field == nullptr || fields().count(field) != 0) return;
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(field, GWLP_WNDPROC));
    fields()[field] = Watched{original, &state, false, false, false};
    SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&field_proc));
}

void stop_held_key(HWND field) {
    const auto found = fields().find(field);
    if (found != fields().end()) found->second.stopped = true;
}

void release_choice_field(HWND field) {
    const auto found = fields().find(field);
    if (found == fields().end() || !found->second.put_off) return;
    found->second.put_off = false;
    RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool choice_key_held(HWND field) {
    const auto found = fields().find(field);
    return found != fields().end() && found->second.held;
}

HWND edit_field_of(HWND list) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return list != nullptr && GetComboBoxInfo(list, &info) ? info.hwndItem : nullptr;
}

}  // namespace ce
