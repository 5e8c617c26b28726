// Saving a creature whose every file changes (the six data files and the three
// language files), alternating between two sets of edits so that each Save
// writes all nine: with the device flushes skipped (the program's own work) and
// with them (what a user waits for). Built unchanged against an older tree, it
// gives the Save time before the folder's writes were journaled. Run with
// TMPDIR on a memory file system (/dev/shm), it times the program's own work
// alone, free of the disk and of the file system's state.
#include <benchmark/benchmark.h>

#include "editor/session.h"
#include "form/save.h"

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

void save_every_file(benchmark::State& bench, bool flush) {
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
        benchmark::DoNotOptimize(ce::save_creature(s.state, s.form));
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
BENCHMARK(BM_SaveEveryFileChanged)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_SaveEveryFileChangedFlushed(benchmark::State& bench) { save_every_file(bench, true); }
BENCHMARK(BM_SaveEveryFileChangedFlushed)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

}  // namespace
