// The parts of the mzML/mzXML reading that need no library: the file kind, ordering, decimals,
// scaling, titles and the chooser's rows.
#include "formats/mz_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "formats/mz_file.h"
#include "formats/mz_rows.h"
#include "state/errors.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::TempDir;

TEST(MzFileKindTest, ByExtensionOrRootElementOnly) {
    TempDir dir;
    EXPECT_TRUE(IsMzFile(dir.Write("a.mzML", "")));
    EXPECT_TRUE(IsMzFile(dir.Write("b.MZXML", "1 2\r\n")));
    EXPECT_TRUE(IsMzFile(dir.Write("c.xml", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<indexedmzML>")));
    EXPECT_TRUE(IsMzFile(dir.Write("d", " \r\n<?xml version=\"1.0\"?>\n<mzXML>")));
    EXPECT_FALSE(IsMzFile(dir.Write("e.txt", "\"<mzML>\"\r\n\"\"\r\n\"\"\r\n1 2\r\n")));
    EXPECT_FALSE(IsMzFile(dir.Write("f.txt", "<?xml version=\"1.0\"?>\n<other/>")));
    EXPECT_FALSE(IsMzFile(dir.File("missing.txt")));
    EXPECT_TRUE(SpectraToChooseFrom(dir.File("e.txt")).empty());
}

TEST(MzPointsTest, ShortestTextDecimals) {
    const struct {
        double value;
        int32_t decimals;
    } cases[] = {{1500, 0},
                 {-3, 0},
                 {142.6, 1},
                 {0.125, 3},
                 {2.0000000000000004, 0},
                 {1e20, 0},
                 {1.5e-7, 1},
                 {1234.5677490234375, 11}};
    for (const auto& c : cases) EXPECT_EQ(ShortestTextDecimals(c.value), c.decimals) << c.value;
}

// The quick count must give the written text's count for every value: decimal texts of every
// length and magnitude as files hold them, floats, and arbitrary doubles.
TEST(MzPointsTest, TheQuickDecimalCountEqualsTheWrittenTexts) {
    std::mt19937_64 rng(13);
    std::vector<double> values = {0.1,
                                  0.5,
                                  1e-5,
                                  9.99999e-6,
                                  0.30000000000000004,
                                  1e15,
                                  1e14,
                                  99999999999999.99,
                                  999999999999999.9,
                                  1e-4,
                                  12.5,
                                  -142.6,
                                  2.675,
                                  1234.5677490234375};
    for (int i = 0; i < 100000; ++i) {
        const int decimals = static_cast<int>(rng() % 7);
        const double magnitude = std::pow(10.0, static_cast<int>(rng() % 22) - 6);
        const double text = std::round(std::ldexp(static_cast<double>(rng() >> 11), -53) *
                                       magnitude * std::pow(10.0, decimals)) /
                            std::pow(10.0, decimals);
        values.push_back(rng() % 2 ? text : -text);
        values.push_back(static_cast<float>(text));
        double bits;
        const uint64_t pattern = rng();
        std::memcpy(&bits, &pattern, sizeof bits);
        if (std::isfinite(bits)) values.push_back(bits);
    }
    for (double value : values)
        ASSERT_EQ(ShortestTextDecimals(value), ShortestTextDecimalsPlain(value)) << value;
}

// The quick forms of the finishing steps give the definitions' results: the largest count over
// arrays of floats (where every value carries a long tail of decimals), short decimals and small
// values, and the whole thousandths of every kind of value, halves among them.
TEST(MzPointsTest, QuickFinishingStepsEqualTheirDefinitions) {
    std::mt19937_64 rng(29);
    auto uniform = [&rng](double low, double high) {
        return low + (high - low) * std::ldexp(static_cast<double>(rng() >> 11), -53);
    };
    std::vector<std::vector<double>> arrays;
    for (int a = 0; a < 200; ++a) {
        std::vector<double> values;
        const double low = std::pow(10.0, static_cast<int>(rng() % 12) - 6);
        for (int i = 0; i < 500; ++i) {
            const double v = uniform(0, low * 1000);
            switch (a % 4) {
                case 0:
                    values.push_back(static_cast<float>(v));
                    break;
                case 1:
                    values.push_back(std::round(v * 100) / 100);
                    break;
                case 2:
                    values.push_back(-v);
                    break;
                default:
                    values.push_back(std::round(v));
                    break;
            }
        }
        arrays.push_back(values);
    }
    arrays.push_back({0.001, 114.8f, 1e15, 9.99e14 + 0.5, 12345678901234.5});
    for (const auto& values : arrays)
        ASSERT_EQ(MaxShortestTextDecimals(values), MaxShortestTextDecimalsPlain(values));

    std::vector<double> values = {
        0,     -0.0,   0.0625, -0.0625,       0.1875,        1.0 / 16 * 3,          114.8f, 1e-320,
        1e300, -1e300, 0x1p53, 0x1p63 / 1000, 0x1p64 / 1000, 9.2233720368547758e15, 2.5e-4, 0.0005};
    for (int i = 0; i < 200000; ++i) {
        const double magnitude = std::pow(2.0, static_cast<int>(rng() % 140) - 70);
        values.push_back(uniform(-magnitude, magnitude));
        values.push_back(static_cast<float>(uniform(0, magnitude)));
        values.push_back(static_cast<double>(rng() % 100000) / 16 + 1.0 / 32);  // odd 32nds
    }
    for (double value : values) {
        const double quick = WholeThousandths(value), plain = WholeThousandthsPlain(value);
        ASSERT_EQ(std::memcmp(&quick, &plain, sizeof quick), 0) << value << " " << quick;
    }
}

TEST(MzPointsTest, OrderByMassKeepsReversesOrSortsStably) {
    const struct {
        std::vector<double> x, y, wantX, wantY;
    } cases[] = {
        {{1, 2, 2, 3}, {1, 2, 3, 4}, {1, 2, 2, 3}, {1, 2, 3, 4}},  // ascending, equal masses
        {{3, 2, 1}, {1, 2, 3}, {1, 2, 3}, {3, 2, 1}},              // descending
        {{3, 2, 2, 1}, {1, 2, 3, 4}, {1, 2, 2, 3}, {4, 2, 3, 1}},  // equal masses keep file order
        {{2, 1, 3, 0}, {1, 2, 3, 4}, {0, 1, 2, 3}, {4, 2, 1, 3}},
    };
    for (auto c : cases) {
        OrderByMass(c.x, c.y);
        EXPECT_EQ(c.x, c.wantX);
        EXPECT_EQ(c.y, c.wantY);
    }
}

TEST(MzPointsTest, PointsAreFinishedAsTheTextReaderFinishesThem) {
    LoadedSpectrum whole = MzPointsToSpectrum({2, 1}, {30, 40}, "t", "S");
    EXPECT_EQ(whole.x, (std::vector<double>{1, 2}));
    EXPECT_EQ(whole.y, (std::vector<double>{40, 30}));
    EXPECT_EQ(whole.maxYDecimals, 0);
    EXPECT_EQ(whole.title, "t");

    LoadedSpectrum fractional = MzPointsToSpectrum({1, 2, 3}, {142.6, 3.25, 7}, "t", "S");
    EXPECT_EQ(fractional.maxYDecimals, 2);
    EXPECT_EQ(fractional.y, (std::vector<double>{142600, 3250, 7000}));
}

TEST(MzPointsTest, UnusableArraysAreRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> x, y;
        const char* message;
    } cases[] = {
        {{1}, {1}, "S содержит меньше двух точек."},
        {{}, {}, "S содержит меньше двух точек."},
        {{1, 2}, {1}, "S: в массивах масс и интенсивностей разное число точек (2 и 1)."},
        {{1, nan, 3}, {1, 2, 3}, "S: точка 1 не является конечным числом."},
        {{1, 2},
         {1, std::numeric_limits<double>::infinity()},
         "S: точка 1 не является конечным числом."},
    };
    for (auto c : cases) {
        try {
            MzPointsToSpectrum(std::move(c.x), std::move(c.y), "t", "S");
            ADD_FAILURE() << c.message;
        } catch (const CommandError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(MzPointsTest, TitleIsTheFileNameAndIdCutTo100Characters) {
    EXPECT_EQ(MzSpectrumTitle("/data/run 1/Проба.mzML", "scan=7"), "Проба.mzML scan=7");
    const std::string title = MzSpectrumTitle("/d/Спектр.mzML", std::string(200, 'x'));
    EXPECT_EQ(title, "Спектр.mzML " + std::string(88, 'x'));  // 12 + 88 characters
}

TEST(MzRowsTest, PreselectionAndCells) {
    std::vector<MzSpectrumRow> rows = {
        {0, "scan=1", 1, 12.5, 100, true},
        {1, "scan=2", 2, std::nullopt, 50, false},
        {2, "scan=3", 1, 0.25, 200, false},
    };
    EXPECT_EQ(FirstProfileMs1(rows), 2);
    const NumberFormat format('.');
    EXPECT_EQ(MzListCells(rows[0], format),
              (std::vector<std::string>{"0", "scan=1", "1", "12.50", "100", "centroid"}));
    EXPECT_EQ(MzListCells(rows[1], format),
              (std::vector<std::string>{"1", "scan=2", "2", "", "50", "profile"}));
    EXPECT_EQ(MzChooserCells(rows[2], NumberFormat(',')),
              (std::vector<std::string>{"2", "scan=3", "1", "0,25", "200", "профиль"}));
    // Seconds to the hundredth, as the file's 32-bit value of 1501.41 is meant.
    rows[0].retentionTime = static_cast<double>(1501.41f);
    EXPECT_EQ(MzChooserCells(rows[0], format)[3], "1501.41");
    rows[0].retentionTime = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MzListCells(rows[0], format)[3], "");  // not known
    rows[2].msLevel = 0;                             // the file does not say
    EXPECT_EQ(FirstProfileMs1(rows), std::nullopt);
    EXPECT_EQ(MzListCells(rows[2], format)[2], "");
}

}  // namespace
}  // namespace ostrel
