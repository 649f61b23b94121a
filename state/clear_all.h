// The one reset of derived data. The core resets what it owns and reports which parts of the
// derived data it reset, so that the window clears the widgets that show them.
#pragma once

#include <bitset>
#include <string>

namespace ostrel {

struct ProgramState;

enum ClearMode : int {
    kClearForLoad = 0,         // a new spectrum or recalculated masses: the spectrum curve too
    kClearForPreliminary = 1,  // the preliminary processing starts
    kClearForLastPass = 2,     // the last processing starts: the zone view stays
};

// The parts of the derived data that a reset may leave empty.
enum class DerivedPart : int {
    SpectrumCurve,     // the spectrum itself is to be drawn anew (mode 0 only)
    StageCurves,       // the curves of processing stages 1 to 4
    FittedCurves,      // "Обработанное"
    CalibrationCurve,  // the calibration points, the fitted curve and its coefficients' use
    TheorySeries,      // the four series of "Теория CH" and "Теория CF"
    ZoneChoice,        // the zone on view and the height taken from it (modes 0 and 1)
    SlopeCurve,        // the slope list's curve
    ResultsTable,      // the rows of the results table
    ZoneList,          // the lines of the zone list
    StandardMasses,    // the reference tables and the lines of "Стандартные массы"
    PassReports,       // the problem peaks, the peak array and the pass's counters
    MassLists,         // "Все массы" on the calibration and single-peak pages
    CalibrationList,   // the calibration list and the typed mass
    SinglePeak,        // the single peak's iterations and its saved points
    Composition,       // the composition of the peaks ("Состав")
    kCount
};

struct ClearedParts {
    std::bitset<static_cast<size_t>(DerivedPart::kCount)> parts;
    std::string kolUsredText;  // the settings as accepted, which the window shows again
    std::string krivoMnText;

    bool Has(DerivedPart part) const { return parts.test(static_cast<size_t>(part)); }
};

// Resets the peaks of the last pass with their composition, the reference tables, the theory
// series, the calibration list (with the automatic pairing that filled it) and its points. The
// spectrum, title, settings, flags, the processing stages, the calibration curve's coefficients
// and the last fit stay.
ClearedParts ClearAll(ProgramState& state, int mode);

}  // namespace ostrel
