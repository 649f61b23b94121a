#include "processing/pass_refinement.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "state/ascending_search.h"
#include "state/spectrum.h"

namespace ostrel {

namespace {

// The model of a row: A and its components, at x.
double RowModel(double a, const std::vector<PeakComponent>& components, double x) {
    double y = a;
    for (const PeakComponent& c : components) {
        const double t = kWidthFactor * c.C * (c.D - x) / x;
        y += c.B * std::exp(-t * t);
    }
    return y;
}

// √(Σ (y − model)² / (n − p)) over the window's points, p the row's parameters.
double StdErrOf(const Spectrum& s, int32_t first, int32_t last,
                const std::vector<PeakComponent>& components) {
    const int32_t n = last - first + 1;
    const int32_t parameters = 1 + 3 * static_cast<int32_t>(components.size());
    if (n <= parameters || components.empty()) return 0;
    double sum = 0;
    for (int32_t i = first; i <= last; ++i) {
        const double r = s.PointY[i] - RowModel(components[0].A, components, s.PointX[i]);
        sum += r * r;
    }
    return std::sqrt(sum / (n - parameters));
}

}  // namespace

std::vector<RefinementPeak> RefinementPeaksOfPass(const Spectrum& spectrum,
                                                  const PeakResults& records) {
    const bool ascending = IsAscending(spectrum.PointX);
    std::vector<RefinementPeak> peaks(records.size());
    for (size_t k = 0; k < records.size(); ++k) {
        const PeakResult& r = records[k];
        RefinementPeak& p = peaks[k];
        // The window's ends are spectrum points, found as the pass found them.
        p.firstIndex = FirstIndexAtOrAbove(spectrum.PointX, r.leftX, ascending);
        p.lastIndex = FirstIndexAtOrAbove(spectrum.PointX, r.rightX, ascending);
        p.leftX = r.leftX;
        p.rightX = r.rightX;
        p.fitFailed = r.IsProblem();
        p.A = r.modelA;
        p.B = r.modelB;
        p.C = r.resolvingPower;
        p.D = r.centre;
        p.errors = r.errors;
        p.iterations = r.iterations;
        p.points = r.points;
    }
    return peaks;
}

PeakResults RefinedResults(const Spectrum& spectrum, const PeakResults& pass,
                           const PeakRefinement& refinement) {
    const std::vector<RefinementPeak> windows = RefinementPeaksOfPass(spectrum, pass);
    PeakResults out;
    out.reserve(pass.size() + static_cast<size_t>(refinement.split));
    std::map<int32_t, int32_t> groupStart;  // the refinement's group: its first record
    for (size_t k = 0; k < pass.size(); ++k) {
        const RefinedPeak& r = k < refinement.peaks.size() ? refinement.peaks[k] : RefinedPeak{};
        if (r.kind == RefinedKind::Unchanged || r.components.empty()) {
            out.push_back(pass[k]);
            continue;
        }
        const RefinementPeak& w = windows[k];
        const bool inSpectrum = w.firstIndex <= w.lastIndex &&
                                w.lastIndex < static_cast<int32_t>(spectrum.PointY.size());
        double lowest = 0;
        if (inSpectrum)
            lowest = *std::min_element(spectrum.PointY.begin() + w.firstIndex,
                                       spectrum.PointY.begin() + w.lastIndex + 1);
        const double stdErr =
            inSpectrum ? StdErrOf(spectrum, w.firstIndex, w.lastIndex, r.components) : 0;
        int32_t group = -1;
        if (r.group >= 0) {
            const auto [at, added] = groupStart.emplace(r.group, static_cast<int32_t>(out.size()));
            group = at->second;
        }
        for (const PeakComponent& c : r.components) {
            PeakResult p = pass[k];  // the window and the zone stay the pass's
            p.centre = c.D;
            p.resolvingPower = c.C;
            p.modelA = c.A;
            p.modelB = c.B;
            p.height = c.B - c.A;
            p.background = c.A > 0 ? c.A : lowest;
            p.errors = c.errors;
            p.stdErr = stdErr;
            p.iterations = r.iterations;
            p.points = r.points;
            p.status = PeakStatus::Fitted;
            p.problem = FitProblem::None;
            p.settled = true;
            p.origin = r.kind == RefinedKind::Split ? PeakOrigin::Component : PeakOrigin::Refitted;
            p.group = group;
            out.push_back(p);
        }
    }
    return out;
}

RefinementCounts CountsOf(const PeakResults& refined) {
    RefinementCounts c;
    for (const PeakResult& p : refined) {
        c.refitted += p.origin == PeakOrigin::Refitted;
        c.components += p.origin == PeakOrigin::Component;
        c.problems += p.IsProblem();
    }
    return c;
}

}  // namespace ostrel
