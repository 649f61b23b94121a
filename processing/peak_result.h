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

    PeakOrigin origin = PeakOrigin::Pass;
    int32_t group = -1;  // components of one zone: the index of the group's first record

    bool IsProblem() const { return status == PeakStatus::Problem; }
};

using PeakResults = std::vector<PeakResult>;

// Why a record's numbers cannot be trusted, the first that applies: the fit gave up (a problem
// peak), a value is not a number, the height B or the resolving power R came out zero or
// negative (the shape then is a dip or has no width), or the fit ran to its step cap without
// its corrections falling below the stop threshold. The numbers stay as computed; only the uses
// that pick peaks by themselves leave such records out, and the window marks them.
enum class FitDoubt : int32_t {
    None,
    Problem,
    NotFinite,
    HeightNotPositive,
    ResolutionNotPositive,
    StepCap,
};
FitDoubt DoubtOf(const PeakResult& peak);

// A record that an automatic use may take: a fitted peak without doubt.
inline bool IsUsableFit(const PeakResult& peak) {
    return DoubtOf(peak) == FitDoubt::None;
}

// The record of the peak just fitted in this context.
PeakResult ResultOfFit(const PeakFitState& fit, int32_t zone);

}  // namespace ostrel
