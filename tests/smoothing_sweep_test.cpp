#include "processing/smoothing_sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "measured_cases.h"
#include "processing/processing_routines.h"
#include "state/points_file.h"

namespace ostrel {
namespace {

using ::ostrel::testing::BitsOf;

struct Case {
    std::string name;
    std::vector<double> x, y;
};

// y over x with steps, magnitudes and signs far apart, plateaus and zeros: the vector kernel must
// hand many of its points to the rule as written.
Case WildCase(unsigned seed, int n) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    Case c{"wild " + std::to_string(seed) + " " + std::to_string(n), {}, {}};
    double x = 1;
    for (int i = 0; i < n; ++i) {
        c.x.push_back(x);
        x += (rng() % 8 == 0 ? 1e-3 : 1) * (0.5 + unit(rng));
        const int kind = static_cast<int>(rng() % 10);
        if (kind == 0) {
            c.y.push_back(0);
        } else if (kind == 1 && i > 0) {
            c.y.push_back(c.y.back());
        } else {
            const double magnitude = std::ldexp(unit(rng), static_cast<int>(rng() % 120) - 60);
            c.y.push_back(kind == 2 ? -magnitude : magnitude);
        }
    }
    return c;
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const char* file : {"small_hydrocarbon.txt", "pftba_R3000.txt"}) {
        const LoadedSpectrum s = ReadSpectrumFile(::ostrel::testing::ExampleFile(file));
        cases.push_back({file, s.x, s.y});
    }
    const Spectrum random = ::ostrel::testing::RandomSpectrum(6, 5000);
    cases.push_back({"random", random.PointX, random.PointY});
    for (int n : {2, 3, 4, 17, 18, 35, 2000}) cases.push_back(WildCase(n, n));
    // Distances of x that a double cannot hold exactly: the sweep runs the rule as written.
    cases.push_back({"tiny first step", {0, 1e-200, 1, 2, 3, 4}, {1, 5, 2, 7, 3, 1}});
    return cases;
}

std::vector<double> PlainPasses(const Case& c, int64_t passes) {
    std::vector<double> y = c.y;
    for (int64_t p = 0; p < passes; ++p)
        SmoothY(c.x.data(), y.data(), static_cast<int32_t>(y.size()), y.data());
    return y;
}

// The kernels a sweep can run: the rule as written, four lanes, eight lanes.
constexpr SweepOptions kKernels[] = {{.twoThreads = false, .vector = false, .wide = false},
                                     {.twoThreads = false, .vector = true, .wide = false},
                                     {.twoThreads = false, .vector = true, .wide = true}};

std::string KernelName(const SweepOptions& o) {
    return !o.vector ? "plain" : o.wide ? "eight lanes" : "four lanes";
}

// Every pass count, with every kernel, gives the bits of as many plain passes, and the list copied
// on the way those of the passes before the copy.
TEST(SmoothingSweepTest, ManyPassesGiveTheBitsOfSinglePasses) {
    if (!HaveWideVectorKernel()) std::printf("this processor has no eight-lane kernel to test\n");
    for (const Case& c : Cases()) {
        for (int64_t passes : {1, 2, 3, 7, 40, 152}) {
            const std::vector<double> expected = PlainPasses(c, passes);
            const int64_t early = (passes + 1) / 2;
            const std::vector<double> expectedEarly = PlainPasses(c, early);
            for (const SweepOptions& kernel : kKernels) {
                std::vector<double> y = c.y;
                std::vector<double> copy(y.size(), -1.0);
                SmoothManyPasses(c.x.data(), y.data(), static_cast<int32_t>(y.size()), passes,
                                 kernel, {copy.data(), early});
                ASSERT_EQ(BitsOf(y), BitsOf(expected))
                    << c.name << ", " << passes << " passes, " << KernelName(kernel);
                ASSERT_EQ(BitsOf(copy), BitsOf(expectedEarly))
                    << c.name << ", copied after " << early << " passes, " << KernelName(kernel);
            }
        }
    }
}

// A long list: passes split between two threads and sweeps of at most 256 passes.
TEST(SmoothingSweepTest, TwoThreadsAndSeveralSweepsGiveTheSameBits) {
    const Spectrum s = ::ostrel::testing::RandomSpectrum(7, 120000);
    Case c{"long", s.PointX, s.PointY};
    Case wild = WildCase(8, 120000);
    for (const Case* k : {&c, &wild}) {
        // The copies: by the helper (the third of five passes), by the main thread, in the
        // second sweep.
        for (auto [passes, early] : {std::pair<int64_t, int64_t>{5, 3}, {152, 3}, {300, 290}}) {
            const std::vector<double> expected = PlainPasses(*k, passes);
            const std::vector<double> expectedEarly = PlainPasses(*k, early);
            for (bool wide : {false, true}) {
                std::vector<double> y = k->y;
                std::vector<double> copy(y.size(), -1.0);
                SmoothManyPasses(k->x.data(), y.data(), static_cast<int32_t>(y.size()), passes,
                                 {.wide = wide}, {copy.data(), early});
                ASSERT_EQ(BitsOf(y), BitsOf(expected))
                    << k->name << ", " << passes << " passes, wide " << wide;
                ASSERT_EQ(BitsOf(copy), BitsOf(expectedEarly))
                    << k->name << ", copied after " << early << " passes, wide " << wide;
            }
        }
    }
}

}  // namespace
}  // namespace ostrel
