#include "app/spin_buddy.h"

#include <commctrl.h>

#include "app/window_data.h"

namespace ce {
namespace {

struct Procs {
    WNDPROC hooked = nullptr;  // the spin's hook, then the class procedure
    WNDPROC own = nullptr;     // the buddy's class procedure
};

// Not a window property: that would cost the very request this saves.
auto& buddies() { return window_data<Procs>(); }

LRESULT CALLBACK buddy_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto found = buddies().find(hwnd);
    if (found == buddies().end()) return DefWindowProcW(hwnd, message, wparam, lparam);
    const Procs procs = found->second;
    if (message == WM_NCDESTROY) {
        // The hook removes itself as it ends: it must find itself on top.
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procs.hooked));
        buddies().erase(found);
    }
    return CallWindowProcW(spin_hook_needs(message) ? procs.hooked : procs.own, hwnd, message, wparam, lparam);
}

bool is_spin(HWND hwnd) {
    wchar_t name[32] = {};
    return GetClassNameW(hwnd, name, 32) != 0 && lstrcmpiW(name, UPDOWN_CLASSW) == 0;
}

bool shorten(HWND buddy) {
    if (buddy == nullptr || buddies().count(buddy) != 0) return buddy != nullptr;
    const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(buddy, GCLP_WNDPROC));
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(buddy, GWLP_WNDPROC));
    // Not hooked (or by something else than the spin alone): left as it is.
    if (own == nullptr || current == nullptr || current == own) return false;
    buddies()[buddy] = Procs{current, own};
    SetWindowLongPtrW(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&buddy_proc));
    return true;
}

}  // namespace

bool spin_hook_needs(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_MOUSEWHEEL ||
           message == WM_MOUSEHWHEEL || message == WM_SETFOCUS || message == WM_KILLFOCUS ||
           message == WM_DESTROY || message == WM_NCDESTROY;
}

int shorten_buddy_hooks(HWND dialog) {
    int count = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!is_spin(child)) continue;
        if (shorten(reinterpret_cast<HWND>(SendMessageW(child, UDM_GETBUDDY, 0, 0)))) ++count;
    }
    return count;
}

bool buddy_hook_shortened(HWND buddy) {
    return buddies().count(buddy) != 0 &&
           GetWindowLongPtrW(buddy, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&buddy_proc);
}

}  // namespace ce
