// The results table as tab-separated text: the pop-up commands "Копировать в Excel" (the
// clipboard) and "Копировать в TXT-файл" (a file), so that it pastes into a spreadsheet as a table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "results/text_table.h"

namespace ostrel {

class ResultsGrid;

// Dialog texts of the text copy; its filter is the one of the text files.
inline constexpr const char* kTableTextFileName = "Информация.txt";
// Shown when the text copy has been written: what was written, and where.
std::string TableCopiedMessage(std::string_view table, const std::string& path, int32_t peakRows);
inline constexpr const char* kResultsTableName = "Таблица результатов";

// Every row of the table, the header row first, its cells separated by one tab, each row
// followed by lineEnd; and the same as a Windows-1251 file with CR LF line ends, replacing an
// existing file only when complete.
std::string TableText(const TextTable& table, std::string_view lineEnd);
void WriteTableText(const std::string& path, const TextTable& table);

// Every grid row, the header row first, with its cells exactly as the grid shows them separated
// by one tab, each row followed by lineEnd.
std::string GridTableText(const ResultsGrid& grid, std::string_view lineEnd);

// GridTableText as a Windows-1251 file with CR LF line ends, replacing an existing file only when
// complete.
void WriteGridTable(const std::string& path, const ResultsGrid& grid);

}  // namespace ostrel
