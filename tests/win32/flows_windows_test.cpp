// The editor's own windows on the real dialog: the History window opens from
// the menu, its list box shows the history's rows and moves with the arrow
// keys, and its folder restore puts the files back byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "form/controls.h"
#include "save_fixture.h"

namespace ce {
namespace {

using flows::DataFolder;
using flows::retype;
using flows::Snapshot;
using test::EditorHarness;

// What the user does in the next window of the editor's own that opens: run
// from a timer inside the window's modal loop, which ends when it closes.
std::function<void(HWND)>& window_script() {
    static std::function<void(HWND)> script;
    return script;
}

BOOL CALLBACK find_window(HWND hwnd, LPARAM found) {
    if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, ctl::kHistoryEntries) != nullptr) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK run_script(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_window, reinterpret_cast<LPARAM>(&window));
    if (window == nullptr) return;
    KillTimer(nullptr, timer);
    const std::function<void(HWND)> script = std::move(window_script());
    script(window);
}

void in_next_window(std::function<void(HWND)> script) {
    window_script() = std::move(script);
    SetTimer(nullptr, 0, 20, run_script);
}

std::vector<std::wstring> rows_of(HWND window, int id) {
    HWND list = GetDlgItem(window, id);
    std::vector<std::wstring> rows;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        rows.push_back(text);
    }
    return rows;
}

std::wstring title_of(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

TEST(HistoryWindowFlow, OpensFromTheMenuListsTheRowsAndRestoresTheFolderByteForByte) {
    DataFolder folder(61);
    EditorHarness editor(folder.root());
    Snapshot before = flows::snapshot(folder.root());
    for (int slot : {12, 250}) {
        editor.choose(300, slot);
        retype(editor, 5000, "Plural " + std::to_string(slot));
        editor.click(ctl::kSave);
        ASSERT_TRUE(editor.take_errors().empty());
    }
    int opened = 0;
    std::vector<std::wstring> rows, changes, after;
    int selected = -1;
    in_next_window([&](HWND window) {
        ++opened;
        rows = rows_of(window, ctl::kHistoryEntries);
        // The arrow key moves the selection to the older entry, and its changes are listed.
        HWND list = GetDlgItem(window, ctl::kHistoryEntries);
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
        SendMessageW(list, WM_KEYUP, VK_DOWN, 0xC0000001);
        test::pump(window);
        selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
        changes = rows_of(window, ctl::kHistoryChanges);
        SendMessageW(GetDlgItem(window, ctl::kRestoreFolder), BM_CLICK, 0, 0);
        test::pump(window);
        after = rows_of(window, ctl::kHistoryEntries);
        test::key_escape(window);
    });
    editor.answer_questions(IDYES);
    editor.menu(ctl::kHistory);
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind(L"2   ", 0), 0u);
    EXPECT_NE(rows[0].find(L"Save of creature 250 in the editor"), std::wstring::npos);
    EXPECT_NE(rows[1].find(L"Save of creature 12 in the editor"), std::wstring::npos);
    EXPECT_EQ(selected, 1);
    // Creature 12's rows (a Save also stores what its interlocks reset), its plural among them.
    bool plural = false;
    for (const std::wstring& row : changes) {
        EXPECT_EQ(row.rfind(L"12 ", 0), 0u);
        plural = plural || row.find(L"-> Plural 12") != std::wstring::npos;
    }
    std::string shown;
    for (const std::wstring& row : changes) shown += std::string(row.begin(), row.end()) + "\n";
    for (const std::wstring& row : rows) shown += std::string(row.begin(), row.end()) + "\n";
    EXPECT_TRUE(plural) << shown;
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NE(after[0].find(L"Restore of the folder as before entry 1"), std::wstring::npos);
    EXPECT_EQ(editor.take_questions().size(), 1u);
    EXPECT_TRUE(editor.take_errors().empty());
    Snapshot now = flows::snapshot(folder.root());
    now.erase("Lang");
    before.erase("Lang");
    EXPECT_TRUE(now == before);

    // The menu's undo of a Save of texts: the creature's lines as before, byte for byte.
    editor.choose(300, 77);
    retype(editor, 5000, "Undone plural");
    retype(editor, 5001, "Undone ability");
    editor.click(ctl::kSave);
    editor.answer_questions(IDYES);
    editor.menu(ctl::kUndoSave);
    EXPECT_TRUE(editor.take_errors().empty());
    EXPECT_EQ(editor.take_questions().size(), 1u);
    now = flows::snapshot(folder.root());
    now.erase("Lang");
    EXPECT_TRUE(now == before);

    // In Russian the window's words are Russian, in its own code page.
    editor.click(ctl::kRussian);
    std::wstring title, button;
    in_next_window([&](HWND window) {
        title = title_of(window);
        button = title_of(GetDlgItem(window, ctl::kRestoreCreature));
        test::key_escape(window);
    });
    editor.menu(ctl::kHistory);
    EXPECT_EQ(title, L"\u0418\u0441\u0442\u043e\u0440\u0438\u044f");  // История
    EXPECT_EQ(button.substr(0, 7), L"\u0412\u0435\u0440\u043d\u0443\u0442\u044c");  // Вернуть
}

}  // namespace
}  // namespace ce
