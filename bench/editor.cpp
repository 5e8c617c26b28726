// Showing and saving one creature on MemoryForm over a data folder of demo size
// (1000 creatures, both languages). Save skips flushing to the device so that
// the figure is the editor's own work, the refill of the form's texts included.
#include <benchmark/benchmark.h>

#include "editor/session.h"
#include "form/save.h"
#include "form/show.h"
#include "store/file_ops.h"

namespace {

void BM_ShowCreature(benchmark::State& bench) {
    ce::fixture::Session s(3);
    s.start();
    int slot = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ce::show_creature(s.state, s.form, slot));
        slot = (slot + 37) % ce::kSlots;
    }
    if (!s.form.errors().empty()) bench.SkipWithError(s.form.errors().front().c_str());
}
BENCHMARK(BM_ShowCreature)->Unit(benchmark::kMicrosecond);

void BM_SaveCreature(benchmark::State& bench) {
    ce::fixture::Session s(4);
    ce::fixture::ScriptedOps ops;
    ops.skip_flush = true;
    s.state.files = &ops;
    s.start();
    s.choose_creature(321);
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ce::save_creature(s.state, s.form));
    }
    if (!s.form.errors().empty()) bench.SkipWithError(s.form.errors().front().c_str());
}
BENCHMARK(BM_SaveCreature)->Unit(benchmark::kMillisecond);

// Every write step succeeds without touching the disk: the editor's own work
// (reading the files, the slot, the text rebuild and the refill of the form)
// without the file system's cost of creating and renaming nine files.
class DiscardingOps : public ce::FileOps {
public:
    ce::Status link_count(const std::string& path, unsigned& out) override {
        return ce::system_file_ops().link_count(path, out);
    }
    ce::Status create_new(const std::string&, const std::string&, Handle& out) override {
        out = 0;
        return {};
    }
    ce::Status open_existing(const std::string&, Handle& out) override {
        out = 0;
        return {};
    }
    ce::Status write(Handle, const void*, std::size_t) override { return {}; }
    ce::Status set_size(Handle, std::uint64_t) override { return {}; }
    ce::Status flush(Handle) override { return {}; }
    ce::Status close(Handle) override { return {}; }
    ce::Status replace(const std::string&, const std::string&) override { return {}; }
    ce::Status copy(const std::string&, const std::string&) override { return {}; }
    ce::Status remove(const std::string&) override { return {}; }
};

void BM_SaveCreatureWithoutDisk(benchmark::State& bench) {
    ce::fixture::Session s(4);
    DiscardingOps ops;
    s.state.files = &ops;
    s.start();
    s.choose_creature(321);
    for (auto _ : bench) {
        benchmark::DoNotOptimize(ce::save_creature(s.state, s.form));
    }
    if (!s.form.errors().empty()) bench.SkipWithError(s.form.errors().front().c_str());
}
BENCHMARK(BM_SaveCreatureWithoutDisk)->Unit(benchmark::kMillisecond);

}  // namespace
