// Small synthetic spectra: Gaussian-like peaks on a baseline at equal x steps.
#pragma once

#include <cmath>
#include <vector>

#include "state/spectrum.h"

namespace ostrel::testing {

struct SyntheticPeak {
    double centre;
    double height;
    double width;
};

inline Spectrum MakeSpectrum(double x0, double step, int count, double baseline,
                             const std::vector<SyntheticPeak>& peaks) {
    Spectrum s;
    s.PointX.resize(count);
    s.PointY.resize(count);
    for (int i = 0; i < count; ++i) {
        const double x = x0 + step * i;
        double y = baseline;
        for (const auto& p : peaks) {
            const double t = (x - p.centre) / p.width;
            y += p.height * std::exp(-t * t);
        }
        s.PointX[i] = x;
        s.PointY[i] = std::floor(y);
    }
    return s;
}

}  // namespace ostrel::testing
