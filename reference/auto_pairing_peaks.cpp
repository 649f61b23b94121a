#include "reference/auto_pairing_peaks.h"

#include <algorithm>
#include <cmath>


namespace ostrel {

namespace {

constexpr double kResolutionFactor = 4;

bool FinitePositive(double v) {
    return std::isfinite(v) && v > 0;
}

}  // namespace

std::vector<AutoCalibrationPeak> AutoCalibrationPeaksOf(const PeakResults& p) {
    const size_t n = p.size();
    std::vector<AutoCalibrationPeak> peaks(n);
    std::vector<double> resolutions;
    for (size_t i = 0; i < n; ++i) {
        AutoCalibrationPeak& peak = peaks[i];
        peak.mass = p[i].centre;
        peak.height = p[i].height;
        peak.massError = p[i].errors[3];
        peak.usable = IsUsableFit(p[i]) && FinitePositive(peak.mass);
        if (peak.usable) resolutions.push_back(p[i].resolvingPower);
    }
    if (resolutions.empty()) return peaks;
    std::nth_element(resolutions.begin(), resolutions.begin() + resolutions.size() / 2,
                     resolutions.end());
    const double median = resolutions[resolutions.size() / 2];
    for (size_t i = 0; i < n; ++i) {
        const double r = p[i].resolvingPower;
        if (peaks[i].usable && (r < median / kResolutionFactor || r > median * kResolutionFactor))
            peaks[i].usable = false;
    }
    return peaks;
}

}  // namespace ostrel
