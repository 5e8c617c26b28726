// The demo folder of seed 1, made once per test program, and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "demo/demo.h"
#include "store/whole_file.h"
#include "support/temp_dir.h"

namespace ce::demo_test {

inline const std::vector<DemoFile>& seed1() {
    static const std::vector<DemoFile> files = make_demo_files(1).value();
    return files;
}

// The bytes of the named file (name relative, '/' as separator), or fails.
inline const std::vector<std::uint8_t>& file(const std::vector<DemoFile>& files, std::string_view name) {
    std::string native(name);
    for (char& c : native)
        if (c == '/') c = kPathSeparator;
    for (const DemoFile& f : files)
        if (f.name == native) return f.bytes;
    ADD_FAILURE() << "no demo file " << name;
    static const std::vector<std::uint8_t> none;
    return none;
}

inline std::string text(const std::vector<DemoFile>& files, std::string_view name) {
    const auto& bytes = file(files, name);
    return {bytes.begin(), bytes.end()};
}

using test::TempDir;

}  // namespace ce::demo_test
