// Saving a creature whose every file changes (the six data files and the three
// language files), alternating between two sets of edits so that each Save
// writes all nine: with the device flushes skipped (the program's own work) and
// with them (what a user waits for). Beside each, the same Save written plain,
// as before the folder's writes were journaled: each of the nine files
// replaced safely on its own, without lock, journal or history. Run with
// TMPDIR on a memory file system (/dev/shm), it times the program's own work
// alone, free of the disk and of the file system's state.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <vector>

#include "editor/session.h"
#include "form/rewrite.h"
#include "form/save.h"
#include "form/shown.h"
#include "form/slot_binding.h"
#include "store/data_check.h"
#include "store/whole_file.h"

namespace {

void edit_everything(ce::fixture::Session& s, int variant) {
    const bool a = variant == 0;
    s.retype(121, a ? "Phoenix" : "Griffin");
    s.retype(304, a ? "Embers" : "Ashes");
    s.form.choose(317, a ? 0 : 1);
    s.form.click(2132);
    s.form.choose(323, a ? 9 : 8);
    s.retype(98, a ? "7" : "8");
    s.retype(300, a ? "Phoenix" : "Griffin");
    s.retype(5000, a ? "Phoenixes" : "Griffins");
    s.retype(5001, a ? "Rises again" : "Flies high");
}

// The Save without the journal: the slot into each data file, each replaced
// on its own, then the three language files one by one.
bool save_plain(ce::EditorState& state, ce::Form& form) {
    std::array<std::vector<std::uint8_t>, ce::kDataFileCount> written;
    for (const ce::DataFileInfo& info : ce::data_files()) {
        ce::WholeFile file;
        if (!ce::load_data_file(state.root, info, file).ok()) return false;
        ce::save_slot(form, info.id, file.block, state.current, state.shown.memos_of(info.id));
        if (!ce::store_whole_file(*state.files, ce::data_path(state.root, info.name), file.data(), info.size).ok())
            return false;
        written[static_cast<std::size_t>(info.id)] = std::move(file.block);
    }
    const ce::LineChanges lines = ce::plan_creature_lines(form, state.root, state.current, state.shown.lines, true);
    for (const ce::LineFile& file : lines.files)
        if (!ce::store_whole_file(*state.files, file.path, file.bytes.data(), file.bytes.size()).ok()) return false;
    std::vector<ce::Fault> refill_faults;
    ce::refill_after_save(form, state.root, state.current, state.header_format, refill_faults);
    ce::remember_save(state.shown, form, std::move(written));
    return lines.faults.empty();
}

using SaveFn = bool (*)(ce::EditorState&, ce::Form&);

// The fastest of the repetitions: on a machine others share, the least
// disturbed figure.
double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

void save_every_file(benchmark::State& bench, bool flush, SaveFn save = ce::save_creature) {
    ce::fixture::Session s(5);
    ce::fixture::ScriptedOps ops;
    ops.skip_flush = !flush;
    s.state.files = &ops;
    s.start();
    s.choose_creature(60);
    int variant = 0;
    for (auto _ : bench) {
        bench.PauseTiming();
        edit_everything(s, variant);
        variant = 1 - variant;
        bench.ResumeTiming();
        if (!save(s.state, s.form)) bench.SkipWithError("the Save failed");
    }
    if (!s.form.errors().empty()) bench.SkipWithError(s.form.errors().front().c_str());
}

// A Save of one creature where the user changed one value: what a Save costs
// when most of the form is as shown (each element is judged against the show).
void BM_SaveOneValueChanged(benchmark::State& bench) {
    ce::fixture::Session s(5);
    ce::fixture::ScriptedOps ops;
    ops.skip_flush = true;
    s.state.files = &ops;
    s.start();
    s.choose_creature(60);
    int variant = 0;
    for (auto _ : bench) {
        bench.PauseTiming();
        s.retype(98, variant == 0 ? "7" : "8");
        variant = 1 - variant;
        bench.ResumeTiming();
        benchmark::DoNotOptimize(ce::save_creature(s.state, s.form));
    }
    if (!s.form.errors().empty()) bench.SkipWithError(s.form.errors().front().c_str());
}
BENCHMARK(BM_SaveOneValueChanged)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_SaveEveryFileChanged(benchmark::State& bench) { save_every_file(bench, false); }
BENCHMARK(BM_SaveEveryFileChanged)->Unit(benchmark::kMillisecond)->Repetitions(15)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

void BM_SaveEveryFileChangedFlushed(benchmark::State& bench) { save_every_file(bench, true); }
BENCHMARK(BM_SaveEveryFileChangedFlushed)->Unit(benchmark::kMillisecond)->Repetitions(15)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

void BM_SaveEveryFileChangedPlain(benchmark::State& bench) { save_every_file(bench, false, save_plain); }
BENCHMARK(BM_SaveEveryFileChangedPlain)->Unit(benchmark::kMillisecond)->Repetitions(15)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

void BM_SaveEveryFileChangedPlainFlushed(benchmark::State& bench) { save_every_file(bench, true, save_plain); }
BENCHMARK(BM_SaveEveryFileChangedPlainFlushed)->Unit(benchmark::kMillisecond)->Repetitions(15)->ComputeStatistics("min", fastest)->ReportAggregatesOnly(true);

}  // namespace
