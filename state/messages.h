// Fixed texts of the shell: messages, captions and the file-dialog filter syntax.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Joins message lines with a carriage return alone, as every multi-line message is written.
std::string JoinMessageLines(const std::vector<std::string>& lines);

// The guidance shown after a load while hints are on.
std::string LoadHintMessage();

// "Последняя" with a height above every zone: no peak would be left.
std::string HeightAboveEveryZoneMessage(std::string_view heightText);

// The results grid's header row.
const std::vector<std::string>& GridHeaders();

class ResultsGrid;
// Writes the header row (row 0) of the results grid.
void WriteGridHeaders(ResultsGrid& grid);

// "первое число - высота зоны пика" CR "второе число - центр зоны".
std::string ZoneListTooltip();

// Turns "Caption|pattern|Caption|pattern" into Qt's "Caption (patterns);;..." syntax. A caption
// that names its patterns in parentheses ("Текст (*.txt)") is shown as it stands and Qt takes
// the patterns from it; the program's dialog matches them in any case, so "*.txt" finds "A.TXT"
// too. A caption without them gets the patterns ("HTML (*.htm)").
std::string DialogFilterToQt(std::string_view filter);

}  // namespace ostrel
