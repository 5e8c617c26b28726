// Win32 file operations: read_whole_file and the system FileOps.
#include <windows.h>

#include <cstdint>

#include "store/file_ops.h"
#include "store/whole_file.h"

namespace ce {
namespace {

constexpr std::uint64_t kLargestFile = 1u << 30;

std::string error_text(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (n != 0 && text != nullptr) result.assign(text, n);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty()) result = "system error " + std::to_string(code);
    return result;
}

std::string last_error() { return error_text(GetLastError()); }

// Why a path that could not be opened cannot be read.
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

class Win32Handle {
public:
    explicit Win32Handle(HANDLE h) : h_(h) {}
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;
    ~Win32Handle() {
        if (valid()) CloseHandle(h_);
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }

private:
    HANDLE h_;
};

HANDLE as_handle(FileOps::Handle file) { return reinterpret_cast<HANDLE>(file); }
FileOps::Handle as_int(HANDLE h) { return reinterpret_cast<FileOps::Handle>(h); }

class Win32FileOps final : public FileOps {
public:
    Status link_count(const std::string& path, unsigned& out) override {
        Win32Handle h(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!h.valid()) {
            const DWORD code = GetLastError();
            if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
                out = 0;
                return {};
            }
            return error_text(code);
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(h.get(), &info)) return last_error();
        out = info.nNumberOfLinks == 0 ? 1u : static_cast<unsigned>(info.nNumberOfLinks);
        return {};
    }

    Status create_new(const std::string& path, const std::string& model, Handle& out) override {
        // The new file takes the old one's attributes (hidden, system, archive);
        // its security and streams come over when it replaces the old one.
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        const DWORD old = model.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(model.c_str());
        if (old != INVALID_FILE_ATTRIBUTES) {
            const DWORD kept = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            if (kept != 0) attributes = kept;
        }
        // CREATE_NEW fails on any name that is there already, a link or a
        // junction included: what another program made first is never reused.
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (h == INVALID_HANDLE_VALUE) return last_error();
        out = as_int(h);
        return {};
    }

    Status open_existing(const std::string& path, Handle& out) override {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return last_error();
        out = as_int(h);
        return {};
    }

    Status write(Handle file, const void* data, std::size_t count) override {
        const auto* p = static_cast<const char*>(data);
        while (count > 0) {
            const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
            DWORD written = 0;
            if (!WriteFile(as_handle(file), p, chunk, &written, nullptr)) return last_error();
            if (written == 0) return std::string("nothing was written");
            p += written;
            count -= written;
        }
        return {};
    }

    Status set_size(Handle file, std::uint64_t size) override {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFilePointerEx(as_handle(file), at, nullptr, FILE_BEGIN)) return last_error();
        if (!SetEndOfFile(as_handle(file))) return last_error();
        return {};
    }

    Status flush(Handle file) override {
        if (!FlushFileBuffers(as_handle(file))) return last_error();
        return {};
    }

    Status close(Handle file) override {
        if (!CloseHandle(as_handle(file))) return last_error();
        return {};
    }

    // Over an existing file, ReplaceFile carries the old file's security,
    // attributes and streams over to the new one, which is what a replacement
    // should keep. Where it cannot (another file system, a file opened without
    // sharing) the plain move stands in, as for a file that does not exist yet.
    Status replace(const std::string& from, const std::string& to) override {
        if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
                return {};
            // On failure the new file is still under its own name, and the old
            // one under its name or moved aside: the move below puts the new one
            // in place either way.
        }
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return last_error();
        return {};
    }

    Status copy(const std::string& from, const std::string& to) override {
        if (!CopyFileA(from.c_str(), to.c_str(), TRUE)) return last_error();
        // CopyFile does not flush: the copy must be on the device before the
        // original is rewritten.
        Status error;
        {
            Win32Handle h(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!h.valid())
                error = last_error();
            else if (!FlushFileBuffers(h.get()))
                error = last_error();
            else if (!CloseHandle(h.release()))
                error = last_error();
        }
        if (!error.ok()) DeleteFileA(to.c_str());
        return error;
    }

    Status remove(const std::string& path) override {
        if (!DeleteFileA(path.c_str())) return last_error();
        return {};
    }
};

}  // namespace

Status FileOps::may_write(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};  // a new file: its folder decides
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fault(reason::kFolder);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return Fault(reason::kDenied);
    return {};
}

FileOps& system_file_ops() {
    static Win32FileOps ops;
    return ops;
}

std::optional<FileStamp> file_stamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
    return FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                     static_cast<std::int64_t>(join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)),
                     join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime)};
}

Status make_private_folder(const std::string& prefix, std::string& out) {
    // The user's own temporary folder, whose permissions keep other users out;
    // CreateDirectory fails on a name that exists, so a folder someone made
    // first is skipped for another name.
    char base[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) return Fault("cannot make a private temporary folder: " + last_error());
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    std::uint64_t seed = static_cast<std::uint64_t>(now.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        char digits[17];
        for (int i = 0; i < 16; ++i) digits[i] = "0123456789abcdef"[(seed >> (4 * i)) & 0xF];
        digits[16] = '\0';
        const std::string name = std::string(base) + prefix + digits;
        if (CreateDirectoryA(name.c_str(), nullptr)) {
            out = name;
            return {};
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return Fault(name, "cannot make a private temporary folder: " + last_error());
    }
    return Fault(base, "cannot make a private temporary folder: every name tried is taken");
}

std::optional<FileStamp> restamp_folder(const std::string& path) {
    Win32Handle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid()) return std::nullopt;
    // A change takes its time from the system clock, whose steps are far
    // coarser than one unit: one unit past the current step is never one.
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart += 1;
    now.dwLowDateTime = t.LowPart;
    now.dwHighDateTime = t.HighPart;
    if (!SetFileTime(h.get(), nullptr, nullptr, &now)) return std::nullopt;
    return file_stamp(path);
}

Status read_whole_file(const std::string& path, WholeFile& out) {
    // A folder opens only with backup semantics; say what it is rather than
    // "access denied".
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Fault(path, reason::kFolder);
    Win32Handle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr));
    if (!h.valid()) return Fault(path, open_reason(GetLastError()));
    // A pipe, a console or a device (NUL, COM1) is no data file, and reading one may wait forever.
    if (GetFileType(h.get()) != FILE_TYPE_DISK) return Fault(path, reason::kNotRegular);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size) || size.QuadPart < 0) return Fault(path, last_error());
    if (static_cast<std::uint64_t>(size.QuadPart) > kLargestFile) return Fault(path, reason::kTooLarge);
    const auto length = static_cast<std::size_t>(size.QuadPart);
    std::vector<std::uint8_t> block(length + 32, 0);
    std::size_t got = 0;
    while (got < length) {
        DWORD n = 0;
        if (!ReadFile(h.get(), block.data() + got, static_cast<DWORD>(length - got), &n, nullptr))
            return Fault(path, last_error());
        if (n == 0) break;
        got += n;
    }
    block.resize(got + 32);
    out.block = std::move(block);
    out.length = got;
    return {};
}

}  // namespace ce
