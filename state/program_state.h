// The working state of one run: the open spectrum, its settings, the mode flags and everything
// derived from it. One object per run (and per test); nothing lives in globals.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "fitting/calibration_curve.h"
#include "fitting/curve_report.h"
#include "processing/peak_result.h"
#include "processing/point_list.h"
#include "processing/road_settings.h"
#include "reference/auto_pairing.h"
#include "reference/calibration_list.h"
#include "reference/pass_composition.h"
#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "state/clear_all.h"
#include "state/number_format.h"
#include "state/results_grid.h"
#include "state/spectrum.h"

namespace ostrel {

struct LoadedSpectrum;

struct OpenSpectrumResult {
    ClearedParts cleared;
    bool titleRead = false;  // the file had a title line: the chart shows CurveTitle
};

// Reference atomic masses used by the reference-ion tables.
inline constexpr double MassC = 12.0;
inline constexpr double MassH = 1.00783;
inline constexpr double MassF = 18.9984;

struct ProgramState {
    // The spectrum and its file.
    Spectrum Points;
    std::string CurveTitle;  // UTF-8, at most 100 characters
    int32_t MaxYDecimals = 0;

    // Processing settings, as the preliminary processing last accepted them.
    int32_t KolUsred = PreliminarySettings::kDefaultKolUsred;
    double KrivoMn = PreliminarySettings::kDefaultKrivoMn;
    int32_t FirstPeakHeight = 0;

    // Mode flags.
    bool HintMode = true;
    bool MarkHints = true;

    // The run's number format: the system's separator until the first spectrum load.
    NumberFormat Format;

    // Environment and files.
    std::string ComputerName;
    bool OnHost1 = false;
    bool OnHost2 = false;
    std::string DialogFolder;

    // The columns of the HTML page, as the column dialog's OK last chose them (none at start).
    std::array<bool, ResultsGrid::kColumnCount> ColumnChosen{};
    // The elements and the tolerance of the composition of peaks, as last chosen: kept for the
    // run (never written to a file), every pass composes its peaks with them.
    ComposeSettings ComposeChoice;

    // Derived data.
    ProcessingStages Stages;
    PeakResults Peaks;            // the last pass's peaks, taken over when it has ended
    bool PeaksRefined = false;    // the refinement followed that pass
    PassComposition Composition;  // of those peaks, indexed like them (empty: not composed)
    ReferenceTables Reference;    // reference ions of the last pass's mass range
    TheoryCharts Theory;          // the four series of the theory charts
    CalibrationList Calibration;
    // The last automatic pairing that filled the calibration list; reset with the list.
    std::optional<AutoCalibrationResult> AutoPairing;
    PointList CalibPoints;            // the calibration points in ascending mass
    CalibrationCurve Curve;           // kept until the next fit, whatever is reset
    std::optional<CurveFit> LastFit;  // the curve with the points it was fitted to, kept as well
    int32_t HoveredPoint = -1;        // the measured point under the mouse on a theory chart
};

// The texts that Edit2 and Edit3 show for the stored settings.
std::string KolUsredText(const ProgramState& state);
std::string KrivoMnText(const ProgramState& state);

// "Открыть...": reads the file into new sequences; only when the whole file was read does it run
// ClearAll(0) and make the spectrum the open one. A failed read throws and changes nothing.
// An mzML or mzXML file (IsMzFile) gives its spectrum at spectrumIndex, by default its only or
// first profile MS1 spectrum; a text file holds the one spectrum 0.
OpenSpectrumResult OpenSpectrum(ProgramState& state, const std::string& path,
                                std::optional<int32_t> spectrumIndex = std::nullopt);

// Makes a successfully read spectrum the open one: ClearAll(0), then the title (when the file had
// one), the decimal separator ".", the points and MaxYDecimals; FirstPeakHeight starts again
// from 0.
OpenSpectrumResult AcceptLoadedSpectrum(ProgramState& state, LoadedSpectrum&& loaded);

}  // namespace ostrel
