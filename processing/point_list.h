// Point lists: x and y sequences with the same index. Every x is a copy of a spectrum x.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrel {

struct PointList {
    std::vector<double> X;
    std::vector<double> Y;

    int32_t Count() const { return static_cast<int32_t>(X.size()); }
};

// A read-only view of a point list or of the spectrum.
struct PointsView {
    std::span<const double> X;
    std::span<const double> Y;

    PointsView(std::span<const double> x, std::span<const double> y) : X(x), Y(y) {}
    PointsView(const PointList& list) : X(list.X), Y(list.Y) {}  // NOLINT: implicit on purpose
    int32_t Count() const { return static_cast<int32_t>(X.size()); }
};

// The zone table: one entry per (minimum, maximum, minimum) triple of stage 4.
struct ZoneTable {
    std::vector<int32_t> ZoneTopIndex;  // index in stage 4 of the zone's maximum
    std::vector<int32_t> ZoneHeight;    // mean of the two flank heights, rounded down
    std::vector<double> ZoneCenter;     // x of the zone's maximum

    int32_t ZoneCount() const { return static_cast<int32_t>(ZoneHeight.size()); }
};

// The processing stages, each replaced as a whole when it is built.
struct ProcessingStages {
    PointList Stage1;    // the spectrum smoothed three times
    PointList Averaged;  // stage 1 smoothed KolUsred + 2 more times
    PointList Stage2;    // turning points of the averaged curve
    PointList Stage3;    // stage 2 without a leading and a trailing maximum
    PointList Stage4;    // turning points of stage 3
    PointList Filtered;  // minima and maxima of the zones not lower than FirstPeakHeight
    PointList Slope;     // turning points of the filtered list
    ZoneTable Zones;
};

}  // namespace ostrel
