// The results table as the grid shows it: cells by row and column, the header row first. It is a
// view, made from the peak records (results/results_table.h).
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

  private:
    std::vector<std::vector<std::string>> cells_;
};

// Column widths: the widest text of each column plus the width of "www", as measured by the
// caller's font.
std::vector<int> AutoSizeGridColumns(const ResultsGrid& grid,
                                     const std::function<int(const std::string&)>& textWidth);

}  // namespace ostrel
