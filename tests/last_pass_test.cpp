#include "processing/last_pass.h"

#include <gtest/gtest.h>

#include <cmath>

#include "results/results_assembly.h"
#include "state/errors.h"
#include "state/measured_points.h"
#include "state/number_format.h"
#include "state/results_grid.h"
#include "synthetic_peaks.h"

namespace ostrel {
namespace {

using ::ostrel::testing::MakeSpectrum;

TEST(LastPassTest, HeightTextMustBeDigitsWithinRange) {
    for (const char* bad : {"12a", "-5", "", " 5", "5 ", "1.5", "+3"}) {
        EXPECT_FALSE(IsDigitsOnly(bad)) << bad;
        EXPECT_THROW(ParseFirstPeakHeight(bad), CommandError) << bad;
    }
    EXPECT_EQ(ParseFirstPeakHeight("0"), 0);
    EXPECT_EQ(ParseFirstPeakHeight("2147483647"), 2147483647);
    try {
        ParseFirstPeakHeight("2147483648");
        ADD_FAILURE();
    } catch (const CommandError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(kInvalidHeightMessage, 0), 0u);
    }
}

TEST(LastPassTest, WindowExtremes) {
    const std::vector<double> y{1, 5, 5, 2, -1};
    int32_t index = -1;
    EXPECT_EQ(WindowMaximum(y, 0, 4, index), 5);
    EXPECT_EQ(index, 1);  // equal maxima: the first
    EXPECT_EQ(WindowMinimum(y, 0, 3, 5), 1);
    index = -1;
    const std::vector<double> negative{-3, -1, -2};
    EXPECT_EQ(WindowMaximum(negative, 0, 2, index), 0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(PointIndexAtOrAfter(std::vector<double>{1, 2, 3}, 2.5), 2);
    EXPECT_EQ(PointIndexAtOrAfter(std::vector<double>{1, 2, 3}, 4), 3);
}

TEST(LastPassTest, AWindowWithoutPositiveValuesIsCentredOnItsFirstPoint) {
    Spectrum s{{1, 2, 3, 4, 5, 6}, {-5, -1, -2, -3, -4, -6}};
    PointList slope{{1, 3, 6}, {-5, -1, -6}};
    CurrentPeak cur;
    SetCurrentPeak(cur, s, slope, 0);
    EXPECT_EQ(cur.CurCenterX, 1);
    EXPECT_EQ(cur.CurTopY, 0);
    EXPECT_EQ(cur.CurFon, -6);
    EXPECT_EQ(cur.CurPointCount, 6);
}

class PassFixture : public ::testing::Test {
  protected:
    Spectrum spectrum =
        MakeSpectrum(27.9, 0.001, 400, 20, {{28.0, 5000, 0.006}, {28.2, 3000, 0.007}});
    PointList stage1{spectrum.PointX, spectrum.PointY};
    PeakFitState fit;
    NumberFormat format{'.'};

    // Slope points at the given spectrum indices.
    PointList Slope(std::vector<int> indices) const {
        PointList slope;
        for (int i : indices) {
            slope.X.push_back(spectrum.PointX[i]);
            slope.Y.push_back(spectrum.PointY[i]);
        }
        return slope;
    }
};

TEST_F(PassFixture, OneTripleGivesOnePeakAndOneReport) {
    const PointList slope = Slope({50, 100, 200});
    EXPECT_EQ(PeakCountOfSlope(slope), 1);
    PeakTables tables;
    std::vector<std::string> report;
    LastPassHooks hooks;
    hooks.reportPeak = [&](int32_t k, const CurrentPeak& cur) {
        report = PeakReportLines(k + 1, cur, format);
    };
    EXPECT_EQ(RunLastPass(spectrum, stage1, slope, fit, format, tables, hooks), "");
    EXPECT_EQ(tables.PeakCount(), 1);
    EXPECT_EQ(fit.Cur.FitPeakNumber, 1);
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[0], "1, Fon = " + format.Shortest(fit.Cur.CurFon));
    EXPECT_EQ(report[5], " ");
    EXPECT_NEAR(tables.PeakM[0], 28.0, 1e-4);
    EXPECT_EQ(tables.PeakLeftX[0], spectrum.PointX[50]);
    EXPECT_EQ(tables.PeakZoneIndex[0], 0);
}

TEST_F(PassFixture, NeighbouringPeaksShareAMinimumAndALeadingMaximumIsSkipped) {
    PeakTables tables;
    EXPECT_EQ(
        RunLastPass(spectrum, stage1, Slope({50, 100, 200, 300, 399}), fit, format, tables, {}),
        "");
    EXPECT_EQ(tables.PeakZoneIndex, (std::vector<double>{0, 2}));
    EXPECT_EQ(tables.PeakRightX[0], tables.PeakLeftX[1]);
    EXPECT_EQ(fit.Cur.FitPeakNumber, tables.PeakCount());

    const PointList leading = Slope({100, 200, 300, 399});  // starts with a maximum
    EXPECT_EQ(SlopeOffset(leading), 1);
    EXPECT_EQ(PeakCountOfSlope(leading), 1);
    EXPECT_EQ(RunLastPass(spectrum, stage1, leading, fit, format, tables, {}), "");
    EXPECT_EQ(tables.PeakZoneIndex, (std::vector<double>{1}));
    EXPECT_EQ(PeakCountOfSlope(Slope({50, 100})), 0);
}

TEST_F(PassFixture, AFailureEndsThePassWithTablesOfOneLength) {
    PointList slope = Slope({50, 100, 200, 300, 399});
    slope.X[4] = 99;  // beyond the spectrum
    PeakTables tables;
    const std::string failure = RunLastPass(spectrum, stage1, slope, fit, format, tables, {});
    EXPECT_NE(failure.find("пике 2"), std::string::npos) << failure;
    EXPECT_EQ(tables.PeakCount(), 1);
    EXPECT_EQ(tables.PeakErr.size(), 1u);
    EXPECT_EQ(tables.FittedB.size(), 1u);
}

TEST(NominalMassTest, FractionAboveEightTenthsRoundsUp) {
    const struct {
        double mass;
        int32_t nominal;
    } cases[] = {{27.995, 28}, {28.031, 28},    {68.8, 68},   {68.81, 69},
                 {100.8, 100}, {100.8001, 101}, {100.75, 100}};
    for (const auto& c : cases) EXPECT_EQ(NominalMass(c.mass), c.nominal) << c.mass;
    EXPECT_DOUBLE_EQ(MassExcess(100.75), -250);
    EXPECT_DOUBLE_EQ(MassExcess(100.5), 500);   // halves to even: 100
    EXPECT_DOUBLE_EQ(MassExcess(101.5), -500);  // 102
}

PeakTables Peaks(std::vector<double> masses, std::vector<double> heights) {
    PeakTables t;
    for (size_t i = 0; i < masses.size(); ++i) {
        t.PeakLeftX.push_back(masses[i] - 0.02);
        t.PeakRightX.push_back(masses[i] + 0.02);
        t.PeakM.push_back(masses[i]);
        t.PeakR.push_back(3000);
        t.PeakV.push_back(heights[i]);
        t.PeakA.push_back(10);
        t.PeakStdErr.push_back(50);
        t.PeakIter.push_back(7);
        t.PeakKol.push_back(41);
        t.PeakZoneIndex.push_back(2.0 * i);
        t.PeakErr.push_back({0.1, 0.2, 12.34, 0.0001234});
        t.FittedA.push_back(10);
        t.FittedB.push_back(heights[i] + 10);
    }
    return t;
}

TEST(ResultRowsTest, FittedAndProblemRows) {
    ResultsGrid grid;
    const PeakTables t = Peaks({28.0313, 29.0391, 43.0547}, {1000, 1.0, 500});
    WriteResultRows(grid, t, NumberFormat('.'));
    ASSERT_EQ(grid.RowCount(), 4);
    const std::vector<std::string> first{"28",   "28.031300", "0.000123", "31.30", "",  "3000",
                                         "12.3", "10.0",      "1000.0",   "0.05",  "7", "41"};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(grid.Cell(c, 1), first[c]) << c;
    EXPECT_EQ(grid.Cell(1, 2), "Ошибка");
    for (int c = 2; c <= 10; ++c) EXPECT_EQ(grid.Cell(c, 2), " ");
    EXPECT_EQ(grid.Cell(11, 2), "41");
    EXPECT_EQ(grid.Cell(4, 3), "23.4");  // against the last fitted peak, 31.3 → 54.7

    ResultsGrid second;
    WriteResultRows(second, Peaks({28.0313, 29.0391}, {1.0, 500}), NumberFormat('.'));
    EXPECT_EQ(second.Cell(4, 2), second.Cell(3, 2).substr(0, 4));  // 39.10 → "39.1"
    EXPECT_EQ(MassListLines(t, NumberFormat(',')),
              (std::vector<std::string>{"28,0,  1000", "29,0,  1", "43,1,  500"}));
}

TEST(FittedCurvesTest, SamplingAndTheFittedModel) {
    PeakTables t = Peaks({50.0}, {1000});
    t.PeakLeftX[0] = 50.0;
    t.PeakRightX[0] = 50.0005;  // narrower than one step: one point
    CurvePoints c = FittedCurves(t);
    ASSERT_EQ(c.x.size(), 1u);
    EXPECT_DOUBLE_EQ(c.y[0], 10 + 1010);  // A + B at the centre, not the table's B − A
    t.PeakLeftX[0] = 40;
    t.PeakRightX[0] = 60;  // wider than 10 units: only the first 10 are drawn
    c = FittedCurves(t);
    EXPECT_EQ(c.x.size(), 10001u);
    EXPECT_DOUBLE_EQ(c.x.back(), 50);
    EXPECT_TRUE(std::is_sorted(c.x.begin(), c.x.end()));
    EXPECT_EQ(ElapsedTicks(4294967290u, 5u), 5 - 4294967290LL);
}

}  // namespace
}  // namespace ostrel
