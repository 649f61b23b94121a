// Weighted least-squares lines and parabolas and the F-test between them: the automatic
// calibration's own picture of the mass-scale error, apart from the fits the user runs.
#pragma once

#include <array>
#include <optional>
#include <span>

namespace ostrel {

// y = c[0] + c[1]·t + c[2]·t² with t = x − centre (c[2] = 0 for a line).
struct WeightedPolynomial {
    int degree = 1;
    double centre = 0;
    std::array<double, 3> c{};
    double chiSquare = 0;  // Σ w·(y − curve)²
    int count = 0;

    double At(double x) const {
        const double t = x - centre;
        return c[0] + t * (c[1] + t * c[2]);
    }
};

// The polynomial of degree 1 or 2 that minimises Σ w·(y − curve)². The normal equations are
// formed in double over t scaled by the points' largest |x − centre| (so that the columns are of
// one size whatever the masses: deviations of a few mmu need nothing finer) and solved in long
// double by Gaussian elimination with partial pivoting.
// Nothing when the points cannot determine the degree (fewer distinct x than coefficients, or
// a pivot below 1e-12 of the matrix's largest element).
std::optional<WeightedPolynomial> FitWeightedPolynomial(std::span<const double> x,
                                                        std::span<const double> y,
                                                        std::span<const double> w, int degree,
                                                        double centre);

// The inverse of a symmetric 3×3 matrix (row-major) by Gaussian elimination with partial
// pivoting, in long double; nothing when a pivot falls below 1e-12 of the largest element.
std::optional<std::array<long double, 9>> InverseOf3(const std::array<long double, 9>& m);

}  // namespace ostrel
