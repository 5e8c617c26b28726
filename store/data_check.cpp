#include "store/data_check.h"

#include <filesystem>
#include <system_error>

namespace ce {

std::string unreadable_reason(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return "missing";
    if (status.type() == std::filesystem::file_type::directory) return "is a folder, not a file";
    return "cannot be read";
}

std::optional<std::string> data_file_fault(const DataFileInfo& info, const std::string& path, bool read,
                                           std::size_t length) {
    if (!read) return std::string(info.name) + ": " + unreadable_reason(path);
    if (length < info.size) {
        return std::string(info.name) + ": " + std::to_string(length) +
               " bytes, needs at least " + std::to_string(info.size);
    }
    return std::nullopt;
}

std::optional<std::string> load_data_file(const std::string& root, const DataFileInfo& info,
                                          WholeFile& out) {
    const std::string path = data_path(root, info.name);
    const bool read = load_whole_file(path, out);
    return data_file_fault(info, path, read, out.length);
}

std::string folder_name(const std::string& root) {
    if (!root.empty()) return root;
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string("the current folder") : cwd.string();
}

std::string fault_message(const std::string& headline, const std::string& root,
                          const std::vector<std::string>& faults) {
    std::string message = headline + " (folder \"" + folder_name(root) + "\"):";
    for (const std::string& fault : faults) message += "\n    " + fault;
    return message;
}

}  // namespace ce
