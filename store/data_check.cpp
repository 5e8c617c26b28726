#include "store/data_check.h"

#include <filesystem>
#include <system_error>

namespace ce {

Status data_file_fault(const DataFileInfo& info, const Status& read, std::size_t length) {
    if (!read.ok()) return read.fault().at(info.name);
    if (length < info.size) {
        return Fault(info.name, std::to_string(length) + " bytes, needs at least " + std::to_string(info.size));
    }
    return {};
}

Status load_data_file(const std::string& root, const DataFileInfo& info, WholeFile& out) {
    const Status read = read_whole_file(data_path(root, info.name), out);
    return data_file_fault(info, read, out.length);
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
