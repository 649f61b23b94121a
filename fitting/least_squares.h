// A small dense nonlinear least-squares solver: Levenberg–Marquardt with box bounds, for models
// of a few to kMaxLeastSquaresParameters parameters fitted to up to some ten thousand residuals.
//
// Numerics: double throughout (the residuals, the Jacobian, the normal matrix and its Cholesky
// factor). The normal matrix is scaled to unit diagonal before it is factored, so parameters of
// very different sizes (a background of 1e5, a height of 1e8, a centre of 500 u moving by 1e-6)
// do not spoil its condition; the damping is Marquardt's, proportional to the largest diagonal
// seen so far of each parameter (MINPACK's choice), which makes the steps independent of the
// parameters' units. A step that leaves the box is cut back onto it (projection); a parameter at
// a bound whose gradient points out of the box is held there for the step (an active set). Every
// operation is in a fixed order, so a fit gives the same bits every time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "fitting/f_test.h"

namespace ostrel {

inline constexpr int32_t kMaxLeastSquaresParameters = 24;

struct LeastSquaresProblem {
    int32_t residualCount = 0;
    int32_t parameterCount = 0;
    // The residuals (model minus measurement, residualCount of them) at the parameters and, when
    // jacobian is not empty, the Jacobian ∂residual_i/∂p_j row by row (residualCount ×
    // parameterCount, row-major).
    std::function<void(std::span<const double> parameters, std::span<double> residuals,
                       std::span<double> jacobian)>
        evaluate;
    // Instead of evaluate, for a model that forms them faster itself (a sparse Jacobian): JᵀJ
    // (parameterCount², row-major, both triangles) and Jᵀr at the parameters, answering Σ r².
    std::function<double(std::span<const double> parameters, std::span<double> jtj,
                         std::span<double> jtr)>
        normalEquations;
    // Bounds per parameter; empty means none (−∞ or +∞ entries are allowed too).
    std::vector<double> lower, upper;
};

struct LeastSquaresOptions {
    int32_t maxEvaluations = 200;  // trial points, the start included
    // Stop when an accepted step lowers the sum of squares by less than this fraction of it...
    double costTolerance = 1e-12;
    // ...or moves every parameter by less than this times (|parameter| + this).
    double stepTolerance = 1e-10;
    double initialDamping = 1e-3;  // λ at the start, as a fraction of the largest diagonal
};

enum class LeastSquaresStop {
    Converged,        // a tolerance was met
    EvaluationLimit,  // maxEvaluations reached; the best point so far is answered
    NoDescent,        // the damping grew without bound: the start is (numerically) a minimum
    Failed,           // the start gave a non-finite sum of squares or the problem is malformed
};

struct LeastSquaresResult {
    std::vector<double> parameters;
    // √(s²·(JᵀJ)⁻¹_jj) with s² = cost / (residualCount − free parameters), over the parameters
    // not held at a bound; 0 for those at a bound and when JᵀJ of the free ones is singular.
    std::vector<double> standardErrors;
    std::vector<char> atBound;  // 1 where the answer lies on a bound
    double cost = 0;            // Σ residual², at the answer
    int32_t iterations = 0;     // accepted steps
    int32_t evaluations = 0;    // trial points, the start included
    LeastSquaresStop stop = LeastSquaresStop::Failed;

    bool Usable() const { return stop != LeastSquaresStop::Failed; }
};

LeastSquaresResult SolveLeastSquares(const LeastSquaresProblem& problem,
                                     std::span<const double> start,
                                     const LeastSquaresOptions& options = {});

// Solves the symmetric positive definite n×n system m·x = b (row-major) by Cholesky's method, in
// place: b becomes x. Answers false (b undefined) when m is not positive definite in double.
bool SolveCholesky(std::span<double> m, std::span<double> b, int32_t n);

}  // namespace ostrel
