// The editor's own windows on the real dialog: the History window opens from
// the menu, its list box shows the history's rows and moves with the arrow
// keys, and its folder restore puts the files back byte for byte; a mod chosen
// in the system's file dialog is settled and applied through its window (the
// folder's files named with the system's separator, its records with '/').
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "folder/dataset.h"
#include "folder/field_facts.h"
#include "form/controls.h"
#include "mods/patch.h"
#include "save_fixture.h"
#include "store/history.h"
#include "support/temp_dir.h"

namespace ce {
namespace {

using flows::DataFolder;
using flows::retype;
using flows::Snapshot;
using test::EditorHarness;

// What the user does in the next windows that open (each found by a control
// of its own): run from a timer inside their modal loops, which end when they close.
struct Script {
    int control;
    std::function<void(HWND)> act;
};
std::vector<Script>& scripts() {
    static std::vector<Script> queue;
    return queue;
}

struct Found {
    int control;
    HWND window;
};

// The system's file chooser: its file name box (a combo box in the newer
// dialog, an edit in the older).
constexpr int kChooser = -1;
constexpr int kChooserName = 1148, kChooserEdit = 1152;

bool holds(HWND hwnd, int control) {
    if (control != kChooser) return GetDlgItem(hwnd, control) != nullptr;
    return GetDlgItem(hwnd, kChooserName) != nullptr || GetDlgItem(hwnd, kChooserEdit) != nullptr;
}

BOOL CALLBACK find_window(HWND hwnd, LPARAM found) {
    auto* f = reinterpret_cast<Found*>(found);
    if (IsWindowVisible(hwnd) && holds(hwnd, f->control)) {
        f->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK run_script(HWND, UINT, UINT_PTR timer, DWORD) {
    if (scripts().empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    Found found{scripts().front().control, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), find_window, reinterpret_cast<LPARAM>(&found));
    // A window that never opens fails the test instead of holding it: its
    // scripts are dropped, and the windows open are closed.
    static int waited = 0;
    if (found.window == nullptr && ++waited > 250) {
        waited = 0;
        scripts().clear();
        HWND active = GetActiveWindow();
        if (active != nullptr) PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (found.window == nullptr) return;
    waited = 0;
    const std::function<void(HWND)> act = std::move(scripts().front().act);
    scripts().erase(scripts().begin());
    act(found.window);
}

void in_next_window(std::function<void(HWND)> script, int control = ctl::kHistoryEntries) {
    if (scripts().empty()) SetTimer(nullptr, 0, 20, run_script);
    scripts().push_back({control, std::move(script)});
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

TEST(UndoKeyFlow, CtrlZInAnEditUndoesTheLastSave) {
    DataFolder folder(63);
    EditorHarness editor(folder.root());
    const UndoKey undo_key;
    Snapshot before = flows::snapshot(folder.root());
    editor.choose(300, 12);
    const std::string shown = editor.form().get_text(5000, 100);
    retype(editor, 5000, "Typed plural");
    editor.click(ctl::kSave);
    ASSERT_TRUE(editor.take_errors().empty());
    editor.answer_questions(IDYES);
    HWND edit = editor.form().control(5000);
    SetFocus(edit);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(edit, WM_KEYDOWN, 'Z', 1);
    PostMessageW(edit, WM_KEYUP, 'Z', 0xC0000001);
    test::pump(editor.dialog());
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(editor.take_questions().size(), 1u);
    EXPECT_TRUE(editor.take_errors().empty());
    Snapshot now = flows::snapshot(folder.root());
    now.erase("Lang");
    before.erase("Lang");
    EXPECT_TRUE(now == before);
    EXPECT_EQ(editor.form().get_text(5000, 100), shown);
}

TEST(ModWindowFlow, AModChosenInTheFileDialogIsSettledAndAppliedInItsWindow) {
    DataFolder folder(62);
    EditorHarness editor(folder.root());
    // The mod: creature 12's plural as a Save leaves it, from the folder as it was.
    const std::vector<Field> fields = make_fields(true);
    const Dataset base = load_dataset("");
    editor.choose(300, 12);
    retype(editor, 5000, "Mod plural");
    editor.click(ctl::kSave);
    const std::string patch = write_patch(base, load_dataset(""), fields, field_captions(base, fields));
    const std::string path = folder.root() + "\\plural-mod.json";
    test::write_file(path, patch);
    // Since then the folder's own plural of creature 12: the mod's one change is a conflict.
    retype(editor, 5000, "Own plural");
    editor.click(ctl::kSave);
    ASSERT_TRUE(editor.take_errors().empty());

    std::vector<std::wstring> rows;
    bool could_apply = true;
    in_next_window([&](HWND chooser) {
        const std::wstring name(path.begin(), path.end());
        SetDlgItemTextW(chooser, kChooserName, name.c_str());
        SetDlgItemTextW(chooser, kChooserEdit, name.c_str());
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
    }, kChooser);
    in_next_window([&](HWND window) {
        rows = rows_of(window, ctl::kModChanges);
        could_apply = IsWindowEnabled(GetDlgItem(window, ctl::kApply)) != FALSE;
        SendMessageW(GetDlgItem(window, ctl::kAllMod), BM_CLICK, 0, 0);
        test::pump(window);
        SendMessageW(GetDlgItem(window, ctl::kApply), BM_CLICK, 0, 0);
        test::pump(window);
        // A window the apply did not close fails the test instead of holding it.
        if (IsWindow(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    }, ctl::kModChanges);
    editor.answer_questions(IDYES);
    editor.menu(ctl::kApplyMod);
    EXPECT_TRUE(scripts().empty()) << "a window did not open";
    scripts().clear();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].find(L"-> \"Mod plural\", the folder holds Own plural"), std::wstring::npos)
        << std::string(rows[0].begin(), rows[0].end());
    EXPECT_FALSE(could_apply);  // not before the conflict is settled
    const std::vector<std::string> errors = editor.take_errors();
    EXPECT_TRUE(errors.empty()) << errors.front();
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history("", entries).ok());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.back().made_by, "apply of patch " + path);
    EXPECT_EQ(editor.form().get_text(5000, 100), "Mod plural");
}

}  // namespace
}  // namespace ce
