// The composition of every peak of a 2,000-peak pass over 20–1020 u with the default elements
// C1-100, H0-200, N0-4, O0-6, F0-45, S0-2 within 2 mmu; the target is 0.5 s.
#include <benchmark/benchmark.h>

#include <vector>

#include "reference/composition.h"
#include "reference/formula_search.h"

namespace ostrel::bench {
namespace {

// Peaks spread over the range with a centre known to 0.2 mmu; every fifth one a satellite-like
// neighbour of the one before, so that the satellite checks find peaks as in a spectrum.
std::vector<ComposePeak> SpreadPeaks(int count) {
    std::vector<ComposePeak> peaks;
    for (int i = 0; i < count; ++i) {
        ComposePeak p;
        p.mass = 20.5 + 1000.0 * i / count + 0.0137 * (i % 7);
        if (i % 5 == 4) p.mass = peaks.back().mass + 1.00336;
        p.massError = 0.0002;
        p.height = 1000.0 + 37 * (i % 101);
        p.heightError = 10;
        p.resolvingPower = 3000;
        p.usable = i % 50 != 0;
        peaks.push_back(p);
    }
    return peaks;
}

void BM_ComposeA2000PeakPass(benchmark::State& st) {
    const std::vector<ComposePeak> peaks = SpreadPeaks(2000);
    const ComposeOptions options;  // the default elements, 2 mmu
    size_t candidates = 0;
    for (auto _ : st) {
        const std::vector<PeakComposition> result = ComposePeaks(peaks, options);
        candidates = 0;
        for (const PeakComposition& pc : result) candidates += pc.foundWithinTolerance;
        benchmark::DoNotOptimize(candidates);
    }
    st.counters["within_2_mmu"] = static_cast<double>(candidates);
}
BENCHMARK(BM_ComposeA2000PeakPass)->Unit(benchmark::kMillisecond);

// The search alone: the formulas within 2 mmu of one mass near 600 u.
void BM_FormulaSearchNear600(benchmark::State& st) {
    const ComposeOptions options;
    const FormulaSearch search(options.elements, options.rules, 1020);
    std::vector<Formula> found;
    for (auto _ : st) {
        found.clear();
        search.Find(613.9642, 0.002, found);
        benchmark::DoNotOptimize(found.data());
    }
    st.counters["found"] = static_cast<double>(found.size());
}
BENCHMARK(BM_FormulaSearchNear600)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrel::bench
