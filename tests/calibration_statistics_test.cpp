// The numerics under the automatic calibration: the weighted fits and their F-test, the spread
// model of the pairs, and the expected errors of the user's line and parabola.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fitting/applied_curve_error.h"
#include "fitting/f_test.h"
#include "fitting/spread_model.h"
#include "fitting/weighted_polynomial.h"

namespace ostrel {
namespace {

TEST(CalibrationStatisticsTest, FTailsAtTheTabulatedCriticalValues) {
    // Upper 1 % and 5 % points of F from the printed tables.
    const struct {
        double f;
        int d1, d2;
        double p;
    } cases[] = {
        {10.04, 1, 10, 0.01}, {16.26, 1, 5, 0.01}, {7.56, 1, 30, 0.01},
        {4052, 1, 1, 0.01},   {3.49, 2, 20, 0.05}, {4.96, 1, 10, 0.05},
    };
    for (const auto& c : cases) EXPECT_NEAR(FTestTail(c.f, c.d1, c.d2), c.p, c.p * 0.02) << c.f;
    EXPECT_EQ(FTestTail(0, 1, 5), 1);
    EXPECT_EQ(FTestTail(INFINITY, 1, 5), 0);
    EXPECT_NEAR(RegularizedIncompleteBeta(1, 1, 0.3), 0.3, 1e-14);
    EXPECT_NEAR(RegularizedIncompleteBeta(2.5, 0.5, 0.7),
                1 - RegularizedIncompleteBeta(0.5, 2.5, 0.3), 1e-13);
}

TEST(CalibrationStatisticsTest, WeightedFitsRecoverTheirCurveAndFollowTheWeights) {
    // A parabola over masses far from zero comes back exactly.
    std::vector<double> x, y, w;
    for (double m : {50.0, 130.0, 219.0, 414.0, 614.0}) {
        x.push_back(m);
        y.push_back(-2.5 - 0.01 * m + 3e-6 * (m - 300) * (m - 300));
        w.push_back(1 + m / 100);
    }
    const auto p = FitWeightedPolynomial(x, y, w, 2, 332);
    ASSERT_TRUE(p);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(p->At(x[i]), y[i], 1e-10);
    EXPECT_NEAR(p->chiSquare, 0, 1e-18);

    // A point of almost no weight does not move the line through the other two.
    const double lx[] = {100, 200, 300}, ly[] = {1, 5, 3}, lw[] = {1, 1e-12, 1};
    const auto line = FitWeightedPolynomial(lx, ly, lw, 1, 200);
    ASSERT_TRUE(line);
    EXPECT_NEAR(line->At(100), 1, 1e-9);
    EXPECT_NEAR(line->At(300), 3, 1e-9);

    // Two distinct masses cannot make a parabola.
    const double tx[] = {100, 100, 300}, ty[] = {1, 2, 3}, tw[] = {1, 1, 1};
    EXPECT_FALSE(FitWeightedPolynomial(tx, ty, tw, 2, 200));
}

TEST(CalibrationStatisticsTest, TheSpreadModelFindsTheFloorAndTheFactor) {
    std::mt19937_64 rng(5);
    std::normal_distribution<double> normal(0, 1);
    for (const auto& [floor, factor] : {std::pair{0.05, 3.0}, {0.3, 1.0}, {0.01, 8.0}}) {
        const SpreadModel truth{floor, factor};
        std::vector<double> r, e;
        for (int i = 0; i < 600; ++i) {
            e.push_back(0.002 * std::pow(10.0, 2.0 * i / 600));  // 0.002 to 0.2 mmu
            r.push_back(truth.SigmaOf(e.back()) * normal(rng));
        }
        const SpreadModel got = FitSpreadModel(r, e, 2);
        EXPECT_NEAR(got.floor, floor, 0.2 * floor + 0.01) << floor << " " << factor;
        EXPECT_NEAR(got.factor, factor, 0.2 * factor) << floor << " " << factor;
    }
}

// The mean over many evenly spaced masses of the squared error, worked point by point.
template <typename Variance>
double Averaged(EvenMasses range, Variance variance) {
    const int n = 20000;
    double sum = 0;
    for (int i = 0; i <= n; ++i) sum += variance(range.lo + (range.hi - range.lo) * i / n);
    return sum / (n + 1);
}

TEST(CalibrationStatisticsTest, ExpectedErrorsOfTheUsersLineAndParabola) {
    const EvenMasses range{40, 620};
    // The line through two points, with the chord's bias under a curved error.
    const double x0 = 69, s0 = 0.05, x1 = 502, s1 = 0.3, curvature = 2e-5;
    const double line = Averaged(range, [&](double x) {
        const double a = (x1 - x) / (x1 - x0), b = (x - x0) / (x1 - x0);
        const double bias = curvature * (x - x0) * (x - x1);
        return a * a * s0 * s0 + b * b * s1 * s1 + bias * bias;
    });
    EXPECT_NEAR(LineThroughEndsMeanSquare(x0, s0, x1, s1, curvature, range), line, line * 1e-3);

    // Three points: the unweighted parabola is the interpolating one, Σ ℓᵢ(x)² sᵢ².
    const double px[] = {69, 219, 614}, ps[] = {0.05, 0.1, 0.4};
    UnweightedParabolaError parabola(range);
    for (int i = 0; i < 3; ++i) parabola.Add(px[i], ps[i]);
    const double lagrange = Averaged(range, [&](double x) {
        double v = 0;
        for (int i = 0; i < 3; ++i) {
            double l = 1;
            for (int j = 0; j < 3; ++j)
                if (j != i) l *= (x - px[j]) / (px[i] - px[j]);
            v += l * l * ps[i] * ps[i];
        }
        return v;
    });
    EXPECT_NEAR(parabola.MeanSquare(), lagrange, lagrange * 1e-3);
    UnweightedParabolaError two(range);
    two.Add(69, 0.1);
    two.Add(219, 0.1);
    EXPECT_TRUE(std::isinf(two.MeanSquare()));

    // Of four points the best line ends are the precise ones far apart.
    const double lx[] = {50, 60, 500, 600}, ls[] = {1, 0.01, 0.01, 1};
    const LineEnds ends = BestLineEnds(lx, ls, 0, range);
    EXPECT_EQ(ends.first, 1u);
    EXPECT_EQ(ends.last, 2u);
    EXPECT_NEAR(ends.meanSquare, LineThroughEndsMeanSquare(60, 0.01, 500, 0.01, 0, range), 1e-15);
}

}  // namespace
}  // namespace ostrel
