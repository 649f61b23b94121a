// A table of texts as the exports read it (the HTML page, the tab-separated copies): its size and
// its cells, the header row first. It reads a table held elsewhere, so the results grid and the
// rows of any other page are written by the same functions without a copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ostrel {

class ResultsGrid;

struct TextTable {
    int32_t rows = 0;
    int32_t columns = 0;
    std::function<const std::string&(int32_t column, int32_t row)> cell;
};

// The grid, or rows of cells (as many columns as the first row; a shorter row's missing cells
// are empty), read in place: the table must outlive the view.
TextTable TableOf(const ResultsGrid& grid);
TextTable TableOf(const std::vector<std::vector<std::string>>& rows);

}  // namespace ostrel
