// The import of a full 1000-creature CSV (a dry run: reading, checking,
// classing and the report, without the write), with and without the classing
// of the changes as a spreadsheet's reformatting. Two files: the folder's own
// export (no change to class), and another demo folder's export, in which
// nearly every field changes (every change classed: the worst case).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "demo/demo.h"
#include "store/file_ops.h"

namespace {

namespace fs = std::filesystem;

class Folders {
public:
    Folders() {
        root_ = fs::temp_directory_path() / ("ce-bench-import-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        for (std::uint64_t seed : {1, 2}) {
            const std::string dir = (root_ / std::to_string(seed)).string();
            fs::create_directories(dir);
            const auto files = ce::make_demo_files(seed);
            if (!files.ok() || !ce::write_demo(dir, *files, false).ok()) std::abort();
            ce::ExportOptions options;
            options.root = dir;
            options.format = "csv";
            std::ostringstream out, err;
            if (ce::run_export(options, out, err) != ce::kExitOk) std::abort();
            std::ofstream((root_ / (std::to_string(seed) + ".csv")).string(), std::ios::binary) << out.str();
        }
    }
    ~Folders() { fs::remove_all(root_); }
    std::string folder() const { return (root_ / "1").string(); }
    std::string csv(int seed) const { return (root_ / (std::to_string(seed) + ".csv")).string(); }

private:
    fs::path root_;
};

const Folders& folders() {
    static const Folders f;
    return f;
}

// range(0): the export's seed (1: the folder's own, 2: another's); range(1): classing on.
void BM_ImportFullCsv(benchmark::State& state) {
    ce::ImportOptions options;
    options.root = folders().folder();
    options.file = folders().csv(static_cast<int>(state.range(0)));
    options.dry_run = true;
    options.class_changes = state.range(1) != 0;
    std::istringstream in;
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = ce::run_import(options, ce::system_file_ops(), in, out, err);
        if (status != ce::kExitOk) state.SkipWithError("the import failed");
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_ImportFullCsv)
    ->ArgNames({"seed", "classing"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
