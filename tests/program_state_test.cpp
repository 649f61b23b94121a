#include "state/program_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "reference_tables.h"
#include "results/results_table.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::PeaksAt;
using ::ostrel::testing::TempDir;

TEST(ClearAllTest, ModesDecideWhichPartsAreEmptied) {
    ProgramState state;
    using P = DerivedPart;
    const struct {
        int mode;
        bool spectrum;
        bool zoneChoice;  // a load or a preliminary processing leaves no zone to take a height from
    } cases[] = {{kClearForLoad, true, true},
                 {kClearForPreliminary, false, true},
                 {kClearForLastPass, false, false}};
    for (const auto& c : cases) {
        const ClearedParts cleared = ClearAll(state, c.mode);
        EXPECT_EQ(cleared.Has(P::SpectrumCurve), c.spectrum) << c.mode;
        EXPECT_EQ(cleared.Has(P::ZoneChoice), c.zoneChoice) << c.mode;
        for (P always : {P::StageCurves, P::FittedCurves, P::CalibrationCurve, P::TheorySeries,
                         P::SlopeCurve, P::ResultsTable, P::ZoneList, P::StandardMasses,
                         P::PassReports, P::MassLists, P::CalibrationList, P::SinglePeak})
            EXPECT_TRUE(cleared.Has(always)) << c.mode << " " << static_cast<int>(always);
    }
    EXPECT_THROW(ClearAll(state, 3), std::invalid_argument);
}

TEST(ClearAllTest, ResetsWhatThePassMadeAndShowsTheStoredSettings) {
    ProgramState state;
    state.Peaks = PeaksAt({43.1, 57.07});
    state.Reference.CHGroups[1].push_back({2, 5, 29.03915});
    state.Reference.CFIons.push_back({1, 3, 68.9952});
    state.Theory.chSaw.x.push_back(29.03915);
    AddCalibrationPeak(state.Calibration, 1);
    GiveTrueMass(state.Calibration, 0, TrueMassAsListed(57.0704, NumberFormat('.')));
    state.CalibPoints.X.push_back(43.1);
    state.Curve.CurveB = 0.5;
    state.Stages.Stage1 = {{1, 2}, {3, 4}};
    state.KolUsred = 10;
    state.KrivoMn = 2.5;
    state.Format.SetSeparator(',');

    const ClearedParts cleared = ClearAll(state, kClearForPreliminary);
    EXPECT_TRUE(state.Peaks.empty());
    EXPECT_EQ(ResultsTable(state.Peaks, state.Format).RowCount(), 2);  // the header, one empty row
    EXPECT_EQ(state.Reference.CHGroupCount(1), 0);
    EXPECT_TRUE(state.Reference.CFIons.empty());
    EXPECT_EQ(state.Theory.chSaw.Count(), 0);
    EXPECT_EQ(state.Calibration.CalibCount(), 0);
    EXPECT_EQ(state.Calibration.TrueMassCount(), 0);
    EXPECT_EQ(state.CalibPoints.Count(), 0);
    EXPECT_EQ(state.Curve.CurveB, 0.5);         // the coefficients stay until the next fit
    EXPECT_EQ(state.Stages.Stage1.Count(), 2);  // each stage is replaced when it is built
    EXPECT_EQ(cleared.kolUsredText, "10");
    EXPECT_EQ(cleared.krivoMnText, "2,5");
}

TEST(ProgramStateTest, StartsWithTheDefaults) {
    ProgramState state;
    EXPECT_EQ(KolUsredText(state), "150");
    EXPECT_EQ(KrivoMnText(state), "10");
    EXPECT_TRUE(state.HintMode);
    EXPECT_TRUE(state.MarkHints);
    EXPECT_EQ(state.Points.PointCount(), 0);
    EXPECT_EQ(state.FirstPeakHeight, 0);
    EXPECT_EQ(state.Format.Separator(), NumberFormat::SystemSeparator());
}

class OpenSpectrumTest : public ::testing::Test {
  protected:
    TempDir dir;
    ProgramState state;

    void SetUp() override {
        state.Format.SetSeparator(',');
        OpenSpectrum(state, dir.Write("a.txt", "\"A\"\r\n\"\"\r\n\"\"\r\n1 1.5\r\n2 2.5\r\n"));
    }
};

TEST_F(OpenSpectrumTest, ALoadSetsPointSeparatorTitleAndScaling) {
    EXPECT_EQ(state.Format.Separator(), '.');
    EXPECT_EQ(state.CurveTitle, " A");
    EXPECT_EQ(state.Points.PointY, (std::vector<double>{1500, 2500}));
    EXPECT_EQ(state.MaxYDecimals, 1);
}

TEST_F(OpenSpectrumTest, EachLoadDecidesItsOwnScalingAndKeepsAnEarlierTitle) {
    OpenSpectrum(state, dir.Write("b.txt", "1 3\r\n2 4\r\n"));
    EXPECT_EQ(state.Points.PointY, (std::vector<double>{3, 4}));
    EXPECT_EQ(state.MaxYDecimals, 0);
    EXPECT_EQ(state.CurveTitle, " A");
}

TEST_F(OpenSpectrumTest, AFailedLoadChangesNothing) {
    state.Format.SetSeparator(',');
    state.Peaks = PeaksAt({1.5});
    state.Stages.Stage1 = {{1, 2}, {3, 4}};
    const Spectrum before = state.Points;
    for (const char* bad :
         {"\"B\"\r\n\"\"\r\n\"\"\r\n1 1\r\nbad\r\n", "\"B\"\r\n\"\"\r\n\"\"\r\n"}) {
        EXPECT_THROW(OpenSpectrum(state, dir.Write("bad.txt", bad)), CommandError);
        EXPECT_EQ(state.Points.PointX, before.PointX);
        EXPECT_EQ(state.Points.PointY, before.PointY);
        EXPECT_EQ(state.CurveTitle, " A");
        EXPECT_EQ(state.MaxYDecimals, 1);
        EXPECT_EQ(state.Format.Separator(), ',');
        EXPECT_EQ(state.Peaks.size(), 1u);
        EXPECT_EQ(state.Stages.Stage1.Count(), 2);
    }
    EXPECT_THROW(OpenSpectrum(state, dir.File("missing.txt")), CommandError);
    EXPECT_EQ(state.Points.PointX, before.PointX);
}

}  // namespace
}  // namespace ostrel
