// The options of "ostrel-batch html": the page's look, the chosen columns and the column widths.
#pragma once

#include <string>

#include "results/html_report.h"

namespace ostrel {

// "0" plain or "1" improved; CommandError otherwise.
HtmlLook ParseHtmlLook(const std::string& text);
// Twelve digits 0 or 1, one per grid column; CommandError otherwise.
ColumnChoice ParseColumnChoice(const std::string& text);
// Twelve whole numbers from 0 to 100000 separated by commas; CommandError otherwise.
ColumnWidths ParseColumnWidths(const std::string& text);

}  // namespace ostrel
