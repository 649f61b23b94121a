// The peaks of the last pass as the automatic calibration takes them.
#pragma once

#include <vector>

#include "reference/auto_pairing.h"

namespace ostrel {

struct PeakTables;

// One peak per row of the results table: the mass PeakM, the height PeakV, the error of the
// centre PeakErr[3] (u). A row is not usable when it is a problem peak (the height exactly 1),
// when its mass, height or resolving power is not finite and positive, when its error is not
// finite, or when its resolving power lies beyond a factor 4 of the median of the others: a fit
// gone astray reports a resolving power far from that of its neighbours, while the peaks of one
// spectrum share theirs within a few tens of per cent.
std::vector<AutoCalibrationPeak> AutoCalibrationPeaksOf(const PeakTables& peaks);

}  // namespace ostrel
