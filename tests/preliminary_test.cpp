#include "processing/preliminary.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "measured_cases.h"
#include "processing/road_settings.h"
#include "processing/stage_builders.h"
#include "state/errors.h"
#include "state/program_state.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

ZoneTable Zones(std::vector<int32_t> heights) {
    ZoneTable z;
    for (size_t i = 0; i < heights.size(); ++i) {
        z.ZoneHeight.push_back(heights[i]);
        z.ZoneCenter.push_back(10.0 * (i + 1) + 0.04);
        z.ZoneTopIndex.push_back(static_cast<int32_t>(2 * i + 1));
    }
    return z;
}

TEST(ZoneListTest, SortedLowestFirstWithoutTheHighestZone) {
    ZoneTable z = Zones({30, 10, 20, 10, 50});
    OtsortVysota(z);
    EXPECT_EQ(z.ZoneHeight, (std::vector<int32_t>{10, 10, 20, 30, 50}));
    EXPECT_EQ(z.ZoneTopIndex, (std::vector<int32_t>{3, 7, 5, 1, 9}));  // equal heights by x
    EXPECT_EQ(ZoneListLines(z, NumberFormat('.')),
              (std::vector<std::string>{"10,   20.0", "10,   40.0", "20,   30.0", "30,   10.0"}));
    EXPECT_EQ(ZoneListLines(z, NumberFormat(','))[0], "10,   20,0");
    EXPECT_TRUE(ZoneListLines(Zones({}), NumberFormat('.')).empty());
}

// The sort keeps the bubble sort's order on the zone tables of the examples and on random tables
// with many equal heights and the extreme ones.
TEST(ZoneListTest, SortedAsTheBubbleSortSorts) {
    std::vector<ZoneTable> tables;
    for (const char* file : {"small_hydrocarbon.txt", "pftba_R3000.txt"}) {
        ProgramState state;
        OpenSpectrum(state, ::ostrel::testing::ExampleFile(file));
        BuildStage1(state);
        BuildStage2(state);
        BuildStage3(state);
        BuildStage4(state);
        tables.push_back(state.Stages.Zones);
    }
    std::mt19937 rng(9);
    for (int spread : {3, 1000}) {
        std::vector<int32_t> heights;
        for (int i = 0; i < 3000; ++i)
            heights.push_back(static_cast<int32_t>(rng() % spread) - spread / 2);
        heights[17] = std::numeric_limits<int32_t>::min();
        heights[18] = std::numeric_limits<int32_t>::max();
        tables.push_back(Zones(heights));
    }
    for (const ZoneTable& table : tables) {
        ZoneTable fast = table, plain = table;
        OtsortVysota(fast);
        BubbleSortZones(plain);
        EXPECT_EQ(fast.ZoneHeight, plain.ZoneHeight);
        EXPECT_EQ(fast.ZoneTopIndex, plain.ZoneTopIndex);
        EXPECT_EQ(fast.ZoneCenter, plain.ZoneCenter);
        EXPECT_EQ(ZoneListLines(fast, NumberFormat('.')), ZoneListLines(plain, NumberFormat('.')));
    }
}

TEST(ZoneListTest, HeightFromALine) {
    EXPECT_EQ(HeightFromZoneLine("123,   456.7", NumberFormat('.')), "123");
    EXPECT_THROW(HeightFromZoneLine("abc,   1", NumberFormat('.')), CommandError);
}

TEST(ZoneListTest, Messages) {
    EXPECT_EQ(PreliminaryDoneMessage(false), "Пересчёт произведён");
    EXPECT_EQ(PreliminaryDoneMessage(true).rfind("Теперь из списка", 0), 0u);
    EXPECT_NE(PreliminaryDoneMessage(true).find("\"Первый не помеховый пик\"\r"),
              std::string::npos);
}

class ZoneViewTest : public ::testing::Test {
  protected:
    ProgramState state;
    void SetUp() override {
        for (int i = 0; i < 200; ++i) {
            state.Points.PointX.push_back(i);
            state.Points.PointY.push_back(i % 7);
        }
        // stage 4: minima and maxima at spectrum points 0, 9, 20, 100, 150, 195, 198
        state.Stages.Stage4 = {{0, 9, 20, 100, 150, 195, 198}, {0, 5, 1, 6, 0, 9, 1}};
        state.Stages.Zones.ZoneTopIndex = {1, 5};
        state.Stages.Zones.ZoneHeight = {4, 8};
        state.Stages.Zones.ZoneCenter = {9, 195};
    }
};

TEST_F(ZoneViewTest, WindowAtTheStartOfTheSpectrum) {
    const ZoneView v = ComputeZoneView(state, 0);
    EXPECT_EQ(v.height, 4);
    EXPECT_EQ(v.firstPoint, 0);
    EXPECT_EQ(v.lastPoint, 69);  // 70 points
    EXPECT_EQ(v.markerIndex, 9);
    EXPECT_EQ(v.firstStage4, 0);
    EXPECT_EQ(v.lastStage4, 3);  // the first stage 4 x at or above 69 is 100
}

TEST_F(ZoneViewTest, WindowNearTheEndShowsNoTurningPoints) {
    const ZoneView v = ComputeZoneView(state, 1);
    EXPECT_EQ(v.firstPoint, 135);
    EXPECT_EQ(v.lastPoint, 199);
    EXPECT_EQ(v.markerIndex, 60);
    EXPECT_EQ(v.firstStage4, 4);
    EXPECT_EQ(v.lastStage4, 0);  // 199 lies past the last stage 4 point
    EXPECT_LT(v.lastStage4, v.firstStage4);
    EXPECT_THROW(ComputeZoneView(state, 2), CommandError);
}

TEST(PreliminarySettingsTest, BothTextsMustBeNumbers) {
    const NumberFormat f('.');
    const PreliminarySettings s = ParsePreliminarySettings("10", "2.5", f);
    EXPECT_EQ(s.kolUsred, 10);
    EXPECT_EQ(s.krivoMn, 2.5);
    EXPECT_EQ(ParsePreliminarySettings("-3", "0", f).kolUsred, -3);
    EXPECT_THROW(ParsePreliminarySettings("12", "x", f), CommandError);
    EXPECT_THROW(ParsePreliminarySettings("1.5", "3", f), CommandError);
    EXPECT_THROW(ParsePreliminarySettings("2147483648", "3", f), CommandError);
    EXPECT_THROW(ParsePreliminarySettings("10", "2,5", f), CommandError);
    EXPECT_EQ(ParsePreliminarySettings("10", "2,5", NumberFormat(',')).krivoMn, 2.5);
    EXPECT_EQ(ParseKolUsred("7").kolUsred, 7);
    EXPECT_EQ(ParseKolUsred("7").krivoMn, PreliminarySettings::kDefaultKrivoMn);
    EXPECT_EQ(PreliminarySettings{}.kolUsred, 150);
}

TEST(PreliminarySettingsTest, ALoadStartsTheHeightAgainFromZero) {
    testing::TempDir dir;
    ProgramState state;
    state.FirstPeakHeight = 500;
    OpenSpectrum(state, dir.Write("a.txt", "1 1\r\n2 2\r\n"));
    EXPECT_EQ(state.FirstPeakHeight, 0);
}

}  // namespace
}  // namespace ostrel
