#include "state/program_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "state/clear_all.h"
#include "state/errors.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::TempDir;

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(ClearAllTest, ModesDecideWhichSeriesAreEmptied) {
    ProgramState state;
    struct {
        int mode;
        bool series1;
        bool zoneView;
    } cases[] = {{kClearForLoad, true, true},
                 {kClearForPreliminary, false, true},
                 {kClearForLastPass, false, false}};
    for (const auto& c : cases) {
        ClearAllEffects e = ClearAll(state, c.mode);
        EXPECT_EQ(Has(e.seriesToClear, "Series1"), c.series1) << c.mode;
        EXPECT_EQ(Has(e.seriesToClear, "Series14"), c.zoneView) << c.mode;
        EXPECT_EQ(Has(e.seriesToClear, "Series15"), c.zoneView) << c.mode;
        EXPECT_EQ(e.seriesToClear.back(), "Series16");
        EXPECT_TRUE(Has(e.seriesToClear, "Series6"));
        EXPECT_FALSE(Has(e.seriesToClear, "Series11"));
        EXPECT_FALSE(Has(e.listsToClear, "ListBox7"));
        EXPECT_EQ(e.listsToClear.size(), 8u);
        for (const char* b : {"Button6", "Button4", "Button5", "Button16", "Button17"})
            EXPECT_TRUE(Has(e.buttonsToDisable, b)) << b;
        // A load or a preliminary processing leaves no zone list to take a height from.
        EXPECT_EQ(Has(e.buttonsToDisable, "Button13"), c.zoneView) << c.mode;
        EXPECT_EQ(Has(e.buttonsToDisable, "BitBtn1"), c.zoneView) << c.mode;
        EXPECT_EQ(e.label2Caption, "-");
        EXPECT_EQ(e.label4Caption, "-");
    }
    EXPECT_THROW(ClearAll(state, 3), std::invalid_argument);
}

TEST(ClearAllTest, ResetsTheGridAndCountersAndShowsTheStoredSettings) {
    ProgramState state;
    state.Grid.SetCell(0, 0, "Ном. масса");
    for (int r = 1; r <= 4; ++r) {
        state.Grid.GridColumn = 0;
        for (int c = 0; c < 12; ++c) GridPutText(state.Grid, "v", r);
    }
    state.Reference.CHGroups[1].push_back({2, 5, 29.03915});
    state.Reference.CFIons.push_back({1, 3, 68.9952});
    state.Theory.Series9.x.push_back(29.03915);
    AddCalibrationPeak(state.Calibration, 3, "43.1,  15230");
    state.Calibration.TrueMassCount = 1;
    state.CalibPoints.X.push_back(43.1);
    state.Curve.CurveB = 0.5;
    state.KolUsred = 10;
    state.KrivoMn = 2.5;
    state.Format.SetSeparator(',');

    ClearAllEffects e = ClearAll(state, kClearForPreliminary);
    EXPECT_EQ(state.Grid.RowCount(), 2);
    EXPECT_EQ(state.Grid.GridColumn, 12);
    EXPECT_EQ(state.Grid.Cell(0, 0), "Ном. масса");
    for (int c = 0; c < 12; ++c) EXPECT_EQ(state.Grid.Cell(c, 1), "");
    EXPECT_EQ(state.Reference.CHGroupCount(1), 0);
    EXPECT_TRUE(state.Reference.CFIons.empty());
    EXPECT_EQ(state.Theory.Series9.Count(), 0);
    EXPECT_EQ(state.Calibration.CalibCount(), 0);
    EXPECT_EQ(state.Calibration.TrueMassCount, 0);
    EXPECT_EQ(state.CalibPoints.Count(), 0);
    EXPECT_EQ(state.Curve.CurveB, 0.5);  // the coefficients stay until the next fit
    EXPECT_EQ(e.edit1Text, "");
    EXPECT_EQ(e.edit2Text, "10");
    EXPECT_EQ(e.edit3Text, "2,5");
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
    state.Grid.GridColumn = 0;
    GridPutText(state.Grid, "kept", 1);
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
        EXPECT_EQ(state.Grid.Cell(0, 1), "kept");
        EXPECT_EQ(state.Stages.Stage1.Count(), 2);
    }
    EXPECT_THROW(OpenSpectrum(state, dir.File("missing.txt")), CommandError);
    EXPECT_EQ(state.Points.PointX, before.PointX);
}

}  // namespace
}  // namespace ostrel
