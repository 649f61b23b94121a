#include "fitting/refinement_fits.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr int32_t kMinCorePoints = 10;
// A trial split stops sooner: a clear split gains some 5 % of the sum of squares and more (the
// F-test at 1e-6 with 500 points), so a trial that gains less than 1e-4 of it a step would need
// hundreds of steps to get there. A trial whose F-test tail is below kTrialSignificance is
// finished with kRefinementFitOptions and judged then.
constexpr LeastSquaresOptions kTrialOptions{
    .maxEvaluations = 60, .costTolerance = 1e-4, .stepTolerance = 1e-9};
constexpr double kTrialSignificance = 1e-2;
// The bounds of a single component's C around the measured resolving power.
constexpr double kSingleResolutionLow = 0.5, kSingleResolutionHigh = 2;

// Part m is a peak: its height kDetectionSigmas standard errors above 0, its centre off its
// bounds and at least `margin` FWHM inside [dLow, dHigh].
bool IsPeak(const SumFit& fit, size_t m, const SumPart& part, double margin) {
    if (!fit.usable) return false;
    const double b = fit.B(m), d = fit.D(m), eb = fit.ErrorB(m);
    const double fwhm = PeakFwhm(d, fit.C(m));
    return b > 0 && eb > 0 && b >= kDetectionSigmas * eb && !fit.DAtBound(m) &&
           d - part.dLow >= margin * fwhm && part.dHigh - d >= margin * fwhm;
}

// The window's y averaged over 2·half + 1 points (fewer at the ends), by a running sum.
std::vector<double> MovingAverage(std::span<const double> y, int32_t half) {
    const auto n = static_cast<int32_t>(y.size());
    std::vector<double> out(n);
    double sum = 0;
    int32_t a = 0, b = -1;  // the points in the sum
    for (int32_t i = 0; i < n; ++i) {
        const int32_t from = std::max(0, i - half), to = std::min(n - 1, i + half);
        while (b < to) sum += y[++b];
        while (a < from) sum -= y[a++];
        out[i] = sum / (b - a + 1);
    }
    return out;
}

// About an eighth of a FWHM in points of the window.
int32_t EighthFwhmPoints(const PointWindow& w, double mass, double resolution) {
    const double step =
        (w.x.back() - w.x.front()) / static_cast<double>(std::max<size_t>(1, w.x.size() - 1));
    const double perFwhm = step > 0 && resolution > 0 ? mass / resolution / step : 4;
    return static_cast<int32_t>(std::clamp(perFwhm / 8, 0.0, 50.0));
}

// The resolving power from the smoothed curve's width at half its height above the background,
// for a spectrum without references.
double HalfWidthResolution(const PointWindow& w, const std::vector<double>& smooth, size_t top,
                           double background) {
    const double level = background + (smooth[top] - background) / 2;
    size_t l = top, r = top;
    while (l > 0 && smooth[l] > level) --l;
    while (r + 1 < smooth.size() && smooth[r] > level) ++r;
    const double width = w.x[r] - w.x[l];
    return width > 0 ? w.x[top] / width : 0;
}

// Lag-one correlation of residuals, in standard deviations of that of independent noise (√n
// times the correlation coefficient); 0 with fewer than kMinCorePoints.
double LagOneStructure(std::span<const double> r) {
    if (r.size() < static_cast<size_t>(kMinCorePoints)) return 0;
    double mean = 0;
    for (double v : r) mean += v;
    mean /= static_cast<double>(r.size());
    double s0 = 0, s1 = 0;
    for (size_t i = 0; i < r.size(); ++i) {
        s0 += (r[i] - mean) * (r[i] - mean);
        if (i + 1 < r.size()) s1 += (r[i] - mean) * (r[i + 1] - mean);
    }
    return s0 > 0 ? s1 / s0 * std::sqrt(static_cast<double>(r.size())) : 0;
}

// The spectrum indices of the window of rows from..to within [low, high] (at least one).
std::pair<int32_t, int32_t> IndicesWithin(const RefinementInput& in, int32_t from, int32_t to,
                                          double low, double high) {
    const auto x0 = in.x.begin();
    const auto end = x0 + in.peaks[to].lastIndex + 1;
    const auto first =
        static_cast<int32_t>(std::lower_bound(x0 + in.peaks[from].firstIndex, end, low) - x0);
    const auto last = static_cast<int32_t>(std::upper_bound(x0 + first, end, high) - x0) - 1;
    const int32_t top = in.peaks[to].lastIndex;
    return {std::min(first, top), std::clamp(last, std::min(first, top), top)};
}

// The residuals of a fit within kFitReachFwhm FWHM of centre d.
std::vector<double> CoreResiduals(const PointWindow& w, const std::vector<double>& residuals,
                                  double d, double fwhm) {
    std::vector<double> out;
    for (size_t i = 0; i < w.x.size(); ++i)
        if (std::fabs(w.x[i] - d) <= kFitReachFwhm * fwhm) out.push_back(residuals[i]);
    return out;
}

// A model of a cluster: its parts (a split row has two) and their fit.
struct ClusterModel {
    std::vector<SumPart> parts;
    SumFit fit;
};

// The parts with the fit's values as the next start.
std::vector<SumPart> PartsAfter(const ClusterModel& model) {
    std::vector<SumPart> parts = model.parts;
    for (size_t m = 0; m < parts.size(); ++m) {
        parts[m].b = model.fit.B(m);
        parts[m].c = model.fit.C(m);
        parts[m].d = model.fit.D(m);
    }
    return parts;
}

// The F-test of the model with a part split in two (two parameters more) against the model
// without the split: the tail probability of the gain (1 when there is none).
double SplitTail(const PointWindow& w, const ClusterModel& without, const ClusterModel& with) {
    const SumFit& two = with.fit;
    const auto dof =
        static_cast<int32_t>(w.x.size()) - static_cast<int32_t>(two.ls.parameters.size());
    if (!two.usable || dof <= 0 || !(two.Cost() > 0) || !(without.fit.Cost() > two.Cost()))
        return 1;
    const double f = (without.fit.Cost() - two.Cost()) / 2 / (two.Cost() / dof);
    return FTestTail(f, 2, dof);
}

// Whether the model with part m split into parts m and m + 1 is clearly better than the model
// without the split, and each half a peak (see kSplitSignificance).
bool SplitIsClear(const PointWindow& w, const ClusterModel& without, const ClusterModel& with,
                  size_t m) {
    if (!(SplitTail(w, without, with) < kSplitSignificance)) return false;
    const SumFit& two = with.fit;
    const double b0 = two.B(m), b1 = two.B(m + 1);
    const double gap = std::fabs(two.D(m + 1) - two.D(m));
    if (!IsPeak(two, m, with.parts[m], 0.25) || !IsPeak(two, m + 1, with.parts[m + 1], 0.25) ||
        std::min(b0, b1) < kMinorFraction * std::max(b0, b1) ||
        gap < kMinSeparationFwhm * PeakFwhm(two.D(m), two.C(m)) || two.CAtBound(m))
        return false;
    // A half that sits on another row's component models that one twice.
    for (size_t q = 0; q < with.parts.size(); ++q) {
        if (q == m || q == m + 1) continue;
        for (size_t h : {m, m + 1})
            if (std::fabs(two.D(q) - two.D(h)) < kMinSeparationFwhm * PeakFwhm(two.D(h), two.C(h)))
                return false;
    }
    return true;
}

// Part m split into two sharing one C near the resolving power, from the start values of a
// merged pair (halves either side of the centre, as far apart as the extra width says: for equal
// heights σ₁² = σ² + (d/2)²) and of a shoulder (the second half where the residuals are highest,
// at least kMinSeparationFwhm from the centre). The start that suits the row's sign goes first
// (the pair for a peak wider than the resolving power, else the shoulder); the other only when
// the first's split is not clear.
std::optional<ClusterModel> TrySplit(const PointWindow& w, const ClusterModel& model, size_t m,
                                     double resolution, int32_t share, bool wide) {
    const std::vector<SumPart> base = PartsAfter(model);
    const SumPart& part = base[m];
    const double fwhm = PeakFwhm(part.d, resolution);
    const double cLow = resolution * (1 - kPairResolutionTolerance);
    const double cHigh = resolution * (1 + kPairResolutionTolerance);
    auto pairOf = [&](SumPart first, SumPart second) {
        std::vector<SumPart> parts = base;
        first.share = second.share = share;
        first.c = second.c = resolution;
        first.cLow = second.cLow = cLow;
        first.cHigh = second.cHigh = cHigh;
        parts[m] = first;
        parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(m) + 1, second);
        return parts;
    };
    std::vector<std::vector<SumPart>> starts;
    const double ratio = resolution / part.c;
    const double widening = std::sqrt(std::max(ratio * ratio - 1, 0.09));
    const double halfGap = std::min(0.5 * widening * fwhm, (part.dHigh - part.dLow) / 4);
    SumPart left = part, right = part;
    left.b = right.b = 0.6 * part.b;
    left.d = std::max(part.d - halfGap, part.dLow);
    right.d = std::min(part.d + halfGap, part.dHigh);
    starts.push_back(pairOf(left, right));
    const std::vector<double> smooth =
        MovingAverage(SumResiduals(w, model.fit), EighthFwhmPoints(w, part.d, resolution));
    std::optional<size_t> bump;
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i];
        if (x < part.dLow || x > part.dHigh || std::fabs(x - part.d) < kMinSeparationFwhm * fwhm ||
            std::fabs(x - part.d) > kFitReachFwhm * fwhm || !(-smooth[i] > 0))
            continue;
        if (!bump || -smooth[i] > -smooth[*bump]) bump = i;
    }
    if (bump) {
        SumPart second = part;
        second.b = -1.5 * smooth[*bump];
        second.d = w.x[*bump];
        starts.push_back(second.d < part.d ? pairOf(second, part) : pairOf(part, second));
        if (!wide) std::swap(starts[0], starts[1]);
    }
    const double a = model.fit.A();
    for (const auto& parts : starts) {
        const ClusterModel trial{parts, FitSum(w, a, parts, kTrialOptions)};
        // The trial stops early; one that comes near the significance is finished and judged.
        if (!(SplitTail(w, model, trial) < kTrialSignificance)) continue;
        ClusterModel finished{trial.parts,
                              FitSum(w, trial.fit.A(), PartsAfter(trial), kRefinementFitOptions)};
        if (SplitIsClear(w, model, finished, m)) return finished;
    }
    return std::nullopt;
}

}  // namespace

double PassResidualStructure(const RefinementInput& in, const RowCurves& curves, int32_t k,
                             double resolution) {
    const RefinementPeak& p = in.peaks[k];
    const double reach = kFitReachFwhm * PeakFwhm(p.D, resolution);
    const auto [first, last] = IndicesWithin(in, k, k, p.D - reach, p.D + reach);
    if (last - first + 1 < kMinCorePoints) return 0;
    const PointWindow w = WindowLessNeighbours(in, first, last, curves, k, k);
    const PeakShape s{p.B, p.C, p.D};
    std::vector<double> r(w.x.size());
    for (size_t i = 0; i < w.x.size(); ++i) r[i] = p.A + PeakCurve(s, w.x[i]) - w.y[i];
    return LagOneStructure(r);
}

bool IsLostFit(const RefinementPeak& p) {
    return p.fitFailed || !std::isfinite(p.A) || !std::isfinite(p.B) || !std::isfinite(p.C) ||
           !std::isfinite(p.D) || !(p.B > 0) || !(p.C > 0) || !(p.D >= p.leftX) ||
           !(p.D <= p.rightX);
}

PointWindow WindowLessNeighbours(const RefinementInput& in, int32_t first, int32_t last,
                                 const RowCurves& curves, int32_t inFirst, int32_t inLast) {
    std::vector<PeakShape> tails;
    const auto n = static_cast<int32_t>(curves.size());
    for (int32_t j = std::max(0, inFirst - kTailNeighbours);
         j <= std::min(n - 1, inLast + kTailNeighbours); ++j)
        if (j < inFirst || j > inLast)
            tails.insert(tails.end(), curves[j].begin(), curves[j].end());
    return WindowLessCurves(in.x, in.y, first, last, tails);
}

std::optional<SingleRefit> RefitFailed(const PointWindow& window, const RefinementPeak& peak,
                                       const ResolvingPowerProfile& profile) {
    // The background is the window's lower fifth (a percentile, so that neither noise spikes nor
    // the peak itself move it).
    std::vector<double> sorted = window.y;
    const size_t fifth = sorted.size() / 5;
    std::nth_element(sorted.begin(), sorted.begin() + fifth, sorted.end());
    const double background = sorted[fifth];
    // The centre is the top of the curve averaged over one FWHM, which finds a weak peak among
    // noise best (the mean over a box of 1 FWHM keeps 0.81 of a Gaussian's top); without a
    // measured resolving power over an eighth of a FWHM, which keeps the width to measure.
    const double mid = (window.x.front() + window.x.back()) / 2;
    const double guess = profile.At(mid);
    const int32_t eighth = EighthFwhmPoints(window, mid, guess);
    const std::vector<double> smooth = MovingAverage(window.y, guess > 0 ? 4 * eighth : eighth);
    const double kept = guess > 0 && eighth > 0 ? 0.81 : 1;
    const auto top =
        static_cast<size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    const double centre = window.x[top];
    const double resolution =
        guess > 0 ? profile.At(centre) : HalfWidthResolution(window, smooth, top, background);
    if (!(resolution > 0) || !std::isfinite(resolution)) return std::nullopt;
    // A little more than the usual reach, as the centre may move.
    const double reach = (kFitReachFwhm + 1) * PeakFwhm(centre, resolution);
    const PointWindow w = Binned(window, centre - reach, centre + reach, resolution, kBinsPerFwhm);
    if (w.x.size() < 8) return std::nullopt;
    const SumPart part{std::max(smooth[top] - background, 0.0) / kept,
                       resolution,
                       centre,
                       -1,
                       kSingleResolutionLow * resolution,
                       kSingleResolutionHigh * resolution,
                       peak.leftX,
                       peak.rightX};
    SumFit fit = FitSum(w, background, {part}, kRefinementFitOptions);
    if (!IsPeak(fit, 0, part, 0.1) || fit.CAtBound(0)) return std::nullopt;
    return SingleRefit{std::move(fit), w.points};
}

ClusterResult RefitCluster(const RefinementInput& in, const std::vector<RowFit>& rows,
                           const RowCurves& curves, const std::vector<int32_t>& members,
                           const ResolvingPowerProfile& profile) {
    ClusterResult out;
    const auto n = static_cast<int32_t>(members.size());
    std::vector<double> resolution(n);
    for (int32_t q = 0; q < n; ++q) {
        resolution[q] = rows[members[q]].resolution;
        if (!(resolution[q] > 0) || !std::isfinite(resolution[q])) return out;
    }
    if (n == 1) {
        // A single row is fitted again only when it shows a second component in the pass's own
        // residuals or width; a recovered fit has no residuals of the pass and always is.
        const RefinementPeak& p = in.peaks[members[0]];
        const PeakShape& s = *rows[members[0]].shape;
        const bool wide =
            s.C + 3 * rows[members[0]].errors[2] < (1 - kPairResolutionTolerance) * resolution[0];
        if (!IsLostFit(p) && !wide &&
            PassResidualStructure(in, curves, members[0], resolution[0]) < kStructureSigmas)
            return out;
    }
    // The points within kFitReachFwhm (of the wider of C and the resolving power) of every
    // centre, inside the rows' windows, in means of groups.
    double from = in.x[in.peaks[members.back()].lastIndex];
    double to = in.x[in.peaks[members.front()].firstIndex];
    for (int32_t q = 0; q < n; ++q) {
        const PeakShape& s = *rows[members[q]].shape;
        const double reach = kFitReachFwhm * PeakFwhm(s.D, std::min(s.C, resolution[q]));
        from = std::min(from, s.D - reach);
        to = std::max(to, s.D + reach);
    }
    const auto [first, last] = IndicesWithin(in, members.front(), members.back(), from, to);
    const PointWindow all =
        WindowLessNeighbours(in, first, last, curves, members.front(), members.back());
    const double middle = (all.x.front() + all.x.back()) / 2;
    const PointWindow w =
        Binned(all, all.x.front(), all.x.back(), profile.At(middle), kBinsPerFwhm);
    if (w.x.size() < static_cast<size_t>(3 * n + 8)) return out;

    ClusterModel model;
    std::vector<double> backgrounds;
    for (int32_t q = 0; q < n; ++q) {
        const int32_t k = members[q];
        const PeakShape& s = *rows[k].shape;
        model.parts.push_back({s.B, s.C, s.D, -1, kSingleResolutionLow * resolution[q],
                               kSingleResolutionHigh * resolution[q], in.peaks[k].leftX,
                               in.peaks[k].rightX});
        backgrounds.push_back(rows[k].A);
    }
    model.fit = FitSum(w, MedianOf(backgrounds), model.parts, kRefinementFitOptions);
    if (!model.fit.usable) return out;

    // A recovered fit stays only where its peak is clearly there and is not a neighbour's: the
    // fit without its component (the others fitted again) must be clearly worse, by the F-test
    // of its height at kSplitSignificance (some 5 standard deviations; its C and D mean nothing
    // without it). A failed fit over noise, or over the flank of a neighbour the pass has fitted
    // already, falls out here.
    out.dropped.assign(n, 0);
    for (int32_t q = 0, m = 0; q < n; ++q) {
        if (!IsLostFit(in.peaks[members[q]])) {
            ++m;
            continue;
        }
        ClusterModel without{PartsAfter(model), {}};
        without.parts.erase(without.parts.begin() + m);
        without.fit = FitSum(w, model.fit.A(), without.parts, kRefinementFitOptions);
        const auto dof =
            static_cast<int32_t>(w.x.size()) - static_cast<int32_t>(model.fit.ls.parameters.size());
        const double gain = without.fit.Cost() - model.fit.Cost();
        const bool needed =
            without.fit.usable && gain > 0 && model.fit.Cost() > 0 && dof > 0 &&
            FTestTail(gain / (model.fit.Cost() / dof), 1, dof) < kSplitSignificance &&
            IsPeak(model.fit, m, model.parts[m], 0.1);
        if (needed) {
            ++m;
            continue;
        }
        out.dropped[q] = 1;
        model = std::move(without);
        if (!model.fit.usable) return out;
    }
    if (model.parts.empty()) return out;
    for (size_t m = 0; m < model.parts.size(); ++m)
        if (!IsPeak(model.fit, m, model.parts[m], 0)) return out;

    // Each row, in order, fitted as two when its residuals or its width say so and the split is
    // clearly better; a later row is tested against the model with the earlier splits.
    std::vector<char> split(n, 0);
    for (int32_t q = 0, m = 0; q < n; ++q) {
        if (out.dropped[q]) continue;
        const double c = model.fit.C(m), error = model.fit.ErrorC(m);
        const bool wide = c + 3 * error < (1 - kPairResolutionTolerance) * resolution[q];
        const double structure =
            LagOneStructure(CoreResiduals(w, SumResiduals(w, model.fit), model.fit.D(m),
                                          PeakFwhm(model.fit.D(m), resolution[q])));
        if (wide || structure >= kStructureSigmas) {
            if (auto next = TrySplit(w, model, m, resolution[q], q, wide)) {
                model = std::move(*next);
                split[q] = 1;
                ++m;
            }
        }
        ++m;
    }
    const bool anySplit = std::find(split.begin(), split.end(), 1) != split.end();
    if (model.parts.size() == 1 && !anySplit) return out;
    out.changed = true;
    out.components.resize(n);
    for (size_t m = 0, q = 0; q < static_cast<size_t>(n); ++q) {
        if (out.dropped[q]) continue;
        for (int32_t h = 0; h < (split[q] ? 2 : 1); ++h, ++m)
            out.components[q].push_back({model.fit.A(), model.fit.B(m), model.fit.C(m),
                                         model.fit.D(m), model.fit.Errors(m)});
    }
    out.iterations = model.fit.ls.evaluations - 1;
    out.points = w.points;
    return out;
}

}  // namespace ostrel
