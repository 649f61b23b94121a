// The result of one peak of the last pass: its window, the fitted parameters with their errors,
// and whether the fit succeeded. The results table, the list of all masses, the HTML page, the
// theory points and the fitted curves are all made from these records.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "fitting/peak_fit.h"

namespace ostrel {

enum class PeakStatus : int32_t {
    Fitted,
    Problem,  // the fit gave up (PeakResult::problem says why); the numbers are the fixed ones
};

// How a record came to be: the pass's own fit, or, when the refinement is chosen, a failed fit
// done again or one component of a zone fitted as several peaks.
enum class PeakOrigin : int32_t { Pass, Refitted, Component };

struct PeakResult {
    // The window: its x ends and the slope-list index of its left minimum.
    double leftX = 0;
    double rightX = 0;
    int32_t zone = 0;

    double centre = 0;               // D, the mass (u)
    double resolvingPower = 0;       // C
    double height = 0;               // B − A, as the table shows it
    double background = 0;           // A, or the window's minimum when A is not positive
    double stdErr = 0;               // √ of the residual variance
    std::array<double, 4> errors{};  // standard errors of A, B, C and D
    int32_t iterations = 0;
    int32_t points = 0;
    double modelA = 0;  // the model's own A and B, from which the fitted curve is drawn
    double modelB = 0;

    PeakStatus status = PeakStatus::Fitted;
    FitProblem problem = FitProblem::None;
    // The fit converged, or its last step moved no parameter by a hundredth of that parameter's
    // standard error: a fit of a very tall peak may stop at the step cap only because its
    // absolute stop test lies below what double precision resolves at its height.
    bool settled = true;

    PeakOrigin origin = PeakOrigin::Pass;
    int32_t group = -1;  // components of one zone: the index of the group's first record

    bool IsProblem() const { return status == PeakStatus::Problem; }
};

using PeakResults = std::vector<PeakResult>;

// Why the numbers of a fitted peak do not describe a peak, though its fit completed: kept as
// computed and shown, but marked, and left out of every automatic use (the calibration's pairs,
// the composition) — but for SettledAtCap, which is only marked.
enum class FitDoubt : int32_t {
    None,
    NotFinite,                  // a parameter or its error is not a number
    AmplitudeNotPositive,       // the model's B at or below 0: a dip, not a peak (a weak peak
                                // below its background shows B − A < 0 in the table and is
                                // still a peak)
    ResolvingPowerNotPositive,  // a width that no peak has
    CentreOutsideWindow,        // the centre ran out of the window it was fitted in
    Undetermined,               // the amplitude or the resolving power lies within two of its
                                // standard errors of 0: the data do not fix the peak
    StepCap,                    // the fit stopped at the step cap still moving (not settled)
    SettledAtCap,               // it stopped at the step cap, but had settled: usable
};

// The doubt about a fitted peak, the first that applies in the order above; None for a problem
// peak, which has its own status.
FitDoubt DoubtOf(const PeakResult& peak);

// A peak whose fit completed and whose numbers describe a peak.
inline bool IsUsableFit(const PeakResult& peak) {
    if (peak.IsProblem()) return false;
    const FitDoubt doubt = DoubtOf(peak);
    return doubt == FitDoubt::None || doubt == FitDoubt::SettledAtCap;
}

// The record of the peak just fitted in this context.
PeakResult ResultOfFit(const PeakFitState& fit, int32_t zone);

}  // namespace ostrel
