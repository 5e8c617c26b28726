// Shared pieces of the end-to-end flow tests on the real dialog:
//
// - SharedFolderTest<Suite>: one data folder per test suite (creating a folder
//   of 1000 creatures and a dialog costs more than most checks), prepared once
//   by the suite's static prepare(DataFolder&);
// - BrokenFile: a data file removed or cut short for one scope, then put back;
// - ModelEditor: the headless model (MemoryForm) on the same folder, driven by
//   the same routing as the real dialog, whose form_values (support/form_values.h)
//   the real dialog's are compared with;
// - wide texts as the screen shows them, a stopwatch and a screenshot.
//
// Other flow suites may add to this file by appending at its end.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/fixture.h"
#include "editor/session.h"
#include "editor_harness.h"
#include "support/form_values.h"
#include "form/catalogue.h"
#include "form/editor.h"
#include "form/memory_form.h"
#include "store/binding.h"
#include "store/layouts.h"

namespace ce::flow {

using fixture::Bytes;
using fixture::DataFolder;

// Flag word bit of check box `box` (2019..2050) at 21000.
constexpr int flag_bit(int box) { return box - 2019; }

// Gives a slot of the folder's (random) data files values that every control
// shows: list positions that name an entry, a radio value that names a button,
// check bytes 0 or 1. Random bytes mostly name nothing, and a comparison of two
// forms would then not see radio buttons or list selections at all.
inline void make_ordinary(const DataFolder& folder, int slot) {
    for (const DataFileInfo& info : data_files()) {
        Bytes bytes = folder.read(info.name);
        for (const BindingRow& row : binding_rows(info.id)) {
            const int salt = slot + static_cast<int>(row.offset / 1000) + row.element;
            std::int64_t value = 0;
            switch (row.kind) {
            case Conversion::List: value = row.shift == 1 ? salt % 40 - 1 : salt % 3; break;
            case Conversion::Radio: value = salt % 10 - 1; break;
            case Conversion::Check:
            case Conversion::CheckPair: value = salt % 2; break;
            default: continue;
            }
            write_int(row, bytes, slot, value);
        }
        folder.write(info.name, bytes);
    }
}

// A text field of `width` bytes per slot in the array at `array` of a data
// file, zero-filled after the text.
inline void put_text(const DataFolder& folder, const std::string& file, std::size_t array, int width, int slot,
                     const std::string& text) {
    Bytes bytes = folder.read(file);
    for (int i = 0; i < width; ++i) {
        bytes.at(array + static_cast<std::size_t>(width * slot + i)) =
            static_cast<std::uint8_t>(i < static_cast<int>(text.size()) ? text[static_cast<std::size_t>(i)] : 0);
    }
    folder.write(file, bytes);
}

// One data folder for all tests of a suite. Suite may define
//   static void prepare(const DataFolder&);
// to patch the folder once after it is made. Tests that change files put them
// back before they end (BrokenFile does).
template <class Suite>
class SharedFolderTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<DataFolder>(Suite::kSeed);
        Suite::prepare(*folder_);
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static constexpr unsigned kSeed = 1;
    static void prepare(const DataFolder&) {}

protected:
    static const DataFolder& folder() { return *folder_; }
    static std::string root() { return folder_->root(); }

    // Whatever a test did to the settings file is undone for the next one.
    void TearDown() override { folder_->write_settings(0, 0); }

private:
    static inline std::unique_ptr<DataFolder> folder_;
};

// A data file of the folder removed, or cut one byte short of its size, while
// this lives; its bytes are put back afterwards.
enum class Break { Missing, OneByteShort };

class BrokenFile {
public:
    BrokenFile(const DataFolder& folder, const std::string& name, Break how)
        : folder_(folder), name_(name), bytes_(folder.read(name)) {
        if (how == Break::Missing) {
            std::filesystem::remove(folder.path(name));
        } else {
            const DataFileInfo* info = nullptr;
            for (const DataFileInfo& candidate : data_files())
                if (name == candidate.name) info = &candidate;
            Bytes cut = bytes_;
            cut.resize(info != nullptr ? info->size - 1 : cut.size() - 1);
            folder.write(name, cut);
        }
    }
    ~BrokenFile() { folder_.write(name_, bytes_); }
    BrokenFile(const BrokenFile&) = delete;
    BrokenFile& operator=(const BrokenFile&) = delete;

private:
    const DataFolder& folder_;
    std::string name_;
    Bytes bytes_;
};

inline const char* break_name(Break how) { return how == Break::Missing ? "missing" : "one byte short"; }

// The headless model of the editor on a folder, routed like the real dialog.
struct ModelEditor {
    explicit ModelEditor(const std::string& root) {
        state.root = root;
        form.set_command_sink([this](std::uint32_t wparam) { on_command(state, form, wparam); });
        on_initialise(state, form);
    }
    ModelEditor(const ModelEditor&) = delete;
    ModelEditor& operator=(const ModelEditor&) = delete;

    EditorState state;
    MemoryForm form;
};

// The text of a window as the screen shows it (UTF-16).
inline std::wstring shown_text(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Entry `index` of a combo box as the screen shows it (UTF-16).
inline std::wstring shown_item(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return L"(no entry)";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

// Milliseconds of the system's high-resolution counter.
inline double now_ms() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Figures of repeated runs, in milliseconds.
struct Timing {
    std::vector<double> runs;
    double min() const { return *std::min_element(runs.begin(), runs.end()); }
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double max() const { return *std::max_element(runs.begin(), runs.end()); }
};

template <class F>
Timing time_runs(int count, F&& run) {
    Timing timing;
    for (int i = 0; i < count; ++i) {
        const double start = now_ms();
        run();
        timing.runs.push_back(now_ms() - start);
    }
    return timing;
}

inline void report_timing(const char* what, const Timing& t) {
    std::printf("  %-58s min %8.2f  median %8.2f  max %8.2f ms  (%zu runs)\n", what, t.min(), t.median(), t.max(),
                t.runs.size());
    std::fflush(stdout);
}

// The bytes of a BMP file of w x h pixels in one colour (24 bits per pixel).
// The platform's picture loader reads it whatever its file name says.
inline std::string solid_bmp(int w, int h, COLORREF colour) {
    const DWORD row = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + row * static_cast<DWORD>(h);
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string pixels(row, '\0');
    for (int x = 0; x < w; ++x) {  // rows hold blue, green, red
        pixels[3 * static_cast<std::size_t>(x)] = static_cast<char>(GetBValue(colour));
        pixels[3 * static_cast<std::size_t>(x) + 1] = static_cast<char>(GetGValue(colour));
        pixels[3 * static_cast<std::size_t>(x) + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < h; ++y) bytes += pixels;
    return bytes;
}

// Writes what the screen shows of the window as a 24-bit BMP file. False when
// the picture could not be taken or written.
inline bool save_screenshot(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (ok) {
        const DWORD row = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + row * static_cast<DWORD>(h);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(row * static_cast<DWORD>(h)));
        ok = static_cast<bool>(out);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// The pixels of the dialog's client area as they are on the screen now.
inline std::vector<std::uint32_t> client_pixels(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    const int w = client.right, h = client.bottom;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    HDC dc = GetDC(dialog);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(dialog, dc);
    return pixels;
}


// Keeps a picture of the dialog's client area (client_pixels) as a numbered
// PPM file in the folder CE_FLOW_DIFF names, if it names one: the pictures of
// a failed comparison, to look at.
inline void keep_picture(HWND dialog, const std::vector<std::uint32_t>& pixels, const char* name) {
    const char* folder = std::getenv("CE_FLOW_DIFF");
    if (folder == nullptr) return;
    static int number = 0;
    RECT client;
    GetClientRect(dialog, &client);
    std::ofstream out(std::string(folder) + "/" + std::to_string(++number) + "-" + name + ".ppm", std::ios::binary);
    out << "P6 " << client.right << " " << client.bottom << " 255\n";
    for (std::uint32_t p : pixels) out.put(static_cast<char>(p >> 16)).put(static_cast<char>(p >> 8)).put(static_cast<char>(p));
}

}  // namespace ce::flow
