#include "processing/processing_routines.h"

#include <gtest/gtest.h>

#include "state/errors.h"

namespace ostrel {
namespace {

PointList List(std::vector<double> x, std::vector<double> y) {
    return {std::move(x), std::move(y)};
}

std::vector<double> Iota(int n) {
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) x[i] = i;
    return x;
}

TEST(SmoothPassTest, WeighsNeighboursByTheLineThroughTheMidpoints) {
    PointList out;
    SmoothPass(List({0, 1, 2, 3}, {0, 4, 0, 0}), out);
    EXPECT_EQ(out.Y, (std::vector<double>{0, 2, 1, 0}));
    EXPECT_EQ(out.X, (std::vector<double>{0, 1, 2, 3}));

    SmoothPass(List({0, 1, 3}, {0, 2, 4}), out);  // unequal spacing
    EXPECT_DOUBLE_EQ(out.Y[1], 1 + 0.5 * 2 / 1.5);

    SmoothPass(List({5, 6}, {7, 9}), out);  // two points stay as they are
    EXPECT_EQ(out.Y, (std::vector<double>{7, 9}));
}

TEST(SmoothPassTest, IntoItselfEqualsIntoAFreshList) {
    PointList list = List({0, 0.5, 1.7, 2, 3.1, 4, 4.2, 6}, {1, 9, 3, 3, 8, 2, 5, 1});
    PointList fresh;
    SmoothPass(list, fresh);
    SmoothPass(list, list);
    EXPECT_EQ(list.Y, fresh.Y);
    EXPECT_EQ(list.X, fresh.X);
}

TEST(SmoothPassTest, RefusesTooFewPointsAndThreeEqualXLeavingTheOutput) {
    PointList out = List({1, 2}, {3, 4});
    EXPECT_THROW(SmoothPass(List({1}, {1}), out), CommandError);
    try {
        SmoothPass(List({0, 1, 1, 1, 2}, {1, 2, 3, 4, 5}), out);
        ADD_FAILURE();
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("одну и ту же массу 1"), std::string::npos);
    }
    EXPECT_EQ(out.Y, (std::vector<double>{3, 4}));
}

// The check before a sweep of many passes refuses what SmoothPass refuses, with its message.
TEST(SmoothPassTest, TheCheckAloneRefusesWhatThePassRefuses) {
    auto message = [](auto&& f) -> std::string {
        try {
            f();
        } catch (const CommandError& e) {
            return e.what();
        }
        return "";
    };
    const PointList lists[] = {List({1}, {1}),
                               List({}, {}),
                               List({0, 1, 1, 1, 2}, {1, 2, 3, 4, 5}),
                               List({0, 0, 0}, {1, 2, 3}),
                               List({0, 0, 1}, {1, 2, 3}),
                               List({5, 6}, {7, 9}),
                               List({0, 1, 3}, {0, 2, 4})};
    for (const PointList& list : lists) {
        PointList out;
        EXPECT_EQ(message([&] { CheckSmoothable(list); }), message([&] { SmoothPass(list, out); }))
            << list.Count();
    }
}

struct TurningCase {
    const char* name;
    std::vector<double> y;
    std::vector<double> expectedX;
};

TEST(FindTurningPointsTest, KeepsTheLastPointOfEveryRun) {
    const TurningCase cases[] = {
        {"two points", {1, 2}, {0, 1}},
        {"two equal points", {5, 5}, {1}},
        {"strictly rising", {0, 1, 2, 3}, {0, 3}},
        {"flat top", {1, 3, 5, 5, 5, 2, 1}, {0, 4, 6}},
        {"flat bottom", {5, 2, 2, 2, 6}, {0, 3, 4}},
        {"equal start then rise", {5, 5, 7, 3}, {2, 3}},
        {"equal start then fall", {5, 5, 3, 4}, {1, 2, 3}},
        {"alternating stays", {0, 3, 1, 4, 0}, {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        PointList out;
        FindTurningPoints(List(Iota(int(c.y.size())), c.y), out);
        EXPECT_EQ(out.X, c.expectedX) << c.name;
        EXPECT_EQ(out.Y.size(), out.X.size()) << c.name;
    }
}

TEST(TrimToMinimaTest, DropsALeadingAndATrailingMaximum) {
    PointList out;
    TrimToMinima(List({0, 1, 2}, {5, 1, 5}), out);
    EXPECT_EQ(out.X, (std::vector<double>{1}));
    TrimToMinima(List({0, 1, 2}, {1, 5, 1}), out);
    EXPECT_EQ(out.X, (std::vector<double>{0, 1, 2}));
    TrimToMinima(List({0, 1}, {5, 5}), out);
    EXPECT_TRUE(out.X.empty());
}

TEST(ZoneTableTest, HeightsAreFlankMeansRoundedDown) {
    ZoneTable z = BuildZoneTable(List(Iota(7), {0, 10, 2, 3, 1, 20, 0}));
    EXPECT_EQ(z.ZoneHeight, (std::vector<int32_t>{9, 1, 19}));
    EXPECT_EQ(z.ZoneTopIndex, (std::vector<int32_t>{1, 3, 5}));
    EXPECT_EQ(z.ZoneCenter, (std::vector<double>{1, 3, 5}));

    z = BuildZoneTable(List(Iota(3), {0, 10, 5}));  // flanks 10 and 5
    EXPECT_EQ(z.ZoneHeight, (std::vector<int32_t>{7}));
    z = BuildZoneTable(List(Iota(3), {0, 10, 4.6}));  // flanks 10 and 5.4
    EXPECT_EQ(z.ZoneHeight, (std::vector<int32_t>{7}));

    z = BuildZoneTable(List(Iota(6), {9, 0, 10, 0, 10, 0}));  // starts with a maximum
    EXPECT_EQ(z.ZoneTopIndex, (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(BuildZoneTable(List(Iota(2), {0, 5})).ZoneCount(), 0);
    EXPECT_THROW(BuildZoneTable(List(Iota(3), {0, 5e9, 0})), CommandError);
}

TEST(FilterZonesByHeightTest, DropsLowZonesAndTheSlopeMergesThem) {
    const std::vector<double> x = Iota(7);
    PointList filtered, slope;
    FilterZonesByHeight(List(x, {0, 10, 2, 3, 1, 20, 0}), 5, filtered);
    EXPECT_EQ(filtered.X, (std::vector<double>{0, 1, 4, 5, 6}));
    FindTurningPoints(filtered, slope);
    EXPECT_EQ(slope.X, (std::vector<double>{0, 1, 4, 5, 6}));

    FilterZonesByHeight(List(x, {0, 10, 8, 12, 11, 30, 0}), 5, filtered);
    EXPECT_EQ(filtered.Y, (std::vector<double>{0, 10, 11, 30, 0}));
    FindTurningPoints(filtered, slope);
    EXPECT_EQ(slope.X, (std::vector<double>{0, 5, 6}));

    const PointList stage4 = List(x, {0, 10, 2, 3, 1, 20, 0});
    FilterZonesByHeight(stage4, 0, filtered);
    EXPECT_EQ(filtered.X, stage4.X);
    FilterZonesByHeight(stage4, 19, filtered);  // a zone exactly at the threshold stays
    EXPECT_EQ(filtered.X, (std::vector<double>{4, 5, 6}));
    FilterZonesByHeight(stage4, 20, filtered);
    EXPECT_EQ(filtered.X, (std::vector<double>{0}));
    EXPECT_THROW(FindTurningPoints(filtered, slope), CommandError);
}

}  // namespace
}  // namespace ostrel
