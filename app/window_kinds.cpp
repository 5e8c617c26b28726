#include "app/window_kinds.h"

#include <commctrl.h>

#include <algorithm>

namespace ce {

bool has_class(HWND hwnd, std::initializer_list<const wchar_t*> classes) {
    wchar_t name[16] = {};
    if (GetClassNameW(hwnd, name, 16) == 0) return false;
    return std::any_of(classes.begin(), classes.end(), [&](const wchar_t* c) { return lstrcmpiW(name, c) == 0; });
}

bool is_combo_box(HWND hwnd) { return has_class(hwnd, {WC_COMBOBOXW}); }

bool is_editable_combo(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & 3) == CBS_DROPDOWN && is_combo_box(hwnd);
}

bool is_edit_control(HWND hwnd) { return has_class(hwnd, {WC_EDITW, L"NewEdit"}); }

bool is_one_line_edit(HWND hwnd) {
    return is_edit_control(hwnd) && (GetWindowLongW(hwnd, GWL_STYLE) & ES_MULTILINE) == 0;
}

bool is_group_box(HWND hwnd) {
    return has_class(hwnd, {WC_BUTTONW}) && (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

int caption_height(HWND dialog) {
    RECT line{0, 0, 0, 8};  // eight dialog units: the font's height
    MapDialogRect(dialog, &line);
    return line.bottom;
}

}  // namespace ce
