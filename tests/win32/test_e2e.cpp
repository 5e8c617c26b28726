// The built editor as a process: started in a prepared folder, found by its
// title and closed as a user would; its exit code and the settings file show
// what it did. Also the resources the program carries.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/win32_form.h"
#include "form/catalogue.h"
#include "win32_support.h"

namespace ce {
namespace {

using test::TempFolder;

std::wstring editor_program() {
    if (const char* given = std::getenv("CE_EDITOR_EXE")) return ansi_to_wide(given);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    // The tests live in <build>/tests, the editor in <build>.
    return (std::filesystem::path(self).parent_path().parent_path() / L"creatures-editor.exe").wstring();
}

struct Process {
    PROCESS_INFORMATION info{};
    ~Process() {
        if (info.hProcess != nullptr) {
            if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

bool start(Process& process, const std::string& folder) {
    std::wstring command = L"\"" + editor_program() + L"\"";
    const std::wstring directory = ansi_to_wide(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                          &process.info) != FALSE;
}

struct Search {
    DWORD pid;
    bool editor;  // the editor form (it has the Save button) or a message box
    HWND found;
};

BOOL CALLBACK match(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t title[128] = {};
    GetWindowTextW(hwnd, title, 128);
    if (std::wstring(title) != ansi_to_wide(editor_frame().title)) return TRUE;
    if ((GetDlgItem(hwnd, 2100) != nullptr) != search->editor) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The process's window with the editor's title, waiting for it to appear.
HWND find_window(const Process& process, bool editor) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until) {
        Search search{process.info.dwProcessId, editor, nullptr};
        EnumWindows(match, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        if (WaitForSingleObject(process.info.hProcess, 100) != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
}

DWORD exit_code(const Process& process) {
    if (WaitForSingleObject(process.info.hProcess, 60000) != WAIT_OBJECT_0) return 0xDEAD;
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

TEST(EditorProgram, ClosesWithCodeZeroAndStoresTheCreatureIndex) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    for (bool real_key : {false, true}) {
        SCOPED_TRACE(real_key ? "Escape key" : "command 2");
        TempFolder folder;
        test::make_data_folder(folder, 1, 42);
        Process process;
        ASSERT_TRUE(start(process, folder.path()));
        HWND window = find_window(process, true);
        ASSERT_NE(window, nullptr) << "the editor window did not appear";
        if (real_key) {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
        } else {
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
        EXPECT_EQ(exit_code(process), 0u);
        EXPECT_EQ(folder.read("Lang"), test::lang_bytes(1, 42));
    }
}

TEST(EditorProgram, MissingFilesShowOneMessageAndExitWithCodeTwo) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    TempFolder folder;
    test::make_data_folder(folder);
    std::filesystem::remove(folder.file("Ammo.vrh"));
    Process process;
    ASSERT_TRUE(start(process, folder.path()));
    HWND box = find_window(process, false);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(exit_code(process), 2u);
    EXPECT_EQ(folder.read("Lang"), test::lang_bytes(0, 0)) << "nothing is written";
}

TEST(EditorProgram, CarriesTheMenuIconBitmapsAndFallbackPortrait) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    HMODULE program = LoadLibraryExW(editor_program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HMENU bar = LoadMenuW(program, MAKEINTRESOURCEW(kEditorMenu));
    ASSERT_NE(bar, nullptr);
    const auto items = editor_menu();
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(GetMenuItemID(bar, static_cast<int>(i)), static_cast<UINT>(items[i].id));
        EXPECT_EQ(GetSubMenu(bar, static_cast<int>(i)), nullptr);
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(text), ansi_to_wide(items[i].text));
    }
    DestroyMenu(bar);
    EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(500), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON)), nullptr);
    for (int id = 501; id <= 508; ++id) {
        EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_BITMAP)), nullptr) << id;
    }
    EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(2000), L"IMAGE"), nullptr);
    FreeLibrary(program);
}

}  // namespace
}  // namespace ce
