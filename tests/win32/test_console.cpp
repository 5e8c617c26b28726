// The tool's text on a Windows console and through a pipe: wide text on a
// console whatever its code page, the UTF-8 bytes unchanged on a pipe.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

#include "cli/console.h"
#include "win32_support.h"

namespace ce {
namespace {

const char* const kRussianUtf8 = "\xD0\xA1\xD1\x83\xD1\x89\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE";  // Существо
const wchar_t* const kRussian = L"\x0421\x0443\x0449\x0435\x0441\x0442\x0432\x043E";
// The Russian creature names of make_data_folder (test::creature_name(1, k)).
const char* const kBeastUtf8 = "\xD0\x97\xD0\xB2\xD0\xB5\xD1\x80\xD1\x8C";  // Зверь
const wchar_t* const kBeast = L"\x0417\x0432\x0435\x0440\x044C";

// A console of this process, set to a code page that has no Cyrillic, and a
// fresh screen buffer on it that child processes can inherit.
class Console {
public:
    Console() {
        // A console of our own, whatever this process was started with (under
        // Wine from a terminal, a console that lives in the terminal).
        FreeConsole();
        if (!AllocConsole()) alloc_error_ = GetLastError();
        saved_cp_ = GetConsoleOutputCP();
        SetConsoleOutputCP(437);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        buffer_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        if (buffer_ == INVALID_HANDLE_VALUE) error_ = GetLastError();
    }
    ~Console() {
        if (buffer_ != INVALID_HANDLE_VALUE) CloseHandle(buffer_);
        if (saved_cp_ != 0) SetConsoleOutputCP(saved_cp_);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
    HANDLE buffer() const { return buffer_; }
    bool ok() const { return buffer_ != INVALID_HANDLE_VALUE; }
    std::string error() const { return std::to_string(alloc_error_) + "/" + std::to_string(error_); }
    // Row `row` of the buffer, without its trailing blanks.
    std::wstring row(int row) const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(buffer_, &info);
        std::wstring text(static_cast<std::size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(buffer_, text.data(), static_cast<DWORD>(text.size()), COORD{0, static_cast<SHORT>(row)},
                                    &read);
        text.resize(read);
        text.erase(text.find_last_not_of(L' ') + 1);
        return text;
    }
    // Every row up to the cursor, joined by newlines.
    std::wstring text() const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(buffer_, &info);
        std::wstring all;
        for (int r = 0; r <= info.dwCursorPosition.Y; ++r) all += row(r) + L"\n";
        return all;
    }

private:
    UINT saved_cp_ = 0;
    DWORD error_ = 0;
    DWORD alloc_error_ = 0;
    HANDLE buffer_ = INVALID_HANDLE_VALUE;
};

TEST(ConsoleText, ShowsUtf8AsWideTextOnAConsoleWhateverItsCodePage) {
    Console console;
    ASSERT_TRUE(console.ok()) << "error " << console.error();
    std::stringbuf own;
    std::ostream stream(&own);
    {
        ConsoleText text(stream, console.buffer());
        ASSERT_TRUE(text.active());
        stream << "Slot 5: " << kRussianUtf8 << " caf\xC3\xA9 10 \xE2\x82\xAC\n";
        // A character split between two writes, each flushed, comes out whole.
        const std::string second = std::string(kRussianUtf8) + " \xF0\x9F\x90\x89";
        stream.write(second.data(), 3);
        stream.flush();
        stream.write(second.data() + 3, static_cast<std::streamsize>(second.size() - 3));
        stream.flush();
        // An unfinished sequence at the very end is shown as a replacement, not lost.
        stream << "\n" << "end\xD0";
        EXPECT_TRUE(stream.good());
    }
    EXPECT_EQ(own.str(), "") << "nothing goes to the stream's own buffer while it writes to the console";
    EXPECT_EQ(stream.rdbuf(), &own) << "the stream gets its buffer back";
    EXPECT_EQ(console.row(0), std::wstring(L"Slot 5: ") + kRussian + L" caf\x00E9 10 \x20AC");
    EXPECT_EQ(console.row(1).substr(0, 9), std::wstring(kRussian) + L" ");
    EXPECT_EQ(console.row(2), L"end\xFFFD");
}

TEST(ConsoleText, LeavesPipesAndFilesAlone) {
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    std::stringbuf own;
    std::ostream stream(&own);
    {
        ConsoleText text(stream, write_end);
        EXPECT_FALSE(text.active());
        stream << kRussianUtf8;
    }
    EXPECT_EQ(own.str(), kRussianUtf8);
    CloseHandle(read_end);
    CloseHandle(write_end);
    ConsoleText none(stream, nullptr);
    EXPECT_FALSE(none.active());
}

// --- the tool itself ---------------------------------------------------------------------

std::wstring tool_program() {
    if (const char* editor = std::getenv("CE_EDITOR_EXE"))
        return (std::filesystem::path(ansi_to_wide(editor)).parent_path() / L"creatures.exe").wstring();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return (std::filesystem::path(self).parent_path().parent_path() / L"creatures.exe").wstring();
}

// Runs the tool with its output and errors on `out`; false when it did not run
// to its end with exit code 0.
bool run_tool(const std::string& arguments, HANDLE out) {
    std::wstring command = L"\"" + tool_program() + L"\" " + ansi_to_wide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return false;
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended && code == 0;
}

TEST(CreaturesTool, RussianTextsShowOnAConsoleAndStayUtf8ThroughAPipe) {
    ASSERT_TRUE(std::filesystem::exists(tool_program())) << "build creatures first";
    test::TempDir folder;
    test::make_data_folder(folder, 1, 5);  // Russian names
    const std::string show = "show -C \"" + folder.str() + "\" 5";

    // Through a pipe: the UTF-8 bytes as they are.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    std::string bytes;
    std::thread reader([&] {  // the pipe holds only a few kilobytes: read while the tool writes
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    });
    const bool ran = run_tool(show, write_end);
    CloseHandle(write_end);
    reader.join();
    CloseHandle(read_end);
    ASSERT_TRUE(ran) << bytes;
    EXPECT_NE(bytes.find(std::string(kBeastUtf8) + " "), std::string::npos) << bytes;

    // On a console with code page 437: the same text, shown right.
    Console console;
    ASSERT_TRUE(console.ok()) << "error " << console.error();
    ASSERT_TRUE(run_tool(show, console.buffer()));
    const std::wstring shown = console.text();
    EXPECT_NE(shown.find(std::wstring(kBeast) + L" "), std::wstring::npos) << std::filesystem::path(shown).string();
    // Line for line what the pipe got.
    int lines = 0;
    for (char c : bytes) lines += c == '\n';
    int rows = 0;
    for (wchar_t c : shown) rows += c == L'\n';
    EXPECT_GE(rows, lines);
}

}  // namespace
}  // namespace ce
