#include "processing/last_pass.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <set>
#include <thread>
#include <tuple>

#include "measured_cases.h"
#include "processing/road_settings.h"
#include "processing/stage_builders.h"
#include "results/fitted_curves.h"
#include "results/results_assembly.h"
#include "results/results_table.h"
#include "state/errors.h"
#include "state/number_format.h"
#include "state/program_state.h"
#include "state/spectrum.h"
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
    PeakResults peaks;
    std::vector<std::string> report;
    LastPassHooks hooks;
    hooks.reportPeak = [&](int32_t k, const CurrentPeak& cur) {
        report = PeakReportLines(k + 1, cur, format);
    };
    EXPECT_EQ(RunLastPass(spectrum, stage1, slope, fit, format, peaks, hooks), "");
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_EQ(fit.Cur.FitPeakNumber, 1);
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[0], "1, Fon = " + format.Shortest(fit.Cur.CurFon));
    EXPECT_EQ(report[5], " ");
    const PeakResult& p = peaks[0];
    EXPECT_NEAR(p.centre, 28.0, 1e-4);
    EXPECT_EQ(p.leftX, spectrum.PointX[50]);
    EXPECT_EQ(p.rightX, spectrum.PointX[200]);
    EXPECT_EQ(p.zone, 0);
    EXPECT_EQ(p.status, PeakStatus::Fitted);
    // The record holds what the fit left: the table's height is B − A, the curve's model A, B.
    EXPECT_EQ(p.height, fit.FitHeight);
    EXPECT_EQ(p.modelA, fit.FitA);
    EXPECT_EQ(p.modelB, fit.FitB);
    EXPECT_EQ(p.points, 151);
    EXPECT_EQ(p.iterations, fit.FitIterations);
}

TEST_F(PassFixture, NeighbouringPeaksShareAMinimumAndALeadingMaximumIsSkipped) {
    PeakResults peaks;
    EXPECT_EQ(
        RunLastPass(spectrum, stage1, Slope({50, 100, 200, 300, 399}), fit, format, peaks, {}), "");
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_EQ(peaks[0].zone, 0);
    EXPECT_EQ(peaks[1].zone, 2);
    EXPECT_EQ(peaks[0].rightX, peaks[1].leftX);
    EXPECT_EQ(fit.Cur.FitPeakNumber, 2);

    const PointList leading = Slope({100, 200, 300, 399});  // starts with a maximum
    EXPECT_EQ(SlopeOffset(leading), 1);
    EXPECT_EQ(PeakCountOfSlope(leading), 1);
    EXPECT_EQ(RunLastPass(spectrum, stage1, leading, fit, format, peaks, {}), "");
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_EQ(peaks[0].zone, 1);
    EXPECT_EQ(PeakCountOfSlope(Slope({50, 100})), 0);
}

TEST_F(PassFixture, AFailureEndsThePassWithThePeaksBeforeIt) {
    PointList slope = Slope({50, 100, 200, 300, 399});
    slope.X[4] = 99;  // beyond the spectrum
    PeakResults peaks;
    const std::string failure = RunLastPass(spectrum, stage1, slope, fit, format, peaks, {});
    EXPECT_NE(failure.find("пике 2"), std::string::npos) << failure;
    EXPECT_EQ(peaks.size(), 1u);
}

// A window of four points leaves the variance no degree of freedom: its peak is a problem peak
// with the fixed results, and the record says why.
TEST_F(PassFixture, AProblemPeakIsMarkedWithItsCause) {
    PeakResults peaks;
    EXPECT_EQ(
        RunLastPass(spectrum, stage1, Slope({50, 100, 200, 201, 203}), fit, format, peaks, {}), "");
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_EQ(peaks[1].points, 4);
    EXPECT_TRUE(peaks[1].IsProblem());
    EXPECT_EQ(peaks[1].problem, FitProblem::TooFewPoints);
    EXPECT_EQ(peaks[1].height, kProblemPeakHeight);
    EXPECT_FALSE(peaks[0].IsProblem());
    EXPECT_EQ(peaks[0].problem, FitProblem::None);
    EXPECT_EQ(fit.ProblemPeakCount, 1);

    // Fitted again alone, the problem lines name that peak, whatever the context fitted last.
    const PointList slope = Slope({50, 100, 200, 201, 203});
    PeakFitState single;
    single.Cur.FitPeakNumber = 7;
    FitLog log;
    ProcessOnePeak(spectrum, stage1, slope, peaks, 1, single, format, log);
    ASSERT_EQ(log.problems.size(), 14u);
    EXPECT_EQ(log.problems[0], "2 пик");
    EXPECT_THROW(ProcessOnePeak(spectrum, stage1, slope, peaks, 2, single, format, log),
                 CommandError);
}

// Everything a pass hands out: its answer, tables, reports in order and the context it leaves.
struct PassRecord {
    std::string answer;
    PeakResults peaks;
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
                           state.Format, r.peaks, hooks, threads);
    return r;
}

void ExpectSamePass(const PassRecord& a, const PassRecord& b) {
    EXPECT_EQ(a.answer, b.answer);
    ASSERT_EQ(a.peaks.size(), b.peaks.size());
    for (size_t i = 0; i < a.peaks.size(); ++i) {
        const PeakResult &p = a.peaks[i], &q = b.peaks[i];
        EXPECT_EQ(
            BitsOf({p.leftX, p.rightX, p.centre, p.resolvingPower, p.height, p.background, p.stdErr,
                    p.modelA, p.modelB, p.errors[0], p.errors[1], p.errors[2], p.errors[3]}),
            BitsOf({q.leftX, q.rightX, q.centre, q.resolvingPower, q.height, q.background, q.stdErr,
                    q.modelA, q.modelB, q.errors[0], q.errors[1], q.errors[2], q.errors[3]}))
            << i;
        EXPECT_EQ(std::tie(p.zone, p.iterations, p.points, p.status, p.problem),
                  std::tie(q.zone, q.iterations, q.points, q.status, q.problem))
            << i;
    }
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
int CountFirstStepFailuresAfterAFit(const PeakResults& peaks) {
    int count = 0;
    for (size_t i = 1; i < peaks.size(); ++i)
        count += peaks[i].iterations == 1 && peaks[i].IsProblem() && peaks[i].stdErr != 0;
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
        EXPECT_GT(one.peaks.size(), 1u);
        ExpectSamePass(one, two);
        EXPECT_EQ(two.hookThreads, std::set<std::thread::id>{std::this_thread::get_id()});
        carried += CountFirstStepFailuresAfterAFit(one.peaks);
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

TEST(TwoCorePassTest, AStopRequestEndsThePassWithThePeaksBeforeIt) {
    ProgramState state;
    OpenSpectrum(state, ::ostrel::testing::ExampleFile("small_hydrocarbon.txt"));
    Prepare(state, 150, 0);
    for (PassThreads threads : {PassThreads::One, PassThreads::Two}) {
        for (int32_t stopAfter : {0, 3}) {
            const PassRecord r = RecordPass(state, threads, stopAfter);
            EXPECT_EQ(r.answer, kLastPassStoppedText + std::to_string(stopAfter) + ".");
            EXPECT_EQ(r.peaks.size(), static_cast<size_t>(stopAfter));
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

// Fitted peaks of the given masses and heights; the heights listed in `problems` belong to
// problem peaks.
PeakResults Peaks(std::vector<double> masses, std::vector<double> heights,
                  std::set<size_t> problems = {}) {
    PeakResults peaks;
    for (size_t i = 0; i < masses.size(); ++i) {
        PeakResult& p = peaks.emplace_back();
        p.leftX = masses[i] - 0.02;
        p.rightX = masses[i] + 0.02;
        p.centre = masses[i];
        p.resolvingPower = 3000;
        p.height = heights[i];
        p.background = 10;
        p.stdErr = 50;
        p.iterations = 7;
        p.points = 41;
        p.zone = 2 * static_cast<int32_t>(i);
        p.errors = {0.1, 0.2, 12.34, 0.0001234};
        p.modelA = 10;
        p.modelB = heights[i] + 10;
        if (problems.count(i)) {
            p.status = PeakStatus::Problem;
            p.problem = FitProblem::ZeroDeterminant;
        }
    }
    return peaks;
}

TEST(ResultsTableTest, FittedAndProblemRows) {
    const PeakResults t = Peaks({28.0313, 29.0391, 43.0547}, {1000, 1.0, 500}, {1});
    const ResultsGrid grid = ResultsTable(t, NumberFormat('.'));
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cell(0, 0), "M");
    EXPECT_EQ(grid.Cell(11, 0), "Kol");
    const std::vector<std::string> first{"28",   "28.031300", "0.000123", "31.30", "",  "3000",
                                         "12.3", "10.0",      "1000.0",   "0.05",  "7", "41"};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(grid.Cell(c, 1), first[c]) << c;
    EXPECT_EQ(grid.Cell(0, 2), "29");
    EXPECT_EQ(grid.Cell(1, 2), "Ошибка");
    for (int c = 2; c <= 10; ++c) EXPECT_EQ(grid.Cell(c, 2), " ");
    EXPECT_EQ(grid.Cell(11, 2), "41");
    EXPECT_EQ(grid.Cell(4, 3), "23.4");  // against the last fitted peak, 31.3 → 54.7

    // A problem peak in row 1 counts as no peak before row 2.
    const ResultsGrid second =
        ResultsTable(Peaks({28.0313, 29.0391}, {1.0, 500}, {0}), NumberFormat('.'));
    EXPECT_EQ(second.Cell(4, 2), second.Cell(3, 2).substr(0, 4));  // 39.10 → "39.1"
    EXPECT_EQ(MassListLines(t, NumberFormat(',')),
              (std::vector<std::string>{"28,0,  1000", "29,0,  Ошибка", "43,1,  500"}));

    // Without peaks the header and one empty row.
    const ResultsGrid empty = ResultsTable({}, NumberFormat('.'));
    ASSERT_EQ(empty.RowCount(), 2);
    for (int c = 0; c < 12; ++c) EXPECT_EQ(empty.Cell(c, 1), "");
}

// A problem peak is known by its status, not by its height: a real peak whose fitted height is
// exactly 1 is listed, drawn and charted as the fitted peak it is.
TEST(ResultsTableTest, AFittedPeakOfHeightOneIsNoProblemPeak) {
    const PeakResults t = Peaks({28.0313, 29.0391}, {1000, 1.0});
    const NumberFormat f('.');
    const ResultsGrid grid = ResultsTable(t, f);
    EXPECT_EQ(grid.Cell(1, 2), "29.039100");
    EXPECT_EQ(grid.Cell(8, 2), "1.0");
    const AssembledResults a = AssembleResults(t);
    EXPECT_EQ(a.theory.chPeaks.peak, (std::vector<int32_t>{0, 1}));
    PeakResults problem = t;
    problem[1].status = PeakStatus::Problem;
    EXPECT_EQ(AssembleResults(problem).theory.chPeaks.peak, (std::vector<int32_t>{0}));
    // The fitted one is drawn from its model (A + B at the centre), the problem one from A and
    // the height.
    PeakResults one = {t[1]};
    one[0].leftX = one[0].rightX = one[0].centre;
    EXPECT_DOUBLE_EQ(FittedCurves(one).y[0], 10 + 11);
    one[0].status = PeakStatus::Problem;
    EXPECT_DOUBLE_EQ(FittedCurves(one).y[0], 1);
}

TEST(ResultsAssemblyTest, AMassWithoutANominalMassIsRefusedBeforeAnyTable) {
    const PeakResults t = Peaks({28.0313, 3e9}, {1000, 500});
    EXPECT_THROW(AssembleResults(t), CommandError);
    EXPECT_THROW(ResultsTable(t, NumberFormat('.')), CommandError);
}

TEST(FittedCurvesTest, SamplingAndTheFittedModel) {
    PeakResults t = Peaks({50.0}, {1000});
    t[0].leftX = 50.0;
    t[0].rightX = 50.0005;  // narrower than one step: one point
    CurvePoints c = FittedCurves(t);
    ASSERT_EQ(c.x.size(), 1u);
    EXPECT_DOUBLE_EQ(c.y[0], 10 + 1010);  // A + B at the centre, not the table's B − A
    t[0].leftX = 40;
    t[0].rightX = 60;  // wider than 10 units: only the first 10 are drawn
    c = FittedCurves(t);
    EXPECT_EQ(c.x.size(), 10001u);
    EXPECT_DOUBLE_EQ(c.x.back(), 50);
    EXPECT_TRUE(std::is_sorted(c.x.begin(), c.x.end()));
    // A window over the mass 0 of a problem peak at 0 (found by the fuzzer): a gap, no NaN.
    t = Peaks({0.0}, {1}, {0});
    t[0].leftX = 0;
    t[0].rightX = 0.002;
    c = FittedCurves(t);
    EXPECT_EQ(c.x, (std::vector<double>{0.001, 0.002}));
    EXPECT_TRUE(std::all_of(c.y.begin(), c.y.end(), [](double y) { return std::isfinite(y); }));
    EXPECT_EQ(ElapsedTicks(4294967290u, 5u), 5 - 4294967290LL);
}

// As drawn, each peak's curve is followed by a break at its last x: no line joins one peak's
// curve to the next one's, and the x values still ascend where the windows share an end.
TEST(FittedCurvesTest, DrawnCurvesBreakBetweenPeaks) {
    PeakResults t = Peaks({50.0, 50.05, 60.0}, {1000, 800, 500});
    t[0].rightX = t[1].leftX;  // neighbours sharing their boundary minimum
    const CurvePoints plain = FittedCurves(t);
    const CurvePoints drawn = DrawnFittedCurves(t);
    ASSERT_EQ(drawn.x.size(), plain.x.size() + 3);
    EXPECT_TRUE(std::is_sorted(drawn.x.begin(), drawn.x.end()));
    std::vector<double> kept;
    size_t breaks = 0;
    for (size_t i = 0; i < drawn.x.size(); ++i) {
        if (std::isnan(drawn.y[i])) {
            ++breaks;
            EXPECT_EQ(drawn.x[i], drawn.x[i - 1]);  // at the last x of the peak before it
            EXPECT_TRUE(i + 1 == drawn.x.size() || drawn.x[i + 1] >= drawn.x[i]);
            continue;
        }
        kept.push_back(drawn.y[i]);
    }
    EXPECT_EQ(breaks, 3u);
    EXPECT_EQ(kept, plain.y);
    EXPECT_TRUE(DrawnFittedCurves({}).x.empty());
    // A problem peak has no curve to draw.
    t[1].status = PeakStatus::Problem;
    const CurvePoints withProblem = DrawnFittedCurves(t);
    EXPECT_TRUE(std::none_of(withProblem.x.begin(), withProblem.x.end(),
                             [&](double x) { return x > t[1].leftX && x < t[1].rightX; }));
    EXPECT_EQ(std::count_if(withProblem.y.begin(), withProblem.y.end(),
                            [](double y) { return std::isnan(y); }),
              2);
}

}  // namespace
}  // namespace ostrel
