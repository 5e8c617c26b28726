// Helpers of the Save and clipboard flows on the real dialog: data folders of
// our own (random data files with well-formed texts, or a staged creature),
// snapshots of every file, what the form shows, the user's clipboard paste, and
// running a program of the host system from under Wine.
#pragma once

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "editor/fixture.h"
#include "editor_harness.h"
#include "support/form_values.h"
#include "form/catalogue.h"
#include "form/form.h"
#include "store/binding.h"
#include "store/layouts.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce::flows {

using fixture::Bytes;
using fixture::DataFolder;
using fixture::lines_of;
using fixture::peek;

constexpr const char* kMonstersFile = "MonstersSetup.vrh";

// Every file under the folder, by name relative to it.
using Snapshot = std::map<std::string, Bytes>;

// Every file but the folder's history and lock file.
inline Snapshot snapshot(const std::string& root) {
    Snapshot out;
    fixture::for_each_saved_file(root, [&](const std::string& name, const std::filesystem::path& file) {
        out[name] = fixture::read_bytes(file);
    });
    return out;
}

inline std::vector<std::string> names_of(const Snapshot& files) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
}

// Writes the snapshot's bytes back over the files (in place: hard links stay).
inline void restore(const std::string& root, const Snapshot& files) {
    for (const auto& [name, bytes] : files) fixture::write_bytes(std::filesystem::path(root) / name, bytes);
}

// The names of the nine files a Save writes, for language 0.
inline std::vector<std::string> saved_file_names() {
    std::vector<std::string> names;
    for (const DataFileInfo& info : data_files()) names.push_back(info.name);
    for (TextKind kind : {TextKind::Monsters, TextKind::Plural, TextKind::Ability})
        names.push_back(language_file_name(kind, 0));
    return names;
}

// Little-endian writing of an element into a file's bytes.
inline void poke(Bytes& bytes, std::size_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Writes line `index` of a language file of language 0.
inline void set_line(const DataFolder& folder, TextKind kind, int index, const std::string& text) {
    std::vector<std::string> lines = lines_of(folder.read(kind, 0));
    if (lines.size() <= static_cast<std::size_t>(index)) lines.resize(static_cast<std::size_t>(index) + 1);
    lines[static_cast<std::size_t>(index)] = text;
    fixture::write_text(folder.path(kind, 0), fixture::join_lines(lines));
}

// The edit window the user types into: the control, or the edit field of a
// drop-down.
inline HWND edit_window(test::EditorHarness& editor, int id) {
    HWND control = editor.form().control(id);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (control != nullptr && GetComboBoxInfo(control, &info)) return info.hwndItem;
    return control;
}

// The user replaces an edit's text: backspaces over what it shows, then types.
inline void retype(test::EditorHarness& editor, int id, std::string_view text) {
    const std::size_t shown = static_cast<std::size_t>(GetWindowTextLengthW(edit_window(editor, id)));
    editor.type(id, std::string(shown, '\b'));
    editor.type(id, text);
}

// The user selects all of an edit's text and pastes `text` from the system
// clipboard over it (WM_PASTE, as the context menu's Paste and Ctrl+V do).
inline void paste_over(test::EditorHarness& editor, int id, const std::string& text) {
    HWND edit = edit_window(editor, id);
    if (edit == nullptr || !IsWindowEnabled(edit)) return;
    if (!OpenClipboard(editor.dialog())) return;
    EmptyClipboard();
    const std::wstring wide = ansi_to_wide(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (block != nullptr) {
        std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block);
        if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) GlobalFree(block);
    }
    CloseClipboard();
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_PASTE, 0, 0);
    test::pump(editor.dialog());
}

// --- the host system, from under Wine --------------------------------------------

// The host's name of a Windows path ("" when not running under Wine).
inline std::string host_path(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto* symbol = kernel != nullptr ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
    if (symbol == nullptr) return "";
    auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(symbol));
    char* name = to_unix(ansi_to_wide(path).c_str());
    if (name == nullptr) return "";
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Starts a program of the host (Wine starts host executables by their Z:
// path). Wine gives no exit code of a host program, so callers check its
// effect. False when it could not be started.
inline bool start_host(const std::string& program, const std::string& arguments) {
    std::string command = "Z:" + program;
    std::replace(command.begin(), command.end(), '/', '\\');
    command += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Whether the file can be opened for writing now.
inline bool writable(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// Waits up to ten seconds for the file to become (not) writable.
inline bool wait_until_writable(const std::string& path, bool want) {
    for (int i = 0; i < 200; ++i) {
        if (writable(path) == want) return true;
        Sleep(50);
    }
    return false;
}

// Makes a file immutable for as long as it lives (chattr +i: the tests run as
// root, for whom a read-only mode bit stops nothing). The flag is removed on
// every path out.
class Immutable {
public:
    explicit Immutable(const std::string& path) : path_(path), host_(host_path(path)) {
        if (host_.empty() || !start_host("/usr/bin/chattr", "+i \"" + host_ + "\"")) return;
        set_ = true;  // removed in any case, even if it is slow to show
        taken_ = wait_until_writable(path_, false);
    }
    ~Immutable() {
        if (set_ && start_host("/usr/bin/chattr", "-i \"" + host_ + "\"")) wait_until_writable(path_, true);
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    // True once the file refuses to be opened for writing.
    bool taken() const { return taken_; }

private:
    std::string path_;
    std::string host_;
    bool set_ = false;
    bool taken_ = false;
};

// --- message boxes recorded instead of shown ----------------------------------------

// Points this program's import of a user32 function at `replacement` while it
// lives. Under Wine without a window manager every top-level window that
// closes costs a two-second wait, so a test that makes dozens of messages
// records them instead of opening boxes.
class UserImportPatch {
public:
    UserImportPatch(const char* function, void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), "user32.dll") != 0 ||
                imp->OriginalFirstThunk == 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
            auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
                slot_ = &addresses->u1.Function;
                old_ = *slot_;
                write(reinterpret_cast<DWORD_PTR>(replacement));
                return;
            }
        }
    }
    ~UserImportPatch() {
        if (slot_ != nullptr) write(old_);
    }
    UserImportPatch(const UserImportPatch&) = delete;
    UserImportPatch& operator=(const UserImportPatch&) = delete;
    bool patched() const { return slot_ != nullptr; }

private:
    void write(DWORD_PTR value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }
    DWORD_PTR* slot_ = nullptr;
    DWORD_PTR old_ = 0;
};

inline std::vector<std::string>& recorded_messages() {
    static std::vector<std::string> messages;
    return messages;
}

inline int WINAPI record_message(HWND, LPCWSTR text, LPCWSTR, UINT) {
    std::string narrow;
    for (const wchar_t* p = text; p != nullptr && *p != 0; ++p) narrow.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
    recorded_messages().push_back(narrow);
    return IDOK;
}

// While alive, the editor's message boxes are recorded, not shown.
class QuietMessages {
public:
    QuietMessages() : patch_("MessageBoxW", reinterpret_cast<void*>(&record_message)) { recorded_messages().clear(); }
    bool active() const { return patch_.patched(); }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(recorded_messages());
        return out;
    }

private:
    UserImportPatch patch_;
};

// --- a creature staged with values of our choosing ---------------------------------

// Values for every element of one creature that show exactly and come back
// exactly through a Save (floats and scaled values with short exact texts,
// list positions that name entries), two different sets so that every element
// of one differs from the other. Set 0 has negative number-block values, -100
// at edit 97, ten-digit texts in edits 5014 and 5015, no check box 2025 (so edit
// 212 shows its number) and 2021 checked.
struct StagedTexts {
    std::string name, plural, ability;
};

inline std::int64_t staged_value(const BindingRow& row, int set, const Form& form) {
    const bool first = set == 0;
    switch (row.kind) {
        case Conversion::NumberPlusOne: return first ? 6 : -1;
        case Conversion::Check: return first ? 1 : 0;
        case Conversion::CheckPair: return first ? 2 : 0;
        case Conversion::FlagWord: return first ? 0x8A0D0B25 : 0x00420046;  // 2021 checked; 2025 clear / checked
        case Conversion::Radio: return first ? 3 : 7;
        case Conversion::Bit: return first ? 1 : 0;
        case Conversion::List: {
            const int count = form.item_count(row.control);
            int entry = first ? std::min(count - 1, 100) : 1;
            if (first && (row.control == 301 || row.control == 317)) entry = 0;  // the none entry
            return entry - row.shift;
        }
        case Conversion::Float: {
            constexpr float kFirst[12] = {1.5f, -2.25f, 0.125f, 45.5f, -90.0f, 0.0f, 3.75f, 12.0f, -0.5f, 89.5f, 7.25f, -33.0f};
            return std::bit_cast<std::uint32_t>(first ? kFirst[row.element - 6] : static_cast<float>(row.element));
        }
        case Conversion::Scaled: {
            constexpr std::int32_t kFirst[4] = {4500, 250, -250, 115};  // 0.500 0.500 -0.50 1.000
            constexpr std::int32_t kSecond[4] = {9000, 500, 1000, 230};
            return (first ? kFirst : kSecond)[row.element - 20];
        }
        case Conversion::Number: {
            const int id = row.control;
            if (id >= 70 && id <= 90) {
                const int i = id - 70;
                return first ? (i % 3 == 0 ? -(i + 1) : 1000 * i + 7) : i + 1;
            }
            if (id >= 91 && id <= 96) return first ? -(100 + id) : id - 90;
            if (id == 5014) return first ? -5 : 3;         // 4294967291
            if (id == 5015) return first ? 1234567890 : 4;
            if (id == 97) return first ? -100 : 20;
            if (id == 247) return first ? 999999999 : 5;
            if (id == 251) return first ? 65535 : 2;
            if (id == 98) return first ? 250 : 3;
            return first ? 200 + id % 50 : 1;
        }
        default: return 0;
    }
}

inline std::string staged_text(const BindingRow& row, int set) {
    if (row.file == DataFile::Ammo) return set == 0 ? "Iron bolt" : "Stone";
    if (row.width == 5) return set == 0 ? "GRYF" : "BASK";
    return set == 0 ? "Gryphon lord" : "Basilisk";
}

inline StagedTexts staged_texts(int set) {
    if (set == 0) {
        std::string ability = "Strikes from above and ";
        while (ability.size() < 600) ability += "strikes again, ";
        ability.resize(600);
        return {"Gryphon Lord \xC9", "Gryphon Lords", ability};  // a byte above 0x7F too
    }
    return {"Basilisk", "Basilisks", "Turns the onlooker to stone"};
}

// Writes value set `set` into every element of creature `slot` (arrays without
// a control keep their bytes) and its name, plural and ability lines. `form`
// gives the lists' entry counts.
inline void stage_creature(const DataFolder& folder, int slot, int set, const Form& form) {
    for (const DataFileInfo& info : data_files()) {
        Bytes bytes = folder.read(info.name);
        for (const BindingRow& row : binding_rows(info.id)) {
            if (row.kind == Conversion::None) continue;
            if (row.kind == Conversion::Text) {
                const std::string text = staged_text(row, set);
                const std::size_t at = element_position(row, slot);
                std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + row.width), 0);
                std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
                continue;
            }
            write_int(row, bytes, slot, staged_value(row, set, form));
        }
        folder.write(info.name, bytes);
    }
    const StagedTexts texts = staged_texts(set);
    set_line(folder, TextKind::Monsters, slot + 1, texts.name);
    set_line(folder, TextKind::Plural, slot, texts.plural);
    set_line(folder, TextKind::Ability, slot, texts.ability);
}

}  // namespace ce::flows
