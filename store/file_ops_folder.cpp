// Making a folder and taking the folder's lock: the same on every platform.
#include <filesystem>
#include <system_error>

#include "store/file_ops.h"
#include "store/folder_lock.h"

namespace ce {

Status FileOps::make_folder(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::create_directory(path, ec)) return {};
    if (ec) return ec.message();
    if (!std::filesystem::is_directory(path, ec)) return std::string("a file of that name is in the way");
    return {};
}

Status FileOps::lock_folder(FolderLock& lock, const std::string& root, int wait_ms) {
    return lock.acquire(root, wait_ms);
}

}  // namespace ce
