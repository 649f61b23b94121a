// What the end of a 2,000-peak pass builds beside the results rows: the reference tables, the
// theory series and the list "Стандартные массы".
#include <benchmark/benchmark.h>

#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "results/results_assembly.h"
#include "state/number_format.h"

namespace ostrel::bench {
namespace {

// Peaks over the benchmark spectrum's range, 20 to 1020 u.
PeakResults SpreadPeaks(int count) {
    PeakResults peaks;
    for (int i = 0; i < count; ++i) {
        PeakResult& p = peaks.emplace_back();
        p.leftX = p.rightX = p.centre = 20.5 + 1000.0 * i / count;
        p.resolvingPower = 3000;
        p.height = 1000 + i;
        p.background = 10;
    }
    return peaks;
}

void BM_ReferenceTablesTheoryAndListOf2000Peaks(benchmark::State& st) {
    const NumberFormat format('.');
    const PeakResults peaks = SpreadPeaks(2000);
    AssembledResults a;
    size_t lines = 0;
    for (auto _ : st) {
        a = AssembleResults(peaks);
        lines = StandardMassLines(a.reference, {}, format).size() +
                StandardMassLines(a.reference, {.fullList = true}, format).size();
        benchmark::DoNotOptimize(lines);
    }
    st.counters["CH_rows"] = a.reference.CHIons.size();
    st.counters["CF_rows"] = a.reference.CFIons.size();
}
BENCHMARK(BM_ReferenceTablesTheoryAndListOf2000Peaks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench
