#include "fitting/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace ostrel {
namespace {

// y = a + b·x at the given x, with noise of deviation `noise`.
struct LineData {
    std::vector<double> x, y;

    LineData(double a, double b, int count, double noise, unsigned seed = 3) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> n(0, 1);
        for (int i = 0; i < count; ++i) {
            x.push_back(0.5 * i - 3);
            y.push_back(a + b * x.back() + noise * n(rng));
        }
    }

    LeastSquaresProblem Problem() const {
        LeastSquaresProblem p;
        p.residualCount = static_cast<int32_t>(x.size());
        p.parameterCount = 2;
        p.evaluate = [this](std::span<const double> q, std::span<double> r, std::span<double> jac) {
            for (size_t i = 0; i < x.size(); ++i) {
                r[i] = q[0] + q[1] * x[i] - y[i];
                if (!jac.empty()) {
                    jac[2 * i] = 1;
                    jac[2 * i + 1] = x[i];
                }
            }
        };
        return p;
    }
};

TEST(LeastSquaresTest, LineGivesTheOrdinaryLeastSquaresAnswerAndErrors) {
    const LineData data(2, -0.75, 40, 0.1);
    const std::vector<double> start{0, 0};
    const LeastSquaresResult fit = SolveLeastSquares(data.Problem(), start);
    ASSERT_EQ(fit.stop, LeastSquaresStop::Converged);
    // The closed form of the straight line and its standard errors.
    const double n = static_cast<double>(data.x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < data.x.size(); ++i) {
        sx += data.x[i];
        sy += data.y[i];
        sxx += data.x[i] * data.x[i];
        sxy += data.x[i] * data.y[i];
    }
    const double det = n * sxx - sx * sx;
    const double b = (n * sxy - sx * sy) / det, a = (sy - b * sx) / n;
    double ss = 0;
    for (size_t i = 0; i < data.x.size(); ++i)
        ss += (a + b * data.x[i] - data.y[i]) * (a + b * data.x[i] - data.y[i]);
    const double variance = ss / (n - 2);
    EXPECT_NEAR(fit.parameters[0], a, 1e-10);
    EXPECT_NEAR(fit.parameters[1], b, 1e-10);
    EXPECT_NEAR(fit.cost, ss, 1e-9 * ss);
    EXPECT_NEAR(fit.standardErrors[0], std::sqrt(variance * sxx / det), 1e-9);
    EXPECT_NEAR(fit.standardErrors[1], std::sqrt(variance * n / det), 1e-9);
}

// A Gaussian B·exp(−((x − D)/W)²) on a background A, through either form of the problem.
struct GaussData {
    std::vector<double> x, y;

    GaussData() {
        for (int i = 0; i <= 80; ++i) {
            x.push_back(10 + 0.05 * i);
            const double t = (x.back() - 12.3) / 0.4;
            y.push_back(5 + 200 * std::exp(-t * t));
        }
    }

    void Terms(std::span<const double> q, size_t i, double& r, double g[4]) const {
        const double t = (x[i] - q[3]) / q[2];
        const double e = std::exp(-t * t);
        r = q[0] + q[1] * e - y[i];
        g[0] = 1;
        g[1] = e;
        g[2] = q[1] * e * 2 * t * t / q[2];
        g[3] = q[1] * e * 2 * t / q[2];
    }

    LeastSquaresProblem Problem(bool normalForm) const {
        LeastSquaresProblem p;
        p.residualCount = static_cast<int32_t>(x.size());
        p.parameterCount = 4;
        if (!normalForm) {
            p.evaluate = [this](std::span<const double> q, std::span<double> r,
                                std::span<double> jac) {
                for (size_t i = 0; i < x.size(); ++i) {
                    double g[4];
                    Terms(q, i, r[i], g);
                    if (!jac.empty())
                        for (int k = 0; k < 4; ++k) jac[4 * i + k] = g[k];
                }
            };
        } else {
            p.normalEquations = [this](std::span<const double> q, std::span<double> jtj,
                                       std::span<double> jtr) {
                std::fill(jtj.begin(), jtj.end(), 0.0);
                std::fill(jtr.begin(), jtr.end(), 0.0);
                double cost = 0;
                for (size_t i = 0; i < x.size(); ++i) {
                    double r, g[4];
                    Terms(q, i, r, g);
                    cost += r * r;
                    for (int a = 0; a < 4; ++a) {
                        jtr[a] += g[a] * r;
                        for (int b = 0; b < 4; ++b) jtj[4 * a + b] += g[a] * g[b];
                    }
                }
                return cost;
            };
        }
        return p;
    }
};

TEST(LeastSquaresTest, GaussianConvergesFromAFarStartInBothForms) {
    const GaussData data;
    // Centre 0.6 u off (1.5 widths), width doubled, height halved, background 0.
    const std::vector<double> start{0, 100, 0.8, 11.7};
    for (bool normalForm : {false, true}) {
        const LeastSquaresResult fit = SolveLeastSquares(data.Problem(normalForm), start);
        ASSERT_EQ(fit.stop, LeastSquaresStop::Converged) << normalForm;
        EXPECT_NEAR(fit.parameters[0], 5, 1e-6);
        EXPECT_NEAR(fit.parameters[1], 200, 1e-6);
        EXPECT_NEAR(std::fabs(fit.parameters[2]), 0.4, 1e-8);
        EXPECT_NEAR(fit.parameters[3], 12.3, 1e-9);
        EXPECT_LT(fit.cost, 1e-12);
    }
}

TEST(LeastSquaresTest, BoundHoldsAParameterAndTheOthersFitAroundIt) {
    const LineData data(2, -0.75, 40, 0.1);
    LeastSquaresProblem problem = data.Problem();
    problem.lower = {-10, -0.5};  // the slope may not fall below -0.5
    problem.upper = {10, 1};
    const std::vector<double> start{0, 0.5};
    const LeastSquaresResult fit = SolveLeastSquares(problem, start);
    ASSERT_TRUE(fit.Usable());
    EXPECT_EQ(fit.parameters[1], -0.5);
    EXPECT_EQ(fit.atBound[1], 1);
    EXPECT_EQ(fit.atBound[0], 0);
    EXPECT_EQ(fit.standardErrors[1], 0);
    // With the slope held, the best intercept is the mean of y + 0.5·x.
    double mean = 0;
    for (size_t i = 0; i < data.x.size(); ++i) mean += data.y[i] + 0.5 * data.x[i];
    mean /= static_cast<double>(data.x.size());
    EXPECT_NEAR(fit.parameters[0], mean, 1e-10);
    EXPECT_GT(fit.standardErrors[0], 0);
}

TEST(LeastSquaresTest, MalformedProblemsAndStartsFail) {
    const LineData data(1, 1, 10, 0);
    const std::vector<double> good{0, 0};
    const std::vector<double> notFinite{std::numeric_limits<double>::quiet_NaN(), 0};
    const std::vector<double> tooShort{0};
    EXPECT_EQ(SolveLeastSquares(data.Problem(), notFinite).stop, LeastSquaresStop::Failed);
    EXPECT_EQ(SolveLeastSquares(data.Problem(), tooShort).stop, LeastSquaresStop::Failed);
    LeastSquaresProblem crossed = data.Problem();
    crossed.lower = {1, 1};
    crossed.upper = {0, 2};  // lower above upper
    EXPECT_EQ(SolveLeastSquares(crossed, good).stop, LeastSquaresStop::Failed);
    LeastSquaresProblem infinite = data.Problem();
    infinite.evaluate = [](std::span<const double>, std::span<double> r, std::span<double>) {
        r[0] = std::numeric_limits<double>::infinity();
    };
    EXPECT_EQ(SolveLeastSquares(infinite, good).stop, LeastSquaresStop::Failed);
}

TEST(LeastSquaresTest, CholeskySolvesAndRefusesAMatrixNotPositiveDefinite) {
    std::vector<double> m{4, 2, 2, 3}, b{2, 1};
    ASSERT_TRUE(SolveCholesky(m, b, 2));
    EXPECT_NEAR(b[0], 0.5, 1e-15);
    EXPECT_NEAR(b[1], 0, 1e-15);
    std::vector<double> singular{1, 2, 2, 4}, c{1, 1};
    EXPECT_FALSE(SolveCholesky(singular, c, 2));
}

TEST(FTestTailTest, KnownQuantilesAndTheClosedFormOfTwoDegrees) {
    // Student's t with 10 degrees of freedom at 2.228139 is the two-sided 5 % point: F(1, 10).
    EXPECT_NEAR(FTestTail(2.228138852 * 2.228138852, 1, 10), 0.05, 1e-8);
    EXPECT_NEAR(FTestTail(4.938193382, 3, 20), 0.01, 1e-8);  // F(3, 20) at its 1 % point
    for (int32_t dof : {5, 60, 700})
        for (double f : {0.3, 4.0, 25.0})
            EXPECT_NEAR(FTestTail(f, 2, dof), std::pow(1 + 2 * f / dof, -dof / 2.0),
                        1e-12 * std::pow(1 + 2 * f / dof, -dof / 2.0))
                << dof << " " << f;
    EXPECT_EQ(FTestTail(0, 2, 10), 1);
    EXPECT_EQ(FTestTail(-1, 2, 10), 1);
    EXPECT_EQ(FTestTail(3, 2, 0), 1);
}

}  // namespace
}  // namespace ostrel
