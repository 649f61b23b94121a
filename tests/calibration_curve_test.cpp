#include "fitting/calibration_curve.h"

#include <gtest/gtest.h>

#include <cmath>

#include "state/errors.h"

namespace ostrel {
namespace {

PointList Points(std::vector<double> x, std::vector<double> y) {
    return PointList{std::move(x), std::move(y)};
}

TEST(CalibrationCurveTest, LineThroughTheEndPointsAndTheRecalculation) {
    CalibrationCurve curve;
    const PointList drawn = PodobratParabolaLine(Points({50, 100, 150}, {2, 1, -1}), curve);
    EXPECT_EQ(curve.CurveA, 0);
    EXPECT_DOUBLE_EQ(curve.CurveB, -0.03);
    EXPECT_DOUBLE_EQ(curve.CurveC, 3.5);
    EXPECT_EQ(drawn.X, (std::vector<double>{50, 150}));
    EXPECT_EQ(drawn.Y, (std::vector<double>{2, -1}));
    const std::vector<double> moved = RecalculateMasses({99.5, 100, 100.5}, curve);
    EXPECT_DOUBLE_EQ(moved[1], 100.0005);
}

TEST(CalibrationCurveTest, ParabolaThroughThreePointsDrawnEveryHundredth) {
    CalibrationCurve curve;
    ParabolaFitState fit;
    const PointList drawn = PodobratParabola(Points({50, 100, 150}, {2, 1, -1}), curve, fit);
    EXPECT_NEAR(curve.CurveA, -0.0002, 1e-12);
    EXPECT_NEAR(curve.CurveB, 0.01, 1e-10);
    EXPECT_NEAR(curve.CurveC, 2, 1e-8);
    ASSERT_EQ(drawn.Count(), 10001);
    EXPECT_EQ(drawn.X.front(), 50);
    EXPECT_EQ(drawn.X.back(), 150);

    // A span beyond 1000 u is drawn over its first 1000 only.
    const PointList wide = PodobratParabola(Points({10, 600, 1500}, {1, 2, 0}), curve, fit);
    EXPECT_EQ(wide.Count(), kCurveSamplesMax);
}

TEST(CalibrationCurveTest, CurvesThatCannotBeFormedAreRefusedAndKeepTheOldCoefficients) {
    const struct {
        const char* what;
        PointList points;
        bool line, parabola;  // refused by each
    } cases[] = {
        {"no point", Points({}, {}), true, true},
        {"one point", Points({50}, {1}), true, true},
        {"ends at one mass", Points({50, 50}, {1, 2}), true, true},
        {"two masses", Points({50, 50, 80}, {1, 2, 3}), false, true},
        {"a slope beyond every real", Points({50, 50 + 1e-9}, {-1e308, 1e308}), true, true},
        {"a bend beyond every real", Points({1, 2, 3}, {1e308, -1e308, 1e308}), false, true},
    };
    for (const auto& tc : cases) {
        CalibrationCurve curve{1, 2, 3};
        ParabolaFitState fit;
        if (tc.line) {
            EXPECT_THROW(PodobratParabolaLine(tc.points, curve), CommandError) << tc.what;
        }
        if (tc.parabola) {
            EXPECT_THROW(PodobratParabola(tc.points, curve, fit), CommandError) << tc.what;
        }
        EXPECT_EQ(curve.CurveA, 1) << tc.what;
        EXPECT_EQ(curve.CurveB, 2) << tc.what;
        EXPECT_EQ(curve.CurveC, 3) << tc.what;
    }
}

// Each fit tells what it needs itself: one or two points are refused by the parabola as too few
// for a parabola, not as a line that cannot be drawn.
TEST(CalibrationCurveTest, EachFitSaysWhatItNeeds) {
    const auto refusal = [](auto fit) {
        try {
            fit();
        } catch (const CommandError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const std::string line = "Прямую провести нельзя", parabola = "Параболу подобрать нельзя";
    for (const PointList& few :
         {Points({50}, {1}), Points({50, 80}, {1, 2}), Points({50, 50, 80}, {1, 2, 3})}) {
        CalibrationCurve curve;
        ParabolaFitState fit;
        EXPECT_EQ(refusal([&] { PodobratParabola(few, curve, fit); }).rfind(parabola, 0), 0u)
            << few.Count();
    }
    CalibrationCurve curve;
    EXPECT_EQ(refusal([&] { PodobratParabolaLine(Points({50}, {1}), curve); }).rfind(line, 0), 0u);
    ParabolaFitState fit;
    EXPECT_EQ(refusal([&] {
                  PodobratParabola(Points({}, {}), curve, fit);
              }).rfind("Калибровочных точек нет", 0),
              0u);
}

TEST(CalibrationCurveTest, ARecalculationThatBreaksTheMassesIsRefused) {
    EXPECT_THROW(RecalculateMasses({1, 2, 1e300}, {1e10, 0, 0}), CommandError);
    EXPECT_THROW(RecalculateMasses({100, 101, 102}, {0, -2000, 0}), CommandError);  // order
    EXPECT_EQ(RecalculateMasses({}, {1, 1, 1}).size(), 0u);
}

}  // namespace
}  // namespace ostrel
