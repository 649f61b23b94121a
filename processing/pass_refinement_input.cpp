#include "processing/pass_refinement_input.h"

#include "processing/last_pass.h"
#include "state/ascending_search.h"
#include "state/measured_points.h"

namespace ostrel {

std::vector<RefinementPeak> RefinementPeaksOfPass(const Spectrum& spectrum, const PeakTables& t) {
    const bool ascending = IsAscending(spectrum.PointX);
    std::vector<RefinementPeak> peaks(t.PeakCount());
    for (int32_t k = 0; k < t.PeakCount(); ++k) {
        RefinementPeak& p = peaks[k];
        // The window's ends are spectrum points, found as the pass found them.
        p.firstIndex = PointIndexAtOrAfter(spectrum.PointX, t.PeakLeftX[k], ascending);
        p.lastIndex = PointIndexAtOrAfter(spectrum.PointX, t.PeakRightX[k], ascending);
        p.leftX = t.PeakLeftX[k];
        p.rightX = t.PeakRightX[k];
        p.fitFailed = t.PeakV[k] == kProblemPeakHeight;
        p.A = t.FittedA[k];
        p.B = t.FittedB[k];
        p.C = t.PeakR[k];
        p.D = t.PeakM[k];
        p.errors = t.PeakErr[k];
        p.iterations = static_cast<int32_t>(t.PeakIter[k]);
        p.points = static_cast<int32_t>(t.PeakKol[k]);
    }
    return peaks;
}

}  // namespace ostrel
