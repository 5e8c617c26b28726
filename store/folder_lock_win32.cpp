// LockFileEx on the lock file: the system releases it when the handle closes or
// the process ends.
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

std::optional<std::string> open_lock_file(const std::string& path, std::intptr_t& handle) {
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
    return std::nullopt;
}

bool try_lock(std::intptr_t handle) {
    OVERLAPPED where = {};
    return LockFileEx(reinterpret_cast<HANDLE>(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &where) != 0;
}

void close_lock_file(std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

void pause_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace ce::lock_detail
