#include "state/others.h"

#include <gtest/gtest.h>

#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {
namespace {

TEST(PointIndexOfXTest, FindsTheFirstPointAtOrAboveX) {
    ProgramState state;
    state.Points = {{10, 20, 30, 40}, {0, 0, 0, 0}};
    const struct {
        double x;
        int32_t index;
    } cases[] = {{5, 0}, {10, 0}, {10.5, 1}, {30, 2}, {39.999, 3}, {40, 3}, {41, 0}};
    for (const auto& c : cases) EXPECT_EQ(PointIndexOfX(state, c.x), c.index) << c.x;

    state.Stages.Stage4 = {{1, 5, 9}, {0, 3, 0}};
    EXPECT_EQ(Stage4IndexOfX(state, 4), 1);
    EXPECT_EQ(Stage4IndexOfX(state, 10), 0);
    EXPECT_EQ(PointIndexOfX(ProgramState{}, 1), 0);
}

TEST(ListNumberTest, TakesTheNumberOfAListLine) {
    NumberFormat f('.');
    EXPECT_DOUBLE_EQ(TakeFirstNumber("123,   456.7", f), 123);
    EXPECT_DOUBLE_EQ(TakeFirstNumber("28.0313,  C2H4", f), 28.0313);
    EXPECT_DOUBLE_EQ(TakeFirstNumber("42", f), 42);
    EXPECT_DOUBLE_EQ(NumberAfterLastSpace("C2H4,  28.0313", f), 28.0313);
    EXPECT_DOUBLE_EQ(NumberAfterLastSpace("17.5", f), 17.5);
    for (const char* bad : {"", ",5", "abc, 1"})
        EXPECT_THROW(TakeFirstNumber(bad, f), CommandError);
    EXPECT_THROW(NumberAfterLastSpace("mass ", f), CommandError);
    const std::string long52(52, '1');
    EXPECT_THROW(TakeFirstNumber(long52 + ", x", f), CommandError);
    EXPECT_THROW(NumberAfterLastSpace("m " + long52, f), CommandError);
    EXPECT_NO_THROW(NumberAfterLastSpace("m " + std::string(51, '1'), f));
}

TEST(ResultsGridTest, PutTextGrowsTheGridAndAdvancesTheColumn) {
    ResultsGrid grid;
    NumberFormat f('.');
    EXPECT_EQ(grid.RowCount(), 2);
    grid.GridColumn = 3;
    GridPutText(grid, "a", 5);
    EXPECT_EQ(grid.RowCount(), 6);
    EXPECT_EQ(grid.Cell(3, 5), "a");
    GridPutFloat(grid, 3, 5, 28.03125, f);
    EXPECT_EQ(grid.Cell(4, 5), "28.031");
    EXPECT_EQ(grid.GridColumn, 5);
    grid.GridColumn = 12;
    EXPECT_THROW(GridPutText(grid, "x", 1), CommandError);
    grid.GridColumn = 0;
    EXPECT_THROW(GridPutText(grid, "x", -1), CommandError);
}

TEST(ResultsGridTest, AutoSizeAddsTheWidthOfWww) {
    ResultsGrid grid;
    grid.SetCell(0, 0, "Mass");
    grid.SetCell(0, 1, "28.03130");
    auto widths = AutoSizeGridColumns(grid, [](const std::string& s) { return 7 * int(s.size()); });
    EXPECT_EQ(widths[0], 7 * 8 + 21);
    EXPECT_EQ(widths[1], 21);
    EXPECT_EQ(widths.size(), 12u);
}

}  // namespace
}  // namespace ostrel
