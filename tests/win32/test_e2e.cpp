// The built editor as a process: started in a prepared folder, found by its
// title and closed as a user would; its exit code and the settings file show
// what it did. Also the resources the program carries.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/win32_form.h"
#include "support/demo_folder.h"
#include "form/catalogue.h"
#include "save_fixture.h"
#include "win32_support.h"

namespace ce {
namespace {

using test::TempDir;

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
    // The editor's title in the language of the folder's `Lang`.
    if (std::wstring(title) != words_wide(0, MessageKey::editor_title) &&
        std::wstring(title) != words_wide(1, MessageKey::editor_title))
        return TRUE;
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
        TempDir folder;
        test::make_data_folder(folder, 1, 42);
        Process process;
        ASSERT_TRUE(start(process, folder.str()));
        HWND window = find_window(process, true);
        ASSERT_NE(window, nullptr) << "the editor window did not appear";
        if (real_key) {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
        } else {
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
        EXPECT_EQ(exit_code(process), 0u);
        EXPECT_EQ(folder.read("Lang"), test::settings_bytes(1, 42));
    }
}

TEST(EditorProgram, MissingFilesShowOneMessageAndExitWithCodeTwo) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    TempDir folder;
    test::make_data_folder(folder);
    std::filesystem::remove(folder.file("Ammo.vrh"));
    Process process;
    ASSERT_TRUE(start(process, folder.str()));
    HWND box = find_window(process, false);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(exit_code(process), 2u);
    EXPECT_EQ(folder.read("Lang"), test::settings_bytes(0, 0)) << "nothing is written";
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


// --- what a release carries ----------------------------------------------------------

// The resource `id` of type `type` of a program file, as text.
std::string resource_text(const std::wstring& file, LPCWSTR type, int id) {
    HMODULE program = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr) return "";
    std::string text;
    if (HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), type)) {
        HGLOBAL loaded = LoadResource(program, found);
        const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        if (bytes) text.assign(bytes, SizeofResource(program, found));
    }
    FreeLibrary(program);
    return text;
}

// The program beside the editor (the build folder, or an unpacked release).
std::wstring sibling_program(const wchar_t* name) {
    return (std::filesystem::path(editor_program()).parent_path() / name).wstring();
}

TEST(EditorProgram, EveryProgramCarriesItsVersionAndTheManifest) {
    for (const std::wstring& program : {editor_program(), sibling_program(L"creatures.exe")}) {
        SCOPED_TRACE(std::filesystem::path(program).filename().string());
        ASSERT_TRUE(std::filesystem::exists(program)) << "build it first";
        // The manifest: no file virtualisation, and drawn at the screen's DPI.
        const std::string manifest = resource_text(program, MAKEINTRESOURCEW(24), 1);
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
        EXPECT_NE(manifest.find("<dpiAware"), std::string::npos) << manifest;
        EXPECT_NE(manifest.find("supportedOS"), std::string::npos) << manifest;

        // The version the file's properties show.
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(HIWORD(fixed->dwFileVersionLS));
        EXPECT_EQ(numbers, CE_VERSION);
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), ansi_to_wide(CE_VERSION));
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), std::filesystem::path(program).filename().wstring());
    }
}

TEST(EditorProgram, OpensTheDemoFolderAndCloses) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    TempDir folder;
    test::write_demo_folder(folder.path());
    Process process;
    ASSERT_TRUE(start(process, folder.str()));
    HWND window = find_window(process, true);
    ASSERT_NE(window, nullptr) << "the editor window did not appear";
    // List 300 holds the demo's creatures.
    EXPECT_GT(SendMessageW(GetDlgItem(window, 300), CB_GETCOUNT, 0, 0), 900);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(exit_code(process), 0u);
}

// Waits for a message box of the editor, returns its text and closes it.
// Answers the program's message box with `button` (IDOK, or IDNO to a question).
std::wstring answer_message(const Process& process, int button = IDOK) {
    HWND box = find_window(process, false);
    if (box == nullptr) return L"(no message box)";
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(50);
    return text;
}

// The user cannot write the data folder (a game under Program Files without
// administrator rights; here chattr +i, as the tests run as root): Save says so,
// naming the file it could not write, and nothing is written, neither there nor
// anywhere else.
TEST(EditorProgram, SaveIntoAFolderTheUserCannotWriteIsReportedAndWritesNothing) {
    ASSERT_TRUE(std::filesystem::exists(editor_program())) << "build creatures-editor first";
    TempDir folder;
    test::write_demo_folder(folder.path());
    const flows::Snapshot before = flows::snapshot(folder.str());
    wchar_t local[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local), S_OK);
    const std::filesystem::path virtual_store = std::filesystem::path(local) / L"VirtualStore";
    const bool had_store = std::filesystem::exists(virtual_store);
    {
        // Every file a Save or the close may write, and their folders (no new file
        // in them either); the portraits are only read.
        std::vector<std::unique_ptr<flows::Immutable>> locks;
        for (const auto& [name, bytes] : before) {
            if (name.rfind("Pic", 0) != 0) locks.push_back(std::make_unique<flows::Immutable>(folder.file(name)));
        }
        for (const auto& lock : locks) ASSERT_TRUE(lock->taken()) << "chattr +i did not take";
        for (const char* sub : {"", "\\Eng", "\\Rus"})
            locks.push_back(std::make_unique<flows::Immutable>(folder.str() + sub));

        Process process;
        ASSERT_TRUE(start(process, folder.str()));
        HWND window = find_window(process, true);
        ASSERT_NE(window, nullptr) << "the editor window did not appear";
        SendMessageW(GetDlgItem(window, 98), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"78"));
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(2100, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 2100)));
        const std::wstring message = answer_message(process);
        // The first file the Save cannot make is the folder's lock file; a folder
        // whose lock file exists fails at the first data file instead.
        EXPECT_NE(message.find(L"was not saved"), std::wstring::npos) << std::filesystem::path(message).string();
        EXPECT_TRUE(message.find(L".creatures.lock") != std::wstring::npos || message.find(L".vrh") != std::wstring::npos)
            << std::filesystem::path(message).string();
        EXPECT_TRUE(IsWindow(window)) << "the editor stays open";
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        // The typed value is not saved: closing asks, and is told not to save.
        const std::wstring question = answer_message(process, IDNO);
        EXPECT_NE(question.find(L"not saved"), std::wstring::npos) << std::filesystem::path(question).string();
        // The settings file cannot be written either: one more message on close.
        if (WaitForSingleObject(process.info.hProcess, 2000) == WAIT_TIMEOUT) answer_message(process);
        EXPECT_NE(exit_code(process), 0xDEADu);
    }
    EXPECT_TRUE(flows::snapshot(folder.str()) == before) << "the folder keeps every byte and gets no new file";
    if (!had_store) {
        EXPECT_FALSE(std::filesystem::exists(virtual_store)) << "nothing went to a VirtualStore";
    }
}

}  // namespace
}  // namespace ce
