#include "reference/calibration_list.h"

#include <gtest/gtest.h>

#include "reference_tables.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

using ::ostrel::testing::PeaksAt;

const NumberFormat kDot('.');

TEST(CalibrationListRoutinesTest, CutsAndGaps) {
    const struct {
        const char* text;
        bool cut;
        const char* after;
    } cuts[] = {{"43.1,  15230,  43.05", true, "43.1,  15230"},
                {"43.1,  15230", false, "43.1,  15230"},
                {"a,b,c,d", false, "a,b,c,d"},
                {"", false, ""}};
    for (const auto& tc : cuts) {
        std::string text = tc.text;
        EXPECT_EQ(CutAtLastComma(text), tc.cut) << tc.text;
        EXPECT_EQ(text, tc.after);
    }

    std::vector<std::string> lines = {"a", "b", "c"};
    ListBoxInsertGap(lines, 3);  // at the count: nothing
    EXPECT_EQ(lines.size(), 3u);
    ListBoxInsertGap(lines, 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "b", "c"}));

    std::vector<int32_t> index = {2, 9, 0};  // room made at the end
    IndexListInsertGap(index, 1);
    EXPECT_EQ(index, (std::vector<int32_t>{2, 9, 9}));
    IndexListRemoveAt(index, 0);
    EXPECT_EQ(index, (std::vector<int32_t>{9, 9, 9}));
}

class CalibrationListTest : public ::testing::Test {
  protected:
    CalibrationList list;
    std::string Line(int32_t peak) { return std::to_string(peak) + ".5,  100"; }
    void Add(int32_t peak) { ASSERT_FALSE(AddCalibrationPeak(list, peak, Line(peak)).message); }
};

TEST_F(CalibrationListTest, PeaksStayInAscendingOrderAndOnce) {
    Add(5);
    Add(2);
    Add(9);
    EXPECT_EQ(list.CalibIndex, (std::vector<int32_t>{2, 5, 9}));
    EXPECT_EQ(list.Lines, (std::vector<std::string>{Line(2), Line(5), Line(9)}));
    const AddResult again = AddCalibrationPeak(list, 5, Line(5));
    EXPECT_EQ(again.message, std::optional<std::string>(kPeakAlreadyListedMessage));
    EXPECT_EQ(list.CalibCount(), 3);
    EXPECT_EQ(ShowIndexLines(list), (std::vector<std::string>{"0,  2", "1,  5", "2,  9"}));
}

TEST_F(CalibrationListTest, TrueMassesAreReplacedAndCountedOnce) {
    ASSERT_FALSE(AddCalibrationPeak(list, 0, "43.1,  15230").message);
    EXPECT_FALSE(GiveTypedMass(list, 0, "43.05", kDot));
    GiveStandardMass(list, 0, "43.05481,  C 3 H 7,  один", kDot);
    EXPECT_EQ(list.Lines[0], "43.1,  15230,  43.05481");
    EXPECT_EQ(list.TrueMassCount, 1);
    EXPECT_EQ(GiveTypedMass(list, 0, "", kDot), std::optional<std::string>(kNothingTypedMessage));
    for (const char* bad : {".", "1.2.3", "12a", "123456789012345678901"})
        EXPECT_THROW(GiveTypedMass(list, 0, bad, kDot), CommandError) << bad;
    EXPECT_EQ(list.Lines[0], "43.1,  15230,  43.05481");
    EXPECT_THROW(GiveTypedMass(list, 1, "5", kDot), CommandError);  // no such line

    Add(3);
    EXPECT_FALSE(ProverkaZapol(list));
    RemoveCalibrationLine(list, 1);
    EXPECT_TRUE(ProverkaZapol(list));
    RemoveCalibrationLine(list, 0);
    EXPECT_EQ(list.TrueMassCount, 0);
    EXPECT_TRUE(ProverkaZapol(list));  // an empty list passes the check
}

TEST(ManualMassTest, KeysAndTexts) {
    for (char key : std::string("0123456789.\b")) EXPECT_TRUE(ManualMassKeyAccepted(key)) << key;
    for (char key : std::string(",-+e a")) EXPECT_FALSE(ManualMassKeyAccepted(key)) << key;
    EXPECT_TRUE(ManualMassTextAccepted(""));
    EXPECT_TRUE(ManualMassTextAccepted("12345678901234567.89"));
    EXPECT_FALSE(ManualMassTextAccepted("123456789012345678.90"));  // 21 characters
    EXPECT_FALSE(ManualMassTextAccepted("1.2.3"));
}

TEST(KalibrLineTest, PointsAreDeviationsInMilliUnits) {
    const PeakTables peaks = PeaksAt({50.0, 100.0, 150.0});
    CalibrationList list;
    const char* truth[] = {"50.002", "100.001", "149.999"};
    for (int32_t k : {0, 1, 2}) {
        AddCalibrationPeak(list, k, "m,  h");
        GiveTypedMass(list, k, truth[k], kDot);
    }
    const PointList points = KalibrLine(list, peaks, kDot);
    ASSERT_EQ(points.Count(), 3);
    EXPECT_NEAR(points.Y[0], 2, 1e-9);
    EXPECT_NEAR(points.Y[1], 1, 1e-9);
    EXPECT_NEAR(points.Y[2], -1, 1e-9);

    PointList all;
    AppendCalibrationPoints(all, points);
    AppendCalibrationPoints(all, points);  // a second "Создать кривую": every point twice
    EXPECT_EQ(all.X, (std::vector<double>{50, 50, 100, 100, 150, 150}));
}

}  // namespace
}  // namespace ostrel
