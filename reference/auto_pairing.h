// The automatic calibration: which fitted peaks are which reference ions, found without a
// starting guess of the scale error, and which fit the user's calibration should run on them.
// The chosen pairs go into the calibration list (peak + the ion's exact mass as its true mass)
// and through the fits of "Подобрать линию" or "Подобрать параболу" and "Пересчитать данные".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fitting/calibration_curve.h"
#include "fitting/spread_model.h"
#include "reference/reference_sets.h"

namespace ostrel {

class NumberFormat;

// One row of the results table, as the pairing sees it.
struct AutoCalibrationPeak {
    double mass = 0;       // the fitted centre, u
    double height = 0;     // the fitted height above the background
    double massError = 0;  // the fit's standard error of the centre, u; 0 when unknown
    bool usable = true;    // false for a problem peak or a nonsense fit
};

enum class CurveDegree { Line, Parabola };

struct AutoCalibrationSettings {
    // How far (mmu) a pair may lie from the curve most peaks agree on.
    double toleranceMmu = 3;
    // The fit to run; chosen from the data when not given.
    std::optional<CurveDegree> degree;
    // The largest scale error looked for: offset + ppm·mass, each either sign.
    double maxOffsetMmu = 50;
    double maxPpm = 50;
};

struct AutoCalibrationPair {
    int32_t peak = -1;  // row of the results table
    int32_t ion = -1;   // index into the reference ions given
    std::string ionName;
    double measuredMass = 0;
    double referenceMass = 0;
    double deviationMmu = 0;  // (reference − measured)·1000, before the calibration
    double residualMmu = 0;   // reference − recalculated mass, mmu, after the fitted curve
};

// Why a peak near the agreed curve is not among the pairs.
enum class LeftOutReason {
    Isotope,          // the 13C peak of a taller peak
    Outlier,          // within the tolerance but far beyond its own error
    IonTaken,         // its ion went to a taller peak
    OutsideLineEnds,  // a line was chosen, through stronger pairs further in
    TooImprecise,     // its error would spoil the unweighted parabola more than it helps
};

struct LeftOutPeak {
    int32_t peak = -1;
    int32_t ion = -1;         // the nearest ion to the agreed curve, −1 when none lies in reach
    double deviationMmu = 0;  // to that ion, before the calibration
    double offCurveMmu = 0;   // deviation − agreed curve
    int32_t isotopeOf = -1;   // for an isotope peak: the peak it belongs to
    LeftOutReason reason = LeftOutReason::Outlier;
};

struct AutoCalibrationResult {
    std::string refusal;                     // why no calibration is offered; empty when it is
    std::vector<AutoCalibrationPair> pairs;  // ascending measured mass
    CurveDegree degree = CurveDegree::Line;
    std::string degreeReason;  // one Russian sentence for the window
    // The fit of the chosen degree made by the user's own routines from the pairs.
    CalibrationCurve curve;
    // The curve most peaks agree on: the weighted robust fit, deviation (mmu) over mass (u).
    CalibrationCurve agreed;
    bool agreedCurved = false;  // the agreed curve is a parabola (its curvature is significant)
    double curvatureP = 1;      // the F-test's p of the parabola against the line
    // The pairs' spread about the agreed curve in units of their own errors (1 at least).
    double scatter = 0;
    // The pairs' spread about the agreed curve, σ² = f² + k²e² (e the fits' own errors), when
    // there are enough pairs to tell it (six); otherwise each pair's error is scatter·σ.
    std::optional<SpreadModel> spread;
    // The expected root mean square error (mmu) of the chosen fit over the peaks' masses.
    double expectedErrorMmu = 0;
    // What the consensus vote found before the refinement: the deviation
    // voteOffsetMmu + votePpm·m/1000 (mmu) over the measured mass m (u).
    double voteOffsetMmu = 0;
    double votePpm = 0;
    std::vector<LeftOutPeak> leftOut;

    bool Refused() const { return !refusal.empty(); }
};

// The masses around every usable peak where its ion may lie: as far as the largest scale error
// and the tolerance reach. The families of ions are generated over them.
std::vector<MassInterval> PairingWindows(std::span<const AutoCalibrationPeak> peaks,
                                         const AutoCalibrationSettings& settings);

// Pairs the peaks (in the order of the results table) with the reference ions (in any order)
// and chooses the fit; see auto_pairing.cpp for the steps and their numerics. Deterministic.
// A result with a refusal when fewer than three pairs agree or when they agree far worse than
// the peaks' own errors allow; the numbers in its texts are written with `format`. CommandError
// for settings out of range (tolerance not in (0, 50] mmu, scale limits negative or above
// 1000).
AutoCalibrationResult AutoCalibrate(std::span<const AutoCalibrationPeak> peaks,
                                    std::span<const ReferenceIon> ions,
                                    const AutoCalibrationSettings& settings,
                                    const NumberFormat& format);

// What the automatic calibration prints: a header line and one line per pair, tab separated:
// K (the row of the results table), the measured mass ("%.6f"), the reference mass ("%.6f"),
// the ion, the deviation before (reference − measured, "%.3f" mmu) and the residual after the
// curve (reference − recalculated mass, "%.3f" mmu, the mass moved as "Пересчитать данные"
// moves it).
std::vector<std::string> AutoCalibrationLines(std::span<const AutoCalibrationPair> pairs,
                                              const CalibrationCurve& curve,
                                              const NumberFormat& format);

}  // namespace ostrel
