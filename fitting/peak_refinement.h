// The refinement after the last pass: a peak whose fit failed (or went astray) is fitted again by
// a damped method from robust start values; neighbouring peaks whose curves overlap are fitted
// together; and a peak that shows a second component (a merged pair, a shoulder, a minor ion on a
// taller one's flank) is fitted as two. The pass's own fits are only read: a peak the refinement
// leaves alone keeps them bit for bit.
//
// The shape is the pass's, f(x) = A + Σ B_m·exp(−(k·C_m·(D_m/x − 1))²), k = 1.6651, computed in
// double as (D − x)/x, which loses no digits to the cancellation in D/x − 1. The fits are those
// of fitting/least_squares.h, unweighted as the pass's are. Everything is deterministic: the
// peaks are refined from the pass's fits alone, in two rounds (failed fits, then clusters of
// neighbours with their second components), whatever the thread count.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fitting/resolving_power.h"

namespace ostrel {

// One peak of the pass as its fit left it.
struct RefinementPeak {
    int32_t firstIndex = 0;  // the window: first and last spectrum index, both included
    int32_t lastIndex = -1;
    double leftX = 0, rightX = 0;  // x of the window's ends
    bool fitFailed = false;        // a problem peak ("Ошибка")
    // The model's own parameters after the fit (FitA, FitB, FitC, FitD: B is the amplitude above
    // A, not the table's B − A) and their standard errors (FitErrors).
    double A = 0, B = 0, C = 0, D = 0;
    std::array<double, 4> errors{};
    int32_t iterations = 0;
    int32_t points = 0;
};

struct RefinementInput {
    std::span<const double> x, y;  // the spectrum, x ascending
    std::span<const RefinementPeak> peaks;
};

// One component of a refined peak: the model's A, B, C, D and their standard errors.
struct PeakComponent {
    double A = 0, B = 0, C = 0, D = 0;
    std::array<double, 4> errors{};
};

enum class RefinedKind {
    Unchanged,  // the pass's fit stands; for a failed fit: no peak is there (noise)
    Refitted,   // fitted again: the pass's fit failed or went astray and the damped fit found
                // the peak, or the peak was fitted together with overlapping neighbours
    Split,      // two components
};

struct RefinedPeak {
    RefinedKind kind = RefinedKind::Unchanged;
    std::vector<PeakComponent> components;  // Refitted: one; Split: two, in ascending D
    int32_t iterations = 0;                 // steps of the damped fit
    int32_t points = 0;                     // points fitted
    // The peaks of one fit share a group (0, 1, ... in peak order): a split peak, alone or with
    // the neighbours it was fitted with, and neighbours fitted together. −1 for a peak fitted
    // alone and not split.
    int32_t group = -1;
};

// The spectrum's resolving power measured on the pass's isolated, well-fitted peaks: a reference
// is a fitted peak (centre inside its window, C above 0) whose C is known to 2 % (where fewer
// than three are, to 5 %), with no other fitted peak within 2.5 of its FWHM, and whose
// residuals near its centre show no second component (see kStructureSigmas in
// fitting/refinement_fits.h). On the calling thread and one helper when asked; the answer is the
// same.
ResolvingPowerProfile MeasureResolvingPower(const RefinementInput& input, bool twoThreads = false);

struct PeakRefinementOptions {
    bool twoThreads = true;  // refine on the calling thread and one helper
};

struct PeakRefinement {
    std::vector<RefinedPeak> peaks;  // one per input peak, in the same order
    ResolvingPowerProfile resolvingPower;
    int32_t refitted = 0;       // failed or astray fits that the damped fit recovered
    int32_t stillFailed = 0;    // failed or astray fits where no peak was found (noise)
    int32_t jointlyFitted = 0;  // fitted peaks fitted again with their neighbours, not split
    int32_t split = 0;          // peaks split into two components
};

// A failed peak, kept: the damped fit of its window found no peak. The criterion: the fitted
// height B is at least kDetectionSigmas standard errors above 0, the centre lies inside the
// window (at least a tenth of a FWHM from its ends) and C stays off its bounds (half and twice
// the measured resolving power).
inline constexpr double kDetectionSigmas = 5;
// A peak is split in two only when the F-test of the fit with the two components (the peak's B,
// C, D replaced by B₁, D₁, B₂, D₂ and one shared C: two parameters more) against the fit
// without them rejects the one component at this significance, and each component is a peak by
// itself: its height kDetectionSigmas standard errors above 0 and at least kMinorFraction of the
// other's, the centres at least kMinSeparationFwhm apart (and as far from any neighbour's) and a
// quarter of a FWHM inside the peak's window, the shared C off its bounds.
inline constexpr double kSplitSignificance = 1e-6;
inline constexpr double kMinorFraction = 0.001;
inline constexpr double kMinSeparationFwhm = 0.3;
// The shared C of two components stays within this fraction of the measured resolving power.
inline constexpr double kPairResolutionTolerance = 0.1;

PeakRefinement RefinePeaks(const RefinementInput& input, const PeakRefinementOptions& options = {});

}  // namespace ostrel
