#include "state/list_numbers.h"

#include <gtest/gtest.h>

#include "state/errors.h"
#include "state/number_format.h"
#include "state/results_grid.h"

namespace ostrel {
namespace {

TEST(ListNumberTest, TakesTheNumberOfAListLine) {
    NumberFormat f('.');
    EXPECT_DOUBLE_EQ(TakeFirstNumber("123,   456.7", f), 123);
    EXPECT_DOUBLE_EQ(TakeFirstNumber("28.0313,  C2H4", f), 28.0313);
    EXPECT_DOUBLE_EQ(TakeFirstNumber("42", f), 42);
    for (const char* bad : {"", ",5", "abc, 1"})
        EXPECT_THROW(TakeFirstNumber(bad, f), CommandError);
    const std::string long52(52, '1');
    EXPECT_THROW(TakeFirstNumber(long52 + ", x", f), CommandError);
    EXPECT_NO_THROW(TakeFirstNumber(std::string(51, '1') + ", x", f));
}

TEST(ResultsGridTest, CellsOutsideTheTableAreRefused) {
    ResultsGrid grid;
    EXPECT_EQ(grid.RowCount(), 2);
    grid.SetRowCount(6);
    grid.SetCell(3, 5, "a");
    EXPECT_EQ(grid.Cell(3, 5), "a");
    EXPECT_THROW(grid.SetCell(12, 1, "x"), CommandError);
    EXPECT_THROW(grid.SetCell(0, 6, "x"), CommandError);
    EXPECT_THROW(grid.Cell(-1, 0), CommandError);
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
