// The texts of the composition of peaks: the cells of one output line per results table row,
// their headers, and a sentence on one satellite check.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "processing/peak_result.h"
#include "reference/composition.h"

namespace ostrel {

class NumberFormat;
class ResultsGrid;

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

// The other candidates after the best one, up to kOtherCandidatesShown best first, as
// "FORMULA(ERROR)" separated by blanks: the last cell of CompositionLineCells.
std::string OtherCandidatesText(const PeakComposition& composition, const NumberFormat& format);

// The page "Состав": "M", "Масса", "Формула", "Ошибка, mmu", "Ошибка, ppm", "DBE", "Ион",
// "Изотопный пик", "Доля", "Другие формулы".
std::vector<std::string> CompositionPageHeaderCells();
// One row of the page: M and Масса as the results table shows them, then for the best candidate
// its formula, its error in mmu ("%.2f") and ppm ("%.1f"), its DBE ("%.1f"),
// "чётноэлектронный" or "нечётноэлектронный", how its first satellite agrees
// (SatelliteAgreementText), its share ("97 %"), and the others as OtherCandidatesText. A
// problem peak has only M and Масса ("Ошибка" says why); another peak without a sound fit (its
// amplitude or resolving power not positive) shows kUnsoundFitText as its formula, one with
// nothing within the window kNothingWithinToleranceText.
std::vector<std::string> CompositionPageCells(std::string_view mText, std::string_view massText,
                                              const PeakComposition& composition, bool problemPeak,
                                              const NumberFormat& format);
inline constexpr const char* kNothingWithinToleranceText = "нет в допуске";
inline constexpr const char* kUnsoundFitText = "подгонка ненадёжна";

// The header and one row per composed peak, M and Масса taken from the results table's rows
// in its order: the lines of `ostrel-batch compose` (CompositionLineCells) and the page's rows
// (CompositionPageCells). Only the header when nothing is composed.
using CompositionRows = std::vector<std::vector<std::string>>;
CompositionRows CompositionLines(const ResultsGrid& table,
                                 const std::vector<PeakComposition>& composition,
                                 const NumberFormat& format);
CompositionRows CompositionPageRows(const ResultsGrid& table, const PeakResults& peaks,
                                    const std::vector<PeakComposition>& composition,
                                    const NumberFormat& format);

// The candidates of one peak, a line each: "Формула", "Масса иона", "Ошибка, mmu",
// "Ошибка, ppm", "DBE", "Ион", "Оценка", "Доля", "+1", "+2".
std::vector<std::string> CandidateHeaderCells();
// The ion (or "13C-C4F9+"), its mass ("%.6f"), the errors, DBE and parity as on the page, the
// score ("%.2f"), the share ("%.1f %"), and the satellite checks in words (SatelliteCheckText);
// a satellite candidate has one check only, its own height against its parent's prediction.
std::vector<std::string> CandidateCells(const CompositionCandidate& candidate,
                                        const NumberFormat& format);

// How a satellite agrees, in the few words of a table cell: "13C: 4.2 % из 4.3 %" (found: its
// height against the monoisotopic peak, of the predicted), "13C: нет, ожидается 4.3 %",
// "13C: ниже видимого", "13C: скрыт" (a problem peak or a neighbour where it should be).
std::string SatelliteAgreementText(const SatelliteCheck& check, const NumberFormat& format);

// The line a hover mark of the theory charts adds for a composed peak: «C4F9+ (-0.21 mmu)»;
// empty without a formula.
std::string CompositionMarkLine(const PeakComposition& composition, const NumberFormat& format);

// What the page says above the candidates of the peak chosen: "Формулы выбранного пика" before
// a choice; "Формулы пика 218.984905: 20 из 57 в окне ±2.00 mmu" for a composed peak;
// "Пик 218.984905 не подогнан надёжно: формулы не искались" for one without a sound fit.
inline constexpr const char* kNoPeakChosenCaption = "Формулы выбранного пика";
std::string CandidatesCaption(std::string_view massText, const PeakComposition& composition,
                              const NumberFormat& format);

// Dialog texts of the page's exports; the filters are those of the text files and HTML pages.
inline constexpr const char* kSaveCompositionTitle = "Сохранить состав";
inline constexpr const char* kCompositionTableName = "Состав пиков";
inline constexpr const char* kCompositionTextFileName = "Состав.txt";
inline constexpr const char* kCompositionHtmlFileName = "Состав.htm";

// One satellite check in words: "13C: 0.0437 ± 0.0088, ожидается 0.0433",
// "13C: не найден, ожидается 0.0011 — ниже видимого", "13C: не найден, хотя ожидается 0.0433",
// "13C: на его месте проблемный пик", "13C: закрыт соседним пиком".
std::string SatelliteCheckText(const SatelliteCheck& check, const NumberFormat& format);

}  // namespace ostrel
