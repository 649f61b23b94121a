// A sum of peak components on one background, A + Σ B_m·exp(−(k·C_m·(D_m/x − 1))²) with
// k = 1.6651, fitted to a window of spectrum points by the bounded solver of
// fitting/least_squares.h. The refinement after the last pass fits single peaks, pairs and
// neighbours together with it.
//
// Numerics: double. D/x − 1 is formed as (D − x)·(1/x), which loses no digits to the cancellation
// of D/x against 1; a component adds nothing where |k·C·(D/x − 1)| exceeds kPeakReach (its value
// there is below 1e-21 of its height). The normal equations are formed point by point from the
// derivatives of the components that reach the point, so a fit of four neighbours costs little
// more than four fits of one.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "fitting/least_squares.h"

namespace ostrel {

inline constexpr double kPeakReach = 7;

// One component above the background.
struct PeakShape {
    double B = 0, C = 0, D = 0;
};

inline double PeakFwhm(double d, double c) {
    return d / c;
}

// The component's value above the background at x; 0 beyond kPeakReach.
double PeakCurve(const PeakShape& s, double x);
// How far from its centre the component reaches (where |k·C·(D/x − 1)| is kPeakReach): 4.2 FWHM.
double PeakReachDistance(const PeakShape& s);

// Points to fit: x ascending, 1/x, and y (less whatever the caller took away).
struct PointWindow {
    std::vector<double> x, invX, y;
    double yMin = 0, yMax = 0;
    int32_t points = 0;  // the spectrum points the window stands for
};

// The spectrum points first..last (x ascending) less the given curves.
PointWindow WindowLessCurves(std::span<const double> x, std::span<const double> y, int32_t first,
                             int32_t last, std::span<const PeakShape> curves);

// The points of a window within [lowX, highX] (at least one) in groups of consecutive points, each
// group no wider than 1/binsPerFwhm of a FWHM at `resolution`, given by the mean of its x and of
// its y. A smooth curve loses nothing to such means that a fit could tell: over a group of width
// w the mean of a Gaussian of deviation σ is that of a Gaussian broader by w²/24σ² (4e-4 of the
// width at 24 groups per FWHM), and the noise of a mean is that of its points over √(points). A
// spectrum with 200 points per FWHM is then fitted at the cost of 24.
PointWindow Binned(const PointWindow& w, double lowX, double highX, double resolution,
                   double binsPerFwhm);

// One component to fit with its start values and bounds. Parts with the same share ≥ 0 have one
// C between them (the start and bounds of the first).
struct SumPart {
    double b = 0, c = 0, d = 0;
    int32_t share = -1;
    double cLow = 0, cHigh = 0, dLow = 0, dHigh = 0;
};

struct SumFit {
    LeastSquaresResult ls;                      // parameter 0 is A
    std::vector<std::array<int32_t, 3>> index;  // per part: the parameters of its B, C and D
    bool usable = false;                        // a finite answer with points to spare

    double A() const { return ls.parameters[0]; }
    double B(size_t m) const { return ls.parameters[index[m][0]]; }
    double C(size_t m) const { return ls.parameters[index[m][1]]; }
    double D(size_t m) const { return ls.parameters[index[m][2]]; }
    double ErrorB(size_t m) const { return ls.standardErrors[index[m][0]]; }
    double ErrorC(size_t m) const { return ls.standardErrors[index[m][1]]; }
    bool CAtBound(size_t m) const { return ls.atBound[index[m][1]]; }
    bool DAtBound(size_t m) const { return ls.atBound[index[m][2]]; }
    PeakShape Shape(size_t m) const { return {B(m), C(m), D(m)}; }
    // A, B, C, D of part m and their standard errors.
    std::array<double, 4> Values(size_t m) const { return {A(), B(m), C(m), D(m)}; }
    std::array<double, 4> Errors(size_t m) const;
    double Cost() const { return ls.cost; }
};

// The sum fitted from background a and the parts' start values. A lies between the window's
// lowest y less its span and its highest y, each B between 0 and 4 spans.
SumFit FitSum(const PointWindow& w, double a, const std::vector<SumPart>& parts,
              const LeastSquaresOptions& options);

// Model minus measurement at each point of the window.
std::vector<double> SumResiduals(const PointWindow& w, const SumFit& fit);

}  // namespace ostrel
