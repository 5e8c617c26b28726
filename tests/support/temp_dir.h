// A fresh folder for one test under the system's temporary folder, removed
// with everything in it afterwards, and reading and writing whole files.
// Header-only, so that every test program and the benchmarks can use it.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ce::test {

// The bytes of the file at path ("" when it cannot be read).
inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file at path with `bytes`, making the folders above it; throws
// when it cannot, so that a test never goes on with a folder it did not make.
inline void write_file(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Calls `visit`(name relative to `root`, path) for every file under `root` but
// the folder's history and lock file, which every write keeps beside the data.
template <class Visit>
void for_each_saved_file(const std::filesystem::path& root, Visit&& visit) {
    for (auto it = std::filesystem::recursive_directory_iterator(root);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it.depth() == 0 && (name == ".history" || name == ".creatures.lock")) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        visit(std::filesystem::relative(it->path(), root).string(), it->path());
    }
}

class TempDir {
public:
    // The folder is named "ce-<tag>-..." so that one left behind by a killed
    // test says whose it was; the name is new to the system, also between
    // test programs that run at once.
    explicit TempDir(std::string_view tag = "test") : TempDir(tag, std::filesystem::temp_directory_path()) {}
    // Under `base` rather than the system's temporary folder.
    TempDir(std::string_view tag, const std::filesystem::path& base) {
        static std::atomic<unsigned> serial{0};
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = base / ("ce-" + std::string(tag) + "-" + std::to_string(++serial) + "-" +
                                           std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot make a temporary folder under " + base.string());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // The path of `name` (which may hold folders) in the folder.
    std::string file(std::string_view name) const { return (path_ / name).string(); }
    std::string operator/(std::string_view name) const { return file(name); }

    void write(std::string_view name, std::string_view bytes) const { write_file(path_ / name, bytes); }
    void write(std::string_view name, const std::vector<unsigned char>& bytes) const {
        write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    void write(std::string_view name, std::initializer_list<unsigned char> bytes) const {
        write(name, std::vector<unsigned char>(bytes));
    }
    std::string read(std::string_view name) const { return read_file(path_ / name); }
    std::vector<unsigned char> bytes(std::string_view name) const {
        const std::string text = read(name);
        return std::vector<unsigned char>(text.begin(), text.end());
    }
    bool exists(std::string_view name) const { return std::filesystem::exists(path_ / name); }
    // Names of the entries directly in the folder, sorted.
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
