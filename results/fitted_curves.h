// "Обработанное": the fitted curve of every peak over the spectrum.
#pragma once

#include <vector>

#include "processing/peak_result.h"

namespace ostrel {

// The fitted curve of every peak, sampled every 0.001 u over its window (at most 10001 points a
// peak), in ascending x.
struct CurvePoints {
    std::vector<double> x, y;
};
CurvePoints FittedCurves(const PeakResults& peaks);

}  // namespace ostrel
