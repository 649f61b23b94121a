// The numerical routines of peak processing. Each reads its whole input before it writes its
// output, so an output list may be its own input. Each needs at least 2 input points and throws
// CommandError otherwise; a failed routine leaves its output list as it was.
#pragma once

#include <cstdint>

#include "processing/point_list.h"

namespace ostrel {

// Replaces every inner y by the ordinate at its x of the line through the midpoints of its two
// segments; the end points stay. Fails when three neighbouring points share one x.
void SmoothPass(PointsView in, PointList& out);

// Throws the CommandError SmoothPass throws for a list it cannot smooth (fewer than 2 points,
// three neighbouring points with one x), without smoothing it.
void CheckSmoothable(PointsView in);

// The smoothing kernel on raw arrays: writes oy[0..n) from x, y (n >= 2); oy may be y itself,
// since a point is overwritten only after its last use. Returns the index i of
// the first inner point whose neighbouring midpoints coincide, or 0 when there is none.
int32_t SmoothY(const double* x, const double* y, int32_t n, double* oy);

// The inner points lo..hi-1 (1 <= lo, hi <= n - 1) of one smoothing pass from y into oy, which
// must not overlap y. Returns the first index with coinciding midpoints, or 0.
int32_t SmoothRange(const double* x, const double* y, double* oy, int32_t lo, int32_t hi);

// The last point of every rising and of every falling run; minima and maxima alternate.
void FindTurningPoints(PointsView in, PointList& out);

// The turning points without a leading and a trailing maximum.
void TrimToMinima(PointsView in, PointList& out);

// The zone height of the triple (j, j + 1, j + 2): the mean of the flank heights, rounded down.
int32_t ZoneHeightAt(PointsView stage4, int32_t j);

// One zone per (minimum, maximum, minimum) triple of stage 4.
ZoneTable BuildZoneTable(PointsView stage4);

// The minima and maxima of the zones at least firstPeakHeight high, closed by the right minimum
// of the last kept zone (point 0 when none was kept).
void FilterZonesByHeight(PointsView stage4, int32_t firstPeakHeight, PointList& out);

}  // namespace ostrel
