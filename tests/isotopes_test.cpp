#include "reference/isotopes.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr double kR13 = 0.0107 / 0.9893;  // 13C over 12C
constexpr double kR15 = 0.00364 / 0.99636;

TEST(IsotopesTest, CarbonAloneGivesTheBinomialTerms) {
    const IsotopePattern p = PredictIsotopes(ParseFormula("C4F9"));
    EXPECT_NEAR(p.shift[1].ratio, 4 * kR13, 1e-12);
    EXPECT_NEAR(p.shift[1].offset, kC13Spacing, 1e-12);
    EXPECT_NEAR(p.shift[2].ratio, 6 * kR13 * kR13, 1e-12);
    EXPECT_NEAR(p.shift[2].offset, 2 * kC13Spacing, 1e-12);
    EXPECT_EQ(p.label[1], "13C");
    EXPECT_EQ(p.label[2], "13C2");
    // One carbon has no pair of heavy atoms.
    EXPECT_EQ(PredictIsotopes(ParseFormula("CF3")).shift[2].ratio, 0);
}

TEST(IsotopesTest, OtherElementsJoinTheCarbonPeak) {
    // 15N lies 6.3 mmu below 13C: one N pulls the +1 centre of C9F20N+ down by its share.
    const IsotopePattern n = PredictIsotopes(ParseFormula("C9F20N"));
    const double c = 9 * kR13;
    EXPECT_NEAR(n.shift[1].ratio, c + kR15, 1e-12);
    EXPECT_NEAR(n.shift[1].offset,
                (c * kC13Spacing + kR15 * (15.0001088982 - 14.0030740048)) / (c + kR15), 1e-12);
    // +2 of C9N: 13C2 and 13C with 15N.
    EXPECT_NEAR(n.shift[2].ratio, 36 * kR13 * kR13 + c * kR15, 1e-12);
    // Chlorine and sulphur: the +2 isotope leads.
    const IsotopePattern cl = PredictIsotopes(ParseFormula("CCl"));
    EXPECT_EQ(cl.label[2], "37Cl");
    EXPECT_NEAR(cl.shift[2].ratio, 0.2424 / 0.7576, 1e-12);
    EXPECT_NEAR(cl.shift[2].offset, 36.96590259 - 34.96885268, 1e-12);
    const IsotopePattern s = PredictIsotopes(ParseFormula("CH3S"));
    EXPECT_EQ(s.label[1], "13C");
    EXPECT_NEAR(s.shift[1].ratio, kR13 + 3 * 0.000115 / 0.999885 + 0.0075 / 0.9499, 1e-12);
    EXPECT_EQ(s.label[2], "34S");
    EXPECT_EQ(PredictIsotopes(ParseFormula("CBr")).label[2], "81Br");
}

}  // namespace
}  // namespace ostrel
