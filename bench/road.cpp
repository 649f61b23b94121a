// The batch figures of one spectrum's road, each beside its target: the generated spectrum of
// 1,000,001 points and 2,000 peaks (step 0.001 u, R = 5000) through load, preliminary processing
// and the last pass in this process, the whole `ostrel-batch peaks` run with its peak memory, the
// pass on the sparse PFTBA spectrum, and the zone list of a noisy 10,000,001-point file.
//
// Usage: road [--batch PATH] [--runs N] [--examples DIR] [--work DIR] [--skip-10m] [--files-only]
// --files-only writes the generated 1,000,001-point spectrum into the work folder and stops
// (bench/peer_compare.py times the peer on it).
// Every time is the median of N runs (default 5); the machine is shared, so single runs vary.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "generated_points.h"
#include "results/results_table.h"
#include "state/errors.h"
#include "state/program_state.h"
#include "state/spectrum_road.h"

extern char** environ;

namespace ostrel::bench {
namespace {

namespace fs = std::filesystem;

// The lowest zone of the generated spectrum that is not noise lies near 18,000 (noise tops out
// near 8,100); 10,000 keeps the 1,888 peak zones and drops the 7,900 noise zones.
constexpr const char* kRoadHeight = "10000";
// The PFTBA example: the noise tops out at 10,897, the lowest ion zone is 22,525.
constexpr const char* kPftbaHeight = "22525";

struct Options {
    std::string batch;
    std::string examples = OSTREL_EXAMPLES_DIR;
    fs::path work = fs::temp_directory_path();
    int runs = 5;
    bool tenMillion = true;
    bool filesOnly = false;
};

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

double CpuSeconds(const rusage& u) {
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// The processor time of this process (all its threads) since the last call.
double CpuSince(double& last) {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double now = CpuSeconds(u), spent = now - last;
    last = now;
    return spent;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The generated file, written once per work folder.
std::string GeneratedFile(const Options& o, const std::string& name, int points) {
    const fs::path path = o.work / name;
    if (!fs::exists(path)) {
        std::fprintf(stderr, "writing %s ...\n", path.c_str());
        WriteFileReplacing(path.string(), BenchSpectrumText(points, 2000, 5000));
    }
    return path.string();
}

struct ProcessRun {
    double seconds = 0;
    double cpu = 0;
    double peakMb = 0;
    int status = -1;
};

// Runs the batch program with its output thrown away; wall time and peak resident memory.
ProcessRun RunProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = Seconds(start);
    run.cpu = CpuSeconds(usage);
    run.peakMb = usage.ru_maxrss / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// A figure: the median wall time and beside it the median processor time of all threads, which
// a busy machine disturbs less (on two cores the wall time can be half of it).
void Print(const char* what, double value, double cpu, const char* unit, double target) {
    std::printf("%-56s %8.3f %-3s (cpu %7.3f)  target %7.3f %-3s%s\n", what, value, unit, cpu,
                target, unit, value <= target ? "" : "  (missed)");
}

void Print(const char* what, double value, const char* unit, double target) {
    std::printf("%-56s %8.3f %-3s %14s  target %7.3f %-3s%s\n", what, value, unit, "", target, unit,
                value <= target ? "" : "  (missed)");
}

// The window's "Предварительная" after a load, as ostrel-batch runs it.
size_t Preliminary(SpectrumRoad& road) {
    return road.Preliminary(PreliminarySettings{}).zoneLines.size();
}

// "Последняя" with the given height: the slope list, the pass on both cores, its results and the
// results table that `peaks` prints.
int32_t LastPass(ProgramState& state, SpectrumRoad& road, const char* height) {
    road.LastPass(ParseFirstPeakHeight(height));
    const ResultsGrid table = ResultsTable(state.Peaks, state.Format);
    // One row per peak below the header (one empty row when there is none).
    return state.Peaks.empty() ? 0 : table.RowCount() - 1;
}

struct RoadTimes {
    std::vector<double> load, preliminary, pass;
    std::vector<double> loadCpu, preliminaryCpu, passCpu;
    int32_t peaks = 0;
    size_t zoneLines = 0;
};

RoadTimes TimeRoad(const std::string& file, const char* height, int runs) {
    RoadTimes t;
    for (int r = 0; r < runs; ++r) {
        ProgramState state;
        state.Format.SetSeparator('.');
        SpectrumRoad road(state);
        double cpu = 0;
        CpuSince(cpu);
        auto start = std::chrono::steady_clock::now();
        road.Open(file);
        t.load.push_back(Seconds(start));
        t.loadCpu.push_back(CpuSince(cpu));
        start = std::chrono::steady_clock::now();
        t.zoneLines = Preliminary(road);
        t.preliminary.push_back(Seconds(start));
        t.preliminaryCpu.push_back(CpuSince(cpu));
        start = std::chrono::steady_clock::now();
        t.peaks = LastPass(state, road, height);
        t.pass.push_back(Seconds(start));
        t.passCpu.push_back(CpuSince(cpu));
    }
    return t;
}

int Road(const Options& o) {
    const std::string file = GeneratedFile(o, "ostrel-road-1M.txt", 1000001);
    if (o.filesOnly) return 0;
    std::printf("spectrum %s, height %s, medians of %d runs\n", file.c_str(), kRoadHeight, o.runs);

    // The whole runs first, while this process is small: a child started by posix_spawn shares
    // this process's memory until its exec, and the kernel counts the high-water mark of that
    // memory in the child's peak (ru_maxrss), which the runs in this process below would raise
    // above the child's own.
    std::vector<double> whole, wholeCpu, memory;
    for (int r = 0; r < o.runs; ++r) {
        const ProcessRun run = RunProcess({o.batch, "peaks", file, "--height", kRoadHeight});
        if (run.status != 0) {
            std::fprintf(stderr, "%s peaks failed\n", o.batch.c_str());
            return 1;
        }
        whole.push_back(run.seconds);
        wholeCpu.push_back(run.cpu);
        memory.push_back(run.peakMb);
    }

    const RoadTimes road = TimeRoad(file, kRoadHeight, o.runs);
    Print("load (OpenSpectrum)", Median(road.load), Median(road.loadCpu), "s", 0.15);
    Print("preliminary processing (stages, zone sort, zone list)", Median(road.preliminary),
          Median(road.preliminaryCpu), "s", 0.35);
    Print("last pass (slope list, fits on both cores, results)", Median(road.pass),
          Median(road.passCpu), "s", 0.3);
    const double perPeak = 1000.0 / std::max(1, road.peaks);
    Print("  per peak", Median(road.pass) * perPeak, Median(road.passCpu) * perPeak, "ms", 0.15);
    std::printf("  (%zu zone lines, %d peaks)\n", road.zoneLines, road.peaks);
    Print("ostrel-batch peaks, whole run", Median(whole), Median(wholeCpu), "s", 1.0);
    Print("ostrel-batch peaks, peak memory", *std::max_element(memory.begin(), memory.end()), "MB",
          90);

    const std::string pftba = o.examples + "/pftba_R3000.txt";
    const RoadTimes sparse = TimeRoad(pftba, kPftbaHeight, o.runs);
    const double perSparsePeak = 1000.0 / std::max(1, sparse.peaks);
    Print("last pass on pftba_R3000.txt, per peak", Median(sparse.pass) * perSparsePeak,
          Median(sparse.passCpu) * perSparsePeak, "ms", 2.0);
    std::printf("  (%d peaks)\n", sparse.peaks);

    if (o.tenMillion) {
        const std::string noisy = GeneratedFile(o, "ostrel-road-10M.txt", 10000001);
        std::vector<double> zones, zonesCpu;
        for (int r = 0; r < o.runs; ++r) {
            const ProcessRun run = RunProcess({o.batch, "zones", noisy, "--kolusred", "0"});
            if (run.status != 0) {
                std::fprintf(stderr, "%s zones failed\n", o.batch.c_str());
                return 1;
            }
            zones.push_back(run.seconds);
            zonesCpu.push_back(run.cpu);
        }
        Print("ostrel-batch zones, 10,000,001 noisy points, KolUsred 0", Median(zones),
              Median(zonesCpu), "s", 20);
    }
    return 0;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    o.batch = (fs::path(argv[0]).parent_path().parent_path() / "ostrel-batch").string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--batch") {
            o.batch = value();
        } else if (a == "--runs") {
            o.runs = std::max(1, std::atoi(value().c_str()));
        } else if (a == "--examples") {
            o.examples = value();
        } else if (a == "--work") {
            o.work = value();
        } else if (a == "--skip-10m") {
            o.tenMillion = false;
        } else if (a == "--files-only") {
            o.filesOnly = true;
        } else {
            std::fprintf(stderr,
                         "usage: road [--batch PATH] [--runs N] [--examples DIR] [--work DIR] "
                         "[--skip-10m] [--files-only]\n");
            std::exit(2);
        }
    }
    return o;
}

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    try {
        return ostrel::bench::Road(ostrel::bench::ParseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
