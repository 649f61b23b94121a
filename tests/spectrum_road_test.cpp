#include "state/spectrum_road.h"

#include <gtest/gtest.h>

#include "measured_cases.h"
#include "processing/preliminary.h"
#include "results/results_table.h"
#include "state/errors.h"
#include "state/messages.h"
#include "synthetic_peaks.h"

namespace ostrel {
namespace {

// The road of the small example spectrum up to its zones.
class SpectrumRoadTest : public ::testing::Test {
  protected:
    ProgramState state;
    SpectrumRoad road{state};

    void SetUp() override {
        state.Format.SetSeparator('.');
        road.Open(::ostrel::testing::ExampleFile("small_hydrocarbon.txt"));
        preliminary = road.Preliminary(PreliminarySettings{});
    }
    PreliminaryResult preliminary;
};

TEST_F(SpectrumRoadTest, ThePreliminaryProcessingReportsItsStagesInOrder) {
    std::vector<PreliminaryStage> built;
    road.StartPreliminary(ParseKolUsred("10"));
    const PreliminaryResult again =
        road.BuildPreliminary([&](PreliminaryStage s) { built.push_back(s); });
    using S = PreliminaryStage;
    EXPECT_EQ(built,
              (std::vector<S>{S::Stage1, S::Stage2, S::Stage3, S::Stage4, S::Slope, S::ZoneSort}));
    EXPECT_EQ(state.KolUsred, 10);
    EXPECT_EQ(again.zoneLines, ZoneListLines(state.Stages.Zones, state.Format));
    EXPECT_GE(again.suggestion.line, 0);
}

TEST_F(SpectrumRoadTest, APassTakesItsPeaksWithTheirReferenceTablesAndTheory) {
    const PassCounters counters = road.LastPass(preliminary.suggestion.height);
    ASSERT_FALSE(state.Peaks.empty());
    EXPECT_EQ(counters.peakNumber, static_cast<int32_t>(state.Peaks.size()));
    EXPECT_FALSE(state.Reference.CHIons.empty());
    EXPECT_GT(state.Theory.cfPeaks.Count(), 0);
    EXPECT_EQ(state.FirstPeakHeight, preliminary.suggestion.height);

    // A height above every zone is refused after the reset, with the message of the window.
    const std::string tooHigh = "2000000000";
    try {
        road.LastPass(ParseFirstPeakHeight(tooHigh));
        ADD_FAILURE();
    } catch (const CommandError& e) {
        EXPECT_EQ(e.what(), HeightAboveEveryZoneMessage(tooHigh));
    }
    EXPECT_TRUE(state.Peaks.empty());
}

// A pass that ends early, or whose peaks cannot be shown, takes nothing: the state keeps what it
// had.
TEST_F(SpectrumRoadTest, AFailedPassTakesNothing) {
    road.LastPass(preliminary.suggestion.height);
    const PeakResults before = state.Peaks;
    const size_t chRows = state.Reference.CHIons.size();

    PassOutcome stray;
    stray.peaks = before;
    stray.peaks.back().centre = 3e9;  // no nominal mass
    EXPECT_THROW(road.AcceptPass(stray), CommandError);
    EXPECT_EQ(state.Peaks.size(), before.size());
    EXPECT_EQ(state.Peaks.back().centre, before.back().centre);
    EXPECT_EQ(state.Reference.CHIons.size(), chRows);

    LastPassHooks hooks;
    int reported = 0;
    hooks.stopRequested = [&] { return reported++ == 2; };
    road.StartLastPass(preliminary.suggestion.height);
    road.BuildSlopeAtHeight();
    const PassOutcome stopped =
        SpectrumRoad::FitPeaks(road.PassInputNow(), hooks, {PassThreads::Two});
    EXPECT_EQ(stopped.failure, std::string(kLastPassStoppedText) + "2.");
    EXPECT_EQ(stopped.peaks.size(), 2u);
}

TEST_F(SpectrumRoadTest, CalibrationFromTheListToTheRecalculatedMasses) {
    road.LastPass(preliminary.suggestion.height);
    ASSERT_GE(state.Peaks.size(), 3u);
    for (int32_t k : {0, 1, 2}) AddCalibrationPeak(state.Calibration, k);
    EXPECT_THROW(road.MakeCalibrationPoints(), CommandError);  // no true mass yet
    EXPECT_EQ(state.CalibPoints.Count(), 0);
    for (int32_t k : {0, 1, 2})
        GiveTrueMass(state.Calibration, k,
                     TrueMassAsListed(state.Peaks[k].centre + 0.002, state.Format));
    road.MakeCalibrationPoints();
    ASSERT_EQ(state.CalibPoints.Count(), 3);
    EXPECT_NEAR(state.CalibPoints.Y[1], 2, 1e-6);
    road.FitCalibrationParabola();
    EXPECT_NEAR(state.Curve.CurveC + state.Curve.CurveB * 50 + state.Curve.CurveA * 2500, 2, 1e-3);
    const std::vector<double> measured = state.Points.PointX;
    const ClearedParts cleared = road.Recalculate();
    EXPECT_TRUE(cleared.Has(DerivedPart::SpectrumCurve));
    EXPECT_NEAR(state.Points.PointX[0] - measured[0], 0.002, 1e-6);
    EXPECT_TRUE(state.Peaks.empty());
    EXPECT_EQ(state.Calibration.CalibCount(), 0);

    // A curve that would reverse the masses is refused, and the masses stay.
    state.Curve = {-1e6, 0, 0};
    const std::vector<double> kept = state.Points.PointX;
    EXPECT_THROW(road.Recalculate(), CommandError);
    EXPECT_EQ(state.Points.PointX, kept);

    // "Вернуть исходный спектр": the masses as opened, after a second recalculation too, and a
    // reset as after a load.
    ASSERT_TRUE(road.CanRestoreSpectrum());
    state.Curve = {0, 0, 5};
    road.Recalculate();
    const ClearedParts restored = road.RestoreSpectrum();
    EXPECT_EQ(state.Points.PointX, measured);
    EXPECT_TRUE(restored.Has(DerivedPart::SpectrumCurve));
    EXPECT_FALSE(road.CanRestoreSpectrum());
    EXPECT_THROW(road.RestoreSpectrum(), CommandError);
    EXPECT_EQ(state.Points.PointX, measured);

    // A new spectrum forgets the masses of the old one.
    road.Recalculate();
    road.Open(::ostrel::testing::ExampleFile("small_hydrocarbon.txt"));
    EXPECT_FALSE(road.CanRestoreSpectrum());
}

}  // namespace
}  // namespace ostrel
