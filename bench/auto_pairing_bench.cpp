// The automatic calibration on a results table of 2,000 peaks (20 to 1020 u): the reference ions
// generated over the pairing windows, the vote, the refinement and the choice of the fit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "reference/auto_pairing.h"
#include "reference/reference_choice.h"
#include "state/number_format.h"

namespace ostrel::bench {
namespace {

// Peaks at hydrocarbon ions chosen at random (their 13C peaks beside a third of them) and some
// at no ion at all, on a scale 20 mmu and 30 ppm off with a little curvature, each centre off by
// its own error.
std::vector<AutoCalibrationPeak> TwoThousandPeaks() {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(0, 1);
    std::normal_distribution<double> normal(0, 1);
    const MassInterval range{20, 1020};
    const std::vector<ReferenceIon> ions = CHIonsIn({&range, 1});
    std::vector<AutoCalibrationPeak> peaks;
    const auto measured = [](double mass) {
        return mass + 0.020 + 30e-6 * mass + 2e-9 * mass * mass;
    };
    const double share = 1500.0 / ions.size();
    for (const ReferenceIon& ion : ions) {
        if (unit(rng) > share) continue;
        const double height = 1e3 * std::pow(10.0, 3 * unit(rng));
        const double error = 0.00005 * std::sqrt(1e6 / height);  // u
        peaks.push_back({measured(ion.mass) + error * normal(rng), height, error, true});
        if (unit(rng) < 1.0 / 3) {
            const double ratio = ion.carbon * 0.0108;
            peaks.push_back({measured(ion.mass + 1.0033548) + 3 * error * normal(rng),
                             height * ratio, error / std::sqrt(ratio), true});
        }
    }
    while (peaks.size() < 2000)
        peaks.push_back({20 + 1000 * unit(rng), 1e3 * std::pow(10.0, 2 * unit(rng)), 0.0003, true});
    std::sort(
        peaks.begin(), peaks.end(),
        [](const AutoCalibrationPeak& a, const AutoCalibrationPeak& b) { return a.mass < b.mass; });
    return peaks;
}

void BM_AutoCalibrate2000PeaksWithCHIons(benchmark::State& st) {
    const std::vector<AutoCalibrationPeak> peaks = TwoThousandPeaks();
    const AutoCalibrationSettings settings;
    const NumberFormat format('.');
    size_t pairs = 0, ions = 0;
    for (auto _ : st) {
        const std::vector<ReferenceIon> set =
            ReferenceIonsFor("ch", PairingWindows(peaks, settings));
        const AutoCalibrationResult r = AutoCalibrate(peaks, set, settings, format);
        if (r.Refused()) st.SkipWithError(r.refusal.c_str());
        pairs = r.pairs.size();
        ions = set.size();
        benchmark::DoNotOptimize(r.curve);
    }
    st.counters["peaks"] = peaks.size();
    st.counters["ions"] = ions;
    st.counters["pairs"] = pairs;
}
BENCHMARK(BM_AutoCalibrate2000PeaksWithCHIons)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench
