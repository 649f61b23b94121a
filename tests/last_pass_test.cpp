#include "processing/last_pass.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <set>
#include <thread>
#include <tuple>

#include "measured_cases.h"
#include "processing/stage_builders.h"
#include "results/results_assembly.h"
#include "state/errors.h"
#include "state/measured_points.h"
#include "state/number_format.h"
#include "state/program_state.h"
#include "state/results_grid.h"
#include "synthetic_peaks.h"

namespace ostrel {
namespace {

using ::ostrel::testing::BitsOf;
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

// Everything a pass hands out: its answer, tables, reports in order and the context it leaves.
struct PassRecord {
    std::string answer;
    PeakTables tables;
    std::vector<std::string> events;
    std::set<std::thread::id> hookThreads;
    PeakFitState fit;
};

PassRecord RecordPass(const ProgramState& state, PassThreads threads, int32_t stopAfter = -1) {
    PassRecord r;
    LastPassHooks hooks;
    hooks.reportPeak = [&](int32_t k, const CurrentPeak& cur) {
        r.hookThreads.insert(std::this_thread::get_id());
        for (const auto& line : PeakReportLines(k + 1, cur, state.Format)) r.events.push_back(line);
    };
    hooks.problemLines = [&](const std::vector<std::string>& lines) {
        r.hookThreads.insert(std::this_thread::get_id());
        r.events.insert(r.events.end(), lines.begin(), lines.end());
    };
    int32_t asked = 0;
    if (stopAfter >= 0) hooks.stopRequested = [&] { return asked++ == stopAfter; };
    r.answer = RunLastPass(state.Points, state.Stages.Stage1, state.Stages.Slope, r.fit,
                           state.Format, r.tables, hooks, threads);
    return r;
}

void ExpectSamePass(const PassRecord& a, const PassRecord& b) {
    EXPECT_EQ(a.answer, b.answer);
    const PeakTables &s = a.tables, &t = b.tables;
    for (auto column : {&PeakTables::PeakLeftX, &PeakTables::PeakRightX, &PeakTables::PeakM,
                        &PeakTables::PeakR, &PeakTables::PeakV, &PeakTables::PeakA,
                        &PeakTables::PeakStdErr, &PeakTables::PeakIter, &PeakTables::PeakKol,
                        &PeakTables::PeakZoneIndex, &PeakTables::FittedA, &PeakTables::FittedB})
        EXPECT_EQ(BitsOf(s.*column), BitsOf(t.*column));
    ASSERT_EQ(s.PeakErr.size(), t.PeakErr.size());
    for (size_t i = 0; i < s.PeakErr.size(); ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(std::bit_cast<uint64_t>(s.PeakErr[i][k]),
                      std::bit_cast<uint64_t>(t.PeakErr[i][k]));
    EXPECT_EQ(a.events, b.events);
    const PeakFitState &f = a.fit, &g = b.fit;
    EXPECT_EQ(f.Cur.FitPeakNumber, g.Cur.FitPeakNumber);
    EXPECT_EQ(f.ProblemPeakCount, g.ProblemPeakCount);
    EXPECT_EQ(BitsOf({f.PeakVariance, f.PeakResidualSum, f.PeakDiag[0], f.PeakDiag[3], f.NormalDet,
                      f.FitA, f.RelOffset, f.GaussTerm}),
              BitsOf({g.PeakVariance, g.PeakResidualSum, g.PeakDiag[0], g.PeakDiag[3], g.NormalDet,
                      g.FitA, g.RelOffset, g.GaussTerm}));
}

// The slope list of a spectrum after the preliminary processing, with the given height.
void Prepare(ProgramState& state, int32_t kolUsred, int32_t height) {
    state.Format.SetSeparator('.');
    state.KolUsred = kolUsred;
    BuildStage1(state);
    BuildStage2(state);
    BuildStage3(state);
    BuildStage4(state);
    state.FirstPeakHeight = height;
    BuildSlope(state);
}

// Peaks whose first step failed report the variance the peak before them left: the two-core pass
// must hand them that value as well.
int CountFirstStepFailuresAfterAFit(const PeakTables& t) {
    int count = 0;
    for (int32_t i = 1; i < t.PeakCount(); ++i)
        count += t.PeakIter[i] == 1 && t.PeakV[i] == kProblemPeakHeight && t.PeakStdErr[i] != 0;
    return count;
}

TEST(TwoCorePassTest, SameTablesReportsAndContextAsOneThread) {
    struct Case {
        std::string file;  // empty: a random spectrum
        unsigned seed;
        int32_t height;
    };
    const Case cases[] = {{"small_hydrocarbon.txt", 0, 0},
                          {"small_hydrocarbon.txt", 0, 4938},
                          {"hydrocarbon_R3000.txt", 0, 3851},
                          {"", 1, 0},
                          {"", 2, 2000},
                          {"", 3, 50000}};
    int carried = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.seed) + " " + std::to_string(c.height));
        ProgramState state;
        if (c.file.empty())
            state.Points = ::ostrel::testing::RandomSpectrum(c.seed, 30000);
        else
            OpenSpectrum(state, ::ostrel::testing::ExampleFile(c.file));
        Prepare(state, c.file.empty() ? 10 : 150, c.height);
        const PassRecord one = RecordPass(state, PassThreads::One);
        const PassRecord two = RecordPass(state, PassThreads::Two);
        EXPECT_EQ(one.answer, "");
        EXPECT_GT(one.tables.PeakCount(), 1);
        ExpectSamePass(one, two);
        EXPECT_EQ(two.hookThreads, std::set<std::thread::id>{std::this_thread::get_id()});
        carried += CountFirstStepFailuresAfterAFit(one.tables);
    }
    EXPECT_GT(carried, 0);
}

// Every peak window of a pass fitted with the plain sums and with the fast ones, each form in its
// own context carried from peak to peak: the same bits and the same lines, iteration log on.
void ExpectFastFitsAsPlainOnPassWindows(const ProgramState& state, int32_t maxPeaks) {
    PeakFitState plain, fast;
    const FitData data{state.Points.PointX, state.Points.PointY, state.Stages.Stage1.X,
                       state.Stages.Stage1.Y};
    const int32_t count = std::min(maxPeaks, PeakCountOfSlope(state.Stages.Slope));
    for (int32_t k = 0; k < count; ++k) {
        FitLog plainLog, fastLog;
        for (auto [st, log, form] : {std::tuple{&plain, &plainLog, PeakSumForm::Plain},
                                     std::tuple{&fast, &fastLog, PeakSumForm::Fast}}) {
            st->Cur.FitPeakNumber = k + 1;
            SetCurrentPeak(st->Cur, state.Points, state.Stages.Slope,
                           2 * k + SlopeOffset(state.Stages.Slope));
            FitPeak(*st, data, true, st->Cur.CurFon, st->Cur.CurLeftX, st->Cur.CurTopY,
                    st->Cur.CurCenterX, state.Format, *log, form);
        }
        ASSERT_EQ(BitsOf({plain.FitCenter, plain.FitResolution, plain.FitHeight,
                          plain.FitBackground, plain.FitStdErr, plain.FitSum, plain.FitErrors[0],
                          plain.FitErrors[1], plain.FitErrors[2], plain.FitErrors[3], plain.FitA,
                          plain.FitB, plain.RelOffset, plain.GaussTerm}),
                  BitsOf({fast.FitCenter, fast.FitResolution, fast.FitHeight, fast.FitBackground,
                          fast.FitStdErr, fast.FitSum, fast.FitErrors[0], fast.FitErrors[1],
                          fast.FitErrors[2], fast.FitErrors[3], fast.FitA, fast.FitB,
                          fast.RelOffset, fast.GaussTerm}))
            << "peak " << k;
        ASSERT_EQ(plain.FitIterations, fast.FitIterations) << k;
        ASSERT_EQ(plainLog.iterations, fastLog.iterations) << k;
        ASSERT_EQ(plainLog.problems, fastLog.problems) << k;
    }
}

TEST(FastSumsTest, PassWindowsOfExampleAndRandomSpectra) {
    struct Case {
        std::string file;  // empty: a random spectrum
        unsigned seed;
        int32_t height;
        int32_t maxPeaks;
    };
    // The PFTBA windows run far into the tails, where the exponential is 0.
    const Case cases[] = {{"small_hydrocarbon.txt", 0, 0, 1000},
                          {"pftba_R3000.txt", 0, 22525, 4},
                          {"", 4, 1000, 40},
                          {"", 5, 0, 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.seed));
        ProgramState state;
        if (c.file.empty())
            state.Points = ::ostrel::testing::RandomSpectrum(c.seed, 20000);
        else
            OpenSpectrum(state, ::ostrel::testing::ExampleFile(c.file));
        Prepare(state, c.file.empty() ? 10 : 150, c.height);
        ExpectFastFitsAsPlainOnPassWindows(state, c.maxPeaks);
    }
}

TEST(TwoCorePassTest, AStopRequestEndsThePassWithTablesOfOneLength) {
    ProgramState state;
    OpenSpectrum(state, ::ostrel::testing::ExampleFile("small_hydrocarbon.txt"));
    Prepare(state, 150, 0);
    for (PassThreads threads : {PassThreads::One, PassThreads::Two}) {
        for (int32_t stopAfter : {0, 3}) {
            const PassRecord r = RecordPass(state, threads, stopAfter);
            EXPECT_EQ(r.answer, kLastPassStoppedText + std::to_string(stopAfter) + ".");
            EXPECT_EQ(r.tables.PeakCount(), stopAfter);
            EXPECT_EQ(r.tables.PeakErr.size(), static_cast<size_t>(stopAfter));
            EXPECT_EQ(r.tables.FittedB.size(), static_cast<size_t>(stopAfter));
        }
        // Stopped after three peaks, the pass leaves what one thread leaves after three peaks.
        ExpectSamePass(RecordPass(state, threads, 3), RecordPass(state, PassThreads::One, 3));
    }
}

TEST_F(PassFixture, AFailureOnTwoCoresEndsThePassAsInOneThread) {
    PointList slope = Slope({50, 100, 150, 200, 250, 300, 399});
    slope.X[4] = 99;  // the third peak lies beyond the spectrum
    ProgramState state;
    state.Points = spectrum;
    state.Stages.Stage1 = stage1;
    state.Stages.Slope = slope;
    state.Format.SetSeparator('.');
    const PassRecord one = RecordPass(state, PassThreads::One);
    EXPECT_NE(one.answer.find("пике 2"), std::string::npos) << one.answer;
    ExpectSamePass(one, RecordPass(state, PassThreads::Two));
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
    // A window over the mass 0 of a problem peak at 0 (found by the fuzzer): a gap, no NaN.
    t = Peaks({0.0}, {1});
    t.PeakLeftX[0] = 0;
    t.PeakRightX[0] = 0.002;
    c = FittedCurves(t);
    EXPECT_EQ(c.x, (std::vector<double>{0.001, 0.002}));
    EXPECT_TRUE(std::all_of(c.y.begin(), c.y.end(), [](double y) { return std::isfinite(y); }));
    EXPECT_EQ(ElapsedTicks(4294967290u, 5u), 5 - 4294967290LL);
}

}  // namespace
}  // namespace ostrel
