#include "fitting/weighted_polynomial.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

using L = long double;

constexpr L kPivotFloor = 1e-12L;

// Solves m·x = r (n ≤ 3, row-major n×n) in place; false when a pivot is below the floor.
bool Solve(int n, std::array<L, 9>& m, std::array<L, 3>& r) {
    L largest = 0;
    for (int i = 0; i < n * n; ++i) largest = std::max(largest, std::fabs(m[i]));
    if (!(largest > 0)) return false;
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row)
            if (std::fabs(m[row * n + col]) > std::fabs(m[pivot * n + col])) pivot = row;
        if (!(std::fabs(m[pivot * n + col]) > kPivotFloor * largest)) return false;
        if (pivot != col) {
            for (int k = 0; k < n; ++k) std::swap(m[col * n + k], m[pivot * n + k]);
            std::swap(r[col], r[pivot]);
        }
        for (int row = col + 1; row < n; ++row) {
            const L factor = m[row * n + col] / m[col * n + col];
            for (int k = col; k < n; ++k) m[row * n + k] -= factor * m[col * n + k];
            r[row] -= factor * r[col];
        }
    }
    for (int row = n - 1; row >= 0; --row) {
        L sum = r[row];
        for (int k = row + 1; k < n; ++k) sum -= m[row * n + k] * r[k];
        r[row] = sum / m[row * n + row];
    }
    return true;
}

}  // namespace

std::optional<WeightedPolynomial> FitWeightedPolynomial(std::span<const double> x,
                                                        std::span<const double> y,
                                                        std::span<const double> w, int degree,
                                                        double centre) {
    const int n = degree + 1;
    if (degree < 1 || degree > 2 || x.size() != y.size() || x.size() != w.size()) return {};
    double scale = 0;
    for (double xi : x) scale = std::max(scale, std::fabs(xi - centre));
    if (!(scale > 0)) return {};
    double sums[5] = {}, right[3] = {};  // Σ w·t^k and Σ w·t^k·y
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = (x[i] - centre) / scale;
        const double wt = w[i] * t, wt2 = wt * t;
        sums[0] += w[i];
        sums[1] += wt;
        sums[2] += wt2;
        sums[3] += wt2 * t;
        sums[4] += wt2 * t * t;
        right[0] += w[i] * y[i];
        right[1] += wt * y[i];
        right[2] += wt2 * y[i];
    }
    std::array<L, 9> m{};
    std::array<L, 3> r{};
    for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) m[a * n + b] = sums[a + b];
        r[a] = right[a];
    }
    if (!Solve(n, m, r)) return {};
    WeightedPolynomial p;
    p.degree = degree;
    p.centre = centre;
    p.count = static_cast<int>(x.size());
    L unscale = 1;
    for (int a = 0; a < n; ++a) {
        p.c[a] = static_cast<double>(r[a] / unscale);
        unscale *= scale;
    }
    double chi = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double d = y[i] - p.At(x[i]);
        chi += w[i] * d * d;
    }
    p.chiSquare = chi;
    return p;
}

std::optional<std::array<long double, 9>> InverseOf3(const std::array<long double, 9>& m) {
    std::array<L, 9> inverse{};
    for (int col = 0; col < 3; ++col) {
        std::array<L, 9> work = m;
        std::array<L, 3> unit{};
        unit[col] = 1;
        if (!Solve(3, work, unit)) return {};
        for (int row = 0; row < 3; ++row) inverse[row * 3 + col] = unit[row];
    }
    return inverse;
}

}  // namespace ostrel
