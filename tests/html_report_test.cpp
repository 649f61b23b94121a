// The HTML page of the results table, the tab-separated copies, the image format choice and
// "ostrel-batch html".
#include "results/html_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "batch_run.h"
#include "results/chart_images.h"
#include "results/table_copy.h"
#include "state/cp1251.h"
#include "state/errors.h"
#include "state/messages.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;
using ::ostrel::testing::TempDir;
using ::ostrel::testing::WithCrLf;

// A header row, a fitted peak and a problem peak, as the last pass writes them.
class SmallTableTest : public ::testing::Test {
  protected:
    ResultsGrid grid;
    ColumnWidths widths{};

    void SetUp() override {
        WriteGridHeaders(grid);
        const std::vector<std::string> fitted = {"28",    "28.03", "0.0001", "30.00", "",  "2800",
                                                 "120.5", "3.0",   "1500.0", "0.02",  "5", "40"};
        std::vector<std::string> problem(12, " ");
        problem[0] = "43";
        problem[1] = "Ошибка";
        problem[11] = "4";
        grid.SetRowCount(3);
        for (int32_t c = 0; c < 12; ++c) {
            grid.SetCell(c, 1, fitted[c]);
            grid.SetCell(c, 2, problem[c]);
        }
        for (int c = 0; c < 12; ++c) widths[c] = 60 + c;
    }
};

TEST_F(SmallTableTest, PlainPageHasEveryLineInItsOrder) {
    ColumnChoice chosen{};
    chosen[0] = chosen[1] = chosen[11] = true;
    const std::vector<std::string> expected = {
        "<HTML>",
        "  <HEAD>",
        "    <TITLE>Проба</TITLE>",
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">",
        "  </HEAD>",
        " ",
        " ",
        " ",
        "<BODY TEXT=#000000 bgColor=#FFFFFF leftMargin=5 topMargin=5>",
        " ",
        "<BR>",
        "    <FONT SIZE=+3>Проба</FONT>",
        "<BR><BR>",
        "<TABLE BORDER=1 BORDERCOLOR=#000000 BORDERCOLORDARK=#000000 BORDERCOLORLIGHT=#000000>",
        " ",
        "  <TR>",
        "    <TH WIDTH=65>M</TH> ",
        "    <TH WIDTH=66>Масса</TH> ",
        "    <TH WIDTH=76>Kol</TH> ",
        "  </TR>",
        " ",
        "  <TR>",
        "    <TD WIDTH=65>28</TD> ",
        "    <TD WIDTH=66>28.03</TD> ",
        "    <TD WIDTH=76>40</TD> ",
        "  </TR>",
        " ",
        "  <TR>",
        "    <TD WIDTH=65>43</TD> ",
        "    <TD WIDTH=66>Ошибка</TD> ",
        "    <TD WIDTH=76>4</TD> ",
        "  </TR>",
        " ",
        "</TABLE>",
        " ",
        " ",
        " ",
        " ",
        " ",
        "</BODY>",
        "</HTML>"};
    EXPECT_EQ(HtmlReportLines(grid, "Проба", HtmlLook::Plain, chosen, widths), expected);
}

TEST_F(SmallTableTest, ImprovedPageNestsTheTableInABlackCell) {
    const std::vector<std::string> lines =
        HtmlReportLines(grid, "Проба", HtmlLook::Improved, kAllColumns, widths);
    const std::vector<std::string> opening = {
        "<BR><BR>",
        "<table cellSpacing=0 cellPadding=0 border=0>",
        "<tr>",
        "<td bgcolor=000000>",
        " ",
        " ",
        "<TABLE cellSpacing=1 cellPadding=3 border=0 WIDTH=\"100%\">",
        " ",
        "  <TR>",
        "    <TH bgcolor=ffffff WIDTH=65>M</TH> ",
        "    <TH bgcolor=ffffff WIDTH=66>Масса</TH> "};
    ASSERT_GT(lines.size(), 12 + opening.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 12, lines.begin() + 12 + opening.size()),
              opening);
    EXPECT_EQ(lines[21 + 10], "    <TH bgcolor=ffffff WIDTH=75>Iter</TH> ");
    // Row 1: the empty "DMe" cell is written empty, the problem row's blanks stay blanks.
    EXPECT_EQ(lines[36 + 4], "    <TD bgcolor=ffffff WIDTH=69></TD> ");
    EXPECT_EQ(lines[51 + 2], "    <TD bgcolor=ffffff WIDTH=67> </TD> ");
    const std::vector<std::string> closing = {"</TABLE>", " ", " ", "</td>",   "</tr>",  "</table>",
                                              " ",        " ", " ", "</BODY>", "</HTML>"};
    EXPECT_EQ(std::vector<std::string>(lines.end() - closing.size(), lines.end()), closing);
    EXPECT_EQ(lines.size(), 20u + 3 * 15 + 11);
}

TEST_F(SmallTableTest, NoColumnChosenLeavesOnlyTheRowLines) {
    const std::vector<std::string> lines =
        HtmlReportLines(grid, "Проба", HtmlLook::Plain, ColumnChoice{}, widths);
    const std::vector<std::string> rows = {"  <TR>", "  </TR>", " ",       "  <TR>", "  </TR>",
                                           " ",      "  <TR>",  "  </TR>", " "};
    ASSERT_EQ(lines.size(), 15u + rows.size() + 8);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 15, lines.begin() + 15 + rows.size()), rows);
}

TEST_F(SmallTableTest, TitleAndCellsAreEscaped) {
    grid.SetCell(1, 1, "a<b & \"c\">");
    ColumnChoice chosen{};
    chosen[1] = true;
    const std::vector<std::string> lines =
        HtmlReportLines(grid, "<script>x</script> & \"1\"", HtmlLook::Plain, chosen, widths);
    EXPECT_EQ(lines[2], "    <TITLE>&lt;script&gt;x&lt;/script&gt; &amp; &quot;1&quot;</TITLE>");
    EXPECT_EQ(lines[11],
              "    <FONT SIZE=+3>&lt;script&gt;x&lt;/script&gt; &amp; &quot;1&quot;</FONT>");
    EXPECT_EQ(lines[20], "    <TD WIDTH=66>a&lt;b &amp; &quot;c&quot;&gt;</TD> ");
}

TEST_F(SmallTableTest, FilesAreWindows1251WithCrLfAndAFailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string page = dir.File("page.htm");
    WriteToHTML(page, grid, "Проба", HtmlLook::Plain, kAllColumns, widths);
    const std::string bytes = TempDir::Read(page);
    EXPECT_EQ(bytes,
              Utf8ToCp1251(JoinLines(
                  HtmlReportLines(grid, "Проба", HtmlLook::Plain, kAllColumns, widths), "\r\n")));
    EXPECT_NE(bytes.find("    <TH WIDTH=66>\xCC\xE0\xF1\xF1\xE0</TH> \r\n"),  // "Масса"
              std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 9), "</HTML>\r\n");

    const std::string text = dir.File("table.txt");
    WriteGridTable(text, grid);
    EXPECT_EQ(TempDir::Read(text),
              Utf8ToCp1251("M\tМасса\tОшибка\tMe\tDMe\tR\tdR\tA\tB\tStd Err\tIter\tKol\r\n"
                           "28\t28.03\t0.0001\t30.00\t\t2800\t120.5\t3.0\t1500.0\t0.02\t5\t40\r\n"
                           "43\tОшибка\t \t \t \t \t \t \t \t \t \t4\r\n"));
    EXPECT_EQ(GridTableText(grid, "\n").rfind("M\tМасса\tОшибка\t", 0), 0u);

    // A folder in the way of the rename: the write fails, says so and keeps what was there.
    std::filesystem::create_directories(dir.File("taken.htm/inner"));
    try {
        WriteToHTML(dir.File("taken.htm"), grid, "Проба", HtmlLook::Plain, kAllColumns, widths);
        ADD_FAILURE() << "no error";
    } catch (const CommandError& e) {
        EXPECT_NE(std::string(e.what()).find("taken.htm"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.htm/inner")));
    EXPECT_THROW(WriteGridTable(dir.File("no/such/folder.txt"), grid), CommandError);
}

TEST(ColumnDialogTextsTest, BoxesAreCaptionedByPosition) {
    EXPECT_EQ(ColumnBoxCaptions()[7], "Высота");
    EXPECT_EQ(ColumnBoxCaptions()[8], "Std Err");
    EXPECT_EQ(ColumnBoxCaptions()[10], "Sum");
    EXPECT_EQ(ColumnBoxCaptions()[11], GridHeaders()[11]);
}

TEST(ImageFormatTest, ExtensionFirstThenTheChosenFilter) {
    const struct {
        const char* path;
        int filter;
        ImageFormat format;
    } cases[] = {
        {"/a/График.bmp", 0, ImageFormat::Bmp}, {"/a/x.PNG", 0, ImageFormat::Png},
        {"/a/x.pdf", 1, ImageFormat::Pdf},      {"/a/x", 1, ImageFormat::Png},
        {"/a/x", 2, ImageFormat::Pdf},          {"/a/x.jpg", 3, ImageFormat::Bmp},
        {"/a.png/x", 0, ImageFormat::Bmp},      {"/a/x.bmp", 2, ImageFormat::Bmp},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFormatFor(c.path, c.filter), c.format) << c.path << " " << c.filter;
}

TEST(BatchHtmlTest, WritesThePageOfTheResultsTable) {
    TempDir dir;
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt";
    const BatchRun peaks = Batch({"peaks", file, "--height", "1000000"});
    ASSERT_EQ(peaks.status, 0) << peaks.err;
    const BatchRun html =
        Batch({"html", file, "--height", "1000000", "--look", "1", "--columns", "110000000001",
               "--widths", "10,20,0,0,0,0,0,0,0,0,0,30", "--out", dir.File("page.htm")});
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_EQ(TempDir::Read(dir.File("page.htm")), Utf8ToCp1251(WithCrLf(html.out)));

    // One row of cell lines per line of the table, in its order, with the chosen columns only.
    std::istringstream table(peaks.out), page(html.out);
    std::string row, line;
    int rows = 0;
    while (std::getline(table, row)) {
        std::vector<std::string> cells;
        std::istringstream split(row);
        for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
        cells.resize(12);
        while (std::getline(page, line) && line != "  <TR>") {
        }
        const std::string tag = rows == 0 ? "TH" : "TD";
        const std::string expected[] = {
            "    <" + tag + " bgcolor=ffffff WIDTH=15>" + cells[0] + "</" + tag + "> ",
            "    <" + tag + " bgcolor=ffffff WIDTH=25>" + cells[1] + "</" + tag + "> ",
            "    <" + tag + " bgcolor=ffffff WIDTH=35>" + cells[11] + "</" + tag + "> ", "  </TR>"};
        for (const std::string& e : expected) {
            ASSERT_TRUE(std::getline(page, line));
            EXPECT_EQ(line, e) << "row " << rows;
        }
        ++rows;
    }
    EXPECT_GE(rows, 3);
    EXPECT_NE(html.out.find("\n<TABLE cellSpacing=1 cellPadding=3 border=0 WIDTH=\"100%\">\n"),
              std::string::npos);

    // Defaults: every column, 64 pixels each.
    const BatchRun plain = Batch({"html", file, "--height", "1000000", "--look", "0"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("\n    <TH WIDTH=69>Std Err</TH> \n"), std::string::npos);
}

TEST(BatchHtmlTest, RefusesBadOptions) {
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt";
    const struct {
        std::vector<std::string> extra;
        int status;
    } cases[] = {
        {{"--look", "2"}, 1},
        {{"--look", "0", "--columns", "11111111111"}, 1},
        {{"--look", "0", "--columns", "11111111111x"}, 1},
        {{"--look", "0", "--widths", "1,2,3"}, 1},
        {{"--look", "0", "--widths", "1,2,3,4,5,6,7,8,9,10,11,-1"}, 1},
        {{"--look", "0", "--widths", "1,2,3,4,5,6,7,8,9,10,11,12,13"}, 1},
        {{"--look", "0", "--widths", "1,2,3,4,5,6,7,8,9,10,11,999999"}, 1},
        {{}, 2},
        {{"--look", "0", "--peak", "1"}, 2},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"html", file, "--height", "1000000"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const BatchRun r = Batch(args);
        EXPECT_EQ(r.status, c.status) << args.back();
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

}  // namespace
}  // namespace ostrel
