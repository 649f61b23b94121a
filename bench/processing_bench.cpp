// Loading and preliminary processing of the 1,000,000-point benchmark spectrum.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include "generated_points.h"
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

}  // namespace
}  // namespace ostrel::bench

BENCHMARK_MAIN();
