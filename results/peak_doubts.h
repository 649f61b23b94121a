// What the window tells about records whose numbers cannot be trusted (problem peaks, and fitted
// peaks with a FitDoubt; IsUsableFit is false for both but a fit that settled at the step cap,
// which is marked all the same): the reason beside a marked row, line or mark, and the lines
// that head the problem-peak list.
#pragma once

#include <string>
#include <vector>

#include "processing/peak_result.h"

namespace ostrel {

class NumberFormat;

// Why the record is marked, with the value at fault; empty for a fit without a doubt.
std::string DoubtText(const PeakResult& peak, const NumberFormat& format);

// The same in a few characters, for a narrow list: «B ≤ 0», «не подобран», «не сошёлся».
std::string DoubtBrief(const PeakResult& peak);

// One line per record that is not usable, in table order, numbered as the fit's problem log
// numbers its peaks: «12 пик, 151.0: B ≤ 0».
std::vector<std::string> DoubtfulPeakLines(const PeakResults& peaks, const NumberFormat& format);

// How the refinement made the record at index i, for the mark of its row: empty for a record of
// the pass itself; «подобран заново при уточнении» or «одна из 2 компонент, на которые уточнение
// разделило пик (строки 12–13)».
std::string RefinementText(const PeakResults& peaks, size_t i);

// After a refined pass, the lines that close "Массив пиков": how many records the refinement
// made, then one line per such record: «строка 12: M = 151.00012, R = 5012, B = 1534.2,
// подобран заново».
std::vector<std::string> RefinementLines(const PeakResults& peaks, const NumberFormat& format);

// The records of the refinement's fit that record i belongs to, one line each as above (one
// line for a peak fitted again alone); none for a record of the pass itself.
std::vector<std::string> RefinementGroupLines(const PeakResults& peaks, size_t i,
                                              const NumberFormat& format);

// The label of a fitted peak on the spectrum chart: its mass with four decimals.
std::string PeakLabelText(const PeakResult& peak, const NumberFormat& format);

}  // namespace ostrel
