// A new folder's staging on Windows: CreateDirectory fails when anything has
// the name; our marker beside it is made with CREATE_NEW and held open without
// sharing while its writer lives, so that another run cannot open it then. A
// leftover is ours when its marker opens and says what ours say, and the
// folder (when there) is a folder, not a link.
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "folder/new_folder.h"

namespace ce::staging {
namespace {

std::string system_error(const char* what) { return std::string(what) + " (system error " + std::to_string(GetLastError()) + ")"; }

}  // namespace

void Marker::close() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

Status make_private_folder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return {};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Fault(FaultKind::conflict, path, "exists already");
    return Fault(path, system_error("cannot be made"));
}

Result<Marker> mark(const std::string& path, const std::string& content) {
    // Shared for deletion only, so that unmark can remove it while it is held.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            return Fault(FaultKind::conflict, path, "exists already");
        return Fault(path, system_error("cannot be made"));
    }
    Marker marker(reinterpret_cast<std::intptr_t>(h));
    DWORD written = 0;
    if (!WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size())
        return Fault(path, system_error("cannot be written"));
    return marker;
}

Status unmark(Marker&, const std::string& path) {
    if (!DeleteFileA(path.c_str())) return Fault(path, system_error("cannot be removed"));
    return {};
}

Found sweep(const std::string& folder, const std::string& marker, const std::string& content, Status& removal) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    const bool folder_there = attributes != INVALID_FILE_ATTRIBUTES;
    const bool folder_ours = folder_there && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                             (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    HANDLE h = CreateFileA(marker.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return Found::running;
        if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && !folder_there) return Found::none;
        return Found::foreign;
    }
    std::string said(content.size() + 1, '\0');
    DWORD got = 0;
    const bool read = ReadFile(h, said.data(), static_cast<DWORD>(said.size()), &got, nullptr);
    CloseHandle(h);
    if (!read || got != content.size() || said.substr(0, got) != content) return Found::foreign;
    if (folder_there && !folder_ours) return Found::foreign;
    if (!folder_there) {
        // Our record alone (its writer stopped after the folder took its name): nothing else to say.
        (void)DeleteFileA(marker.c_str());
        return Found::none;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec) removal = Fault(folder, ec.message());
    else if (!DeleteFileA(marker.c_str())) removal = Fault(marker, system_error("cannot be removed"));
    return Found::ours;
}

void open_to_others(const std::string&) {}

}  // namespace ce::staging
