// Input no laboratory file should hold, through ostrel-batch and the core: each case gets a
// clear message (status 1) or a sound result, and nothing shown is infinite or not a number.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "batch_run.h"
#include "fuzz/shown_values.h"
#include "state/cp1251.h"
#include "state/errors.h"
#include "state/memory_bound.h"
#include "state/points_file.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::fuzz::ShowsNonFinite;
using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;
using ::ostrel::testing::TempDir;

std::string Lines(int count, const std::function<std::string(int)>& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line(i) + "\r\n";
    return text;
}

// 2,000 points of a saw-tooth intensity at masses from `first` on, 0.01 u apart.
std::string Saw(double first, const std::function<std::string(int)>& y) {
    return Lines(2000, [&](int i) { return std::to_string(first + i * 0.01) + " " + y(i); });
}

TEST(HostileInputTest, EachCaseGetsAMessageOrASoundResult) {
    TempDir dir;
    const std::string tooth = "100";
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> command;  // the file is put after the subcommand
        int status;
        const char* message;  // part of the error line, for status 1
    } cases[] = {
        {"empty file", "", {"points"}, 1, "меньше двух точек"},
        {"header only", "\"title\"\r\n\"\"\r\n\"\"\r\n", {"points"}, 1, "меньше двух точек"},
        {"one point", "1 2\r\n", {"points"}, 1, "меньше двух точек"},
        {"two equal masses", "1 2\r\n1 3\r\n", {"zones"}, 1, "Недостаточно точек"},
        {"three equal masses",
         "1 2\r\n1 3\r\n1 4\r\n2 5\r\n3 6\r\n",
         {"zones"},
         1,
         "Сглаживание невозможно"},
        {"a field of 21 characters",
         "123456789012345678901 5\r\n2 6\r\n3 7\r\n",
         {"points"},
         0,
         ""},
        {"a field of 22 characters",
         "1234567890123456789012 5\r\n2 6\r\n3 7\r\n",
         {"points"},
         1,
         "длиннее 21 символа"},
        {"numbers of 20 digits",
         "12345678901234567890 5\r\n12345678901234567891 6\r\n12345678901234567892 7\r\n",
         {"zones"},
         1,
         "Сглаживание невозможно"},
        {"1e400", "1e400 5\r\n2 6\r\n3 7\r\n", {"points"}, 0, ""},
        {"nan",
         "nan 5\r\n2 6\r\n3 7\r\n",
         {"points"},
         1,
         "Строка 1 (\"nan 5\"): только одно число"},
        {"inf", "2 6\r\ninf 5\r\n3 7\r\n", {"points"}, 1, "Строка 2"},
        {"negative masses",
         Saw(-10, [](int i) { return std::to_string(100 + i % 7 * 10); }),
         {"peaks", "--height", "0"},
         0,
         ""},
        {"zero masses",
         Saw(0, [](int i) { return std::to_string(100 + i % 7 * 10); }),
         {"theory", "--height", "0"},
         0,
         ""},
        {"all intensities equal",
         Saw(10, [&](int) { return tooth; }),
         {"zones"},
         1,
         "Недостаточно точек"},
        {"all intensities zero",
         Saw(10, [](int) { return "0"; }),
         {"zones", "--suggest"},
         1,
         "Недостаточно точек"},
        {"descending masses",
         Lines(2000,
               [](int i) {
                   return std::to_string(30 - i * 0.001) + " " + std::to_string(100 + i % 7 * 10);
               }),
         {"html", "--height", "0", "--look", "1"},
         0,
         ""},
        {"a title of 500 characters",
         "\"" + std::string(500, 'T') + "\"\r\n\"\"\r\n\"\"\r\n1 2\r\n2 3\r\n",
         {"points"},
         0,
         ""},
        {"bytes 0x00 and 0x98",
         std::string("\"ab\x98\0cd\"\r\n\"\"\r\n\"\"\r\n1 2\r\n2\0 3\r\n3 \x98 4\r\n", 36),
         {"points"},
         0,
         ""},
    };
    for (const auto& c : cases) {
        const std::string file = dir.Write("case.txt", c.bytes);
        std::vector<std::string> args = {c.command[0], file};
        args.insert(args.end(), c.command.begin() + 1, c.command.end());
        const BatchRun r = Batch(args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        if (c.status == 1) {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what;
            EXPECT_TRUE(r.out.empty()) << c.what;
        }
        EXPECT_FALSE(ShowsNonFinite(r.out)) << c.what;
    }
}

TEST(HostileInputTest, TitlesAreCutAtTheirLengthAndAtAZeroByte) {
    const LoadedSpectrum longTitle = ParseSpectrumText(
        "\"" + std::string(500, 'T') + "\"\r\n\"\"\r\n\"\"\r\n1 2\r\n2 3\r\n", "long.txt");
    ASSERT_TRUE(longTitle.title);
    EXPECT_EQ(longTitle.title->size(), 99u);  // the first 100 characters of the line, less a quote
    const LoadedSpectrum zero = ParseSpectrumText(
        std::string("\"ab\x98\0cd\"\r\n\"\"\r\n\"\"\r\n1 2\r\n2 3\r\n", 27), "zero.txt");
    EXPECT_EQ(*zero.title, " ab" + Cp1251ToUtf8("\x98"));
}

TEST(HostileInputTest, PathsThatAreNoSpectrumFiles) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    for (const std::string& path : {dir.File("folder"), dir.File("missing.txt")}) {
        const BatchRun r = Batch({"peaks", path, "--height", "1"});
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    }
}

TEST(HostileInputTest, HeightsThatAreNoHeights) {
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt";
    for (const char* height : {"2147483648", "-1", "", "١٢", "1.5", " 7"}) {
        const BatchRun r = Batch({"peaks", file, "--height", height});
        EXPECT_EQ(r.status, 1) << height;
        EXPECT_EQ(r.err.rfind("Недопустимое значение высоты.", 0), 0u) << height << r.err;
    }
}

TEST(HostileInputTest, TenMillionLinesAreRead) {
    // CR alone ends each line: the shortest lines a file can hold.
    std::string text;
    text.reserve(10'000'000 * 12);
    for (int i = 0; i < 10'000'000; ++i) {
        text += std::to_string(i);
        text += " 1\r";
    }
    const LoadedSpectrum loaded = ParseSpectrumText(text, "ten-million.txt");
    EXPECT_EQ(loaded.x.size(), 10'000'000u);
    EXPECT_EQ(loaded.x.back(), 9'999'999);
}

TEST(MemoryBoundTest, AFileTooLargeForTheMemoryIsRefusedBeforeItIsRead) {
    const std::string head = "\"t\"\r\n\"\"\r\n\"\"\r\n" +
                             Lines(100, [](int i) { return std::to_string(i) + ".00000     123"; });
    const uint64_t points = PointsImplied(1'000'000'000, head);
    EXPECT_GT(points, 40'000'000u);  // lines of about 20 bytes
    EXPECT_LT(points, 60'000'000u);
    EXPECT_THROW(CheckPointsFitInMemory("big.txt", points, 1'000'000'000, 8ull << 30),
                 CommandError);
    EXPECT_NO_THROW(CheckPointsFitInMemory("big.txt", points, 1'000'000'000, 64ull << 30));
    EXPECT_NO_THROW(CheckPointsFitInMemory("big.txt", points, 1'000'000'000, 0));  // unknown
    try {
        CheckPointsFitInMemory("big.txt", points, 1'000'000'000, 8ull << 30);
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("\"big.txt\" слишком велик"), std::string::npos);
    }
    EXPECT_EQ(PointsImplied(400, ""), 100u);  // no line end seen: the shortest lines
}

}  // namespace
}  // namespace ostrel
