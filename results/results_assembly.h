// What the end of the last pass shows: the results rows, the list of all masses, the fitted
// curves, the counters and the closing message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

class NumberFormat;
class ResultsGrid;
struct PeakTables;

// (M − n)·1000 milli-units, n the integer nearest to M with halves to even.
double MassExcess(double mass);

// Writes one row per peak from row 1 on: fitted peaks with their numbers, problem peaks (height
// exactly 1) with "Ошибка" and blanks; "DMe" against the previous fitted peak, empty in row 1.
void WriteResultRows(ResultsGrid& grid, const PeakTables& peaks, const NumberFormat& format);

// "mass,  height" ("%.1f", "%.0f") per peak.
std::vector<std::string> MassListLines(const PeakTables& peaks, const NumberFormat& format);

// The fitted curve of every peak, sampled every 0.001 u over its window (at most 10001 points a
// peak), in ascending x.
struct CurvePoints {
    std::vector<double> x, y;
};
CurvePoints FittedCurves(const PeakTables& peaks);

// Milliseconds between two 32-bit tick counts, as a signed 64-bit difference.
int64_t ElapsedTicks(uint32_t startTick, uint32_t nowTick);
// The 32-bit millisecond tick count of this computer.
uint32_t TickCount();

std::string LastPassDoneMessage();

struct ProgramState;
// What the end of a pass builds from the peak tables beside the results rows: the CH and CF
// reference tables and the four theory series.
void AssembleReferenceAndTheory(ProgramState& state);

}  // namespace ostrel
