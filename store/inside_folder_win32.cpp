// Reading a stranger's folder on Windows: a link there (a symbolic link, a
// junction or any other reparse point) is refused wherever it leads, as are
// devices and pipes. Windows files take the default security of the folder
// they are made in, so who may read a file is not asked.
#include <windows.h>

#include "store/inside_folder.h"

namespace ce {
namespace {


std::string error_text(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (n != 0 && text != nullptr) result.assign(text, n);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' ' ||
                               result.back() == '.'))
        result.pop_back();
    if (result.empty()) result = "system error " + std::to_string(code);
    return result;
}

std::string open_reason(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME: return reason::kMissing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return reason::kDenied;
        case ERROR_CANT_RESOLVE_FILENAME: return reason::kLoop;
        default: return error_text(code);
    }
}

std::int64_t nanoseconds(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 100;
}

// Opens the file at `path` as itself when `follow` is false (a link is
// then refused, not followed) and checks what it is.
Result<FileReader> open_file(const std::string& path, bool follow) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Fault(FaultKind::invalid, path, reason::kFolder);
    if (!follow && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return Fault(FaultKind::invalid, path, reason::kLinkOut);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fault(path, open_reason(GetLastError()));
    struct Guard {
        HANDLE h;
        ~Guard() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    } guard{h};
    BY_HANDLE_FILE_INFORMATION info{};
    // A pipe, a console or a device (NUL, COM1) is no data file, and reading one may wait forever.
    if (GetFileType(h) != FILE_TYPE_DISK) return Fault(FaultKind::invalid, path, reason::kNotRegular);
    if (!GetFileInformationByHandle(h, &info)) return Fault(path, error_text(GetLastError()));
    if (!follow && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return Fault(FaultKind::invalid, path, reason::kLinkOut);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fault(FaultKind::invalid, path, reason::kFolder);
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.written = nanoseconds(info.ftLastWriteTime);
    id.changed = nanoseconds(info.ftCreationTime);
    if (id.size > kLargestRead) return Fault(FaultKind::invalid, path, reason::kTooLarge);
    guard.h = INVALID_HANDLE_VALUE;
    return FileReader(reinterpret_cast<std::intptr_t>(h), path, FileAccess{}, id);
}

// Whether a part of `name` inside `root` is a link (or not there).
Status no_link_on_the_way(const std::string& root, std::string_view name) {
    std::size_t at = 0;
    while (at < name.size()) {
        std::size_t slash = name.find_first_of("/\\", at);
        if (slash == std::string_view::npos) slash = name.size();
        const std::string prefix = data_path(root, std::string(name.substr(0, slash)));
        const DWORD attributes = GetFileAttributesA(prefix.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Fault(prefix, open_reason(GetLastError()));
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return Fault(FaultKind::invalid, data_path(root, std::string(name)), reason::kLinkOut);
        at = slash + 1;
    }
    return {};
}

}  // namespace

unsigned copy_mode(const FileAccess&, std::uint64_t, std::uint64_t) { return 0777; }

Status narrow_access(const std::string&, const std::vector<FileAccess>&) { return {}; }

FileReader::FileReader(FileReader&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), access_(other.access_), identity_(other.identity_) {
    other.handle_ = -1;
}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(path_, other.path_);
    std::swap(access_, other.access_);
    std::swap(identity_, other.identity_);
    return *this;
}

FileReader::~FileReader() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

Result<std::size_t> FileReader::read(void* buffer, std::size_t most) {
    DWORD n = 0;
    const DWORD asked = most > 0x40000000u ? 0x40000000u : static_cast<DWORD>(most);
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, asked, &n, nullptr))
        return Fault(path_, error_text(GetLastError()));
    return static_cast<std::size_t>(n);
}

Status FileReader::read_whole(WholeFile& out) {
    const std::size_t size = static_cast<std::size_t>(identity_.size);
    std::vector<std::uint8_t> block(size + 32, 0);
    std::size_t got = 0;
    while (got < size) {
        const Result<std::size_t> n = read(block.data() + got, size - got);
        if (!n.ok()) return n.fault();
        if (*n == 0) break;
        got += *n;
    }
    block.resize(got + 32);
    out.block = std::move(block);
    out.length = got;
    return {};
}

Result<FileReader> open_for_reading(const std::string& path) { return open_file(path, true); }

Result<FileReader> open_inside(const std::string& root, std::string_view name) {
    if (Status e = no_link_on_the_way(root, name); !e.ok()) return e.fault();
    return open_file(data_path(root, std::string(name)), false);
}

Status read_inside(const std::string& root, std::string_view name, WholeFile& out, FileAccess* access) {
    Result<FileReader> file = open_inside(root, name);
    if (!file.ok()) return file.fault();
    if (access) *access = file->access();
    return file->read_whole(out);
}

Result<std::vector<FolderEntry>> list_inside(const std::string& root, std::string_view name) {
    if (Status e = no_link_on_the_way(root, name); !e.ok()) return e.fault();
    const std::string folder = name.empty() ? (root.empty() ? std::string(".") : root) : data_path(root, std::string(name));
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fault(folder, open_reason(GetLastError()));
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fault(FaultKind::invalid, folder, "not a folder");
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA(data_path(folder, "*").c_str(), &found);
    std::vector<FolderEntry> entries;
    if (find == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
        return Fault(folder, open_reason(GetLastError()));
    }
    do {
        const std::string entry = found.cFileName;
        if (entry == "." || entry == "..") continue;
        FolderEntry f;
        f.name = entry;
        const DWORD a = found.dwFileAttributes;
        f.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FolderEntry::link
                 : (a & FILE_ATTRIBUTE_DIRECTORY) != 0   ? FolderEntry::folder
                 : (a & FILE_ATTRIBUTE_DEVICE) != 0      ? FolderEntry::other
                                                         : FolderEntry::file;
        entries.push_back(std::move(f));
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return entries;
}

std::optional<FileAccess> file_access(const std::string&) { return std::nullopt; }

}  // namespace ce
