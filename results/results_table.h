// The views of the peak records that the window lists and the exports write: the results table
// (twelve columns) and the list of all masses.
#pragma once

#include <string>
#include <vector>

#include "processing/peak_result.h"
#include "state/results_grid.h"

namespace ostrel {

class NumberFormat;

// (M − n)·1000 milli-units, n the integer nearest to M with halves to even.
double MassExcess(double mass);

// The results table: the header row, then one row per peak: fitted peaks with their numbers,
// problem peaks with "Ошибка", blanks and their point count; "DMe" against the previous fitted
// peak, empty in row 1. Without peaks one empty row follows the header. Throws CommandError when
// a peak's mass has no nominal mass (a fit gone far astray).
ResultsGrid ResultsTable(const PeakResults& peaks, const NumberFormat& format);

// The title of the results' HTML page: the spectrum's title, and after a refined pass a note
// that says so (the table's rows then include refined peaks).
std::string ResultsPageTitle(const std::string& curveTitle, bool refined);

// "Все массы": "mass,  height" ("%.1f", "%.0f") per peak, "mass,  Ошибка" for a problem peak.
// A calibration line starts with its peak's line.
std::vector<std::string> MassListLines(const PeakResults& peaks, const NumberFormat& format);
std::string MassListLine(const PeakResult& peak, const NumberFormat& format);

}  // namespace ostrel
