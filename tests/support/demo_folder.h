// The demo data set (demo/demo.h) as a test's data folder: for the programs
// that link the demo generator.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "demo/demo.h"
#include "store/data_folder.h"
#include "support/temp_dir.h"

namespace ce::test {

// Writes the demo folder of `seed` into `dir`, over any files there; its
// portraits only when `pictures`.
inline void write_demo_folder(const std::filesystem::path& dir, std::uint64_t seed = kDefaultDemoSeed,
                              bool pictures = true) {
    const Result<std::vector<DemoFile>> files = make_demo_files(seed);
    if (!files.ok()) throw std::runtime_error("the demo folder cannot be made: " + files.fault().message());
    for (const DemoFile& f : *files) {
        if (!pictures && f.name.rfind(std::string(kPictureFolder), 0) == 0) continue;
        write_file(dir / f.name, std::string_view(reinterpret_cast<const char*>(f.bytes.data()), f.bytes.size()));
    }
}

}  // namespace ce::test
