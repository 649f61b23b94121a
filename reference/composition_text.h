// The texts of the composition of peaks: the cells of one output line per results table row,
// their headers, and a sentence on one satellite check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reference/composition.h"

namespace ostrel {

class NumberFormat;

// The other candidates a line names after the best one: more than five are rarely read, and
// the ranking below them rests on mass alone.
inline constexpr int32_t kOtherCandidatesShown = 5;

// "M", "Масса", "Формула", "Ошибка, mmu", "DBE", "Другие формулы".
std::vector<std::string> CompositionHeaderCells();

// The six cells of one row: M and Масса as the results table shows them, the best candidate
// ("C4H9+", "13C-C4F9+"), its error (measured − ion mass, mmu, "%.2f"), its rings plus double
// bonds ("%.1f"), then up to kOtherCandidatesShown others best first as "FORMULA(ERROR)"
// separated by blanks. The last four are empty for a problem row or when nothing lies within
// the tolerance.
std::vector<std::string> CompositionLineCells(std::string_view mText, std::string_view massText,
                                              const PeakComposition& composition,
                                              const NumberFormat& format);

// One satellite check in words: "13C: 0.0437 ± 0.0088, ожидается 0.0433",
// "13C: не найден, ожидается 0.0011 — ниже видимого", "13C: не найден, хотя ожидается 0.0433",
// "13C: на его месте проблемный пик", "13C: закрыт соседним пиком".
std::string SatelliteCheckText(const SatelliteCheck& check, const NumberFormat& format);

}  // namespace ostrel
