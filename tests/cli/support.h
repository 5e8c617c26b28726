// Helpers of the command-line tool's tests: fixture folders in temporary
// directories, running the tool in-process, reading and comparing files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "fixture.h"
#include "store/file_ops.h"
#include "store/whole_file.h"

namespace ce::test {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir() {
        static int counter = 0;
        path_ = fs::temp_directory_path() /
                ("ce-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string str() const { return path_.string(); }
    fs::path path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every regular file under dir (relative path -> bytes), except the folder's
// history and lock file, which every write keeps beside the data.
inline std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it.depth() == 0 && (name == ".history" || name == ".creatures.lock")) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file()) files[fs::relative(it->path(), dir).string()] = read_file(it->path().string());
    }
    return files;
}

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs the tool in-process with these arguments (without the program name).
inline ToolRun run_tool(std::vector<std::string> args, FileOps& ops, const std::string& input = {}) {
    std::vector<const char*> argv{"creatures"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    ToolRun r;
    r.status = run_creatures(static_cast<int>(argv.size()), argv.data(), ops, in, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}
inline ToolRun run_tool(std::vector<std::string> args, const std::string& input = {}) {
    return run_tool(std::move(args), system_file_ops(), input);
}

inline int count_lines_of(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

}  // namespace ce::test
