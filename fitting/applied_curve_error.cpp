#include "fitting/applied_curve_error.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fitting/weighted_polynomial.h"

namespace ostrel {

namespace {

using L = long double;

L HalfOf(EvenMasses r) {
    // A single mass still averages over something: a range of zero width is taken as 1 u.
    return std::max<L>((L(r.hi) - r.lo) / 2, 0.5L);
}

}  // namespace

double LineThroughEndsMeanSquare(double x0, double s0, double x1, double s1, double curvature,
                                 EvenMasses range) {
    const L mid = (L(range.lo) + range.hi) / 2;
    const L h = HalfOf(range);
    // z = x − mid runs evenly over [−h, h]: E z = E z³ = 0, E z² = h²/3, E z⁴ = h⁴/5.
    const L ez2 = h * h / 3, ez4 = h * h * h * h / 5;
    const L p = L(x0) - mid, q = L(x1) - mid;
    const L span = q - p;
    if (!(span > 0)) return std::numeric_limits<double>::infinity();
    // Var L(x) = s0²(x1 − x)²/span² + s1²(x − x0)²/span².
    const L variance = (L(s0) * s0 * (q * q + ez2) + L(s1) * s1 * (p * p + ez2)) / (span * span);
    // E[((z − p)(z − q))²] = E z⁴ + ((p + q)² + 2pq)·E z² + p²q².
    const L chord = ez4 + ((p + q) * (p + q) + 2 * p * q) * ez2 + p * p * q * q;
    return static_cast<double>(variance + L(curvature) * curvature * chord);
}

LineEnds BestLineEnds(std::span<const double> x, std::span<const double> sigma, double curvature,
                      EvenMasses range) {
    const double mid = (range.lo + range.hi) / 2;
    const double h = static_cast<double>(HalfOf(range));
    const double ez2 = h * h / 3, ez4 = h * h * h * h / 5;
    const double g2 = curvature * curvature;
    LineEnds best;
    best.meanSquare = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < x.size(); ++i) {
        const double p = x[i] - mid, sp2 = sigma[i] * sigma[i];
        for (size_t j = i + 1; j < x.size(); ++j) {
            const double q = x[j] - mid, sq2 = sigma[j] * sigma[j];
            const double span = q - p;
            if (!(span > 0)) continue;
            const double variance = (sp2 * (q * q + ez2) + sq2 * (p * p + ez2)) / (span * span);
            const double chord = ez4 + ((p + q) * (p + q) + 2 * p * q) * ez2 + p * p * q * q;
            const double e = variance + g2 * chord;
            if (e < best.meanSquare) best = LineEnds{i, j, e};
        }
    }
    return best;
}

UnweightedParabolaError::UnweightedParabolaError(EvenMasses range)
    : mid_((L(range.lo) + range.hi) / 2), half_(HalfOf(range)) {}

void UnweightedParabolaError::Add(double x, double sigmaMmu) {
    const L t = (L(x) - mid_) / half_;
    const L g[3] = {1, t, t * t};
    const L s2 = L(sigmaMmu) * sigmaMmu;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            a_[i * 3 + j] += g[i] * g[j];
            b_[i * 3 + j] += s2 * g[i] * g[j];
        }
}

double UnweightedParabolaError::MeanSquare() const {
    const auto inverse = InverseOf3(a_);
    if (!inverse) return std::numeric_limits<double>::infinity();
    const auto& ai = *inverse;
    // V = A⁻¹ B A⁻¹.
    std::array<L, 9> ab{}, v{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) ab[i * 3 + j] += ai[i * 3 + k] * b_[k * 3 + j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) v[i * 3 + j] += ab[i * 3 + k] * ai[k * 3 + j];
    // M: E[t^(i+j)] for t even on [−1, 1].
    const L moment[5] = {1, 0, 1.0L / 3, 0, 1.0L / 5};
    L trace = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) trace += moment[i + j] * v[j * 3 + i];
    return static_cast<double>(std::max<L>(trace, 0));
}

}  // namespace ostrel
