// The least-squares parabola y = a·x² + b·x + c through the calibration points, by Gauss-Newton
// steps solved with Cramer's rule.
#pragma once

#include <cstdint>
#include <vector>

#include "fitting/small_matrices.h"

namespace ostrel {

struct ParabolaFitState {
    std::vector<double> CalibX;  // measured masses of the calibration points
    std::vector<double> CalibY;  // deviations, milli-mass-units
    int32_t CalibFirst = 0;
    int32_t CalibLast = -1;
    // The current coefficients when a step starts, its corrections when it ends, the fitted
    // coefficients after FitParabola.
    double CurveA = 0;
    double CurveB = 0;
    double CurveC = 0;
    Augmented3 ParabolaNormal;
    Matrix3 ParabolaWork;
    double NormalDet = 0;
    int32_t Iterations = 0;
};

inline constexpr int kMaxParabolaSteps = 100;

// Kind 0: x², 1: x, 2: 1, 3: the residual a·x² + b·x + c − y; anything else 0.
double ParabolaTerm(const ParabolaFitState& st, int kind, int32_t i);
// Σ ParabolaTerm(p, i)·ParabolaTerm(q, i) over CalibFirst..CalibLast, in index order.
double ParabolaSum(const ParabolaFitState& st, int p, int q);
// One step from CurveA..CurveC, leaving the corrections there. Throws CommandError when the
// normal matrix is singular or the corrections are not finite; the coefficients then stay.
void FitParabolaStep(ParabolaFitState& st);
// The whole fit: steps until every correction is below 0.01, at most 100 steps. On an error
// the coefficients are left as they were before the fit.
void FitParabola(ParabolaFitState& st, double a0, double b0, double c0);

}  // namespace ostrel
