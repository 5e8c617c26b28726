// The folder's history: listing 200 entries (each names nine files), and the
// cost of the transaction itself over nine plain safe replacements.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/file_ops.h"
#include "store/history.h"
#include "store/journal.h"
#include "store/whole_file.h"

namespace {

namespace fs = std::filesystem;

class Folder {
public:
    Folder() {
        path_ = fs::temp_directory_path() / ("ce-bench-history-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_ / "Eng");
    }
    ~Folder() { fs::remove_all(path_); }
    std::string root() const { return path_.string(); }

private:
    fs::path path_;
};

std::vector<std::string> nine_names() {
    return {"MonstersSetup.vrh", "DefenseBonus.vrh", "Ammo.vrh",         "Firewall.vrh",    "Demonology.vrh",
            "ImposedSpells.vrh", "Eng/Monsters.txt", "Eng/Plural.txt", "Eng/Ability.txt"};
}

// Nine files of 40 KiB whose bytes depend on `round`.
std::vector<ce::PlannedFile> nine_files(int round) {
    std::vector<ce::PlannedFile> files;
    int k = 0;
    for (const std::string& name : nine_names())
        files.push_back({name, std::nullopt, std::string(40960, static_cast<char>('a' + (round + k++) % 26))});
    return files;
}

void BM_ListHistory200(benchmark::State& bench) {
    Folder folder;
    for (int i = 0; i < 200; ++i) {
        if (const auto r = ce::commit_folder_write(ce::system_file_ops(), folder.root(), nine_files(i), {"bench", {i}});
            !r.ok()) {
            bench.SkipWithError(r.fault().message().c_str());
            return;
        }
    }
    for (auto _ : bench) {
        std::vector<ce::HistoryEntry> entries;
        benchmark::DoNotOptimize(ce::list_history(folder.root(), entries).ok());
        if (entries.size() != 200) bench.SkipWithError("not 200 entries");
    }
}
BENCHMARK(BM_ListHistory200)->Unit(benchmark::kMillisecond);

using NineFiles = std::vector<ce::PlannedFile> (*)(int round);

// Nine safe replacements one by one (no journal), round after round.
void write_plain(benchmark::State& bench, NineFiles files) {
    Folder folder;
    int round = 0;
    for (auto _ : bench) {
        for (const ce::PlannedFile& f : files(round++))
            benchmark::DoNotOptimize(
                ce::store_whole_file(ce::data_path(folder.root(), f.name), f.bytes.data(), f.bytes.size()).ok());
    }
}

// The nine as one journaled write, round after round, once `history` writes
// have made the history (201: full, each write adds one entry and prunes the
// oldest).
void write_journaled(benchmark::State& bench, NineFiles files, int history) {
    Folder folder;
    int round = 0;
    for (; round < history; ++round) {
        if (const auto r = ce::commit_folder_write(ce::system_file_ops(), folder.root(), files(round), {"bench", {}});
            !r.ok()) {
            bench.SkipWithError(r.fault().message().c_str());
            return;
        }
    }
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ce::commit_folder_write(ce::system_file_ops(), folder.root(), files(round++), {"bench", {}}));
    }
}

// The write step alone: nine safe replacements one by one (no journal) against
// the same nine files as one journaled transaction.
void BM_WriteNinePlain(benchmark::State& bench) { write_plain(bench, nine_files); }
BENCHMARK(BM_WriteNinePlain)->Unit(benchmark::kMillisecond);

void BM_WriteNineJournaled(benchmark::State& bench) { write_journaled(bench, nine_files, 1); }
BENCHMARK(BM_WriteNineJournaled)->Unit(benchmark::kMillisecond);

// The same write once the history holds its 200 entries.
void BM_WriteNineJournaledFullHistory(benchmark::State& bench) { write_journaled(bench, nine_files, 201); }
BENCHMARK(BM_WriteNineJournaledFullHistory)->Unit(benchmark::kMillisecond);

// Every write's old bytes are bytes the history has never stored: the write
// stores all nine (a modder changing something new each time), beside the
// same nine replacements alone.
std::vector<ce::PlannedFile> nine_fresh_files(int round) {
    std::vector<ce::PlannedFile> files = nine_files(round);
    for (ce::PlannedFile& f : files) f.bytes.replace(0, 12, std::to_string(1000000000000 + round));
    return files;
}

void BM_WriteNinePlainFresh(benchmark::State& bench) { write_plain(bench, nine_fresh_files); }
BENCHMARK(BM_WriteNinePlainFresh)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_WriteNineJournaledFresh(benchmark::State& bench) { write_journaled(bench, nine_fresh_files, 201); }
BENCHMARK(BM_WriteNineJournaledFresh)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
