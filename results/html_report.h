// The results table as an HTML page ("Информация" > "HTML" and "HTML (усовершен.)"): the page's
// lines for the chosen columns and the grid's column widths, and its file.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "results/text_table.h"
#include "state/results_grid.h"

namespace ostrel {

// Dialog texts of the page.
inline constexpr const char* kSaveInformationTitle = "Сохранить информацию";
inline constexpr const char* kHtmlFileName = "Информация.htm";
inline constexpr const char* kHtmlFileFilter = "HTML (*.htm)|*.HTM|Все (*.*)|*.*";

// The column dialog: its caption and the captions of its twelve boxes. Box k chooses grid column
// k − 1 whatever its caption says, so boxes 8 to 11 name other columns than the ones they choose.
inline constexpr const char* kColumnDialogCaption = "Выбор столбцов";
inline constexpr const char* kColumnDialogButton = "OK";
const std::array<std::string, ResultsGrid::kColumnCount>& ColumnBoxCaptions();

// One flag per grid column: is it written into the page.
using ColumnChoice = std::array<bool, ResultsGrid::kColumnCount>;
inline constexpr ColumnChoice kAllColumns = {true, true, true, true, true, true,
                                             true, true, true, true, true, true};

// The width in pixels of every grid column, as the grid shows it.
using ColumnWidths = std::array<int, ResultsGrid::kColumnCount>;

// The two looks of the page: a plain bordered table, or thin black rules drawn by nesting.
enum class HtmlLook { Plain = 0, Improved = 1 };

// "<", ">", "&" and '"' as character references, so that a title read from a file (or a cell)
// cannot add markup to the page.
std::string HtmlEscape(std::string_view text);

// The page's lines in UTF-8, without line ends: head with the title and the encoding, heading,
// then every grid row (the header row first) with one cell line per chosen column, each as wide
// as widths[column] + 5 pixels.
std::vector<std::string> HtmlReportLines(const ResultsGrid& grid, const std::string& title,
                                         HtmlLook look, const ColumnChoice& chosen,
                                         const ColumnWidths& widths);

// The same page for any table: the columns whose chosen flag is set (a column beyond the
// flags is not written), each as wide as its width + 5 pixels (0 beyond the widths).
std::vector<std::string> HtmlTableLines(const TextTable& table, const std::string& title,
                                        HtmlLook look, const std::vector<bool>& chosen,
                                        const std::vector<int>& widths);
void WriteTableToHTML(const std::string& path, const TextTable& table, const std::string& title,
                      HtmlLook look, const std::vector<bool>& chosen,
                      const std::vector<int>& widths);

// The lines joined, each followed by lineEnd.
std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd);

// WriteToHTML: the page as a Windows-1251 file with CR LF line ends, replacing an existing file
// only when complete.
void WriteToHTML(const std::string& path, const ResultsGrid& grid, const std::string& title,
                 HtmlLook look, const ColumnChoice& chosen, const ColumnWidths& widths);

}  // namespace ostrel
