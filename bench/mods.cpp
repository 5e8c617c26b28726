// Mods at full scale: three mods that each change all 1000 creatures merged
// onto a base into a new folder (settled by an order of precedence, the folder
// written), and a whole-folder patch applied (the three-way check of every
// change, the files planned and committed with a history entry), each from
// the command line's entry, in process. The folders are demo folders of other
// seeds: nearly every field of every creature differs from the base.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "demo/demo.h"
#include "store/file_ops.h"

namespace {

namespace fs = std::filesystem;

int run(std::vector<std::string> args, std::string* out = nullptr) {
    std::vector<const char*> argv{"creatures"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in;
    std::ostringstream o, e;
    const int status = ce::run_creatures(static_cast<int>(argv.size()), argv.data(), ce::system_file_ops(), in, o, e);
    if (out) *out = o.str();
    return status;
}

class Folders {
public:
    Folders() {
        root_ = fs::temp_directory_path() / ("ce-bench-mods-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        for (int seed : {1, 2, 3, 4}) {
            const std::string dir = folder(seed);
            fs::create_directories(dir);
            const auto files = ce::make_demo_files(static_cast<std::uint64_t>(seed));
            if (!files.ok() || !ce::write_demo(dir, *files, false).ok()) std::abort();
        }
        std::string text;
        if (run({"diff", folder(1), folder(2), "--patch"}, &text) != ce::kExitFound) std::abort();
        std::ofstream(patch(), std::ios::binary) << text;
    }
    ~Folders() { fs::remove_all(root_); }
    std::string folder(int seed) const { return (root_ / std::to_string(seed)).string(); }
    std::string patch() const { return (root_ / "whole.json").string(); }
    std::string scratch() const { return (root_ / "scratch").string(); }

private:
    fs::path root_;
};

const Folders& folders() {
    static const Folders f;
    return f;
}

// range(0): 1 a dry run (the merge and its report), 0 the new folder written
// too (its some 350 files each flushed before the folder takes its name);
// range(1): 1 the report as JSON.
void BM_MergeThreeWholeMods(benchmark::State& state) {
    const Folders& f = folders();
    const std::string out = f.scratch();
    std::vector<std::string> args{"merge", f.folder(1), f.folder(2), f.folder(3), f.folder(4), "-o", out,
                                  "--precedence", "1,2,3"};
    if (state.range(0) != 0) args.push_back("--dry-run");
    if (state.range(1) != 0) args.push_back("--json");
    for (auto _ : state) {
        if (run(args) != ce::kExitOk) state.SkipWithError("the merge failed");
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeThreeWholeMods)
    ->ArgNames({"dry_run", "json"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// range(0): 1 a dry run (the check and the report only), 0 the write too.
void BM_ApplyWholeFolderPatch(benchmark::State& state) {
    const Folders& f = folders();
    const std::string target = f.scratch();
    const bool dry_run = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        fs::copy(f.folder(1), target, fs::copy_options::recursive);
        state.ResumeTiming();
        std::vector<std::string> args{"apply", "-C", target, f.patch()};
        if (dry_run) args.push_back("--dry-run");
        if (run(args) != ce::kExitOk) state.SkipWithError("the apply failed");
    }
    fs::remove_all(target);
}
BENCHMARK(BM_ApplyWholeFolderPatch)->ArgName("dry_run")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DiffWholeFolderPatch(benchmark::State& state) {
    const Folders& f = folders();
    for (auto _ : state) {
        std::string text;
        if (run({"diff", f.folder(1), f.folder(2), "--patch"}, &text) != ce::kExitFound)
            state.SkipWithError("the diff failed");
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(BM_DiffWholeFolderPatch)->Unit(benchmark::kMillisecond);

}  // namespace
