// Fisher's F-test, for the fits that choose between a simpler and a richer model: the automatic
// calibration's line or parabola, the refinement's one peak or two.
//
// Numerics: double; ln Γ by Lanczos' series (g = 7, nine terms; relative error below 1e-15)
// rather than std::lgamma, which writes the global signgam and so may not run on two threads
// at once; the continued fraction by Lentz's method to a relative change of 1e-15, on the side
// of x where it converges fast.
#pragma once

#include <cstdint>

namespace ostrel {

// The regularized incomplete beta function I_x(a, b), a, b > 0: 0 for x ≤ 0, 1 for x ≥ 1.
double RegularizedIncompleteBeta(double a, double b, double x);

// Fisher's F-test of two nested least-squares fits: the probability that F with d1 and d2
// degrees of freedom exceeds f, where f = ((S₀ − S₁)/d1) / (S₁/d2) for sums of squares S₀ of the
// smaller model and S₁ of the larger, d1 the parameters the larger adds and d2 its residual
// degrees of freedom. 1 for f ≤ 0 or degrees of freedom below 1. The regularized incomplete beta
// function I_{d2/(d2 + d1·f)}(d2/2, d1/2) by its continued fraction, to about 1e-14.
double FTestTail(double f, int32_t d1, int32_t d2);

}  // namespace ostrel
