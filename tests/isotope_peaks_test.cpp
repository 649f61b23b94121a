#include "reference/isotope_peaks.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// C4H9+ (57.07) and what may stand about 1 u above it.
TEST(IsotopePeaksTest, A13CPeakIsNamedByItsSpacingAndHeight) {
    const double ion = 57.072982;
    const struct {
        const char* what;
        double mass;
        double ratio;
        int32_t carbon;
        bool isotope;
    } cases[] = {
        {"13C peak, 4.3 % as four carbons give", ion + 1.0033548, 0.043, 4, true},
        {"13C peak, carbons unknown: as many as the mass allows", ion + 1.0035, 0.043, -1, true},
        {"the spacing off by 2 mmu, within the tolerance", ion + 1.0053548, 0.043, 4, true},
        {"too tall for four carbons: an ion of its own", ion + 1.0033548, 0.2, 4, false},
        {"one hydrogen up (1.00783 u), beyond the tolerance", ion + 1.0078250, 0.043, 4, false},
        {"not 1 u above at all", ion + 2.01565, 0.01, 4, false},
    };
    for (const auto& c : cases) {
        const IsotopeTestPeak peaks[] = {{ion, 100000, 0.1, 4},
                                         {c.mass, 100000 * c.ratio, 0.2, c.carbon}};
        const std::vector<int32_t> parent = IsotopeParents(peaks, 3);
        EXPECT_EQ(parent[0], -1) << c.what;
        EXPECT_EQ(parent[1], c.isotope ? 0 : -1) << c.what;
    }
}

TEST(IsotopePeaksTest, A13C2PeakIsNamedAfterThe13CPeakAndWeakCentresWidenTheWindow) {
    const IsotopeTestPeak peaks[] = {
        {57.072982, 100000, 0.1, 4},
        {58.076337, 4300, 0.2, 4},
        {59.079692, 70, 1.0, 4},
    };
    const std::vector<int32_t> parent = IsotopeParents(peaks, 3);
    EXPECT_EQ(parent, (std::vector<int32_t>{-1, 0, 1}));

    // 4.5 mmu off the spacing: beyond a tolerance of 3, within three times the errors of two
    // centres known only to 1.5 mmu.
    const IsotopeTestPeak sharp[] = {{57.072982, 100000, 0.1, 4}, {58.080837, 4300, 0.1, 4}};
    const IsotopeTestPeak vague[] = {{57.072982, 100000, 1.5, 4}, {58.080837, 4300, 1.5, 4}};
    EXPECT_EQ(IsotopeParents(sharp, 3)[1], -1);
    EXPECT_EQ(IsotopeParents(vague, 3)[1], 0);
}

}  // namespace
}  // namespace ostrel
