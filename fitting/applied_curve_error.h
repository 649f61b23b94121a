// How well the calibration fits the user runs ("Подобрать линию": the line through the first and
// the last point; "Подобрать параболу": the unweighted least-squares parabola) can follow the
// mass-scale error, given calibration points of known standard errors: the mean square error of
// the fitted curve over masses spread evenly from lo to hi, in mmu². The automatic calibration
// chooses its pairs and the fit by it.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace ostrel {

// The mass range the error is averaged over, u.
struct EvenMasses {
    double lo = 0;
    double hi = 0;
};

// The line through (x0, y0) and (x1, y1) (x0 < x1) whose deviations have the standard errors s0
// and s1 (mmu), when the true error curves with the coefficient `curvature` (mmu/u²): the
// variance of the two-point line plus the square of the chord's departure from the parabola,
// curvature·(x − x0)(x − x1), both averaged in closed form over the even masses.
double LineThroughEndsMeanSquare(double x0, double s0, double x1, double s1, double curvature,
                                 EvenMasses range);

// The pair of points (indices into x, ascending, first < last) whose line has the least
// LineThroughEndsMeanSquare, by trying every pair; the same sums in double, which is ample for
// telling which pair is best and costs a tenth of the time. Of equal values the first pair in
// the order (first, then last) wins.
struct LineEnds {
    size_t first = 0;
    size_t last = 0;
    double meanSquare = 0;  // infinite with fewer than two distinct masses
};
LineEnds BestLineEnds(std::span<const double> x, std::span<const double> sigma, double curvature,
                      EvenMasses range);

// The unweighted least-squares parabola through points added one by one: with g(t) = (1, t, t²)
// over t = (x − mid)/half of the range, A = Σ g gᵀ and B = Σ s² g gᵀ, its coefficients have the
// covariance A⁻¹ B A⁻¹, and the mean over the even masses of the curve's variance is
// trace(M A⁻¹ B A⁻¹) with M the mean of g gᵀ (1, 1/3, 1/5 moments). The curve has no bias: the
// true error is taken to be at most a parabola. Sums in long double.
class UnweightedParabolaError {
  public:
    explicit UnweightedParabolaError(EvenMasses range);
    void Add(double x, double sigmaMmu);
    // Infinite while the points cannot determine a parabola.
    double MeanSquare() const;

  private:
    long double mid_;
    long double half_;
    std::array<long double, 9> a_{};
    std::array<long double, 9> b_{};
};

}  // namespace ostrel
