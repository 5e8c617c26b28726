// Making a folder: the same on every platform, through the standard library.
#include <filesystem>
#include <system_error>

#include "store/file_ops.h"

namespace ce {

Status FileOps::make_folder(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::create_directory(path, ec)) return {};
    if (ec) return ec.message();
    if (!std::filesystem::is_directory(path, ec)) return std::string("a file of that name is in the way");
    return {};
}

}  // namespace ce
