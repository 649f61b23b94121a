// Peak records made from masses and heights alone, for the steps that follow the last pass.
#pragma once

#include <vector>

#include "processing/peak_result.h"

namespace ostrel::testing {

inline PeakResults PeaksAt(const std::vector<double>& masses, double height = 1000) {
    PeakResults peaks;
    for (double m : masses) {
        PeakResult& p = peaks.emplace_back();
        p.leftX = m - 0.1;
        p.rightX = m + 0.1;
        p.centre = m;
        p.resolvingPower = 3000;
        p.height = height;
        p.background = 10;
        p.stdErr = 1;
        p.iterations = 5;
        p.points = 40;
        p.modelA = 10;
        p.modelB = height + 10;
    }
    return peaks;
}

}  // namespace ostrel::testing
