#include "reference/theory_charts.h"

#include <gtest/gtest.h>

#include "reference/reference_ions.h"
#include "reference_tables.h"
#include "state/cp1251.h"
#include "state/number_format.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::PeaksAt;
using ::ostrel::testing::TempDir;

const NumberFormat kDot('.');

// The defects are computed from the stored masses, so they come out within rounding of the
// decimal values.
void ExpectPoint(const TheorySeries& s, int i, double x, double y) {
    EXPECT_EQ(s.x[i], x) << i;
    EXPECT_NEAR(s.y[i], y, 1e-9) << i;
}

TEST(TheoryChartsTest, SawsAndMeasuredPointsByMassDefect) {
    ReferenceTables t;
    t.CHIons = {{4, 10, 58.0783}};
    t.CFIons = {{1, 3, 68.9952}};
    PeakResults p = PeaksAt({43.0548, 50.2, 68.9952});
    p[1].status = PeakStatus::Problem;  // on the CF chart only
    TheoryCharts charts;
    CreateTeoriaCH(charts, t, p);
    CreateTeoriaCF(charts, t, p);
    ExpectPoint(charts.chSaw, 0, 58.0783, 78.3);
    ASSERT_EQ(charts.chPeaks.Count(), 2);
    ExpectPoint(charts.chPeaks, 0, 43.0548, 54.8);
    EXPECT_EQ(charts.chPeaks.peak, (std::vector<int32_t>{0, 2}));
    ExpectPoint(charts.cfSaw, 0, 68.9952, -4.8);
    ASSERT_EQ(charts.cfPeaks.Count(), 3);
    ExpectPoint(charts.cfPeaks, 2, 69, -4.8);  // at the nominal mass
}

TEST(TheoryChartsTest, SeriesKeepAscendingMassWithTheirPeaks) {
    ReferenceTables t;
    StandartCH(t, PeaksAt({17.5, 30}));     // the row of m = 18 (29.039) precedes that of m = 28
    PeakResults p = PeaksAt({45.2, 44.9});  // a fit that left the peaks out of order
    TheoryCharts charts;
    CreateTeoriaCH(charts, t, p);
    for (int i = 1; i < charts.chSaw.Count(); ++i)
        EXPECT_LE(charts.chSaw.x[i - 1], charts.chSaw.x[i]);
    EXPECT_EQ(charts.chPeaks.peak, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(MarkText(p[charts.chPeaks.peak[0]], kDot), "M = 44.900\rR = 3000\rV = 1000");
}

TEST(TheoryChartsTest, SawFileAndCHListFiles) {
    TheorySeries saw;
    saw.x = {58.0783};
    saw.y = {78.3};
    EXPECT_EQ(SawFileText(kSawTheoryHeading, saw, kDot, "\r\n"),
              "\"Пила CH (теория)\"\r\n\"\"\r\n\"\"\r\n58\t78\r\n");
    EXPECT_EQ(SawFileText(kSawPeaksHeading, {}, kDot, "\n"),
              "\"Пила CH (практика)\"\n\"\"\n\"\"\n");

    ReferenceTables t;
    t.CHIons = {{2, 5, 29.03915}, {2, 6, 30.04698}};
    EXPECT_EQ(CHListLines(t, kDot),
              (std::vector<std::string>{"29.03915\tC 2 H 5", "30.04698\tC 2 H 6\tмолек"}));
    TempDir dir;
    WriteCHList(dir.File("list.txt"), t, kDot);
    EXPECT_EQ(TempDir::Read(dir.File("list.txt")),
              Utf8ToCp1251("29.03915\tC 2 H 5\r\n30.04698\tC 2 H 6\tмолек\r\n"));
}

TEST(TheoryChartsTest, CHListAsAPage) {
    ReferenceTables t;
    t.CHIons = {{2, 5, 29.03915}, {2, 6, 30.04698}};
    const std::vector<std::string> lines = CHListHtmlLines(t, kDot);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[2], "    <TITLE>Список CH</TITLE>");
    EXPECT_NE(lines[3].find("charset=windows-1251"), std::string::npos);
    EXPECT_EQ(lines[8], "  <TR><TD>29.03915</TD><TD>C 2 H 5</TD><TD></TD></TR>");
    EXPECT_EQ(lines[9], "  <TR><TD>30.04698</TD><TD>C 2 H 6</TD><TD>молек</TD></TR>");
    EXPECT_EQ(lines.back(), "</HTML>");
}

}  // namespace
}  // namespace ostrel
