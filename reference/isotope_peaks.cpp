#include "reference/isotope_peaks.h"

#include <algorithm>
#include <cmath>

#include "reference/elements.h"

namespace ostrel {

double IsotopeRatioBound(int32_t carbon) {
    return 2.5 * std::max(carbon, 1) * kC13PerC12 + 0.01;
}

std::vector<int32_t> IsotopeParents(std::span<const IsotopeTestPeak> peaks, double toleranceMmu) {
    std::vector<int32_t> parent(peaks.size(), -1);
    size_t from = 0;  // the first peak that can still lie 1 u below the current one
    for (size_t p = 0; p < peaks.size(); ++p) {
        const IsotopeTestPeak& iso = peaks[p];
        double nearest = INFINITY;
        for (size_t q = from; q < p; ++q) {
            const IsotopeTestPeak& ion = peaks[q];
            const double offMmu = (iso.mass - ion.mass - kC13Spacing) * 1000;
            const double delta = std::max(toleranceMmu, 3 * std::hypot(iso.sigmaMmu, ion.sigmaMmu));
            if (offMmu > delta) {
                // Too far below for this peak, and for every heavier one too when the window
                // cannot be wider than its floor: the scan may start after it next time.
                if (q == from && offMmu > 1000) from = q + 1;
                continue;
            }
            if (offMmu < -delta) break;
            if (!(ion.height > iso.height)) continue;
            int32_t carbon = std::max(iso.carbon, ion.carbon);
            if (carbon < 0) carbon = static_cast<int32_t>(std::floor(ion.mass / 12));
            if (iso.height / ion.height > IsotopeRatioBound(carbon)) continue;
            if (std::fabs(offMmu) < nearest) {
                nearest = std::fabs(offMmu);
                parent[p] = static_cast<int32_t>(q);
            }
        }
    }
    return parent;
}

}  // namespace ostrel
