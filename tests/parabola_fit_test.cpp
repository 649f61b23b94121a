#include "fitting/parabola_fit.h"

#include <gtest/gtest.h>

#include "state/errors.h"

namespace ostrel {
namespace {

ParabolaFitState Points(std::vector<double> x, std::vector<double> y) {
    ParabolaFitState st;
    st.CalibLast = static_cast<int32_t>(x.size()) - 1;
    st.CalibX = std::move(x);
    st.CalibY = std::move(y);
    return st;
}

TEST(ParabolaFitTest, FitsThreeCalibrationPointsExactly) {
    ParabolaFitState st = Points({50, 100, 150}, {2, 1, -1});
    FitParabola(st, 0, 0, 0);
    EXPECT_NEAR(st.CurveA, -0.0002, 1e-15);
    EXPECT_NEAR(st.CurveB, 0.01, 1e-12);
    EXPECT_NEAR(st.CurveC, 2, 1e-10);
    EXPECT_EQ(st.Iterations, 2);
}

TEST(ParabolaFitTest, ExactParabolaFromAStraightLineStartInTwoSteps) {
    ParabolaFitState st = Points({1, 2, 4}, {4, 7, 25});  // y = 2x² − 3x + 5
    FitParabola(st, 0, 7, -3);
    EXPECT_NEAR(st.CurveA, 2, 1e-12);
    EXPECT_NEAR(st.CurveB, -3, 1e-12);
    EXPECT_NEAR(st.CurveC, 5, 1e-12);
    EXPECT_EQ(st.Iterations, 2);

    st = Points({10, 20, 30, 40}, {1, 3, 5, 7});  // a straight line
    FitParabola(st, 0, 0, 0);
    EXPECT_NEAR(st.CurveA, 0, 1e-12);
    EXPECT_NEAR(st.CurveB, 0.2, 1e-12);
}

TEST(ParabolaFitTest, SumsOverAnEmptyRangeAreZero) {
    ParabolaFitState st = Points({1, 2}, {3, 4});
    st.CalibFirst = 1;
    st.CalibLast = 0;
    for (int p = 0; p < 4; ++p) EXPECT_EQ(ParabolaSum(st, p, p), 0);
    EXPECT_EQ(ParabolaTerm(st, 7, 0), 0);
}

TEST(ParabolaFitTest, SingularSystemsAreRefusedAndKeepTheCoefficients) {
    for (auto st :
         {Points({50, 100}, {2, 1}), Points({50, 50, 100, 100}, {1, 2, 3, 4}), Points({}, {})}) {
        st.CurveA = 7;
        st.CurveB = 8;
        st.CurveC = 9;
        EXPECT_THROW(FitParabola(st, 0, 0, 0), CommandError);
        EXPECT_EQ(st.CurveA, 7);
        EXPECT_EQ(st.CurveB, 8);
        EXPECT_EQ(st.CurveC, 9);
    }
}

}  // namespace
}  // namespace ostrel
