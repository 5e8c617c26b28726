// The editor form and the language list form as the dialog manager builds
// them from the in-memory templates: every control of the catalogue, in order,
// with its class, styles and place.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "app/dialog_template.h"
#include "app/editor_shell.h"
#include "form/catalogue.h"
#include "win32_support.h"

namespace ce {
namespace {

INT_PTR CALLBACK quiet_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring class_of(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring text_of(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

std::vector<HWND> children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

RECT dialog_rect(HWND dialog, int x, int y, int w, int h) {
    RECT r{x, y, x + w, y + h};
    MapDialogRect(dialog, &r);
    return r;
}

RECT client_rect_of(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct Window {
    HWND hwnd;
    ~Window() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
};

TEST(DialogTemplate, EditorFormHasEveryControlOfTheCatalogueInOrderAndPlace) {
    Window dialog{test::create_editor_window(quiet_proc, 0)};
    const auto catalogue = editor_controls();
    const std::vector<HWND> made = children(dialog.hwnd);
    ASSERT_EQ(made.size(), catalogue.size());
    ASSERT_EQ(made.size(), 288u);
    for (std::size_t i = 0; i < made.size(); ++i) {
        const Control& c = catalogue[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(c.id));
        EXPECT_EQ(GetDlgCtrlID(made[i]), c.id);
        EXPECT_EQ(lstrcmpiW(class_of(made[i]).c_str(), control_class(c)), 0);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(made[i], GWL_STYLE));
        // Every style bit the catalogue asks for is there (the platform may add its own).
        // (Edits and combo boxes take WS_BORDER and WS_VSCROLL over and draw them themselves.)
        const DWORD kept = control_style(c) & ~(WS_VISIBLE | WS_BORDER | WS_VSCROLL);
        EXPECT_EQ(style & kept, kept);
        EXPECT_TRUE(IsWindowVisible(made[i]));
        const DWORD ex = static_cast<DWORD>(GetWindowLongW(made[i], GWL_EXSTYLE));
        EXPECT_EQ(ex & control_ex_style(c), control_ex_style(c));
        // Spins place themselves against their buddy, which narrows; a drop-down's
        // height in the catalogue is that of its opened list.
        const bool moved = c.kind == Kind::Spin;
        const bool narrowed = i + 1 < catalogue.size() && catalogue[i + 1].kind == Kind::Spin;
        const bool combo = c.kind == Kind::ComboEdit || c.kind == Kind::ComboList;
        // The dialog manager maps the origin and the size each on their own.
        const RECT origin = dialog_rect(dialog.hwnd, c.x, c.y, 0, 0);
        const RECT size = dialog_rect(dialog.hwnd, 0, 0, c.w, c.h);
        const RECT got = client_rect_of(dialog.hwnd, made[i]);
        if (!moved) {
            EXPECT_EQ(got.left, origin.left);
            EXPECT_EQ(got.top, origin.top);
            if (!narrowed) {
                EXPECT_EQ(got.right - got.left, size.right);
            }
            if (!combo) {
                EXPECT_EQ(got.bottom - got.top, size.bottom);
            }
        }
        if (moved) {
            // The buddy is the control just before it, and the spin sits at its right edge.
            HWND buddy = reinterpret_cast<HWND>(SendMessageW(made[i], UDM_GETBUDDY, 0, 0));
            EXPECT_EQ(buddy, made[i - 1]);
            const RECT buddy_rect = client_rect_of(dialog.hwnd, made[i - 1]);
            // (it overlaps the buddy's border by up to two pixels)
            EXPECT_LE(std::abs(got.left - buddy_rect.right), 2);
            EXPECT_EQ(got.top, buddy_rect.top);
        }
        if (c.text[0] != 0 && c.kind != Kind::Spin) {
            EXPECT_EQ(text_of(made[i]), ansi_to_wide(c.text));
        }
    }
}

TEST(DialogTemplate, StylesFollowTheKindAndFlags) {
    Window dialog{test::create_editor_window(quiet_proc, 0)};
    auto style = [&](int id) { return static_cast<DWORD>(GetWindowLongW(GetDlgItem(dialog.hwnd, id), GWL_STYLE)); };
    auto ex = [&](int id) { return static_cast<DWORD>(GetWindowLongW(GetDlgItem(dialog.hwnd, id), GWL_EXSTYLE)); };

    EXPECT_EQ(style(2003) & (BS_TYPEMASK | BS_FLAT), static_cast<DWORD>(BS_GROUPBOX | BS_FLAT));
    EXPECT_EQ(style(2000) & BS_FLAT, static_cast<DWORD>(BS_FLAT));
    EXPECT_EQ(style(2004) & BS_FLAT, 0u);
    EXPECT_EQ(style(2004) & BS_CENTER, static_cast<DWORD>(BS_CENTER));

    EXPECT_EQ(style(2100) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));  // not a default button
    EXPECT_NE(style(2100) & WS_TABSTOP, 0u);
    EXPECT_NE(ex(2100) & WS_EX_DLGMODALFRAME, 0u);
    EXPECT_EQ(style(2019) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));

    EXPECT_EQ(style(2008) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTORADIOBUTTON));
    EXPECT_NE(style(2008) & WS_GROUP, 0u);
    EXPECT_EQ(style(2009) & WS_GROUP, 0u);
    EXPECT_NE(style(2001) & WS_GROUP, 0u);
    EXPECT_EQ(style(2002) & WS_GROUP, 0u);

    EXPECT_EQ(style(300) & 3, static_cast<DWORD>(CBS_DROPDOWN));
    EXPECT_NE(style(300) & WS_TABSTOP, 0u);
    EXPECT_EQ(style(301) & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(style(301) & WS_TABSTOP, 0u);
    EXPECT_EQ(style(301) & CBS_SORT, 0u);
    // Combo boxes and edits consume these two; the template carries them.
    auto asked = [](int id) { return control_style(*find_control(editor_controls(), id)); };
    EXPECT_NE(asked(301) & WS_VSCROLL, 0u);
    EXPECT_NE(asked(300) & WS_VSCROLL, 0u);
    EXPECT_NE(asked(5000) & WS_BORDER, 0u);
    EXPECT_NE(asked(70) & WS_BORDER, 0u);
    EXPECT_EQ(asked(5002) & WS_BORDER, 0u);

    EXPECT_NE(style(122) & ES_UPPERCASE, 0u);
    EXPECT_NE(style(121) & ES_AUTOHSCROLL, 0u);
    EXPECT_EQ(style(5000) & ES_AUTOHSCROLL, 0u);
    EXPECT_NE(style(70) & ES_NUMBER, 0u);
    EXPECT_EQ(style(70) & ES_RIGHT, static_cast<DWORD>(ES_RIGHT));
    EXPECT_EQ(style(87) & ES_CENTER, static_cast<DWORD>(ES_CENTER));

    EXPECT_EQ(class_of(GetDlgItem(dialog.hwnd, 5002)), L"NewEdit");
    EXPECT_EQ(style(5002) & WS_BORDER, 0u);
    EXPECT_EQ(style(5002) & ES_CENTER, static_cast<DWORD>(ES_CENTER));
    EXPECT_NE(ex(5002) & WS_EX_CLIENTEDGE, 0u);
    EXPECT_NE(style(5001) & ES_MULTILINE, 0u);
    EXPECT_NE(style(5001) & WS_VSCROLL, 0u);
    EXPECT_NE(ex(5001) & WS_EX_CLIENTEDGE, 0u);

    const DWORD spin = style(1917);
    const DWORD wanted = UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
    EXPECT_EQ(spin & wanted, wanted);
}

TEST(DialogTemplate, EditorFrameIsFixedCentredWithTitleAndMenu) {
    Window dialog{test::create_editor_window(quiet_proc, 0)};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.hwnd, GWL_STYLE));
    EXPECT_NE(style & WS_CAPTION, 0u);
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0u);
    EXPECT_EQ(style & WS_THICKFRAME, 0u);
    EXPECT_EQ(text_of(dialog.hwnd), L"Quelmarn - Creatures Editor (Tirrowe edition)");

    RECT client;
    GetClientRect(dialog.hwnd, &client);
    const RECT want = dialog_rect(dialog.hwnd, 0, 0, 674, 366);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);

    // Centred on the screen.
    RECT window;
    GetWindowRect(dialog.hwnd, &window);
    const int screen_w = GetSystemMetrics(SM_CXSCREEN);
    const int centre = (window.left + window.right) / 2;
    EXPECT_LE(std::abs(centre - screen_w / 2), 2);

    // A bar of the nine commands, without pop-ups.
    HMENU bar = GetMenu(dialog.hwnd);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 9);
    const auto items = editor_menu();
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(GetMenuItemID(bar, i), static_cast<UINT>(items[i].id));
        EXPECT_EQ(GetSubMenu(bar, i), nullptr);
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(text), ansi_to_wide(items[i].text));
    }
}

TEST(DialogTemplate, LanguageListFormHasItsOwnControlsAndNoSystemMenu) {
    const DialogTemplate tmpl = language_list_template();
    Window dialog{CreateDialogIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), nullptr, quiet_proc, 0)};
    ASSERT_NE(dialog.hwnd, nullptr);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.hwnd, GWL_STYLE));
    EXPECT_NE(style & WS_CAPTION, 0u);
    EXPECT_EQ(style & WS_SYSMENU, 0u);
    EXPECT_EQ(GetMenu(dialog.hwnd), nullptr);
    EXPECT_EQ(text_of(dialog.hwnd), L"");

    const std::vector<HWND> made = children(dialog.hwnd);
    const auto catalogue = language_list_controls();
    ASSERT_EQ(made.size(), 21u);
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(GetDlgCtrlID(made[i]), catalogue[i].id);
        EXPECT_EQ(text_of(made[i]), ansi_to_wide(catalogue[i].text));
    }
    HWND label = GetDlgItem(dialog.hwnd, 1000);
    EXPECT_EQ(text_of(label), L"Chinese : ");
    EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog.hwnd, 1259), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    HWND ok = GetDlgItem(dialog.hwnd, 1);
    EXPECT_EQ(text_of(ok), L"OK");
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

}  // namespace
}  // namespace ce
