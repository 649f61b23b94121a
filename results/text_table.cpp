#include "results/text_table.h"

#include "state/results_grid.h"

namespace ostrel {

TextTable TableOf(const ResultsGrid& grid) {
    return {grid.RowCount(), grid.ColCount(),
            [&grid](int32_t column, int32_t row) -> const std::string& {
                return grid.Cell(column, row);
            }};
}

TextTable TableOf(const std::vector<std::vector<std::string>>& rows) {
    const auto columns = rows.empty() ? 0 : static_cast<int32_t>(rows.front().size());
    return {static_cast<int32_t>(rows.size()), columns,
            [&rows](int32_t column, int32_t row) -> const std::string& {
                static const std::string kMissing;
                const auto& cells = rows.at(static_cast<size_t>(row));
                return static_cast<size_t>(column) < cells.size() ? cells[column] : kMissing;
            }};
}

}  // namespace ostrel
