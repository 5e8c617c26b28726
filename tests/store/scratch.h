// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ce::test {

class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        const auto base = std::filesystem::temp_directory_path();
        for (int n = 0;; ++n) {
            path_ = base / ("ce-store-" + std::to_string(counter++) + "-" + std::to_string(n));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string root() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    void write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<unsigned char> read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
    // Names of every entry in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

}  // namespace ce::test
