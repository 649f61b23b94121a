// Loading and preliminary processing of the 1,000,000-point benchmark spectrum; the suggested
// height on the zone table of a very long spectrum.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <random>

#include "generated_points.h"
#include "processing/height_suggestion.h"
#include "processing/stage_builders.h"
#include "state/clear_all.h"
#include "state/points_file.h"
#include "state/program_state.h"

namespace ostrel::bench {
namespace {

const std::string& SpectrumPath() {
    static const std::string path = [] {
        auto p = std::filesystem::temp_directory_path() / "ostrel-bench-1M.txt";
        WriteFileReplacing(p.string(), BenchSpectrumText());
        return p.string();
    }();
    return path;
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_LoadSpectrumFile(benchmark::State& st) {
    const std::string& path = SpectrumPath();
    for (auto _ : st) {
        ProgramState state;
        OpenSpectrum(state, path);
        benchmark::DoNotOptimize(state.Points.PointY.data());
    }
    st.counters["peak_rss_MB"] = PeakRssMb();
}
BENCHMARK(BM_LoadSpectrumFile)->Unit(benchmark::kMillisecond);

void BM_StageBuildersKolUsred150(benchmark::State& st) {
    ProgramState state;
    OpenSpectrum(state, SpectrumPath());
    state.KolUsred = 150;
    for (auto _ : st) {
        BuildStage1(state);
        BuildStage2(state);
        BuildStage3(state);
        BuildStage4(state);
        BuildSlope(state);
        benchmark::DoNotOptimize(state.Stages.Slope.X.data());
    }
    st.counters["zones"] = state.Stages.Zones.ZoneCount();
    st.counters["peak_rss_MB"] = PeakRssMb();
}
BENCHMARK(BM_StageBuildersKolUsred150)->Unit(benchmark::kMillisecond);

// Three million zones (a spectrum of some 100 million points at KolUsred 150, or of 40 million
// at KolUsred 10), one in a hundred a peak, sorted by height as the zone list is.
void BM_SuggestFirstPeakHeight3MZones(benchmark::State& st) {
    const int32_t n = 3000000;
    std::mt19937 rng(11);
    ZoneTable zones;
    for (int32_t i = 0; i < n; ++i) {
        const double u = (rng() + 0.5) / 4294967296.0;
        const double noise = 1000 * std::sqrt(-2 * std::log(u));
        zones.ZoneHeight.push_back(static_cast<int32_t>(i % 100 == 0 ? 100 * noise : noise));
        zones.ZoneTopIndex.push_back(2 * i + 1);
        zones.ZoneCenter.push_back(20 + 1e-4 * i);
    }
    std::vector<int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return zones.ZoneHeight[a] < zones.ZoneHeight[b];
    });
    ZoneTable sorted;
    for (int32_t i : order) {
        sorted.ZoneHeight.push_back(zones.ZoneHeight[i]);
        sorted.ZoneTopIndex.push_back(zones.ZoneTopIndex[i]);
        sorted.ZoneCenter.push_back(zones.ZoneCenter[i]);
    }
    for (auto _ : st) benchmark::DoNotOptimize(SuggestFirstPeakHeight(sorted));
}
BENCHMARK(BM_SuggestFirstPeakHeight3MZones)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench

BENCHMARK_MAIN();
