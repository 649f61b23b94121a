// The peak table of one spectrum with and without the refinement after the last pass, and the
// time the refinement adds to the pass.
//
// Usage: refine_road FILE --height H [--kolusred N] [--runs N] [--one-thread]
//        refine_road --road-file PATH --road-truth PATH
// The first form prints one tab-separated row per table row, first the pass's own table
// ("written"), then the table the refinement makes of it ("refined"), and on standard error the
// times: the median of N runs (default 1) of the pass and of the refinement, wall and processor
// time. The second form writes the generated spectrum of bench/road (1,000,001 points, 2,000
// peaks, R = 5000) and its truth (the centres and heights of its peaks, CSV).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fitting/peak_refinement.h"
#include "generated_points.h"
#include "processing/pass_refinement.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "state/program_state.h"
#include "state/spectrum_road.h"

namespace ostrel::bench {
namespace {

struct Options {
    std::string file, height, kolusred = "150";
    int runs = 1;
    bool twoThreads = true;
    std::string roadFile, roadTruth;
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Timed {
    double wall = 0, cpu = 0;
};

template <class F>
Timed Time(F f) {
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds() - cpu};
}

// What the road leaves for the refinement: the spectrum and the records of the pass.
struct PassResult {
    Spectrum spectrum;
    PeakResults peaks;
    int32_t problems = 0;
    Timed passTime;  // the slope list and the fits on both cores
};

// The road up to the end of "Последняя", as ostrel-batch walks it, without the refinement: open,
// preliminary processing, the height, the slope list, the pass.
PassResult RunRoad(const std::string& file, const std::string& height,
                   const std::string& kolusred) {
    ProgramState state;
    state.Format.SetSeparator('.');
    SpectrumRoad road(state);
    road.Open(file);
    road.Preliminary(ParseKolUsred(kolusred));
    PassResult out;
    PassCounters counters;
    out.passTime = Time([&] { counters = road.LastPass(ParseFirstPeakHeight(height)); });
    out.spectrum = state.Points;
    out.peaks = state.Peaks;
    out.problems = counters.problemCount;
    return out;
}

// One table row: the pass peak it comes from (its 1-based number and window) and its values.
void PrintRow(const char* variant, int row, const char* kind, int group, const RefinementPeak& p,
              size_t k, double a, double b, double c, double d, double dError) {
    std::printf("%s\t%d\t%s\t%d\t%.7f\t%.7f\t%.1f\t%.1f\t%.1f\t%zu\t%.6f\t%.6f\n", variant, row,
                kind, group, d, dError, c, a, b, k + 1, p.leftX, p.rightX);
}

void PrintTables(const std::vector<RefinementPeak>& peaks, const PeakRefinement& refined) {
    std::printf("variant\trow\tkind\tgroup\tmass\tmass_error\tR\tA\tB\tpeak\tleft\tright\n");
    for (size_t k = 0; k < peaks.size(); ++k) {
        const RefinementPeak& p = peaks[k];
        PrintRow("written", static_cast<int>(k + 1), p.fitFailed ? "problem" : "fitted", -1, p, k,
                 p.A, p.B, p.C, p.D, p.errors[3]);
    }
    int row = 0;
    for (size_t k = 0; k < peaks.size(); ++k) {
        const RefinementPeak& p = peaks[k];
        const RefinedPeak& r = refined.peaks[k];
        if (r.kind == RefinedKind::Unchanged) {
            PrintRow("refined", ++row, p.fitFailed ? "problem" : "fitted", -1, p, k, p.A, p.B, p.C,
                     p.D, p.errors[3]);
            continue;
        }
        for (const PeakComponent& c : r.components)
            PrintRow("refined", ++row, r.kind == RefinedKind::Split ? "split" : "refitted", r.group,
                     p, k, c.A, c.B, c.C, c.D, c.errors[3]);
    }
}

int Measure(const Options& o) {
    std::vector<double> passWall, passCpu, refineWall, refineCpu;
    PassResult pass;
    std::vector<RefinementPeak> peaks;
    PeakRefinement refined;
    for (int r = 0; r < o.runs; ++r) {
        pass = RunRoad(o.file, o.height, o.kolusred);
        passWall.push_back(pass.passTime.wall);
        passCpu.push_back(pass.passTime.cpu);
        const Timed t = Time([&] {
            peaks = RefinementPeaksOfPass(pass.spectrum, pass.peaks);
            refined = RefinePeaks({pass.spectrum.PointX, pass.spectrum.PointY, peaks},
                                  {.twoThreads = o.twoThreads});
        });
        refineWall.push_back(t.wall);
        refineCpu.push_back(t.cpu);
    }
    PrintTables(peaks, refined);
    std::fprintf(stderr,
                 "peaks %zu, problem %d; refined: %d refitted, %d still failed, %d fitted with "
                 "their neighbours, %d split; resolving-power references %zu\n",
                 peaks.size(), pass.problems, refined.refitted, refined.stillFailed,
                 refined.jointlyFitted, refined.split, refined.resolvingPower.mass.size());
    if (!peaks.empty()) {
        std::fprintf(stderr, "resolving power at");
        for (double q : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const double m = peaks[static_cast<size_t>(q * (peaks.size() - 1))].D;
            std::fprintf(stderr, " %.1f: %.0f", m, refined.resolvingPower.At(m));
        }
        std::fprintf(stderr, "\n");
    }
    std::fprintf(stderr,
                 "medians of %d runs: pass %.4f s (cpu %.4f s), refinement %.4f s (cpu %.4f s), "
                 "%.0f %% of the pass's wall time (%.0f %% of its processor time)\n",
                 o.runs, Median(passWall), Median(passCpu), Median(refineWall), Median(refineCpu),
                 100 * Median(refineWall) / Median(passWall),
                 100 * Median(refineCpu) / Median(passCpu));
    return 0;
}

int WriteRoad(const Options& o) {
    constexpr int kPoints = 1000001, kPeaks = 2000;
    constexpr double kResolution = 5000;
    if (!std::filesystem::exists(o.roadFile))
        WriteFileReplacing(o.roadFile, BenchSpectrumText(kPoints, kPeaks, kResolution));
    std::string csv = "centre,height,fwhm\n";
    char line[96];
    for (const BenchPeak& p : BenchSpectrumTruth(kPoints, kPeaks, kResolution)) {
        std::snprintf(line, sizeof line, "%.9f,%.6f,%.9f\n", p.centre, p.height, p.fwhm);
        csv += line;
    }
    WriteFileReplacing(o.roadTruth, csv);
    return 0;
}

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: refine_road FILE --height H [--kolusred N] [--runs N] [--one-thread]\n"
                 "       refine_road --road-file PATH --road-truth PATH\n");
    std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage();
            return argv[++i];
        };
        if (a == "--height")
            o.height = value();
        else if (a == "--kolusred")
            o.kolusred = value();
        else if (a == "--runs")
            o.runs = std::max(1, std::atoi(value().c_str()));
        else if (a == "--one-thread")
            o.twoThreads = false;
        else if (a == "--road-file")
            o.roadFile = value();
        else if (a == "--road-truth")
            o.roadTruth = value();
        else if (a.rfind("--", 0) != 0 && o.file.empty())
            o.file = a;
        else
            Usage();
    }
    const bool road = !o.roadFile.empty() && !o.roadTruth.empty();
    if (!road && (o.file.empty() || o.height.empty())) Usage();
    return o;
}

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    try {
        const ostrel::bench::Options o = ostrel::bench::ParseOptions(argc, argv);
        return o.roadFile.empty() ? ostrel::bench::Measure(o) : ostrel::bench::WriteRoad(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
