// LockFileEx on the lock file: the system releases it when the handle closes or
// the process ends. Under Wine, LockFileEx becomes a record lock on the Linux
// file, which a Linux program's flock does not see (an older native tool of
// ours, the flock command): the lock is refused too while the system lists such
// a flock on the same file.
#include <windows.h>


#include "store/fault.h"
#include "store/folder_lock.h"

namespace ce::lock_detail {

namespace {
std::string system_message(DWORD code) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text;
}
}  // namespace

Status open_lock_file(const std::string& path, std::intptr_t& handle) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::string(reason::kFolder);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD first = GetLastError();
        h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            // No lock file, and a folder where none can be made: that is the reason.
            const DWORD last = GetLastError();
            const DWORD why = last == ERROR_FILE_NOT_FOUND ? first : last;
            return why == ERROR_ACCESS_DENIED ? std::string(reason::kDenied) : system_message(why);
        }
    }
    handle = reinterpret_cast<std::intptr_t>(h);
    return {};
}

namespace {

bool under_wine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The Linux system's list of file locks, read through Wine's view of the root
// folder; empty where there is none (not Wine, no such drive).
std::string linux_lock_list() {
    for (const char* path : {"\\\\?\\unix\\proc\\locks", "Z:\\proc\\locks"}) {
        const HANDLE list = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (list == INVALID_HANDLE_VALUE) continue;
        std::string text;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(list, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
        CloseHandle(list);
        return text;
    }
    return {};
}

}  // namespace

bool try_lock(std::intptr_t handle) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    OVERLAPPED where = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!under_wine() || !GetFileInformationByHandle(file, &info)) return true;
    // Wine gives the Linux inode as the file's index.
    const unsigned long long inode =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (!lists_flock_on(linux_lock_list(), inode)) return true;
    UnlockFileEx(file, 0, 1, 0, &where);
    return false;
}

void close_lock_file(std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

void pause_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace ce::lock_detail
