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

// The same as the spectrum chart draws it: the fitted peaks only (a problem peak has no fitted
// shape), each followed by one point at the x of its last point whose y is not a number, where
// the chart breaks its line, so that no peak's curve is joined to the next one's across the gap
// between their windows.
CurvePoints DrawnFittedCurves(const PeakResults& peaks);

}  // namespace ostrel
