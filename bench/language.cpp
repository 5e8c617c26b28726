// Speed of filling the form from the language files (target: under 2 ms for
// 1000 creatures and 100 spells), of the text rewrite on Save, and of the codec.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "form/memory_form.h"
#include "store/file_ops.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text/lines.h"
#include "form/rewrite.h"
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

// The whole text part of a Save: three files rebuilt and safely replaced
// (each flushed to the device), then the form refilled.
void BM_RewriteCreatureTexts(benchmark::State& state) {
    textfix::TextFolder folder(1000, 100);
    MemoryForm form;
    std::string header;
    apply_language(form, folder.root(), 500, header);
    std::vector<std::string> failures;
    int n = 0;
    for (auto _ : state) {
        form.set_text(5000, "Plural " + std::to_string(++n));
        rewrite_creature_texts(form, system_file_ops(), folder.root(), 500, header, failures);
    }
    if (!failures.empty()) state.SkipWithError(failures.front().c_str());
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
