#include "win32_support.h"

#include <commctrl.h>

#include <cstring>
#include <stdexcept>

#include "app/dialog_template.h"
#include "app/editor_shell.h"
#include "form/catalogue.h"
#include "support/data_folder.h"

namespace ce::test {
namespace {

int beeps = 0;

BOOL WINAPI counting_beep(UINT) {
    ++beeps;
    return TRUE;
}

// Points this program's import of MessageBeep at the counter.
void patch_message_beep() {
    static bool patched = false;
    if (patched) return;
    patched = true;
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "user32.dll") != 0) continue;
        if (imp->OriginalFirstThunk == 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), "MessageBeep") != 0) continue;
            DWORD old = 0;
            VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), PAGE_READWRITE, &old);
            addresses->u1.Function = reinterpret_cast<DWORD_PTR>(&counting_beep);
            VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), old, &old);
            return;
        }
    }
    throw std::runtime_error("MessageBeep is not imported by this program");
}

HWND edit_of(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, WC_COMBOBOXW) != 0) return control;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(control, &info) ? info.hwndItem : nullptr;
}

// --- the modal closer --------------------------------------------------------

HHOOK closer_hook = nullptr;
std::vector<std::wstring> closed_messages;
std::vector<std::wstring> closed_titles;
int closed_language_lists = 0;
bool close_with_escape = false;
std::vector<std::wstring> asked_questions;
std::vector<std::wstring> box_words;
int question_answer = IDNO;

std::wstring text_of(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Every word of a message box: its title, its text and its buttons' texts,
// one line each.
std::wstring words_of_box(HWND box, const std::wstring& text) {
    std::wstring words = text_of(box) + L"\n" + text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Button") == 0) words += L"\n" + text_of(child);
    }
    return words;
}

// The message text of a message box: the longest static text in it.
std::wstring message_box_text(HWND box) {
    std::wstring best;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") != 0) continue;
        std::wstring text = text_of(child);
        if (text.size() > best.size()) best = text;
    }
    return best;
}

LRESULT CALLBACK closer_proc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        HWND hwnd = reinterpret_cast<HWND>(wparam);
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        // The editor's own windows (the form has the Save button, the History
        // window its list of entries, the Apply mod window its list of changes)
        // and the system's file chooser (its file name box) are left alone.
        const bool left_alone = GetDlgItem(hwnd, 2100) != nullptr || GetDlgItem(hwnd, 4002) != nullptr ||
                                GetDlgItem(hwnd, 4102) != nullptr || GetDlgItem(hwnd, 1148) != nullptr ||
                                GetDlgItem(hwnd, 1152) != nullptr;
        if (lstrcmpW(name, L"#32770") == 0 && !left_alone) {
            const bool question = GetDlgItem(hwnd, IDYES) != nullptr;
            if (GetDlgItem(hwnd, 1000) != nullptr) {
                ++closed_language_lists;
            } else if (question) {
                asked_questions.push_back(message_box_text(hwnd));
                box_words.push_back(words_of_box(hwnd, asked_questions.back()));
            } else {
                closed_messages.push_back(message_box_text(hwnd));
                closed_titles.push_back(text_of(hwnd));
                box_words.push_back(words_of_box(hwnd, closed_messages.back()));
            }
            if (question) {
                PostMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(question_answer), 0);
            } else if (close_with_escape) {
                PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
            } else {
                PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
            }
        }
    }
    return CallNextHookEx(closer_hook, code, wparam, lparam);
}

template <typename T>
T take(T& value) {
    T out = std::move(value);
    value = T{};
    return out;
}

}  // namespace

int take_beep_count() {
    patch_message_beep();
    return take(beeps);
}

void pump(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HWND button_of(HWND dialog, int id) {
    // The first button with this id that can be clicked (2101: the jump
    // button, not the portrait frame before it).
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) != id) continue;
        wchar_t name[16] = {};
        GetClassNameW(c, name, 16);
        if (lstrcmpiW(name, WC_BUTTONW) != 0) continue;
        if ((GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) continue;
        return c;
    }
    return nullptr;
}

HWND nth_control(HWND dialog, int id, int occurrence) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) == id && occurrence-- == 0) return c;
    }
    return nullptr;
}

void click(HWND dialog, const Win32Form&, int id) {
    HWND button = button_of(dialog, id);
    // The mouse reaches no disabled control.
    if (button == nullptr || !IsWindowEnabled(button)) return;
    SendMessageW(button, BM_CLICK, 0, 0);
    pump(dialog);
}

void type(HWND dialog, const Win32Form& form, int id, std::string_view chars) {
    HWND control = form.control(id);
    if (control == nullptr || !IsWindowEnabled(control)) return;
    HWND edit = edit_of(control);
    if (edit == nullptr) return;
    for (char c : chars) {
        const int end = GetWindowTextLengthW(edit);
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
        const wchar_t unit = static_cast<wchar_t>(byte_to_unit(form.code_page(), static_cast<unsigned char>(c)));
        SendMessageW(edit, WM_CHAR, unit, 1);
        pump(dialog);
    }
}

void choose(HWND dialog, const Win32Form& form, int id, int index) {
    HWND list = form.control(id);
    if (list == nullptr || !IsWindowEnabled(list)) return;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    pump(dialog);
}

void spin(HWND dialog, const Win32Form& form, int spin_id, int steps) {
    HWND spinner = form.control(spin_id);
    if (spinner == nullptr) return;
    HWND buddy = reinterpret_cast<HWND>(SendMessageW(spinner, UDM_GETBUDDY, 0, 0));
    if (buddy == nullptr || !IsWindowEnabled(buddy)) return;
    const WPARAM key = steps >= 0 ? VK_UP : VK_DOWN;
    for (int i = 0; i < (steps >= 0 ? steps : -steps); ++i) {
        SendMessageW(buddy, WM_KEYDOWN, key, 1);
        SendMessageW(buddy, WM_KEYUP, key, 0xC0000001);
        pump(dialog);
    }
}

void key_escape(HWND dialog) {
    HWND target = GetFocus();
    if (target == nullptr || (target != dialog && !IsChild(dialog, target))) target = dialog;
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    pump(dialog);
}

ModalCloser::ModalCloser(bool with_escape) {
    close_with_escape = with_escape;
    closed_messages.clear();
    closed_titles.clear();
    asked_questions.clear();
    box_words.clear();
    question_answer = IDNO;
    closed_language_lists = 0;
    closer_hook = SetWindowsHookExW(WH_CBT, closer_proc, nullptr, GetCurrentThreadId());
}

ModalCloser::~ModalCloser() {
    if (closer_hook != nullptr) UnhookWindowsHookEx(closer_hook);
    closer_hook = nullptr;
}

std::vector<std::wstring> ModalCloser::take_messages() { return take(closed_messages); }
std::vector<std::wstring> ModalCloser::take_titles() { return take(closed_titles); }
int ModalCloser::take_language_lists() { return take(closed_language_lists); }
std::vector<std::wstring> ModalCloser::take_questions() { return take(asked_questions); }
std::vector<std::wstring> ModalCloser::take_box_words() { return take(box_words); }
void ModalCloser::answer_questions(int button) { question_answer = button; }

void make_data_folder(const TempDir& folder, int language, int creature) {
    write_data_folder(folder.path(), {.data = Data::Zeros, .language = language, .creature = creature});
}

bool has_menu_resource() {
    return FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kEditorMenu), reinterpret_cast<LPCWSTR>(RT_MENU)) != nullptr;
}

HWND create_editor_window(DLGPROC proc, LPARAM param) {
    register_new_edit();
    init_common_controls();
    FormFrame frame = editor_frame();
    const bool own_menu = !has_menu_resource();
    if (own_menu) frame.menu_id = 0;
    const DialogTemplate tmpl(frame, editor_controls());
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), nullptr, proc, param);
    if (dialog == nullptr) throw std::runtime_error("the editor window could not be created");
    if (own_menu) {
        HMENU bar = CreateMenu();
        for (const MenuItem& item : editor_menu()) {
            const std::wstring text = ansi_to_wide(item.text);
            AppendMenuW(bar, MF_STRING, static_cast<UINT_PTR>(item.id), text.c_str());
        }
        SetMenu(dialog, bar);
        // Keep the client area the template asks for, as a menu from the template does.
        RECT want{0, 0, frame.width, frame.height};
        MapDialogRect(dialog, &want);
        RECT client, window;
        GetClientRect(dialog, &client);
        GetWindowRect(dialog, &window);
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + want.right - client.right,
                     window.bottom - window.top + want.bottom - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    pump(dialog);
    return dialog;
}

}  // namespace ce::test
