#include "reference/auto_pairing_peaks.h"

#include <algorithm>
#include <cmath>

#include "fitting/peak_fit.h"
#include "processing/last_pass.h"

namespace ostrel {

namespace {

constexpr double kResolutionFactor = 4;

bool FinitePositive(double v) {
    return std::isfinite(v) && v > 0;
}

}  // namespace

std::vector<AutoCalibrationPeak> AutoCalibrationPeaksOf(const PeakTables& p) {
    const size_t n = p.PeakM.size();
    std::vector<AutoCalibrationPeak> peaks(n);
    std::vector<double> resolutions;
    for (size_t i = 0; i < n; ++i) {
        AutoCalibrationPeak& peak = peaks[i];
        peak.mass = p.PeakM[i];
        peak.height = i < p.PeakV.size() ? p.PeakV[i] : 0;
        peak.massError = i < p.PeakErr.size() ? p.PeakErr[i][3] : 0;
        const double r = i < p.PeakR.size() ? p.PeakR[i] : 0;
        peak.usable = peak.height != kProblemPeakHeight && FinitePositive(peak.mass) &&
                      FinitePositive(peak.height) && FinitePositive(r) &&
                      std::isfinite(peak.massError);
        if (peak.usable) resolutions.push_back(r);
    }
    if (resolutions.empty()) return peaks;
    std::nth_element(resolutions.begin(), resolutions.begin() + resolutions.size() / 2,
                     resolutions.end());
    const double median = resolutions[resolutions.size() / 2];
    for (size_t i = 0; i < n; ++i) {
        const double r = p.PeakR[i];
        if (peaks[i].usable && (r < median / kResolutionFactor || r > median * kResolutionFactor))
            peaks[i].usable = false;
    }
    return peaks;
}

}  // namespace ostrel
