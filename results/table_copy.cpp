#include "results/table_copy.h"

#include "state/cp1251.h"
#include "state/file_io.h"
#include "state/results_grid.h"

namespace ostrel {

std::string GridTableText(const ResultsGrid& grid, std::string_view lineEnd) {
    std::string text;
    for (int32_t r = 0; r < grid.RowCount(); ++r) {
        for (int32_t c = 0; c < grid.ColCount(); ++c) {
            if (c > 0) text += '\t';
            text += grid.Cell(c, r);
        }
        text += lineEnd;
    }
    return text;
}

void WriteGridTable(const std::string& path, const ResultsGrid& grid) {
    WriteFileReplacing(path, Utf8ToCp1251(GridTableText(grid, "\r\n")));
}

std::string TableCopiedMessage(const std::string& path, int32_t peakRows) {
    return "Таблица результатов записана в файл \"" + path +
           "\" (пиков: " + std::to_string(peakRows) + ").";
}

}  // namespace ostrel
