// Peak tables made from masses and heights alone, for the steps that follow the last pass.
#pragma once

#include <vector>

#include "processing/last_pass.h"

namespace ostrel::testing {

inline PeakTables PeaksAt(const std::vector<double>& masses, double height = 1000) {
    PeakTables p;
    for (double m : masses) {
        p.PeakLeftX.push_back(m - 0.1);
        p.PeakRightX.push_back(m + 0.1);
        p.PeakM.push_back(m);
        p.PeakR.push_back(3000);
        p.PeakV.push_back(height);
        p.PeakA.push_back(10);
        p.PeakStdErr.push_back(1);
        p.PeakIter.push_back(5);
        p.PeakKol.push_back(40);
        p.PeakZoneIndex.push_back(0);
        p.PeakErr.push_back({0, 0, 0, 0});
        p.FittedA.push_back(10);
        p.FittedB.push_back(height + 10);
    }
    return p;
}

}  // namespace ostrel::testing
