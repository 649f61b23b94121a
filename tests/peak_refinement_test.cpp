#include "fitting/peak_refinement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "processing/last_pass.h"
#include "processing/pass_refinement.h"
#include "state/number_format.h"
#include "state/spectrum.h"

namespace ostrel {
namespace {

constexpr double kResolution = 5000;

struct TruePeak {
    double centre, height;  // height in counts above the baseline
};

// A spectrum as the lab's files give it (step 0.001 u, counting noise, one decimal, scaled by
// 1000 as the reader scales it) fitted by the pass in the windows between the given edges (each
// window from one edge to the next). The first 501 points, 515.204 to 515.704 u, hold a weak peak
// whose fit fails: the noise of those points comes first from the generator.
class SyntheticPass {
  public:
    SyntheticPass(const std::vector<TruePeak>& peaks, const std::vector<double>& edges,
                  double lastX, unsigned seed = 9) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> noise(0, 1);
        const double x0 = 515.204;
        const int count = static_cast<int>(std::lround((lastX - x0) / 0.001)) + 1;
        for (int i = 0; i < count; ++i) {
            const double x = x0 + 0.001 * i;
            double v = 35;
            for (const TruePeak& p : peaks) {
                const double t = 1.6651 * (x - p.centre) / (p.centre / kResolution);
                v += p.height * std::exp(-t * t);
            }
            spectrum_.PointX.push_back(x);
            spectrum_.PointY.push_back(
                std::round(std::max(0.0, v + std::sqrt(v) * noise(rng)) * 10) / 10 * 1000);
        }
        // The slope list: each edge a minimum, a maximum between two edges.
        PointList slope;
        for (size_t e = 0; e < edges.size(); ++e) {
            const auto index = static_cast<size_t>(std::lround((edges[e] - x0) / 0.001));
            slope.X.push_back(spectrum_.PointX[index]);
            slope.Y.push_back(0);
            if (e + 1 < edges.size()) {
                slope.X.push_back(spectrum_.PointX[index + 1]);
                slope.Y.push_back(1);
            }
        }
        const PointList stage1{spectrum_.PointX, spectrum_.PointY};
        PeakFitState fit;
        EXPECT_EQ(RunLastPass(spectrum_, stage1, slope, fit, NumberFormat('.'), tables_, {}), "");
        peaks_ = RefinementPeaksOfPass(spectrum_, tables_);
    }

    const std::vector<RefinementPeak>& Peaks() const { return peaks_; }
    PeakRefinement Refine(bool twoThreads = false) const {
        return RefinePeaks({spectrum_.PointX, spectrum_.PointY, peaks_},
                           {.twoThreads = twoThreads});
    }

  private:
    Spectrum spectrum_;
    PeakResults tables_;
    std::vector<RefinementPeak> peaks_;
};

// Window 0 a weak peak whose fit fails, 1 noise whose fit fails, 2, 3, 4 and 6 isolated tall
// peaks, 5 a pair 0.7 FWHM apart.
const double kDoubletFirst = 519.55;
const double kDoubletSecond = 519.55 + 0.7 * 519.55 / kResolution;

class PeakRefinementTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pass_ = new SyntheticPass(
            {{515.362, 400},
             {516.6, 50000},
             {517.6, 30000},
             {518.6, 80000},
             {kDoubletFirst, 50000},
             {kDoubletSecond, 50000},
             {520.6, 40000}},
            {515.204, 515.704, 516.104, 517.104, 518.104, 519.104, 520.104, 521.104}, 521.2);
    }
    static void TearDownTestSuite() { delete pass_; }
    static SyntheticPass* pass_;
};
SyntheticPass* PeakRefinementTest::pass_ = nullptr;

TEST_F(PeakRefinementTest, ThePassFailsOnTheWeakPeakAndTheNoiseAndMergesThePair) {
    const auto& peaks = pass_->Peaks();
    ASSERT_EQ(peaks.size(), 7u);
    EXPECT_TRUE(peaks[0].fitFailed);
    EXPECT_TRUE(peaks[1].fitFailed);
    for (int k : {2, 3, 4, 5, 6}) EXPECT_FALSE(peaks[k].fitFailed) << k;
    // One peak between the two, wider than the resolving power allows.
    EXPECT_LT(peaks[5].C, 0.85 * kResolution);
    EXPECT_GT(peaks[5].D, kDoubletFirst + 0.01);
    EXPECT_LT(peaks[5].D, kDoubletSecond - 0.01);
}

TEST_F(PeakRefinementTest, TheFailedWeakPeakIsRefittedAtItsCentre) {
    const PeakRefinement r = pass_->Refine();
    const RefinedPeak& weak = r.peaks[0];
    ASSERT_EQ(weak.kind, RefinedKind::Refitted);
    ASSERT_EQ(weak.components.size(), 1u);
    const PeakComponent& c = weak.components[0];
    EXPECT_NEAR(c.D, 515.362, 0.002);
    EXPECT_NEAR(c.B, 400e3, 60e3);
    EXPECT_NEAR(c.C, kResolution, 0.15 * kResolution);
    EXPECT_NEAR(c.A, 35e3, 5e3);
    for (double e : c.errors) EXPECT_GT(e, 0);
    EXPECT_GT(weak.points, 100);
    EXPECT_GT(weak.iterations, 0);
    EXPECT_EQ(weak.group, -1);
}

TEST_F(PeakRefinementTest, TheNoiseWindowStaysAProblemPeak) {
    const PeakRefinement r = pass_->Refine();
    EXPECT_EQ(r.peaks[1].kind, RefinedKind::Unchanged);
    EXPECT_TRUE(r.peaks[1].components.empty());
    EXPECT_EQ(r.stillFailed, 1);
    EXPECT_EQ(r.refitted, 1);
}

TEST_F(PeakRefinementTest, ThePairIsSplitAndTheIsolatedPeaksAreLeftAlone) {
    const PeakRefinement r = pass_->Refine();
    const RefinedPeak& pair = r.peaks[5];
    ASSERT_EQ(pair.kind, RefinedKind::Split);
    ASSERT_EQ(pair.components.size(), 2u);
    EXPECT_NEAR(pair.components[0].D, kDoubletFirst, 0.0005);
    EXPECT_NEAR(pair.components[1].D, kDoubletSecond, 0.0005);
    for (const PeakComponent& c : pair.components) {
        EXPECT_NEAR(c.B, 50000e3, 5000e3);
        EXPECT_NEAR(c.C, kResolution, kPairResolutionTolerance * kResolution);
        EXPECT_EQ(c.A, pair.components[0].A);  // one background
    }
    EXPECT_GE(pair.group, 0);
    EXPECT_EQ(r.split, 1);
    for (int k : {2, 3, 4, 6}) {
        EXPECT_EQ(r.peaks[k].kind, RefinedKind::Unchanged) << k;
        EXPECT_EQ(r.peaks[k].group, -1) << k;
    }
    EXPECT_TRUE(r.resolvingPower.Known());
    EXPECT_NEAR(r.resolvingPower.At(518), kResolution, 0.02 * kResolution);
}

void ExpectSame(const PeakRefinement& a, const PeakRefinement& b) {
    ASSERT_EQ(a.peaks.size(), b.peaks.size());
    for (size_t k = 0; k < a.peaks.size(); ++k) {
        const RefinedPeak &p = a.peaks[k], &q = b.peaks[k];
        EXPECT_EQ(p.kind, q.kind) << k;
        EXPECT_EQ(p.group, q.group) << k;
        EXPECT_EQ(p.iterations, q.iterations) << k;
        EXPECT_EQ(p.points, q.points) << k;
        ASSERT_EQ(p.components.size(), q.components.size()) << k;
        for (size_t m = 0; m < p.components.size(); ++m) {
            // Bit for bit.
            EXPECT_EQ(p.components[m].A, q.components[m].A) << k;
            EXPECT_EQ(p.components[m].B, q.components[m].B) << k;
            EXPECT_EQ(p.components[m].C, q.components[m].C) << k;
            EXPECT_EQ(p.components[m].D, q.components[m].D) << k;
            EXPECT_EQ(p.components[m].errors, q.components[m].errors) << k;
        }
    }
}

TEST_F(PeakRefinementTest, AnswersTheSameBitsEveryTimeOnOneThreadOrTwo) {
    const PeakRefinement once = pass_->Refine(false);
    ExpectSame(once, pass_->Refine(false));
    ExpectSame(once, pass_->Refine(true));
}

TEST(PeakRefinementEdgeTest, NothingToRefineWithoutPeaksOrWithUnorderedMasses) {
    const std::vector<double> x{1, 2, 3}, y{5, 6, 5};
    EXPECT_TRUE(RefinePeaks({x, y, {}}).peaks.empty());
    const std::vector<double> unordered{1, 3, 2};
    const std::vector<RefinementPeak> failed{
        {.firstIndex = 0, .lastIndex = 2, .leftX = 1, .rightX = 3, .fitFailed = true}};
    const PeakRefinement r = RefinePeaks({unordered, y, failed});
    ASSERT_EQ(r.peaks.size(), 1u);
    EXPECT_EQ(r.peaks[0].kind, RefinedKind::Unchanged);
}

TEST(ResolvingPowerTest, FollowsTheMassAndLeavesMergedPeaksOut) {
    // R = 10·m, one reference in five a merged pair fitted 30 % wider.
    std::vector<std::pair<double, double>> refs;
    for (int i = 0; i < 60; ++i) {
        const double m = 100 + 10 * i;
        refs.emplace_back(m, (i % 5 == 2 ? 0.7 : 1.0) * 10 * m);
    }
    const ResolvingPowerProfile profile = ProfileOfReferences(refs);
    ASSERT_TRUE(profile.Known());
    for (double m : {150.0, 400.0, 650.0}) EXPECT_NEAR(profile.At(m), 10 * m, 0.03 * 10 * m) << m;
    EXPECT_FALSE(ProfileOfReferences({{100, 1000}, {200, 2000}}).Known());
    EXPECT_EQ(ProfileOfReferences({}).At(100), 0);
}

}  // namespace
}  // namespace ostrel
