// The peaks of the last pass as the automatic calibration takes them.
#pragma once

#include <vector>

#include "processing/peak_result.h"
#include "reference/auto_pairing.h"

namespace ostrel {

// One peak per row of the results table: its centre, its height as the table shows it (B − A)
// and the centre's standard error (u). A row is not usable when it is not a usable fit
// (IsUsableFit: a problem peak, or numbers that describe no peak), when its mass is not
// positive, or when its resolving power lies beyond a factor 4 of the median of the others: a fit
// gone astray reports a resolving power far from that of its neighbours, while the peaks of one
// spectrum share theirs within a few tens of per cent.
std::vector<AutoCalibrationPeak> AutoCalibrationPeaksOf(const PeakResults& peaks);

}  // namespace ostrel
