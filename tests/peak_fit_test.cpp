#include "fitting/peak_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

// A window of points of the model itself (plus optional noise), with stage 1 equal to it.
class PeakWindow {
  public:
    PeakWindow(double a, double b, double c, double d, double x0, double step, int count,
               double noise = 0, unsigned seed = 1) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> n(0, 1);
        for (int i = 0; i < count; ++i) {
            const double x = x0 + step * i;
            const double t = kWidthFactor * c * (d / x - 1);
            x_.push_back(x);
            y_.push_back(a + b * std::exp(-t * t) + noise * n(rng));
        }
    }
    PeakWindow(std::vector<double> x, std::vector<double> y) : x_(std::move(x)), y_(std::move(y)) {}

    FitData Data() const { return {x_, y_, x_, y_}; }

    // Prepares the current peak as the last pass does and fits it.
    void Fit(PeakFitState& st, FitLog& log, bool logOn = false,
             PeakSumForm form = PeakSumForm::Fast) const {
        st.Cur.CurLeftIndex = 0;
        st.Cur.CurRightIndex = static_cast<int32_t>(x_.size()) - 1;
        st.Cur.CurPointCount = static_cast<int32_t>(x_.size());
        st.Cur.FitPeakNumber = 3;
        const auto top = std::max_element(y_.begin(), y_.end());
        const double fon = *std::min_element(y_.begin(), y_.end());
        FitPeak(st, Data(), logOn, fon, x_.front(), *top, x_[top - y_.begin()], NumberFormat('.'),
                log, form);
    }

  private:
    std::vector<double> x_, y_;
};

TEST(PeakFitTest, ExactPeakConverges) {
    PeakWindow w(10, 1000, 2000, 100, 99.9, 0.005, 41);
    PeakFitState st;
    FitLog log;
    w.Fit(st, log, true);
    EXPECT_NEAR(st.FitCenter, 100, 1e-9);
    EXPECT_NEAR(st.FitResolution, 2000, 1e-6);
    EXPECT_NEAR(st.FitHeight, 990, 1e-6);
    EXPECT_NEAR(st.FitBackground, 10, 1e-6);
    // The residual sum is formed from the normal equations, so rounding leaves a small residue
    // even for exact points.
    EXPECT_LT(st.FitStdErr / st.FitHeight, 1e-4);
    EXPECT_LT(st.FitIterations, 20);
    EXPECT_EQ(st.FitPointCount, 41);
    EXPECT_EQ(st.ProblemPeakCount, 0);
    ASSERT_EQ(log.iterations.size(), 6u * st.FitIterations);
    EXPECT_EQ(log.iterations[0], "Итерация № 1");
    EXPECT_EQ(log.iterations[1].rfind("A = ", 0), 0u);
    EXPECT_NE(log.iterations[1].find(",  "), std::string::npos);
    EXPECT_EQ(log.iterations[5], "");
    EXPECT_TRUE(log.problems.empty());

    FitLog quiet;
    w.Fit(st, quiet, false);
    EXPECT_TRUE(quiet.iterations.empty());
}

TEST(PeakFitTest, FlatWindowIsAProblemPeakWithFixedResults) {
    PeakWindow w(std::vector<double>{10, 10.1, 10.2, 10.3, 10.4, 10.5},
                 std::vector<double>(6, 5.0));
    PeakFitState st;
    FitLog log;
    w.Fit(st, log, true);
    EXPECT_EQ(st.FitCenter, st.D0);
    EXPECT_EQ(st.D0, 10);
    EXPECT_EQ(st.FitResolution, 1000);
    EXPECT_EQ(st.FitHeight, kProblemPeakHeight);
    EXPECT_EQ(st.FitBackground, 5);
    EXPECT_EQ(st.C0, 20);  // never falls below half the top: the width runs to the right end
    EXPECT_EQ(st.ProblemPeakCount, 1);
    EXPECT_EQ(st.FitIterations, 1);
    EXPECT_TRUE(log.iterations.empty());
    ASSERT_EQ(log.problems.size(), 14u);
    const std::vector<std::string> head{
        "3 пик",   "0 итерация", "Начальные параметры", "A0 = 5", "B0 = 0",
        "C0 = 20", "D0 = 10",    "Текущие параметры",   "A = 5"};
    EXPECT_EQ(std::vector<std::string>(log.problems.begin(), log.problems.begin() + 9), head);
    EXPECT_EQ(log.problems[12], "");
    EXPECT_EQ(log.problems[13], "");
}

TEST(PeakFitTest, VarianceOfTheLastFitCarriesIntoAFirstStepFailure) {
    PeakWindow noisy(50, 800, 1500, 60, 59.9, 0.004, 51, 3.0);
    PeakFitState st;
    FitLog log;
    noisy.Fit(st, log);
    const double variance = st.PeakVariance;
    ASSERT_GT(variance, 0);
    PeakWindow(std::vector<double>{1, 2, 3, 4, 5}, std::vector<double>(5, 2.0)).Fit(st, log);
    EXPECT_EQ(st.FitStdErr, std::sqrt(variance));
    EXPECT_EQ(st.FitErrors, (std::array<double, 4>{0, 0, 0, 0}));
}

TEST(PeakFitTest, UnsoundWindowsBecomeProblemPeaks) {
    const struct {
        const char* name;
        PeakWindow window;
    } cases[] = {
        {"four points", PeakWindow(10, 1000, 2000, 100, 99.99, 0.005, 4)},
        {"values beyond the double range", PeakWindow(10, 1e200, 2000, 100, 99.9, 0.005, 41)},
    };
    for (const auto& c : cases) {
        PeakFitState st;
        FitLog log;
        c.window.Fit(st, log);
        EXPECT_EQ(st.FitHeight, kProblemPeakHeight) << c.name;
        EXPECT_EQ(st.FitResolution, 1000) << c.name;
        EXPECT_EQ(st.FitCenter, st.D0) << c.name;
        EXPECT_EQ(st.ProblemPeakCount, 1) << c.name;
        EXPECT_EQ(log.problems.size(), 14u) << c.name;
        EXPECT_TRUE(std::isfinite(st.FitStdErr)) << c.name;
    }
}

// Four points leave the variance no degree of freedom: the window is a problem peak before any
// step, so the normal equations are never formed and what one fit hands to the next stays as the
// fit before left it. (A step there ends as a problem peak too, its variance dividing by zero,
// with the same results and log: only the values handed on tell that it was taken.)
TEST(PeakFitTest, AWindowOfFourPointsTakesNoStep) {
    PeakFitState st;
    FitLog log;
    PeakWindow(10, 1000, 2000, 100, 99.9, 0.005, 41).Fit(st, log);
    const std::array<double, 4> diag = st.PeakDiag;
    const double det = st.NormalDet;
    ASSERT_NE(det, 0);
    PeakWindow(10, 1000, 2000, 100, 99.99, 0.005, 4).Fit(st, log);
    EXPECT_EQ(st.FitHeight, kProblemPeakHeight);
    EXPECT_EQ(st.FitIterations, 1);
    EXPECT_EQ(st.PeakDiag, diag);
    EXPECT_EQ(st.NormalDet, det);
    PeakWindow(10, 1000, 2000, 100, 99.99, 0.005, 5).Fit(st, log);  // five points take a step
    EXPECT_NE(st.NormalDet, det);
}

TEST(PeakFitTest, NegativeFittedBackgroundReportsTheWindowMinimum) {
    PeakWindow w(-50, 1000, 2000, 100, 99.9, 0.005, 41);
    PeakFitState st;
    FitLog log;
    w.Fit(st, log);
    EXPECT_NEAR(st.FitA, -50, 1e-6);
    EXPECT_EQ(st.FitBackground, st.A0);
    EXPECT_NEAR(st.FitHeight, 1050, 1e-6);  // B − A, not B
}

TEST(PeakFitTest, LevelCrossings) {
    PeakWindow w(std::vector<double>{1, 2, 3, 4, 5, 6}, std::vector<double>{0, 2, 8, 9, 7, 6});
    PeakFitState st;
    st.Cur.CurLeftIndex = 0;
    st.Cur.CurRightIndex = 5;
    const FitData d = w.Data();
    EXPECT_EQ(FindLevelCrossingX(st, d, 1, 1, 4.5), 3);
    EXPECT_EQ(FindLevelCrossingX(st, d, 0, 3, 4.5), 6);   // never falls below: the right end
    EXPECT_EQ(FindLevelCrossingX(st, d, 0, 99, 4.5), 6);  // x0 beyond the last point
    EXPECT_EQ(EstimateResolution(st, d, 9, 1, 4), 4.0 / 3);
    EXPECT_EQ(EstimateResolution(st, d, 100, 1, 4), 1000);  // never above half the top

    FitLog log;
    st.Cur.CurRightIndex = 6;  // beyond the window's points
    EXPECT_THROW(FitPeak(st, d, false, 0, 1, 9, 4, NumberFormat('.'), log), CommandError);
}

uint64_t Bits(double v) {
    return std::bit_cast<uint64_t>(v);
}

TEST(PeakFitTest, TheExponentialIsExactlyZeroBelowTheCutOff) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> arguments = {std::nextafter(kExpIsZeroBelow, -inf), -1e4, -1e300,
                                     -std::numeric_limits<double>::max(), -inf};
    for (double a = kExpIsZeroBelow - 1.0 / 128; a > -800; a -= 1.0 / 128) arguments.push_back(a);
    for (double a : arguments) EXPECT_EQ(Bits(std::exp(a)), Bits(0.0)) << a;
    EXPECT_GT(std::exp(kExpIsZeroBelow + 2), 0.0);
}

TEST(PeakFitTest, FastSumsGiveTheSameBitsAsPlainSums) {
    const PeakWindow windows[] = {
        PeakWindow(10, 1000, 2000, 100, 99.9, 0.005, 41),
        PeakWindow(50, 800, 1500, 60, 59.9, 0.004, 51, 3.0, 2),
        PeakWindow(30, 20000, 3000, 219, 218.8, 0.002, 200, 20.0, 3),
        PeakWindow(std::vector<double>{1, 2, 3, 4, 5, 6}, std::vector<double>(6, 5.0)),
    };
    for (const auto& w : windows) {
        PeakFitState plain, fast;
        FitLog plainLog, fastLog;
        w.Fit(plain, plainLog, true, PeakSumForm::Plain);
        w.Fit(fast, fastLog, true, PeakSumForm::Fast);
        const double pv[] = {plain.FitCenter,     plain.FitResolution, plain.FitHeight,
                             plain.FitBackground, plain.FitStdErr,     plain.FitSum,
                             plain.FitErrors[0],  plain.FitErrors[3],  plain.NormalDet};
        const double fv[] = {fast.FitCenter,     fast.FitResolution, fast.FitHeight,
                             fast.FitBackground, fast.FitStdErr,     fast.FitSum,
                             fast.FitErrors[0],  fast.FitErrors[3],  fast.NormalDet};
        for (int i = 0; i < 9; ++i) EXPECT_EQ(Bits(pv[i]), Bits(fv[i])) << i;
        EXPECT_EQ(plain.FitIterations, fast.FitIterations);
        EXPECT_EQ(plainLog.iterations, fastLog.iterations);
        EXPECT_EQ(plainLog.problems, fastLog.problems);
    }
}

}  // namespace
}  // namespace ostrel
