// A folder of the process's own under the system's temporary folder, made on
// first use and removed with everything in it when the process ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace ce::fuzz {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ce-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace ce::fuzz
