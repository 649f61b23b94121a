#include "results/table_copy.h"

#include "state/cp1251.h"
#include "state/file_io.h"
#include "state/results_grid.h"

namespace ostrel {

std::string TableText(const TextTable& table, std::string_view lineEnd) {
    std::string text;
    for (int32_t r = 0; r < table.rows; ++r) {
        for (int32_t c = 0; c < table.columns; ++c) {
            if (c > 0) text += '\t';
            text += table.cell(c, r);
        }
        text += lineEnd;
    }
    return text;
}

void WriteTableText(const std::string& path, const TextTable& table) {
    WriteFileReplacing(path, Utf8ToCp1251(TableText(table, "\r\n")));
}

std::string GridTableText(const ResultsGrid& grid, std::string_view lineEnd) {
    return TableText(TableOf(grid), lineEnd);
}

void WriteGridTable(const std::string& path, const ResultsGrid& grid) {
    WriteTableText(path, TableOf(grid));
}

std::string TableCopiedMessage(std::string_view table, const std::string& path, int32_t peakRows) {
    return std::string(table) + ": файл \"" + path +
           "\" записан (пиков: " + std::to_string(peakRows) + ").";
}

}  // namespace ostrel
