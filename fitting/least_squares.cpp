#include "fitting/least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrel {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Beyond this damping a step is too short to change any parameter in double.
constexpr double kLargestDamping = 1e16;

bool AllFinite(std::span<const double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

double SumOfSquares(std::span<const double> r) {
    double s = 0;
    for (double v : r) s += v * v;
    return s;
}

// JᵀJ (n×n, both triangles) and Jᵀr of a row-major m×n Jacobian.
void NormalEquations(std::span<const double> jac, std::span<const double> r, int32_t m, int32_t n,
                     std::vector<double>& jtj, std::vector<double>& g) {
    std::fill(jtj.begin(), jtj.end(), 0.0);
    std::fill(g.begin(), g.end(), 0.0);
    for (int32_t i = 0; i < m; ++i) {
        const double* row = jac.data() + static_cast<size_t>(i) * n;
        for (int32_t a = 0; a < n; ++a) {
            const double ja = row[a];
            if (ja == 0) continue;
            g[a] += ja * r[i];
            double* out = jtj.data() + static_cast<size_t>(a) * n;
            for (int32_t b = 0; b <= a; ++b) out[b] += ja * row[b];
        }
    }
    for (int32_t a = 0; a < n; ++a)
        for (int32_t b = 0; b < a; ++b) jtj[b * n + a] = jtj[a * n + b];
}

bool StepIsNegligible(std::span<const double> step, std::span<const double> p, double tolerance) {
    for (size_t j = 0; j < p.size(); ++j)
        if (std::fabs(step[j]) > tolerance * (std::fabs(p[j]) + tolerance)) return false;
    return true;
}

}  // namespace

bool SolveCholesky(std::span<double> m, std::span<double> b, int32_t n) {
    // m = L·Lᵀ, L stored in the lower triangle of m.
    for (int32_t j = 0; j < n; ++j) {
        double d = m[j * n + j];
        for (int32_t k = 0; k < j; ++k) d -= m[j * n + k] * m[j * n + k];
        if (!(d > 0) || !std::isfinite(d)) return false;
        const double l = std::sqrt(d);
        m[j * n + j] = l;
        for (int32_t i = j + 1; i < n; ++i) {
            double s = m[i * n + j];
            for (int32_t k = 0; k < j; ++k) s -= m[i * n + k] * m[j * n + k];
            m[i * n + j] = s / l;
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        double s = b[i];
        for (int32_t k = 0; k < i; ++k) s -= m[i * n + k] * b[k];
        b[i] = s / m[i * n + i];
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        double s = b[i];
        for (int32_t k = i + 1; k < n; ++k) s -= m[k * n + i] * b[k];
        b[i] = s / m[i * n + i];
    }
    return true;
}

namespace {

// The standard errors from JᵀJ over the parameters not on a bound.
void StandardErrors(const std::vector<double>& jtj, int32_t m, int32_t n, double cost,
                    LeastSquaresResult& out) {
    out.standardErrors.assign(n, 0.0);
    std::vector<int32_t> free;
    for (int32_t j = 0; j < n; ++j)
        if (!out.atBound[j]) free.push_back(j);
    const auto k = static_cast<int32_t>(free.size());
    if (k == 0 || m <= k) return;
    const double variance = cost / (m - k);
    // Scaled to unit diagonal, as in the steps, so that the factorization sees a well-conditioned
    // matrix; the inverse's diagonal is scaled back.
    std::vector<double> scale(k);
    for (int32_t a = 0; a < k; ++a) {
        const double d = jtj[free[a] * n + free[a]];
        if (!(d > 0)) return;
        scale[a] = std::sqrt(d);
    }
    for (int32_t a = 0; a < k; ++a) {
        std::vector<double> mat(static_cast<size_t>(k) * k), e(k, 0.0);
        for (int32_t p = 0; p < k; ++p)
            for (int32_t q = 0; q < k; ++q)
                mat[p * k + q] = jtj[free[p] * n + free[q]] / (scale[p] * scale[q]);
        e[a] = 1;
        if (!SolveCholesky(mat, e, k)) {
            std::fill(out.standardErrors.begin(), out.standardErrors.end(), 0.0);
            return;
        }
        out.standardErrors[free[a]] = std::sqrt(std::fabs(variance * e[a])) / scale[a];
    }
}

}  // namespace

namespace {

// One evaluation: Σ r², JᵀJ and Jᵀr at p, through whichever form the problem has; false when any
// of them is not finite.
class Evaluation {
  public:
    explicit Evaluation(const LeastSquaresProblem& problem)
        : jtj(static_cast<size_t>(problem.parameterCount) * problem.parameterCount),
          g(problem.parameterCount),
          problem_(problem),
          m_(problem.residualCount),
          n_(problem.parameterCount) {
        if (!problem.normalEquations) {
            r_.resize(m_);
            jac_.resize(static_cast<size_t>(m_) * n_);
        }
    }

    bool At(std::span<const double> p) {
        if (problem_.normalEquations) {
            cost = problem_.normalEquations(p, jtj, g);
        } else {
            problem_.evaluate(p, r_, jac_);
            cost = SumOfSquares(r_);
            if (!AllFinite(jac_)) return false;
            NormalEquations(jac_, r_, m_, n_, jtj, g);
        }
        return std::isfinite(cost) && AllFinite(jtj) && AllFinite(g);
    }

    void Swap(Evaluation& other) {
        std::swap(cost, other.cost);
        jtj.swap(other.jtj);
        g.swap(other.g);
        r_.swap(other.r_);
        jac_.swap(other.jac_);
    }

    double cost = 0;
    std::vector<double> jtj, g;

  private:
    const LeastSquaresProblem& problem_;
    const int32_t m_, n_;
    std::vector<double> r_, jac_;
};

}  // namespace

LeastSquaresResult SolveLeastSquares(const LeastSquaresProblem& problem,
                                     std::span<const double> start,
                                     const LeastSquaresOptions& options) {
    const int32_t m = problem.residualCount, n = problem.parameterCount;
    LeastSquaresResult out;
    out.parameters.assign(start.begin(), start.end());
    out.atBound.assign(start.size(), 0);
    out.standardErrors.assign(start.size(), 0.0);
    const bool bounded = problem.lower.size() == static_cast<size_t>(n) &&
                         problem.upper.size() == static_cast<size_t>(n);
    if (n <= 0 || n > kMaxLeastSquaresParameters || m < 1 ||
        (!problem.evaluate && !problem.normalEquations) || start.size() != static_cast<size_t>(n) ||
        !AllFinite(start) || (!bounded && (!problem.lower.empty() || !problem.upper.empty())))
        return out;
    std::vector<double> lo(n, -kInfinity), hi(n, kInfinity);
    if (bounded) {
        lo = problem.lower;
        hi = problem.upper;
        for (int32_t j = 0; j < n; ++j)
            if (!(lo[j] <= hi[j])) return out;
    }
    auto clamp = [&](std::vector<double>& p) {
        for (int32_t j = 0; j < n; ++j) p[j] = std::min(hi[j], std::max(lo[j], p[j]));
    };

    std::vector<double> p = out.parameters;
    clamp(p);
    Evaluation now(problem), next(problem);
    out.evaluations = 1;
    if (!now.At(p)) {
        out.parameters = p;
        out.cost = now.cost;
        return out;
    }
    const std::vector<double>& jtj = now.jtj;
    const std::vector<double>& g = now.g;
    // Marquardt's scale: the largest diagonal seen so far; a parameter without effect gets 1.
    std::vector<double> scale(n);
    for (int32_t j = 0; j < n; ++j) scale[j] = jtj[j * n + j] > 0 ? jtj[j * n + j] : 1;

    double lambda = options.initialDamping, nu = 2;
    std::vector<double> trial(n), step(n);
    std::vector<double> mat, rhs;
    std::vector<int32_t> free;
    out.stop = LeastSquaresStop::EvaluationLimit;
    while (out.evaluations < options.maxEvaluations) {
        free.clear();
        for (int32_t j = 0; j < n; ++j) {
            const bool heldLow = p[j] <= lo[j] && g[j] > 0;
            const bool heldHigh = p[j] >= hi[j] && g[j] < 0;
            if (!heldLow && !heldHigh) free.push_back(j);
        }
        const auto k = static_cast<int32_t>(free.size());
        if (k == 0) {
            out.stop = LeastSquaresStop::Converged;  // every parameter pressed against a bound
            break;
        }
        mat.assign(static_cast<size_t>(k) * k, 0.0);
        rhs.assign(k, 0.0);
        for (int32_t a = 0; a < k; ++a) {
            const double sa = std::sqrt(scale[free[a]]);
            for (int32_t b = 0; b < k; ++b)
                mat[a * k + b] = jtj[free[a] * n + free[b]] / (sa * std::sqrt(scale[free[b]]));
            mat[a * k + a] += lambda;
            rhs[a] = -g[free[a]] / sa;
        }
        if (!SolveCholesky(mat, rhs, k)) {
            lambda *= nu;
            nu *= 2;
            if (lambda > kLargestDamping) {
                out.stop = LeastSquaresStop::NoDescent;
                break;
            }
            continue;
        }
        trial = p;
        for (int32_t a = 0; a < k; ++a) trial[free[a]] += rhs[a] / std::sqrt(scale[free[a]]);
        clamp(trial);
        for (int32_t j = 0; j < n; ++j) step[j] = trial[j] - p[j];
        const bool negligible = StepIsNegligible(step, p, options.stepTolerance);
        if (negligible && std::all_of(step.begin(), step.end(), [](double s) { return s == 0; })) {
            out.stop = LeastSquaresStop::Converged;
            break;
        }
        // The reduction the linear model promises: −(2·sᵀg + sᵀ·JᵀJ·s).
        double predicted = 0;
        for (int32_t a = 0; a < n; ++a) {
            double js = 0;
            for (int32_t b = 0; b < n; ++b) js += jtj[a * n + b] * step[b];
            predicted -= step[a] * (2 * g[a] + js);
        }
        const bool finite = next.At(trial);
        ++out.evaluations;
        if (finite && next.cost < now.cost) {
            const double rho =
                predicted > 0 ? std::clamp((now.cost - next.cost) / predicted, 0.0, 1.0) : 0.5;
            const bool small = now.cost - next.cost <= options.costTolerance * now.cost;
            p.swap(trial);
            now.Swap(next);
            for (int32_t j = 0; j < n; ++j) scale[j] = std::max(scale[j], jtj[j * n + j]);
            const double cube = (2 * rho - 1) * (2 * rho - 1) * (2 * rho - 1);
            lambda *= std::max(1.0 / 3, 1 - cube);
            nu = 2;
            ++out.iterations;
            if (small || negligible) {
                out.stop = LeastSquaresStop::Converged;
                break;
            }
        } else {
            if (negligible) {
                out.stop = LeastSquaresStop::Converged;  // no shorter step can do better
                break;
            }
            lambda *= nu;
            nu *= 2;
            if (lambda > kLargestDamping) {
                out.stop = LeastSquaresStop::NoDescent;
                break;
            }
        }
    }
    out.parameters = p;
    out.cost = now.cost;
    for (int32_t j = 0; j < n; ++j) out.atBound[j] = p[j] <= lo[j] || p[j] >= hi[j];
    StandardErrors(jtj, m, n, now.cost, out);
    return out;
}

}  // namespace ostrel
