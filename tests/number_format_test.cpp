#include "state/number_format.h"

#include <gtest/gtest.h>

#include <cmath>

#include "state/errors.h"

namespace ostrel {
namespace {

struct ShortestCase {
    double value;
    const char* text;
};

TEST(NumberFormatTest, ShortestTextHasUpTo15SignificantDigits) {
    const ShortestCase cases[] = {
        {10, "10"},
        {0, "0"},
        {-0.0, "0"},
        {1500, "1500"},
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {100.8, "100.8"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {28.0313 + 1e-14, "28.0313"},
        {28.0313 + 1e-13, "28.0313000000001"},
        {123456789012345, "123456789012345"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {0.000001, "1E-6"},
        {-1.5e-7, "-1.5E-7"},
        {INFINITY, "INF"},
    };
    NumberFormat f('.');
    for (const auto& c : cases) EXPECT_EQ(f.Shortest(c.value), c.text) << c.value;
}

TEST(NumberFormatTest, TextsUseTheCurrentSeparator) {
    NumberFormat f(',');
    EXPECT_EQ(f.Shortest(2.5), "2,5");
    EXPECT_EQ(f.Shortest(1.5e-7), "1,5E-7");
    EXPECT_EQ(f.Fixed(28.00615, 5), "28,00615");
    EXPECT_DOUBLE_EQ(f.ParseReal("12,5"), 12.5);
    EXPECT_THROW(f.ParseReal("12.5"), CommandError);
    f.SetSeparator('.');
    EXPECT_EQ(f.Shortest(2.5), "2.5");
    EXPECT_DOUBLE_EQ(f.ParseReal("12.5"), 12.5);
}

TEST(NumberFormatTest, FixedFormats) {
    NumberFormat f('.');
    EXPECT_EQ(f.Fixed(28.00615, 5), "28.00615");
    EXPECT_EQ(f.Fixed(12, 5), "12.00000");
    EXPECT_EQ(f.Fixed(100.8, 0), "101");
    EXPECT_EQ(f.Fixed(-0.04, 1), "-0.0");
    EXPECT_EQ(f.Fixed(1234.5678, 3), "1234.568");
    EXPECT_THROW(f.Fixed(1.0, -1), CommandError);
}

TEST(NumberFormatTest, ParsesRealsAndRefusesEverythingElse) {
    NumberFormat f('.');
    EXPECT_DOUBLE_EQ(f.ParseReal("10"), 10);
    EXPECT_DOUBLE_EQ(f.ParseReal(" -2.5 "), -2.5);
    EXPECT_DOUBLE_EQ(f.ParseReal("+4"), 4);
    EXPECT_DOUBLE_EQ(f.ParseReal("1.5e3"), 1500);
    EXPECT_DOUBLE_EQ(f.ParseReal("1E-2"), 0.01);
    EXPECT_DOUBLE_EQ(f.ParseReal(".5"), 0.5);
    for (const char* bad : {"", " ", "-", ".", "1.2.3", "abc", "1e", "12a", "1e999", "--1"}) {
        EXPECT_THROW(f.ParseReal(bad), CommandError) << bad;
    }
    try {
        f.ParseReal("1.2.3");
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("\"1.2.3\""), std::string::npos);
    }
}

TEST(NumberFormatTest, ParsesIntegers) {
    EXPECT_EQ(NumberFormat::ParseInt("150"), 150);
    EXPECT_EQ(NumberFormat::ParseInt(" -3"), -3);
    EXPECT_EQ(NumberFormat::ParseInt("+7"), 7);
    EXPECT_EQ(NumberFormat::ParseInt("2147483647"), 2147483647);
    for (const char* bad : {"", "1.5", "2147483648", "12 3", "+-5", "x"}) {
        EXPECT_THROW(NumberFormat::ParseInt(bad), CommandError) << bad;
    }
}

}  // namespace
}  // namespace ostrel

namespace ostrel {
namespace {

TEST(NumberFormatTest, ADeviationThatShowsAsZeroHasNoSign) {
    const NumberFormat f(',');
    EXPECT_EQ(f.FixedDeviation(-0.0004, 3), "0,000");
    EXPECT_EQ(f.FixedDeviation(-0.0, 2), "0,00");
    EXPECT_EQ(f.FixedDeviation(-0.0006, 3), "-0,001");
    EXPECT_EQ(f.FixedDeviation(0.0004, 3), "0,000");
    EXPECT_EQ(f.Fixed(-0.0004, 3), "-0,000");  // the written texts keep C's rounding
}

}  // namespace
}  // namespace ostrel
