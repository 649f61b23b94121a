// One peak fit of a 200-point window, fast and plain sums.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "fitting/peak_fit.h"
#include "state/number_format.h"

namespace ostrel::bench {
namespace {

struct Window {
    std::vector<double> x, y;
    Window() {
        std::mt19937 rng(5);
        std::normal_distribution<double> noise(0, 1);
        for (int i = 0; i < 200; ++i) {
            const double xx = 218.8 + 0.002 * i;
            const double t = kWidthFactor * 3000 * (219 / xx - 1);
            x.push_back(xx);
            y.push_back(30 + 20000 * std::exp(-t * t) + 20 * noise(rng));
        }
    }
};

void FitOnce(benchmark::State& st, PeakSumForm form) {
    static const Window w;
    const FitData data{w.x, w.y, w.x, w.y};
    const auto top = std::max_element(w.y.begin(), w.y.end());
    const double fon = *std::min_element(w.y.begin(), w.y.end());
    PeakFitState fit;
    fit.Cur.CurLeftIndex = 0;
    fit.Cur.CurRightIndex = 199;
    fit.Cur.CurPointCount = 200;
    const NumberFormat format('.');
    for (auto _ : st) {
        FitLog log;
        FitPeak(fit, data, false, fon, w.x.front(), *top, w.x[top - w.y.begin()], format, log,
                form);
        benchmark::DoNotOptimize(fit.FitCenter);
    }
    st.counters["steps"] = fit.FitIterations;
    st.counters["ns_per_point_step"] =
        benchmark::Counter(double(st.iterations()) * fit.FitIterations * 200,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FitPeak200Fast(benchmark::State& st) {
    FitOnce(st, PeakSumForm::Fast);
}
void BM_FitPeak200Plain(benchmark::State& st) {
    FitOnce(st, PeakSumForm::Plain);
}
BENCHMARK(BM_FitPeak200Fast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FitPeak200Plain)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrel::bench
