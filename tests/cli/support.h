// Helpers of the command-line tool's tests: running the tool in-process and
// the files of a folder (TempDir holds them, support/temp_dir.h).
#pragma once

#include <gtest/gtest.h>

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
#include "support/temp_dir.h"

namespace ce::test {

namespace fs = std::filesystem;

// Every regular file under dir (relative path -> bytes), except the folder's
// history and lock file, which every write keeps beside the data.
inline std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for_each_saved_file(dir, [&](const std::string& name, const fs::path& file) { files[name] = read_file(file); });
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

// A CSV import that changes creature `slot` in all nine files a Save can
// change (the six data files, and its name, plural and ability lines);
// `variant` gives other values.
inline std::string nine_files_csv(int slot, int variant) {
    const std::string v = std::to_string(variant);
    return "slot,name,plural,ability,MonstersSetup.vrh@27000,Ammo.vrh@0,ImposedSpells.vrh@0[0],Firewall.vrh@0,"
           "Demonology.vrh@0,DefenseBonus.vrh@0\r\n" +
           std::to_string(slot) + ",Name " + v + ",Names " + v + ",Ability " + v + "," + std::to_string(40 + variant) +
           ",Dart " + v + "," + std::to_string(3 + variant) + ",1," + std::to_string(2 + variant) + "," +
           std::to_string(9 + variant) + "\r\n";
}

inline int count_lines_of(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

}  // namespace ce::test
