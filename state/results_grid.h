// The contents of the results grid: cells by row and column, and the column at which the next
// cell is written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ostrel {

class ResultsGrid {
  public:
    static constexpr int32_t kColumnCount = 12;

    ResultsGrid();

    int32_t RowCount() const { return static_cast<int32_t>(cells_.size()); }
    int32_t ColCount() const { return kColumnCount; }
    void SetRowCount(int32_t rows);
    const std::string& Cell(int32_t column, int32_t row) const;
    void SetCell(int32_t column, int32_t row, std::string text);

    int32_t GridColumn = 0;

  private:
    std::vector<std::vector<std::string>> cells_;
};

class NumberFormat;

// Writes the text at (GridColumn, row), growing the grid to row + 1 rows when needed, and
// advances GridColumn.
void GridPutText(ResultsGrid& grid, const std::string& text, int32_t row);

// GridPutText of the value in the "%.Nf" format with the given decimals.
void GridPutFloat(ResultsGrid& grid, int32_t decimals, int32_t row, double value,
                  const NumberFormat& format);

// Column widths: the widest text of each column plus the width of "www", as measured by the
// caller's font.
std::vector<int> AutoSizeGridColumns(const ResultsGrid& grid,
                                     const std::function<int(const std::string&)>& textWidth);

}  // namespace ostrel
