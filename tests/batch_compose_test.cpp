// `ostrel-batch compose`: the composition of every row of the results table of a calibrated
// PFTBA spectrum, and the settings it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "batch_run.h"
#include "reference/elements.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;
using ::ostrel::testing::TempDir;

std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
        if (!line.empty() && line.back() == '\t') cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}

// The example PFTBA spectrum calibrated on six strong ions (their ion masses: the neutral
// masses less an electron), as a user calibrates before reading the composition.
class BatchComposeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        const std::string raw = std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt";
        const BatchRun peaks = Batch({"peaks", raw, "--height", kHeight});
        ASSERT_EQ(peaks.status, 0) << peaks.err;
        const std::map<std::string, std::string> ions = {
            {"69", "68.99466"},    {"131", "130.991467"}, {"219", "218.985079"},
            {"414", "413.976976"}, {"502", "501.970588"}, {"614", "613.964201"}};
        std::vector<std::string> args = {"calibrate", raw,        "--height", kHeight,
                                         "--fit",     "parabola", "--out",    dir->File("cal.txt")};
        const auto rows = Rows(peaks.out);
        for (size_t k = 1; k < rows.size(); ++k)
            if (auto ion = ions.find(rows[k][0]); ion != ions.end()) {
                args.push_back("--pair");
                args.push_back(std::to_string(k - 1) + "=" + ion->second);
            }
        ASSERT_EQ(args.size(), 8 + 2 * ions.size());
        const BatchRun calibrated = Batch(args);
        ASSERT_EQ(calibrated.status, 0) << calibrated.err;
        file = dir->File("cal.txt");
    }
    static void TearDownTestSuite() { delete dir; }

    static constexpr const char* kHeight = "1000000";
    static inline TempDir* dir = nullptr;
    static inline std::string file;
};

TEST_F(BatchComposeTest, NamesTheIonOfEveryRowInTheTablesOrder) {
    const BatchRun r = Batch({"compose", file, "--height", kHeight});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Rows(r.out);
    const auto table = Rows(Batch({"peaks", file, "--height", kHeight}).out);
    ASSERT_EQ(lines.size(), table.size());
    EXPECT_EQ(lines[0], (std::vector<std::string>{"M", "Масса", "Формула", "Ошибка, mmu", "DBE",
                                                  "Другие формулы"}));
    std::map<std::string, std::vector<std::string>> byMass;
    for (size_t k = 1; k < lines.size(); ++k) {
        ASSERT_EQ(lines[k].size(), 6u) << k;
        EXPECT_EQ(lines[k][0], table[k][0]);  // M and Масса as the table shows them
        EXPECT_EQ(lines[k][1], table[k][1]);
        byMass[lines[k][0]] = lines[k];
    }
    ASSERT_TRUE(byMass.count("219"));
    EXPECT_EQ(byMass["219"][2], "C4F9+");
    EXPECT_LT(std::abs(std::stod(byMass["219"][3])), 0.5);  // mmu, after the calibration
    EXPECT_EQ(byMass["219"][4], "0.5");
    EXPECT_EQ(byMass["220"][2], "13C-C4F9+");
    EXPECT_EQ(byMass["69"][2], "CF3+");
    // The others, best first, as FORMULA(ERROR).
    EXPECT_NE(byMass["219"][5].find("+("), std::string::npos) << byMass["219"][5];
}

TEST_F(BatchComposeTest, AnElementNotNamedIsAbsent) {
    const BatchRun r = Batch(
        {"compose", file, "--height", kHeight, "--elements", "C1-20,F0-45", "--tolerance", "1.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Rows(r.out);
    int named = 0;
    for (size_t k = 1; k < lines.size(); ++k) {
        std::string formulas = lines[k][2] + " " + lines[k][5];
        for (char c : formulas) {
            if (std::isupper(static_cast<unsigned char>(c))) {
                EXPECT_TRUE(c == 'C' || c == 'F') << lines[k][0] << ": " << formulas;
            }
        }
        if (!lines[k][2].empty()) {
            ++named;
            EXPECT_LE(std::abs(std::stod(lines[k][3])), 1.5 * 3) << lines[k][0];
        }
    }
    EXPECT_GE(named, 10);
}

TEST_F(BatchComposeTest, SettingsThatCannotBeReadExitWithTheirMessage) {
    const struct {
        std::vector<std::string> more;
        const char* message;
    } refused[] = {
        {{"--elements", "C1-10,Xe0-2"}, "Элементы \"C1-10,Xe0-2\" не прочитаны: "},
        {{"--elements", "C1-10,U0-1"}, "Элементы \"C1-10,U0-1\" не прочитаны: "},
        {{"--elements", "C10-1"}, "Элементы \"C10-1\" не прочитаны: "},
        {{"--elements", "C1-x"}, "Элементы \"C1-x\" не прочитаны: "},
        {{"--tolerance", "0"}, "Допуск \"0\" не прочитан: "},
        {{"--tolerance", "60"}, "Допуск \"60\" не прочитан: "},
        {{"--tolerance", "two"}, "Допуск \"two\" не прочитан: "},
    };
    for (const auto& c : refused) {
        std::vector<std::string> args = {"compose", file, "--height", kHeight};
        args.insert(args.end(), c.more.begin(), c.more.end());
        const BatchRun r = Batch(args);
        EXPECT_EQ(r.status, 1) << c.more[1];
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(Batch({"compose", file}).status, 2);  // no height
    EXPECT_EQ(Batch({"compose", file, "--height", kHeight, "--element", "C1-2"}).status, 2);
    EXPECT_NE(Batch({"--help"}).out.find("compose FILE --height H [--elements"), std::string::npos);
}

}  // namespace
}  // namespace ostrel
