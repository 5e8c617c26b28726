// Speed of filling the form from the language files (target: under 2 ms for
// 1000 creatures and 100 spells), of the text rewrite on Save, and of the codec.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "form/memory_form.h"
#include "store/file_ops.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text/lines.h"
#include "form/rewrite.h"
#include "form/shown.h"
#include "store/journal.h"
#include "text/text_folder.h"

namespace {

using namespace ce;

void BM_ApplyLanguage(benchmark::State& state) {
    textfix::TextFolder folder(1000, 100);
    MemoryForm form;
    std::string header;
    for (auto _ : state) {
        apply_language(form, folder.root(), 500, header);
        benchmark::DoNotOptimize(form.item_count(300));
    }
}
BENCHMARK(BM_ApplyLanguage)->Unit(benchmark::kMillisecond);

// The whole text part of a Save: the three files read and the changed one
// rebuilt, committed as one write of the folder, then the form refilled.
void BM_RewriteCreatureTexts(benchmark::State& state) {
    textfix::TextFolder folder(1000, 100);
    MemoryForm form;
    std::string header;
    apply_language(form, folder.root(), 500, header);
    std::array<std::string, 3> shown;
    std::vector<Fault> failures;
    int n = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < shown.size(); ++k) shown[k] = line_text(form, k);
        form.set_text(5000, "Plural " + std::to_string(++n));
        LineChanges changes = plan_creature_lines(form, folder.root(), 500, shown, false);
        FolderWrite write(system_file_ops(), folder.root(), {"bench", {500}});
        for (LineFile& f : changes.files) write.add(f.path, std::move(f.read), std::move(f.bytes));
        if (const Result<Committed> r = write.commit(); !r.ok()) failures.push_back(r.fault());
        refill_after_save(form, folder.root(), 500, header, failures);
    }
    if (!failures.empty()) state.SkipWithError(failures.front().message().c_str());
}
BENCHMARK(BM_RewriteCreatureTexts)->Unit(benchmark::kMillisecond);

// What show_creature pays for the last creature's plural.
void BM_LineAtLastCreature(benchmark::State& state) {
    textfix::TextFolder folder(1000, 1);
    const std::string text = folder.read(TextKind::Ability, 0);
    for (auto _ : state) benchmark::DoNotOptimize(line_at(text, 999));
}
BENCHMARK(BM_LineAtLastCreature)->Unit(benchmark::kMicrosecond);

void BM_CountLines(benchmark::State& state) {
    textfix::TextFolder folder(1000, 1);
    const std::string text = folder.read(TextKind::Monsters, 0);
    for (auto _ : state) benchmark::DoNotOptimize(count_lines(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountLines)->Unit(benchmark::kMicrosecond);

}  // namespace
