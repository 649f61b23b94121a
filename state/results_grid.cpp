#include "state/results_grid.h"

#include <algorithm>

#include "state/errors.h"

namespace ostrel {

namespace {

void CheckCell(int64_t column, int64_t row, int64_t rows) {
    if (column < 0 || column >= ResultsGrid::kColumnCount || row < 0 || row >= rows)
        throw CommandError("Ячейка таблицы (" + std::to_string(column) + ", " +
                           std::to_string(row) + ") лежит вне таблицы.");
}

}  // namespace

ResultsGrid::ResultsGrid() {
    SetRowCount(2);
}

void ResultsGrid::SetRowCount(int32_t rows) {
    if (rows < 0) throw CommandError("Недопустимое число строк таблицы.");
    cells_.resize(static_cast<size_t>(rows), std::vector<std::string>(kColumnCount));
}

const std::string& ResultsGrid::Cell(int32_t column, int32_t row) const {
    CheckCell(column, row, RowCount());
    return cells_[row][column];
}

void ResultsGrid::SetCell(int32_t column, int32_t row, std::string text) {
    CheckCell(column, row, RowCount());
    cells_[row][column] = std::move(text);
}

std::vector<int> AutoSizeGridColumns(const ResultsGrid& grid,
                                     const std::function<int(const std::string&)>& textWidth) {
    std::vector<int> widths(grid.ColCount(), 0);
    const int extra = textWidth("www");
    for (int32_t c = 0; c < grid.ColCount(); ++c) {
        int widest = 0;
        for (int32_t r = 0; r < grid.RowCount(); ++r)
            widest = std::max(widest, textWidth(grid.Cell(c, r)));
        widths[c] = widest + extra;
    }
    return widths;
}

}  // namespace ostrel
