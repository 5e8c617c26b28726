// Cost of the binding walk for one creature (show, then save, of all six data
// files on MemoryForm, buffers in memory), and of reading the six files whole
// from disk, as every show and every Save does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "form/memory_form.h"
#include "form/slot_binding.h"
#include "store/layouts.h"
#include "store/whole_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> random_files() {
    std::mt19937 rng(7);
    std::vector<Bytes> files;
    for (const ce::DataFileInfo& info : ce::data_files()) {
        Bytes f(info.size + 32, 0);
        for (std::size_t i = 0; i < info.size; ++i) f[i] = static_cast<std::uint8_t>(rng());
        files.push_back(std::move(f));
    }
    return files;
}

void filled_lists(ce::Form& form) {
    const std::pair<int, int> counts[] = {
        {301, 1001}, {302, 1000}, {303, 200}, {305, 5},   {306, 3},   {307, 5},   {308, 10},  {309, 6},
        {310, 9},    {311, 4},    {312, 10},  {313, 9},   {314, 7},   {315, 9},   {316, 3},   {317, 201},
        {318, 201},  {319, 201},  {320, 4},   {321, 4},   {322, 4},   {323, 1001}};
    for (const auto& [id, n] : counts)
        for (int i = 0; i < n; ++i) form.add_item(id, "entry " + std::to_string(i));
}

void BM_ShowAndSaveOneSlot(benchmark::State& state) {
    ce::MemoryForm form;
    filled_lists(form);
    std::vector<Bytes> files = random_files();
    int slot = 0;
    for (auto _ : state) {
        std::size_t i = 0;
        for (const ce::DataFileInfo& info : ce::data_files()) ce::show_slot(form, info.id, files[i++], slot);
        i = 0;
        for (const ce::DataFileInfo& info : ce::data_files()) ce::save_slot(form, info.id, files[i++], slot);
        benchmark::DoNotOptimize(files[0].data());
        slot = (slot + 1) % ce::kSlots;
    }
}
BENCHMARK(BM_ShowAndSaveOneSlot);

void BM_ReadSixFilesFromDisk(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "ce-bench-binding";
    std::filesystem::create_directories(dir);
    std::vector<Bytes> files = random_files();
    std::size_t i = 0;
    for (const ce::DataFileInfo& info : ce::data_files()) {
        const std::string path = ce::data_path(dir.string(), info.name);
        if (const ce::Status error = ce::store_whole_file(path, files[i].data(), info.size); !error.ok()) {
            state.SkipWithError(error.message().c_str());
            return;
        }
        ++i;
    }
    for (auto _ : state) {
        for (const ce::DataFileInfo& info : ce::data_files()) {
            ce::WholeFile f;
            if (!ce::read_whole_file(ce::data_path(dir.string(), info.name), f).ok()) state.SkipWithError("read failed");
            benchmark::DoNotOptimize(f.block.data());
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadSixFilesFromDisk);

}  // namespace
