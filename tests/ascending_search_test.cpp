#include "state/ascending_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace ostrel {
namespace {

TEST(AscendingSearchTest, OrderIsLookedAtWhole) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(IsAscending(std::vector<double>{}));
    EXPECT_TRUE(IsAscending(std::vector<double>{1, 1, 2, 5}));
    EXPECT_FALSE(IsAscending(std::vector<double>{1, 2, 1.5, 5}));  // the first two ascend
    EXPECT_FALSE(IsAscending(std::vector<double>{1, nan, 5}));
}

// Halving finds the index the scan from 0 finds, on ascending x with repeated values and for
// values below, between, on and beyond them.
TEST(AscendingSearchTest, HalvingFindsWhatTheScanFinds) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> step(0, 3);
    for (int n : {0, 1, 2, 7, 1000}) {
        std::vector<double> xs;
        double x = -5;
        for (int i = 0; i < n; ++i) xs.push_back(x += step(rng) * 0.25);
        ASSERT_TRUE(IsAscending(xs));
        for (double v = -6; v <= x + 1; v += 0.125)
            EXPECT_EQ(FirstIndexAtOrAbove(xs, v, true), FirstIndexAtOrAbove(xs, v, false)) << v;
        EXPECT_EQ(FirstIndexAtOrAbove(xs, std::nan(""), true), n);
    }
    EXPECT_EQ(FirstIndexAtOrAbove(std::vector<double>{1, 3, 2, 5}, 2, false), 1);
}

}  // namespace
}  // namespace ostrel
