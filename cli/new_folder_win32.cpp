// A new folder's staging on Windows: CreateDirectory fails when anything has
// the name; our marker in it is made with CREATE_NEW and held open without
// sharing while its writer lives, so that another run cannot open it then. A
// leftover is ours when it is a folder (no link) holding a marker that opens
// and says what ours say.
#include <windows.h>


#include "cli/new_folder.h"
#include "store/whole_file.h"

namespace ce::staging {

void Marker::close() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

Status unmark(Marker& marker, const std::string& folder) {
    marker.close();
    const std::string path = data_path(folder, kMarker);
    if (!DeleteFileA(path.c_str())) return Fault(path, "cannot be removed (system error " + std::to_string(GetLastError()) + ")");
    return {};
}

Status make_private_folder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return {};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Fault(FaultKind::conflict, path, "exists already");
    return Fault(path, "cannot be made (system error " + std::to_string(error) + ")");
}

Result<Marker> mark(const std::string& folder, const std::string& content) {
    const std::string path = data_path(folder, kMarker);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fault(path, "cannot be made (system error " + std::to_string(GetLastError()) + ")");
    Marker marker(reinterpret_cast<std::intptr_t>(h));
    DWORD written = 0;
    if (!WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size())
        return Fault(path, "cannot be written (system error " + std::to_string(GetLastError()) + ")");
    return marker;
}

Found sweep(const std::string& folder, const std::string& content, Status& removal) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return Found::foreign;
    const std::string path = data_path(folder, kMarker);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? Found::running : Found::foreign;
    std::string said(content.size() + 1, '\0');
    DWORD got = 0;
    const bool read = ReadFile(h, said.data(), static_cast<DWORD>(said.size()), &got, nullptr);
    CloseHandle(h);
    if (!read || got != content.size() || said.substr(0, got) != content) return Found::foreign;
    removal = remove_marked(folder);
    return Found::ours;
}

void open_to_others(const std::string&) {}

}  // namespace ce::staging
