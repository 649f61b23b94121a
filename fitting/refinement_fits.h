// The fits the refinement after the last pass makes (fitting/peak_refinement.h runs them): a
// failed peak fitted afresh from robust start values, and a cluster of neighbouring peaks fitted
// together, each looked at for a second component.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "fitting/least_squares.h"
#include "fitting/peak_refinement.h"
#include "fitting/peak_sum_fit.h"

namespace ostrel {

// The fits stop when a step gains less than 1e-9 of the sum of squares (the centre then lies
// within a thousandth of its standard error of the minimum) or moves no parameter by 1e-9 of
// itself (5e-7 u at 500 u).
inline constexpr LeastSquaresOptions kRefinementFitOptions{
    .maxEvaluations = 100, .costTolerance = 1e-9, .stepTolerance = 1e-9};
// A fit takes the points within this many FWHM of its components' centres...
inline constexpr double kFitReachFwhm = 2.5;
// ...in means of groups of points no wider than a 24th of a FWHM (see Binned).
inline constexpr double kBinsPerFwhm = 24;
// Rows on each side whose curves may reach into a fit's points.
inline constexpr int32_t kTailNeighbours = 4;

// A fit of the pass that found no peak: failed (a problem peak), or gone astray (not finite, a
// height or a C not above 0, the centre outside its window). A negative C would draw the same
// curve, but the table would show it.
bool IsLostFit(const RefinementPeak& p);

// What a row holds after a round of the refinement: its curve (none for a failed fit not
// recovered), its background, the standard errors of its A, B, C, D.
struct RowFit {
    std::optional<PeakShape> shape;
    double A = 0;
    std::array<double, 4> errors{};
    double resolution = 0;  // the measured resolving power at the row's centre
};

// The curves of all rows, the tails that a fit of some of them takes away from its points: none
// for a failed fit not recovered, two for a split peak.
using RowCurves = std::vector<std::vector<PeakShape>>;

// The spectrum points first..last less the curves of the rows within kTailNeighbours of rows
// [inFirst, inLast] but outside them.
PointWindow WindowLessNeighbours(const RefinementInput& in, int32_t first, int32_t last,
                                 const RowCurves& curves, int32_t inFirst, int32_t inLast);

// A fit whose residuals near its centre are correlated from point to point beyond this many
// standard deviations of the correlation of independent noise has a second component somewhere:
// a merged pair, a shoulder, a neighbour's flank.
inline constexpr double kStructureSigmas = 4;

// The lag-one correlation of the pass's own residuals of row k within kFitReachFwhm FWHM (at
// `resolution`) of its centre, the curves of its neighbours taken away, in standard deviations
// of that of independent noise (√n times the correlation coefficient); 0 with fewer than 10
// points.
double PassResidualStructure(const RefinementInput& in, const RowCurves& curves, int32_t k,
                             double resolution);

struct SingleRefit {
    SumFit fit;
    int32_t points = 0;
};

// One component fitted afresh in the window of a failed fit (its neighbours' tails already taken
// away); answers the fit when a peak is there: its height kDetectionSigmas standard errors above
// 0, its centre a tenth of a FWHM inside the window, C off its bounds (half and twice the
// resolving power).
std::optional<SingleRefit> RefitFailed(const PointWindow& window, const RefinementPeak& peak,
                                       const ResolvingPowerProfile& profile);

struct ClusterResult {
    bool changed = false;                                // components answer the rows' fits
    std::vector<std::vector<PeakComponent>> components;  // per row of the cluster
    std::vector<char> dropped;  // per row: a recovered fit that is no peak of its own
    int32_t iterations = 0, points = 0;
};

// The rows `members` (consecutive rows with a curve) fitted together with the tails of the
// others taken away, each row tested for a second component. A recovered failed fit stays only
// where the fit is clearly worse without it. A single row that shows no second component is
// left alone (changed false), and so is a cluster whose fit loses one of the pass's peaks.
ClusterResult RefitCluster(const RefinementInput& in, const std::vector<RowFit>& rows,
                           const RowCurves& curves, const std::vector<int32_t>& members,
                           const ResolvingPowerProfile& profile);

}  // namespace ostrel
