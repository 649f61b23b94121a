#include "reference/reference_ions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "reference_tables.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

using ::ostrel::testing::PeaksAt;

std::string Ion(const IonRow& row) {
    return std::to_string(static_cast<int>(row.c)) + "," + std::to_string(static_cast<int>(row.n));
}

TEST(ReferenceIonsTest, CHRowsOfSingleMasses) {
    const struct {
        int64_t m;
        double c, h, mass;
    } cases[] = {
        {29, 2, 4, 28.03132}, {30, 2, 5, 29.03915}, {31, 2, 6, 30.04698},
        {59, 4, 10, 58.0783}, {60, 5, 0, 60.0},     {23, 2, -1, 22.99217},  // no smaller c fits
        {18, 2, 5, 29.03915}, {32, 3, 7, 43.05481},  // the search ran past its bound
    };
    const NumberFormat f('.');
    for (const auto& tc : cases) {
        IonRow row;
        ASSERT_TRUE(CHIonOf(tc.m, row)) << tc.m;
        EXPECT_EQ(row.c, tc.c) << tc.m;
        EXPECT_EQ(row.n, tc.h) << tc.m;
        EXPECT_EQ(f.Shortest(row.mass), f.Shortest(tc.mass)) << tc.m;
    }
    IonRow row;
    EXPECT_FALSE(CHIonOf(10, row));  // below m = 11 there is no carbon count
    EXPECT_TRUE(CHIonOf(11, row));
}

TEST(ReferenceIonsTest, CFRowsOfSingleMasses) {
    const struct {
        int64_t m;
        double c, f, mass;
    } cases[] = {{31, 1, 1, 30.9984}, {43, 2, 1, 42.9984},  {50, 1, 2, 49.9968},
                 {69, 1, 3, 68.9952}, {100, 2, 4, 99.9936}, {119, 2, 5, 118.992}};
    const NumberFormat f('.');
    for (const auto& tc : cases) {
        IonRow row;
        ASSERT_TRUE(CFIonOf(tc.m, row)) << tc.m;
        EXPECT_EQ(row.c, tc.c) << tc.m;
        EXPECT_EQ(row.n, tc.f) << tc.m;
        EXPECT_EQ(f.Shortest(row.mass), f.Shortest(tc.mass)) << tc.m;
    }
    for (int64_t m = 32; m <= 42; ++m) {
        IonRow row;
        EXPECT_FALSE(CFIonOf(m, row)) << m;
    }
    IonRow row;
    EXPECT_FALSE(CFIonOf(5, row));
}

TEST(ReferenceIonsTest, HalvedCarbonSearchGivesThePlainSearchsRows) {
    // Every mass up to 5,000 u, then every 97th up to beyond the largest the tables take (the
    // plain search costs m/12 steps a mass).
    for (int64_t m = -2; m <= 100'003; m += m < 5000 ? 1 : 97) {
        IonRow fast, plain;
        ASSERT_EQ(CHIonOf(m, fast), CHIonOfPlain(m, plain)) << m;
        ASSERT_EQ(std::memcmp(&fast, &plain, sizeof fast), 0) << "CH " << m;
        fast = plain = IonRow{};
        ASSERT_EQ(CFIonOf(m, fast), CFIonOfPlain(m, plain)) << m;
        ASSERT_EQ(std::memcmp(&fast, &plain, sizeof fast), 0) << "CF " << m;
    }
}

TEST(ReferenceIonsTest, TablesOfAPassAndTheirGroups) {
    ReferenceTables t;
    StandartCH(t, PeaksAt({27.9, 29.0, 31.2}));  // m = 28 .. 32
    std::vector<std::string> rows;
    for (const IonRow& r : t.CHIons) rows.push_back(Ion(r));
    EXPECT_EQ(rows, (std::vector<std::string>{"2,3", "2,4", "2,5", "2,6", "3,7"}));
    ASSERT_EQ(t.CHGroupCount(kTwoSplitOff), 1);
    EXPECT_EQ(Ion(t.CHGroups[kTwoSplitOff][0]), "2,4");
    ASSERT_EQ(t.CHGroupCount(kOneSplitOff), 2);
    EXPECT_EQ(Ion(t.CHGroups[kOneSplitOff][1]), "3,7");
    ASSERT_EQ(t.CHGroupCount(kMolecular), 1);
    EXPECT_EQ(Ion(t.CHGroups[kMolecular][0]), "2,6");

    // A second pass rebuilds the tables from scratch.
    StandartCH(t, PeaksAt({58.5}));
    EXPECT_EQ(t.CHIons.size(), 1u);

    StandartCF(t, PeaksAt({30.2, 119.5}));  // m = 31 .. 120
    std::vector<std::string> cf;
    for (const IonRow& r : t.CFIons) cf.push_back(Ion(r));
    ASSERT_GE(cf.size(), 6u);
    EXPECT_EQ(cf[0], "1,1");  // 31
    EXPECT_EQ(cf[1], "2,1");  // 43: no row for 32 .. 42
    for (const char* ion : {"1,2", "1,3", "2,4", "2,5"})
        EXPECT_NE(std::find(cf.begin(), cf.end(), ion), cf.end()) << ion;
}

TEST(ReferenceIonsTest, GroupOrderInterleavesTwoSplitOffFirst) {
    ReferenceTables t;
    StandartCH(t, PeaksAt({100.5, 140}));  // from m = 101
    std::vector<std::string> first;
    for (size_t i = 0; i < 6; ++i) {
        const CHOrderEntry e = t.CHGroupOrder[i];
        first.push_back(Ion(t.CHGroups[e.group][e.row]));
    }
    EXPECT_EQ(first, (std::vector<std::string>{"8,16", "8,17", "7,16", "9,18", "9,19", "8,18"}));
    EXPECT_EQ(static_cast<int32_t>(t.CHGroupOrder.size()),
              t.CHGroupCount(0) + t.CHGroupCount(1) + t.CHGroupCount(2));
}

TEST(ReferenceIonsTest, NoPeaksOrAnAbsurdRangeStayBounded) {
    ReferenceTables t;
    StandartCH(t, PeaksAt({}));
    StandartCF(t, PeaksAt({}));
    EXPECT_TRUE(t.CHIons.empty());
    EXPECT_TRUE(t.CFIons.empty());
    StandartCH(t, PeaksAt({2.5, 12.2}));  // m = 3 .. 13: rows from m = 11 only
    EXPECT_EQ(t.CHIons.size(), 3u);
    StandartCH(t, PeaksAt({50, 1e300}));  // a fit gone astray does not run for ever
    EXPECT_LE(t.CHIons.size(), 100002u);
}

TEST(ReferenceIonsTest, NearestReferenceMassWithinTheTolerance) {
    ReferenceTables t;
    const PeakResults p = PeaksAt({27.9, 69.2});
    StandartCH(t, p);
    StandartCF(t, p);
    EXPECT_DOUBLE_EQ(NearestReferenceMass(t, 68.998, 0.02).value_or(0), 68.9952);
    EXPECT_DOUBLE_EQ(NearestReferenceMass(t, 29.04, 0.02).value_or(0), 29.03915);
    EXPECT_FALSE(NearestReferenceMass(t, 27.0235, 0.02));  // C2H3 is in no group
    EXPECT_FALSE(NearestReferenceMass(t, 68.9, 0.02));
}

class StandardListTest : public ::testing::Test {
  protected:
    ReferenceTables t;
    NumberFormat f{'.'};
    void SetUp() override {
        const PeakResults p = PeaksAt({27.9, 31.2});
        StandartCH(t, p);
        StandartCF(t, p);
    }
    std::vector<std::string> Lines(StandardListChoice c) { return StandardMassLines(t, c, f); }
};

TEST_F(StandardListTest, CheckBoxesChooseTheGroups) {
    EXPECT_EQ(Lines({}), std::vector<std::string>{"30.04698,  C 2 H 6,  молек"});
    EXPECT_EQ(
        Lines({.molecular = true, .oneSplitOff = true, .twoSplitOff = true}),
        (std::vector<std::string>{"28.03132,  C 2 H 4,  два", "29.03915,  C 2 H 5,  один",
                                  "30.04698,  C 2 H 6,  молек", "43.05481,  C 3 H 7,  один"}));
    EXPECT_TRUE(Lines({.molecular = false}).empty());
    const std::vector<std::string> full = Lines({.molecular = false, .fullList = true});
    ASSERT_EQ(full.size(), 5u);
    EXPECT_EQ(full[0], "27.02349,  C 2 H 3");
    EXPECT_EQ(full[3], "30.04698,  C 2 H 6,  молек");
}

TEST_F(StandardListTest, CFAndAllExisting) {
    EXPECT_EQ(Lines({.cf = true}), std::vector<std::string>{"30.9984,  C 1 F 1"});
    EXPECT_EQ(Lines({.molecular = true, .allExisting = true}),
              (std::vector<std::string>{"30.04698,  C 2 H 6,  молек", "30.9984,  C 1 F 1"}));
    // "полный список" lists the CH rows whatever the other choices say.
    EXPECT_EQ(Lines({.fullList = true, .allExisting = true, .cf = true}).size(), 5u);
}

}  // namespace
}  // namespace ostrel
