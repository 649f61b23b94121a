#include "fitting/peak_refinement.h"

#include <algorithm>
#include <cmath>

#include "fitting/refinement_fits.h"
#include "processing/two_core_order.h"
#include "state/ascending_search.h"

namespace ostrel {

namespace {

// A reference peak for the resolving power has C known to kPreciseReference (or, where fewer than
// three peaks are, to kLooseReference) and no neighbour within kIsolationFwhm of its FWHM (the
// tail of a neighbour there is below 3e-8 of its height). The precise ones come first because a
// pair too close to show in the residuals fits a C smaller by some 13 % (0.5 FWHM apart), which
// stands out only when C is known well; a spectrum of few points per peak has none of them.
constexpr double kPreciseReference = 0.02, kLooseReference = 0.05;
constexpr double kIsolationFwhm = 2.5;
// Two neighbouring rows are fitted together when either one's curve at the other's centre is at
// least this fraction of the other's height (2.0 FWHM apart at equal heights, 1.7 at 30 : 1), at
// most kMaxClusterRows of them. Further apart the pull of one on the other's centre through the
// tail taken away is negligible; nearer, a tail taken away from a biased fit of the neighbour
// leaves a step that a false second component would fill.
constexpr double kJoinFraction = 1e-5;
constexpr int32_t kMaxClusterRows = 4;
// A cluster is fitted again when its neighbours' tails have changed by this fraction of its
// lowest height somewhere in its windows, in at most kMaxSweeps sweeps.
constexpr double kTailChange = 1e-3;
constexpr int32_t kMaxSweeps = 4;
// Fewer items than this are refined on the calling thread alone.
constexpr int32_t kItemsForTwoThreads = 64;

bool WindowFits(const RefinementInput& in, const RefinementPeak& p) {
    return p.firstIndex >= 0 && p.lastIndex >= p.firstIndex + 5 &&
           static_cast<size_t>(p.lastIndex) < in.x.size();
}

// Runs work(k) for k = 0..count-1, on two threads when asked and there are enough of them to pay
// for starting a thread; every k independently, so the answers do not depend on the threads.
template <class Work>
void ForEach(int32_t count, bool twoThreads, Work work) {
    if (!twoThreads || count < kItemsForTwoThreads) {
        for (int32_t k = 0; k < count; ++k) work(k);
        return;
    }
    ProduceOnTwoCoresConsumeInOrder<char>(
        count, 64, [&](int32_t k, char&) { work(k); }, [](int32_t, char&) { return true; });
}

// How much two neighbouring rows' curves overlap: the larger of either curve at the other's
// centre as a fraction of the other's height, both taken as wide as the resolving power allows.
double Overlap(const RowFit& first, const RowFit& second) {
    const PeakShape &a = *first.shape, &b = *second.shape;
    const PeakShape wa{a.B, std::min(a.C, first.resolution), a.D};
    const PeakShape wb{b.B, std::min(b.C, second.resolution), b.D};
    return std::max(PeakCurve(wa, b.D) / b.B, PeakCurve(wb, a.D) / a.B);
}

// A run of overlapping rows cut into clusters of at most kMaxClusterRows at its weakest links.
void CutRun(const std::vector<int32_t>& run, const std::vector<double>& links, size_t from,
            size_t to, std::vector<std::vector<int32_t>>& out) {
    if (to - from <= static_cast<size_t>(kMaxClusterRows)) {
        out.emplace_back(run.begin() + static_cast<std::ptrdiff_t>(from),
                         run.begin() + static_cast<std::ptrdiff_t>(to));
        return;
    }
    size_t weakest = from;
    for (size_t i = from; i + 1 < to; ++i)
        if (links[i] < links[weakest]) weakest = i;
    CutRun(run, links, from, weakest + 1, out);
    CutRun(run, links, weakest + 1, to, out);
}

// The rows with a curve in clusters of neighbours whose curves overlap by kJoinFraction.
std::vector<std::vector<int32_t>> Clusters(const std::vector<RowFit>& rows) {
    std::vector<int32_t> found;
    for (size_t k = 0; k < rows.size(); ++k)
        if (rows[k].shape) found.push_back(static_cast<int32_t>(k));
    std::vector<std::vector<int32_t>> clusters;
    for (size_t i = 0; i < found.size();) {
        size_t j = i + 1;
        std::vector<double> links;
        while (j < found.size()) {
            const double o = Overlap(rows[found[j - 1]], rows[found[j]]);
            if (!(o >= kJoinFraction)) break;
            links.push_back(o);
            ++j;
        }
        const std::vector<int32_t> run(found.begin() + static_cast<std::ptrdiff_t>(i),
                                       found.begin() + static_cast<std::ptrdiff_t>(j));
        CutRun(run, links, 0, run.size(), clusters);
        i = j;
    }
    return clusters;
}

RowCurves CurvesOf(const std::vector<RowFit>& rows) {
    RowCurves curves(rows.size());
    for (size_t k = 0; k < rows.size(); ++k)
        if (rows[k].shape) curves[k] = {*rows[k].shape};
    return curves;
}

// The curves after the clusters' fits: a cluster's components where it changed, none for a row
// found to be no peak, the curves before elsewhere.
RowCurves CurvesAfter(const RowCurves& before, const std::vector<std::vector<int32_t>>& clusters,
                      const std::vector<ClusterResult>& results) {
    RowCurves curves = before;
    for (size_t c = 0; c < clusters.size(); ++c) {
        const ClusterResult& result = results[c];
        for (size_t q = 0; q < clusters[c].size(); ++q) {
            auto& list = curves[clusters[c][q]];
            if (!result.dropped.empty() && result.dropped[q]) {
                list.clear();
            } else if (result.changed) {
                list.clear();
                for (const PeakComponent& comp : result.components[q])
                    list.push_back({comp.B, comp.C, comp.D});
            }
        }
    }
    return curves;
}

// Whether the tails of the rows near the cluster but outside it differ between `before` and
// `after` on the cluster's windows by at least kTailChange of the cluster's lowest height.
bool NeighbourChanged(const RefinementInput& in, const std::vector<RowFit>& rows,
                      const std::vector<int32_t>& members, const RowCurves& before,
                      const RowCurves& after) {
    const int32_t firstIndex = in.peaks[members.front()].firstIndex;
    const int32_t lastIndex = in.peaks[members.back()].lastIndex;
    const double low = in.x[firstIndex], high = in.x[lastIndex];
    double lowest = rows[members.front()].shape->B;
    for (int32_t k : members) lowest = std::min(lowest, rows[k].shape->B);
    const auto n = static_cast<int32_t>(after.size());
    for (int32_t j = std::max(0, members.front() - kTailNeighbours);
         j <= std::min(n - 1, members.back() + kTailNeighbours); ++j) {
        if (j >= members.front() && j <= members.back()) continue;
        const auto& a = before[j];
        const auto& b = after[j];
        const bool same =
            a.size() == b.size() &&
            std::equal(a.begin(), a.end(), b.begin(), [](const PeakShape& p, const PeakShape& q) {
                return p.B == q.B && p.C == q.C && p.D == q.D;
            });
        if (same) continue;
        // The points the old or the new curves reach.
        double from = high, to = low;
        for (const auto* list : {&a, &b})
            for (const PeakShape& s : *list) {
                const double reach = PeakReachDistance(s);
                from = std::min(from, s.D - reach);
                to = std::max(to, s.D + reach);
            }
        from = std::max(from, low);
        to = std::min(to, high);
        if (from > to) continue;
        const auto x0 = in.x.begin();
        const auto first = std::lower_bound(x0 + firstIndex, x0 + lastIndex + 1, from) - x0;
        const auto last = std::upper_bound(x0 + first, x0 + lastIndex + 1, to) - x0;
        for (auto i = first; i < last; ++i) {
            double change = 0;
            for (const PeakShape& s : b) change += PeakCurve(s, in.x[i]);
            for (const PeakShape& s : a) change -= PeakCurve(s, in.x[i]);
            if (std::fabs(change) >= kTailChange * lowest) return true;
        }
    }
    return false;
}

}  // namespace

ResolvingPowerProfile MeasureResolvingPower(const RefinementInput& in, bool twoThreads) {
    const auto count = static_cast<int32_t>(in.peaks.size());
    RowCurves written(count);
    for (int32_t k = 0; k < count; ++k) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLostFit(p) && WindowFits(in, p)) written[k] = {{p.B, p.C, p.D}};
    }
    // 2 for a precise reference, 1 for a loose one, 0 for none.
    std::vector<char> reference(count, 0);
    ForEach(count, twoThreads, [&](int32_t k) {
        const RefinementPeak& p = in.peaks[k];
        if (written[k].empty() || !(p.errors[2] > 0) || !std::isfinite(p.errors[2]) ||
            p.errors[2] > kLooseReference * p.C)
            return;
        for (int32_t j = std::max(0, k - kTailNeighbours);
             j <= std::min(count - 1, k + kTailNeighbours); ++j)
            for (const PeakShape& s : written[j])
                if (j != k && std::fabs(s.D - p.D) <
                                  kIsolationFwhm * std::max(PeakFwhm(p.D, p.C), PeakFwhm(s.D, s.C)))
                    return;
        if (PassResidualStructure(in, written, k, p.C) < kStructureSigmas)
            reference[k] = p.errors[2] <= kPreciseReference * p.C ? 2 : 1;
    });
    const char least = std::count(reference.begin(), reference.end(), 2) >= 3 ? 2 : 1;
    std::vector<std::pair<double, double>> references;
    for (int32_t k = 0; k < count; ++k)
        if (reference[k] >= least) references.emplace_back(in.peaks[k].D, in.peaks[k].C);
    return ProfileOfReferences(std::move(references));
}

PeakRefinement RefinePeaks(const RefinementInput& in, const PeakRefinementOptions& options) {
    PeakRefinement out;
    const auto count = static_cast<int32_t>(in.peaks.size());
    out.peaks.assign(count, RefinedPeak{});
    // The windows and the tails are taken in ascending x.
    if (!IsAscending(in.x) || in.x.size() != in.y.size()) return out;
    out.resolvingPower = MeasureResolvingPower(in, options.twoThreads);
    const ResolvingPowerProfile& profile = out.resolvingPower;

    // Round 1: each failed fit fitted afresh, the tails of the pass's fitted neighbours taken
    // away.
    std::vector<RowFit> rows(count);
    for (int32_t k = 0; k < count; ++k) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLostFit(p) && WindowFits(in, p)) rows[k] = {PeakShape{p.B, p.C, p.D}, p.A, p.errors};
    }
    const RowCurves written = CurvesOf(rows);
    ForEach(count, options.twoThreads, [&](int32_t k) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLostFit(p) || !WindowFits(in, p)) return;
        const PointWindow w = WindowLessNeighbours(in, p.firstIndex, p.lastIndex, written, k, k);
        if (auto refit = RefitFailed(w, p, profile)) {
            RefinedPeak& r = out.peaks[k];
            r.kind = RefinedKind::Refitted;
            r.components = {{refit->fit.A(), refit->fit.B(0), refit->fit.C(0), refit->fit.D(0),
                             refit->fit.Errors(0)}};
            r.iterations = refit->fit.ls.evaluations - 1;
            r.points = refit->points;
        }
    });
    for (int32_t k = 0; k < count; ++k) {
        const RefinedPeak& r = out.peaks[k];
        if (r.kind != RefinedKind::Refitted) continue;
        const PeakComponent& c = r.components[0];
        rows[k] = {PeakShape{c.B, c.C, c.D}, c.A, c.errors};
    }

    // Round 2 needs the resolving power: the rows found by now in clusters of overlapping
    // neighbours, fitted together and looked at for second components, the tails of the rows
    // outside a cluster taken away.
    if (profile.Known()) {
        ForEach(count, options.twoThreads, [&](int32_t k) {
            if (rows[k].shape) rows[k].resolution = profile.At(rows[k].shape->D);
        });
        const std::vector<std::vector<int32_t>> clusters = Clusters(rows);
        const auto clusterCount = static_cast<int32_t>(clusters.size());
        const RowCurves first = CurvesOf(rows);
        std::vector<ClusterResult> results(clusters.size());
        ForEach(clusterCount, options.twoThreads, [&](int32_t c) {
            results[c] = RefitCluster(in, rows, first, clusters[c], profile);
        });
        // The tails those fits took away were the first fits' of the neighbours. Where a
        // neighbour has changed since (split, or fitted with its own neighbours), the cluster is
        // fitted again with the neighbour's new curve, since a merged pair's single curve has
        // other tails than its two components; and so on until no cluster's neighbours change
        // (the changes stay local: a few sweeps).
        std::vector<RowCurves> versions{first};
        std::vector<int32_t> fittedWith(clusters.size(), 0);
        for (int32_t sweep = 1; sweep <= kMaxSweeps; ++sweep) {
            RowCurves current = CurvesAfter(first, clusters, results);
            std::vector<char> changed(clusters.size(), 0);
            ForEach(clusterCount, options.twoThreads, [&](int32_t c) {
                changed[c] =
                    NeighbourChanged(in, rows, clusters[c], versions[fittedWith[c]], current);
            });
            std::vector<int32_t> again;
            for (int32_t c = 0; c < clusterCount; ++c)
                if (changed[c]) again.push_back(c);
            if (again.empty()) break;
            versions.push_back(std::move(current));
            ForEach(static_cast<int32_t>(again.size()), options.twoThreads, [&](int32_t a) {
                results[again[a]] =
                    RefitCluster(in, rows, versions.back(), clusters[again[a]], profile);
            });
            for (int32_t c : again) fittedWith[c] = sweep;
        }

        int32_t group = 0;
        for (size_t c = 0; c < clusters.size(); ++c) {
            const ClusterResult& result = results[c];
            for (size_t q = 0; q < result.dropped.size(); ++q)
                if (result.dropped[q]) out.peaks[clusters[c][q]] = RefinedPeak{};
            if (!result.changed) continue;
            int32_t kept = 0;
            bool split = false;
            for (size_t q = 0; q < clusters[c].size(); ++q) {
                if (result.dropped[q]) continue;
                ++kept;
                RefinedPeak& r = out.peaks[clusters[c][q]];
                r.components = result.components[q];
                r.kind = r.components.size() > 1 ? RefinedKind::Split : RefinedKind::Refitted;
                split = split || r.kind == RefinedKind::Split;
                r.iterations = result.iterations;
                r.points = result.points;
            }
            if (split || kept > 1) {
                for (size_t q = 0; q < clusters[c].size(); ++q)
                    if (!result.dropped[q]) out.peaks[clusters[c][q]].group = group;
                ++group;
            }
        }
    }
    for (int32_t k = 0; k < count; ++k) {
        const RefinedPeak& r = out.peaks[k];
        const bool lost = IsLostFit(in.peaks[k]);
        out.split += r.kind == RefinedKind::Split;
        out.refitted += lost && r.kind != RefinedKind::Unchanged;
        out.jointlyFitted += !lost && r.kind == RefinedKind::Refitted;
        out.stillFailed += lost && r.kind == RefinedKind::Unchanged;
    }
    return out;
}

}  // namespace ostrel
