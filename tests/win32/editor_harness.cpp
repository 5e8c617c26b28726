#include "editor_harness.h"

#include <stdexcept>

namespace ce::test {
namespace {

std::string current_directory() {
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace

EditorHarness::EditorHarness(const std::string& folder) : previous_directory_(current_directory()) {
    if (!SetCurrentDirectoryA(folder.c_str())) throw std::runtime_error("cannot enter " + folder);
    take_beep_count();  // counts from here
    dialog_ = create_editor_window(editor_dialog_proc, reinterpret_cast<LPARAM>(&session_));
    if (session_.form == nullptr) throw std::runtime_error("the editor did not initialise");
}

EditorHarness::~EditorHarness() {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    pump(nullptr);
    SetCurrentDirectoryA(previous_directory_.c_str());
}

void EditorHarness::click(int id) { test::click(dialog_, form(), id); }
void EditorHarness::type(int id, std::string_view chars) { test::type(dialog_, form(), id, chars); }
void EditorHarness::choose(int id, int index) { test::choose(dialog_, form(), id, index); }
void EditorHarness::spin(int spin_id, int steps) { test::spin(dialog_, form(), spin_id, steps); }

void EditorHarness::choose_by_key(int id, bool down) {
    HWND list = form().control(id);
    if (list == nullptr || !IsWindowEnabled(list)) return;
    SetFocus(list);
    const WPARAM key = down ? VK_DOWN : VK_UP;
    // Keys go to the window with the focus: the edit field of an editable list.
    HWND target = GetFocus() != nullptr ? GetFocus() : list;
    SendMessageW(target, WM_KEYDOWN, key, 1);
    SendMessageW(target, WM_KEYUP, key, 0xC0000001);
    pump(dialog_);
}

void EditorHarness::menu(int id) {
    // What the menu bar sends for a chosen command: notification 0, no window.
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    pump(dialog_);
}

void EditorHarness::escape() { key_escape(dialog_); }

void EditorHarness::close_button() {
    SendMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump(dialog_);
}

void EditorHarness::paint() {
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump(dialog_);
}

std::vector<std::string> EditorHarness::take_errors() {
    std::vector<std::string> out;
    for (const std::wstring& text : closer_.take_messages()) out.push_back(narrow(text));
    return out;
}

std::vector<std::string> EditorHarness::take_questions() {
    std::vector<std::string> out;
    for (const std::wstring& text : closer_.take_questions()) out.push_back(narrow(text));
    return out;
}

std::vector<std::string> EditorHarness::take_error_titles() {
    std::vector<std::string> out;
    for (const std::wstring& text : closer_.take_titles()) out.push_back(narrow(text));
    return out;
}

}  // namespace ce::test
