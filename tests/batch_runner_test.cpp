#include "batch/batch_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "batch_run.h"
#include "state/cp1251.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WithCrLf;

int CountLines(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

TEST(BatchPointsTest, PrintsTheSpectrumAsTheWriterWritesIt) {
    TempDir dir;
    const std::string in =
        dir.Write("in.txt", Utf8ToCp1251("\"Проба\"\r\n\"\"\r\n\"\"\r\n3 0.5\r\n2 7\r\n"));
    BatchRun r = Batch({"points", in, "--out", dir.File("out.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    // The title goes back as the file had it: without the blank the reader put for the quote.
    EXPECT_EQ(r.out, "\"Проба\"\n\"\"\n\"\"\n2.00000     7000\n3.00000     500\n");
    EXPECT_EQ(TempDir::Read(dir.File("out.txt")),
              Utf8ToCp1251("\"Проба\"\r\n\"\"\r\n\"\"\r\n2.00000     7000\r\n3.00000     500\r\n"));
}

TEST(BatchPointsTest, ReadsTheExampleSpectrum) {
    BatchRun r = Batch({"points", std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountLines(r.out), 3204);
    EXPECT_EQ(r.out.substr(0, 3), "\"hy");
    EXPECT_NE(r.out.find("\n26.90000     78200\n"), std::string::npos);
}

TEST(BatchZonesTest, ListsTheZoneHeightsLowestFirst) {
    BatchRun r = Batch({"zones", std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt",
                        "--kolusred", "150"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<long> heights;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_NE(line.find(",   "), std::string::npos) << line;
        heights.push_back(std::stol(line));
    }
    ASSERT_GE(heights.size(), 4u);
    EXPECT_TRUE(std::is_sorted(heights.begin(), heights.end()));
    EXPECT_EQ(Batch({"zones", std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt"}).out,
              r.out);  // 150 is the default
    EXPECT_EQ(Batch({"zones", std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt",
                     "--kolusred", "x"})
                  .status,
              1);
}

TEST(BatchPeaksTest, PrintsTheResultsTableAndTheSinglePeakFit) {
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt";
    BatchRun r = Batch({"peaks", file, "--height", "1000000"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "M\tМасса\tОшибка\tMe\tDMe\tR\tdR\tA\tB\tStd Err\tIter\tKol");
    const int rows = CountLines(r.out) - 1;
    EXPECT_GE(rows, 15);  // the fifteen main ions at least
    EXPECT_EQ(r.err.rfind("peaks " + std::to_string(rows) + ", problem ", 0), 0u) << r.err;
    EXPECT_NE(r.out.find("\n69\t68.99"), std::string::npos);  // CF3+ at 68.9979 measured

    BatchRun fit = Batch({"fit", file, "--height", "1000000", "--peak", "1"});
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_EQ(fit.out.rfind("Итерация № 1\n", 0), 0u);
    EXPECT_NE(fit.out.find("\nnominal mass 69\n"), std::string::npos);

    EXPECT_EQ(Batch({"peaks", file, "--height", "-5"}).status, 1);
    EXPECT_EQ(Batch({"peaks", file, "--height", "-5"}).err, "Недопустимое значение высоты.\n");
    // The window's message for a height that leaves no peak.
    EXPECT_EQ(Batch({"peaks", file, "--height", "2000000000"}).err,
              "Высота 2000000000 больше высоты любой зоны: не осталось ни одного пика. Выберите "
              "меньшую высоту.\n");
    EXPECT_EQ(Batch({"peaks", file}).status, 2);
    EXPECT_EQ(Batch({"fit", file, "--height", "1000000", "--peak", "999"}).status, 1);
}

class BatchReferenceTest : public ::testing::Test {
  protected:
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt";
    BatchRun Run(const std::string& sub, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {sub, file, "--height", "100000"};
        args.insert(args.end(), more.begin(), more.end());
        return Batch(args);
    }
};

TEST_F(BatchReferenceTest, ListsTheReferenceIonsAndTheTheorySeries) {
    EXPECT_EQ(
        Run("chlist").out,
        "27.02349\tC 2 H 3\n28.03132\tC 2 H 4\n29.03915\tC 2 H 5\n30.04698\tC 2 H 6\tмолек\n");
    EXPECT_EQ(Run("reflist").out, "30.04698,  C 2 H 6,  молек\n");
    EXPECT_EQ(Run("reflist", {"--boxes", "0110"}).out,
              "28.03132,  C 2 H 4,  два\n29.03915,  C 2 H 5,  один\n");
    EXPECT_EQ(Run("reflist", {"--family", "cf"}).out, "30.9984,  C 1 F 1\n");
    EXPECT_EQ(Run("reflist", {"--boxes", "10001"}).out,
              "30.04698,  C 2 H 6,  молек\n30.9984,  C 1 F 1\n");
    EXPECT_EQ(Run("reflist", {"--boxes", "12"}).status, 1);  // a bad option value
    EXPECT_EQ(Run("reflist", {"--family", "cn"}).status, 1);

    const std::string theory = Run("theory").out;
    std::vector<std::string> blocks;
    std::istringstream lines(theory);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Series", 0) == 0) blocks.push_back(line);
    EXPECT_EQ(blocks, (std::vector<std::string>{"Series9", "Series10", "Series12", "Series13"}));
    EXPECT_NE(theory.find("Series9\n27.02349\t23.48999"), std::string::npos) << theory;
    EXPECT_NE(theory.find("Series13\n27\t25.75"), std::string::npos) << theory;
}

TEST_F(BatchReferenceTest, CalibratesAndRecalculatesTheSpectrum) {
    TempDir dir;
    BatchRun r = Run("calibrate", {"--fit", "line", "--pair", "0=27.0235", "--pair", "2=29.0391",
                                   "--out", dir.File("moved.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string first = r.out.substr(0, r.out.find('\n'));
    EXPECT_EQ(first.rfind("a=0 b=-0.0294", 0), 0u) << first;
    const std::string spectrum = r.out.substr(first.size() + 1);
    EXPECT_EQ(Cp1251ToUtf8(TempDir::Read(dir.File("moved.txt"))), WithCrLf(spectrum));
    EXPECT_EQ(spectrum.find("\n26.90000 "), std::string::npos);  // every mass moved

    const struct {
        std::vector<std::string> more;
        int status;
    } refused[] = {
        {{"--fit", "parabola", "--pair", "0=27.0235", "--pair", "2=29.0391"}, 1},  // two masses
        {{"--fit", "line"}, 1},                                                    // no point
        {{"--fit", "line", "--pair", "0=27", "--pair", "0=28"}, 1},   // the same peak twice
        {{"--fit", "line", "--pair", "0=27", "--pair", "9=28"}, 1},   // no such line
        {{"--fit", "line", "--pair", "0=2,7", "--pair", "2=29"}, 1},  // not a typed mass
        {{"--fit", "circle", "--pair", "0=27"}, 1},
        {{"--fit", "line", "--pair", "x"}, 1},
        {{"--fit", "line", "--pairs", "0=27"}, 2},  // no such option
    };
    for (const auto& c : refused) {
        BatchRun bad = Run("calibrate", c.more);
        EXPECT_EQ(bad.status, c.status) << bad.err;
        EXPECT_TRUE(bad.out.empty());
    }
    EXPECT_EQ(Run("calibrate", refused[0].more).err,
              "Параболу подобрать нельзя: нужны три калибровочные точки с разными массами.\n");
}

TEST(BatchPointsTest, ErrorsAndUsage) {
    TempDir dir;
    const std::string bad = dir.Write("bad.txt", "1 2\r\nx\r\n3 4\r\n");
    const std::string good = dir.Write("good.txt", "1 2\r\n3 4\r\n5 6\r\n");
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"points", bad}, 1},
        {{"points", dir.File("missing.txt")}, 1},
        {{"points", good, "--out", dir.File("no/such/dir.txt")}, 1},
        {{}, 2},
        {{"points"}, 2},
        {{"points", bad, "--height", "5"}, 2},
        {{"points", bad, "--out"}, 2},
        {{"nonsense", bad}, 2},
    };
    for (const auto& c : cases) {
        BatchRun r = Batch(c.args);
        EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_TRUE(r.out.empty());
        if (c.status == 1) {
            EXPECT_EQ(CountLines(r.err), 1) << r.err;
        }
    }
    EXPECT_NE(Batch({"points", bad}).err.find("Строка 2"), std::string::npos);
    EXPECT_EQ(Batch({"--help"}).status, 0);
    EXPECT_NE(Batch({"--help"}).out.find("points"), std::string::npos);
    EXPECT_EQ(Batch({"--version"}).out.rfind("ostrel-batch ", 0), 0u);
}

}  // namespace
}  // namespace ostrel
