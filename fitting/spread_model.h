// How far calibration pairs really stray from the curve they agree on, as a function of the
// error their peak fits state: σ² = f² + k²·e². The fits' own errors of the centre come out too
// small, and by more for strong peaks (whose limit is the peak shape, not the counts) than for
// weak ones; a floor f and a factor k, both taken from the residuals, describe both.
#pragma once

#include <span>

namespace ostrel {

struct SpreadModel {
    double floor = 0;   // f, mmu
    double factor = 1;  // k

    double SigmaOf(double statedMmu) const;
};

inline constexpr double kSpreadFloorLeast = 0.01;  // mmu
inline constexpr double kSpreadFloorMost = 3;
// Errors a fit stated are never taken as better than stated; errors made up from the heights
// (no fit stated any) may come out far smaller.
inline constexpr double kSpreadFactorLeastStated = 1;
inline constexpr double kSpreadFactorLeastMadeUp = 0.01;
inline constexpr double kSpreadFactorMost = 30;

// The maximum-likelihood f and k for residuals r (mmu, from a fit of `parameters` coefficients:
// each r² counts n/(n − parameters) times, undoing the fit's pull towards its own points) of
// normal errors with the variances f² + k²e²: the largest of −Σ [ln σ² + r²/σ²] over f in
// [0.01, 3] mmu and k in [factorLeast, 30], found on a 12×12 grid even in ln f and ln k, then
// twice on a 7×7 grid around the best point with a third of the step. Deterministic; the first
// of equal values wins.
SpreadModel FitSpreadModel(std::span<const double> residualsMmu, std::span<const double> statedMmu,
                           int parameters, double factorLeast = kSpreadFactorLeastStated);

}  // namespace ostrel
