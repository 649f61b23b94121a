#include "reference/calibration_list.h"

#include <gtest/gtest.h>

#include "reference_tables.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

using ::ostrel::testing::PeaksAt;

const NumberFormat kDot('.');

class CalibrationListTest : public ::testing::Test {
  protected:
    CalibrationList list;
    const PeakResults peaks =
        PeaksAt({43.1, 50.5, 57.07, 68.99, 99.1, 119.5, 130.2, 131.0, 150.3, 169.0});
    void Add(int32_t peak) { ASSERT_FALSE(AddCalibrationPeak(list, peak).message); }
    std::vector<std::string> Lines() const { return CalibrationLines(list, peaks, kDot); }
};

TEST_F(CalibrationListTest, PeaksStayInAscendingOrderAndOnce) {
    Add(5);
    Add(2);
    Add(9);
    EXPECT_EQ(AddCalibrationPeak(list, 7).position, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"57.1,  1000", "119.5,  1000", "131.0,  1000",
                                                 "169.0,  1000"}));
    const AddResult again = AddCalibrationPeak(list, 5);
    EXPECT_EQ(again.message, std::optional<std::string>(kPeakAlreadyListedMessage));
    EXPECT_EQ(list.CalibCount(), 4);
    EXPECT_EQ(ShowIndexLines(list), (std::vector<std::string>{"0,  2", "1,  5", "2,  7", "3,  9"}));
    RemoveCalibrationLine(list, 1);
    EXPECT_EQ(ShowIndexLines(list), (std::vector<std::string>{"0,  2", "1,  7", "2,  9"}));
    EXPECT_THROW(RemoveCalibrationLine(list, 3), CommandError);
}

TEST_F(CalibrationListTest, TrueMassesAreReplacedAndCountedOnce) {
    Add(0);
    EXPECT_FALSE(GiveTypedMass(list, 0, "43.0500", kDot));
    EXPECT_EQ(Lines()[0], "43.1,  1000,  43.0500");  // as typed
    GiveStandardMass(list, 0, "43.05481,  C 3 H 7,  один", kDot);
    EXPECT_EQ(Lines()[0], "43.1,  1000,  43.05481");
    EXPECT_EQ(list.TrueMassCount(), 1);
    EXPECT_EQ(GiveTypedMass(list, 0, "", kDot), std::optional<std::string>(kNothingTypedMessage));
    for (const char* bad : {".", "1.2.3", "12a", "123456789012345678901"})
        EXPECT_THROW(GiveTypedMass(list, 0, bad, kDot), CommandError) << bad;
    EXPECT_EQ(Lines()[0], "43.1,  1000,  43.05481");
    EXPECT_THROW(GiveTypedMass(list, 1, "5", kDot), CommandError);  // no such line

    Add(3);
    EXPECT_FALSE(ProverkaZapol(list));
    EXPECT_THROW(KalibrLine(list, peaks), CommandError);  // a line without its true mass
    RemoveCalibrationLine(list, 1);
    EXPECT_TRUE(ProverkaZapol(list));
    RemoveCalibrationLine(list, 0);
    EXPECT_EQ(list.TrueMassCount(), 0);
    EXPECT_TRUE(ProverkaZapol(list));  // an empty list passes the check
}

// A mass given as a number is taken as its line shows it: the shortest text of 15 significant
// digits, read back, so that the curve is made from what the user sees.
TEST_F(CalibrationListTest, AGivenMassIsTheMassTheLineShows) {
    const double exact = 218.985080400001234;  // more digits than the line shows
    Add(4);
    GiveTrueMass(list, 0, TrueMassAsListed(exact, kDot));
    EXPECT_EQ(Lines()[0], "99.1,  1000,  218.985080400001");
    EXPECT_EQ(list.entries[0].trueMass->value, 218.985080400001);
    EXPECT_NE(list.entries[0].trueMass->value, exact);
    const PointList points = KalibrLine(list, peaks);
    EXPECT_EQ(points.Y[0], static_cast<double>((218.985080400001L - 99.1) * 1000));
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
    const PeakResults peaks = PeaksAt({50.0, 100.0, 150.0});
    CalibrationList list;
    const char* truth[] = {"50.002", "100.001", "149.999"};
    for (int32_t k : {0, 1, 2}) {
        AddCalibrationPeak(list, k);
        GiveTypedMass(list, k, truth[k], kDot);
    }
    EXPECT_THROW(KalibrLine(list, PeaksAt({50.0})), CommandError);  // a peak the pass has not
    const PointList points = KalibrLine(list, peaks);
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
