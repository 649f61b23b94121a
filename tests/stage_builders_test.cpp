#include "processing/stage_builders.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "processing/processing_routines.h"
#include "state/errors.h"
#include "state/program_state.h"
#include "synthetic_peaks.h"

namespace ostrel {
namespace {

using ::ostrel::testing::MakeSpectrum;

class StageBuildersTest : public ::testing::Test {
  protected:
    ProgramState state;

    void SetUp() override {
        state.Points = MakeSpectrum(
            27.0, 0.001, 3000, 50,
            {{27.5, 1000, 0.004}, {28.0, 20000, 0.005}, {28.6, 300, 0.004}, {29.2, 8000, 0.006}});
        state.KolUsred = 10;
    }

    void BuildAll() {
        BuildStage1(state);
        BuildStage2(state);
        BuildStage3(state);
        BuildStage4(state);
        BuildSlope(state);
    }

    // Stage 1 and the averaged list equal 3 and KolUsred + 2 more single passes.
    void ExpectStagesOfRepeatedSmoothPasses() {
        BuildStage1(state);
        BuildStage2(state);
        PointList expected;
        SmoothPass(PointsView(state.Points.PointX, state.Points.PointY), expected);
        for (int i = 0; i < 2; ++i) SmoothPass(expected, expected);
        EXPECT_EQ(state.Stages.Stage1.Y, expected.Y);
        for (int i = 0; i < state.KolUsred + 2; ++i) SmoothPass(expected, expected);
        EXPECT_EQ(state.Stages.Averaged.Y, expected.Y);
    }

    bool XsComeFromTheSpectrum(const PointList& list) const {
        const auto& px = state.Points.PointX;
        return std::all_of(list.X.begin(), list.X.end(),
                           [&](double x) { return std::binary_search(px.begin(), px.end(), x); });
    }
};

TEST_F(StageBuildersTest, Stage1IsThreePassesAndAveragedKolUsredPlusTwoMore) {
    ExpectStagesOfRepeatedSmoothPasses();

    PointList expected;
    state.KolUsred = -5;  // no further pass after the first
    BuildStage2(state);
    SmoothPass(state.Stages.Stage1, expected);
    EXPECT_EQ(state.Stages.Averaged.Y, expected.Y);
}

TEST_F(StageBuildersTest, LongSpectraSmoothedInTwoThreadsMatchOnePass) {
    state.Points = MakeSpectrum(20, 0.001, 250001, 40, {{100, 5000, 0.02}, {170, 900, 0.03}});
    state.KolUsred = 2;  // an odd number of passes after the first
    ExpectStagesOfRepeatedSmoothPasses();
}

// The two stages built in one smoothing equal those of the two builders: short and long spectra
// (one thread or two), no pass after the first, sweeps beyond the first, x the kernels refuse.
TEST_F(StageBuildersTest, StagesOneAndTwoTogetherEqualTheBuildersApart) {
    struct Case {
        const char* name;
        Spectrum points;
        int32_t kolUsred;
    };
    const Spectrum shortOne = state.Points;
    const Spectrum longOne = MakeSpectrum(20, 0.001, 150001, 40, {{100, 5000, 0.02}});
    Spectrum tinyStep = shortOne;
    tinyStep.PointX[0] = 0;
    tinyStep.PointX[1] = 1e-200;
    for (const Case& c : {Case{"short", shortOne, 10}, Case{"no more passes", shortOne, -5},
                          Case{"two sweeps", shortOne, 300}, Case{"long", longOne, 150},
                          Case{"tiny step", tinyStep, 4}}) {
        state.Points = c.points;
        state.KolUsred = c.kolUsred;
        BuildStage1(state);
        BuildStage2(state);
        const ProcessingStages apart = state.Stages;
        state.Stages = {};
        BuildStages1And2(state);
        EXPECT_EQ(state.Stages.Stage1.X, apart.Stage1.X) << c.name;
        EXPECT_EQ(state.Stages.Stage1.Y, apart.Stage1.Y) << c.name;
        EXPECT_EQ(state.Stages.Averaged.X, apart.Averaged.X) << c.name;
        EXPECT_EQ(state.Stages.Averaged.Y, apart.Averaged.Y) << c.name;
        EXPECT_EQ(state.Stages.Stage2.X, apart.Stage2.X) << c.name;
        EXPECT_EQ(state.Stages.Stage2.Y, apart.Stage2.Y) << c.name;
    }
}

TEST_F(StageBuildersTest, StagesOneAndTwoTogetherRefuseCoincidentMassesAndKeepTheOldStages) {
    BuildStages1And2(state);
    const ProcessingStages before = state.Stages;
    state.Points.PointX[11] = state.Points.PointX[10];
    state.Points.PointX[12] = state.Points.PointX[10];
    EXPECT_THROW(BuildStages1And2(state), CommandError);
    EXPECT_EQ(state.Stages.Stage1.Y, before.Stage1.Y);
    EXPECT_EQ(state.Stages.Averaged.Y, before.Averaged.Y);
    EXPECT_EQ(state.Stages.Stage2.Y, before.Stage2.Y);
}

TEST_F(StageBuildersTest, StagesAlternateAndKeepSpectrumXs) {
    BuildAll();
    const auto& s = state.Stages;
    for (const PointList* list : {&s.Stage1, &s.Stage2, &s.Stage3, &s.Stage4, &s.Slope})
        EXPECT_TRUE(XsComeFromTheSpectrum(*list));
    ASSERT_GE(s.Stage3.Count(), 3);
    EXPECT_LT(s.Stage3.Y[0], s.Stage3.Y[1]);
    EXPECT_LT(s.Stage3.Y[s.Stage3.Count() - 1], s.Stage3.Y[s.Stage3.Count() - 2]);
    for (int i = 1; i + 1 < s.Stage4.Count(); ++i) {
        const bool isMax = s.Stage4.Y[i] > s.Stage4.Y[i - 1];
        EXPECT_EQ(isMax, s.Stage4.Y[i] > s.Stage4.Y[i + 1]) << i;
    }
    EXPECT_EQ(s.Zones.ZoneCount(), (s.Stage4.Count() - 1) / 2);
    // FirstPeakHeight 0 keeps every zone of a stage 4 that starts and ends with a minimum.
    EXPECT_EQ(s.Slope.X, s.Stage4.X);
}

TEST_F(StageBuildersTest, AHeightAboveEveryZoneFailsAndKeepsTheOldSlope) {
    BuildAll();
    const PointList slope = state.Stages.Slope;
    state.FirstPeakHeight = 1 + *std::max_element(state.Stages.Zones.ZoneHeight.begin(),
                                                  state.Stages.Zones.ZoneHeight.end());
    EXPECT_THROW(BuildSlope(state), CommandError);
    EXPECT_EQ(state.Stages.Slope.X, slope.X);
}

TEST_F(StageBuildersTest, ThreeEqualXStopStage1AndKeepTheOldOne) {
    BuildStage1(state);
    const PointList stage1 = state.Stages.Stage1;
    state.Points.PointX[101] = state.Points.PointX[100];
    state.Points.PointX[102] = state.Points.PointX[100];
    EXPECT_THROW(BuildStage1(state), CommandError);
    EXPECT_EQ(state.Stages.Stage1.Y, stage1.Y);
}

}  // namespace
}  // namespace ostrel
