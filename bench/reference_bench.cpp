// What the end of a 2,000-peak pass builds beside the results rows: the reference tables, the
// theory series and the list "Стандартные массы".
#include <benchmark/benchmark.h>

#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "results/results_assembly.h"
#include "state/program_state.h"

namespace ostrel::bench {
namespace {

// Peaks over the benchmark spectrum's range, 20 to 1020 u.
PeakTables SpreadPeaks(int count) {
    PeakTables p;
    for (int i = 0; i < count; ++i) {
        const double m = 20.5 + 1000.0 * i / count;
        for (auto* table : {&p.PeakLeftX, &p.PeakRightX, &p.PeakM}) table->push_back(m);
        p.PeakR.push_back(3000);
        p.PeakV.push_back(1000 + i);
        p.PeakA.push_back(10);
    }
    return p;
}

void BM_ReferenceTablesTheoryAndListOf2000Peaks(benchmark::State& st) {
    ProgramState state;
    state.Format.SetSeparator('.');
    state.Peaks = SpreadPeaks(2000);
    size_t lines = 0;
    for (auto _ : st) {
        AssembleReferenceAndTheory(state);
        lines = StandardMassLines(state.Reference, {}, state.Format).size() +
                StandardMassLines(state.Reference, {.fullList = true}, state.Format).size();
        benchmark::DoNotOptimize(lines);
    }
    st.counters["CH_rows"] = state.Reference.CHIons.size();
    st.counters["CF_rows"] = state.Reference.CFIons.size();
}
BENCHMARK(BM_ReferenceTablesTheoryAndListOf2000Peaks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench
