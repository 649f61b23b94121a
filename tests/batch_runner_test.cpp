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

int CountLines(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

TEST(BatchPointsTest, PrintsTheSpectrumAsTheWriterWritesIt) {
    TempDir dir;
    const std::string in =
        dir.Write("in.txt", Utf8ToCp1251("\"Проба\"\r\n\"\"\r\n\"\"\r\n3 0.5\r\n2 7\r\n"));
    BatchRun r = Batch({"points", in, "--out", dir.File("out.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\" Проба\"\n\"\"\n\"\"\n2.00000     7000\n3.00000     500\n");
    EXPECT_EQ(
        TempDir::Read(dir.File("out.txt")),
        Utf8ToCp1251("\" Проба\"\r\n\"\"\r\n\"\"\r\n2.00000     7000\r\n3.00000     500\r\n"));
}

TEST(BatchPointsTest, ReadsTheExampleSpectrum) {
    BatchRun r = Batch({"points", std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountLines(r.out), 3204);
    EXPECT_EQ(r.out.substr(0, 3), "\" h");
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
    EXPECT_EQ(Batch({"peaks", file}).status, 2);
    EXPECT_EQ(Batch({"fit", file, "--height", "1000000", "--peak", "999"}).status, 1);
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
