// Opening mzML files: a 1,000,000-point profile spectrum in a 64-bit zlib mzML (targets 0.5 s and
// at most two copies of its arrays), and listing a file of 1,000 spectra (target 1 s). The files
// are written once into the temporary folder and kept, so a second run measures the reading alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "formats/mz_file.h"
#include "generated_points.h"
#include "mz_test_files.h"
#include "state/program_state.h"

namespace ostrel::bench {
namespace {

using ::ostrel::testing::MzTestSpectrum;

std::string KeptFile(const std::string& name,
                     const std::function<std::vector<MzTestSpectrum>()>& spectra) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    if (!std::filesystem::exists(path))
        ::ostrel::testing::WriteMzTestFile(path, spectra(),
                                           {testing::MzTestFormat::IndexedMzML, true, false});
    return path;
}

const std::string& BigSpectrumPath() {
    static const std::string path = KeptFile("ostrel-bench-1M.mzML", [] {
        BenchPoints p = BenchSpectrumPoints();
        return std::vector<MzTestSpectrum>{{"scan=1", std::move(p.x), std::move(p.y), 1, false, 0}};
    });
    return path;
}

std::string RunPath(int pointsPerSpectrum) {
    return KeptFile("ostrel-bench-1000x" + std::to_string(pointsPerSpectrum) + ".mzML", [=] {
        const BenchPoints p = BenchSpectrumPoints(pointsPerSpectrum, pointsPerSpectrum / 500);
        std::vector<MzTestSpectrum> spectra;
        for (int i = 0; i < 1000; ++i)
            spectra.push_back(
                {"scan=" + std::to_string(i + 1), p.x, p.y, i % 4 ? 2 : 1, false, 0.5 * i});
        return spectra;
    });
}

// A value of /proc/self/status in megabytes.
double StatusMb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) / 1024.0;
    return 0;
}

// How far the resident memory rises above its level before the step, the step's result kept.
// The library's own tables are built by the first file it reads, before this is measured.
double PeakGrowthMb(const std::function<void()>& step) {
    std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak (VmHWM)
    const double before = StatusMb("VmRSS:");
    step();
    return StatusMb("VmHWM:") - before;
}

void BM_OpenMzML1M(benchmark::State& st) {
    const std::string& path = BigSpectrumPath();
    for (auto _ : st) {
        ProgramState state;
        OpenSpectrum(state, path);
        benchmark::DoNotOptimize(state.Points.PointY.data());
    }
    ProgramState state;
    st.counters["peak_growth_MB"] = PeakGrowthMb([&] { OpenSpectrum(state, path); });
    st.counters["one_copy_MB"] = 2 * 8.0 * state.Points.PointCount() / (1024 * 1024);
}
BENCHMARK(BM_OpenMzML1M)->Unit(benchmark::kMillisecond);

void BM_ListMzML1000Spectra(benchmark::State& st) {
    const std::string path = RunPath(static_cast<int>(st.range(0)));
    for (auto _ : st) benchmark::DoNotOptimize(ListMzSpectra(path).data());
    st.counters["file_MB"] = std::filesystem::file_size(path) / (1024.0 * 1024.0);
    st.counters["peak_growth_MB"] =
        PeakGrowthMb([&] { benchmark::DoNotOptimize(ListMzSpectra(path).data()); });
}
BENCHMARK(BM_ListMzML1000Spectra)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ostrel::bench

BENCHMARK_MAIN();
