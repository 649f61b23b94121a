#include "fitting/peak_refinement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "fitting/least_squares.h"
#include "fitting/peak_fit.h"
#include "processing/two_core_order.h"
#include "state/ascending_search.h"

namespace ostrel {

namespace {

constexpr double kK = kWidthFactor;
// A reference peak for the resolving power has C known to this fraction.
constexpr double kReferenceRelativeError = 0.02;
constexpr int32_t kReferenceNeighbours = 15;
constexpr double kReferenceSpread = 0.15;
// A curve is taken to reach this many widths: exp(−36) of the height is below every count.
constexpr double kTailReach = 6;
// Neighbours on each side whose curves may reach into a window.
constexpr int32_t kTailNeighbours = 4;
// A peak is looked at for a second component when its residuals near the centre (within
// kCoreFwhm) are correlated from point to point beyond kStructureSigmas standard deviations of
// the correlation of noise, or when it is wider than the resolving power allows.
constexpr double kCoreFwhm = 3;
constexpr double kStructureSigmas = 4;
constexpr int32_t kMinCorePoints = 10;

struct Shape {
    double B, C, D;
};

// The peaks' curves above their backgrounds, the neighbours' tails subtracted from a window.
using Curves = std::vector<std::vector<Shape>>;

double Gauss(const Shape& s, double x) {
    const double t = kK * s.C * ((s.D - x) / x);
    return std::fabs(t) > kTailReach ? 0.0 : s.B * std::exp(-t * t);
}

bool IsLost(const RefinementPeak& p) {
    return p.fitFailed || !std::isfinite(p.A) || !std::isfinite(p.B) || !std::isfinite(p.C) ||
           !std::isfinite(p.D) || !(p.B > 0) || !(p.C > 0) || !(p.D >= p.leftX) ||
           !(p.D <= p.rightX) || p.lastIndex < p.firstIndex;
}

bool WindowFits(const RefinementInput& in, const RefinementPeak& p) {
    return p.firstIndex >= 0 && p.lastIndex >= p.firstIndex &&
           static_cast<size_t>(p.lastIndex) < in.x.size() && in.x.size() == in.y.size();
}

double Median(std::vector<double>& v) {
    const size_t n = v.size(), mid = n / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    const double upper = v[mid];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + mid) + upper) / 2;
}

// The points of one window, the neighbours' tails subtracted.
struct Window {
    std::span<const double> x;
    std::vector<double> y;
    double leftX = 0, rightX = 0;
    double yMin = 0, yMax = 0;
};

Window MakeWindow(const RefinementInput& in, int32_t k, const Curves& curves) {
    const RefinementPeak& p = in.peaks[k];
    Window w;
    const auto count = static_cast<size_t>(p.lastIndex - p.firstIndex + 1);
    w.x = in.x.subspan(p.firstIndex, count);
    w.y.assign(in.y.begin() + p.firstIndex, in.y.begin() + p.firstIndex + count);
    w.leftX = p.leftX;
    w.rightX = p.rightX;
    const auto peaks = static_cast<int32_t>(in.peaks.size());
    for (int32_t j = std::max(0, k - kTailNeighbours);
         j <= std::min(peaks - 1, k + kTailNeighbours); ++j) {
        if (j == k) continue;
        for (const Shape& s : curves[j]) {
            const double reach = kTailReach / kK * s.D / s.C;
            if (s.D + reach < w.x.front() || s.D - reach > w.x.back()) continue;
            for (size_t i = 0; i < count; ++i) w.y[i] -= Gauss(s, w.x[i]);
        }
    }
    w.yMin = *std::min_element(w.y.begin(), w.y.end());
    w.yMax = *std::max_element(w.y.begin(), w.y.end());
    return w;
}

// Parameters [A, C, B₁, D₁, B₂, D₂, ...]: one background, one C, a height and a centre per
// component. Residuals are model minus measurement.
void EvaluateSum(const Window& w, std::span<const double> p, std::span<double> r,
                 std::span<double> jac) {
    const size_t n = p.size();
    const size_t components = (n - 2) / 2;
    const double a = p[0], c = p[1];
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i];
        double f = a, dC = 0;
        double* row = jac.empty() ? nullptr : jac.data() + i * n;
        for (size_t m = 0; m < components; ++m) {
            const double b = p[2 + 2 * m], d = p[3 + 2 * m];
            const double u = (d - x) / x;
            const double t = kK * c * u;
            const double g = std::exp(-t * t);
            f += b * g;
            if (row) {
                const double common = -2 * b * g * t * kK;
                dC += common * u;
                row[2 + 2 * m] = g;
                row[3 + 2 * m] = common * c / x;
            }
        }
        r[i] = f - w.y[i];
        if (row) {
            row[0] = 1;
            row[1] = dC;
        }
    }
}

struct SumFit {
    LeastSquaresResult ls;
    bool usable = false;
};

SumFit FitSum(const Window& w, std::vector<double> start, std::vector<double> lower,
              std::vector<double> upper) {
    LeastSquaresProblem problem;
    problem.residualCount = static_cast<int32_t>(w.x.size());
    problem.parameterCount = static_cast<int32_t>(start.size());
    problem.evaluate = [&w](std::span<const double> p, std::span<double> r,
                            std::span<double> jac) { EvaluateSum(w, p, r, jac); };
    problem.lower = std::move(lower);
    problem.upper = std::move(upper);
    SumFit out;
    out.ls = SolveLeastSquares(problem, start);
    out.usable = out.ls.Usable();
    for (double v : out.ls.parameters) out.usable = out.usable && std::isfinite(v);
    return out;
}

// The bounds of the background and of each component's height and centre.
void SumBounds(const Window& w, int32_t components, double cLow, double cHigh,
               std::vector<double>& lower, std::vector<double>& upper) {
    const double span = std::max(w.yMax - w.yMin, 1e-300);
    lower = {w.yMin - span, cLow};
    upper = {w.yMax, cHigh};
    for (int32_t m = 0; m < components; ++m) {
        lower.insert(lower.end(), {0.0, w.leftX});
        upper.insert(upper.end(), {4 * span, w.rightX});
    }
}

// The window's y averaged over 2·half + 1 points (fewer at the ends).
std::vector<double> MovingAverage(const std::vector<double>& y, int32_t half) {
    const auto n = static_cast<int32_t>(y.size());
    std::vector<double> out(n);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t a = std::max(0, i - half), b = std::min(n - 1, i + half);
        double s = 0;
        for (int32_t j = a; j <= b; ++j) s += y[j];
        out[i] = s / (b - a + 1);
    }
    return out;
}

// Points per FWHM at a mass of the window.
double PointsPerFwhm(const Window& w, double mass, double resolution) {
    const double step = (w.x.back() - w.x.front()) / std::max<size_t>(1, w.x.size() - 1);
    return step > 0 ? mass / resolution / step : 1;
}

// The resolving power from the smoothed curve's width at half its height above the background,
// for a spectrum without references.
double HalfWidthResolution(const Window& w, const std::vector<double>& smooth, size_t top,
                           double background) {
    const double level = background + (smooth[top] - background) / 2;
    size_t l = top, r = top;
    while (l > 0 && smooth[l] > level) --l;
    while (r + 1 < smooth.size() && smooth[r] > level) ++r;
    const double width = w.x[r] - w.x[l];
    return width > 0 ? w.x[top] / width : 0;
}

struct Start {
    std::vector<double> p;  // [A, C, B, D]
    double resolution = 0;  // the resolving power the bounds of C are set around
};

// Robust start values of one component: the background is the window's lower fifth (a
// percentile, so noise spikes and the peak itself do not move it), the centre the top of the
// curve smoothed over about a quarter of a FWHM, the height that top above the background, C the
// measured resolving power there.
Start SingleStart(const Window& w, const ResolvingPowerProfile& profile) {
    std::vector<double> sorted = w.y;
    const size_t fifth = sorted.size() / 5;
    std::nth_element(sorted.begin(), sorted.begin() + fifth, sorted.end());
    const double background = sorted[fifth];
    const double mid = (w.x.front() + w.x.back()) / 2;
    double resolution = profile.At(mid);
    const double perFwhm = resolution > 0 ? PointsPerFwhm(w, mid, resolution) : 4;
    const auto half = static_cast<int32_t>(std::clamp(perFwhm / 8, 0.0, 50.0));
    const std::vector<double> smooth = MovingAverage(w.y, half);
    const size_t top = static_cast<size_t>(std::max_element(smooth.begin(), smooth.end()) -
                                           smooth.begin());
    if (resolution > 0)
        resolution = profile.At(w.x[top]);
    else
        resolution = HalfWidthResolution(w, smooth, top, background);
    Start s;
    s.resolution = resolution;
    s.p = {background, resolution, std::max(smooth[top] - background, 0.0), w.x[top]};
    return s;
}

PeakComponent ComponentOf(const LeastSquaresResult& ls, int32_t m) {
    const auto& p = ls.parameters;
    const auto& e = ls.standardErrors;
    return {p[0], p[2 + 2 * m], p[1], p[3 + 2 * m], {e[0], e[2 + 2 * m], e[1], e[3 + 2 * m]}};
}

// A component is a peak: a height kDetectionSigmas standard errors above 0 with its centre off
// the centre's bounds and at least `margin` FWHM inside the window.
bool IsPeak(const SumFit& fit, int32_t m, const Window& w, double margin) {
    const auto& p = fit.ls.parameters;
    const auto& e = fit.ls.standardErrors;
    const double b = p[2 + 2 * m], d = p[3 + 2 * m], c = p[1];
    const double fwhm = d / c;
    return fit.usable && b > 0 && e[2 + 2 * m] > 0 && b >= kDetectionSigmas * e[2 + 2 * m] &&
           !fit.ls.atBound[3 + 2 * m] && d - w.leftX >= margin * fwhm &&
           w.rightX - d >= margin * fwhm;
}

// The damped fit of one component from robust start values; answers the fit when a peak is there.
std::optional<SumFit> RefitOne(const Window& w, const ResolvingPowerProfile& profile) {
    if (w.x.size() < 6) return std::nullopt;
    const Start s = SingleStart(w, profile);
    if (!(s.resolution > 0) || !std::isfinite(s.resolution)) return std::nullopt;
    std::vector<double> lower, upper;
    SumBounds(w, 1, s.resolution / 2, 2 * s.resolution, lower, upper);
    SumFit fit = FitSum(w, s.p, lower, upper);
    if (!IsPeak(fit, 0, w, 0.1) || fit.ls.atBound[1]) return std::nullopt;
    return fit;
}

// Lag-one correlation of the residuals of the pass's fit near its centre, in standard deviations
// of that of independent noise (√n times the correlation coefficient).
double ResidualStructure(const RefinementInput& in, const RefinementPeak& p, const Shape& s,
                         double a, double resolution) {
    const double reach = kCoreFwhm * s.D / resolution;
    std::vector<double> r;
    for (int32_t i = p.firstIndex; i <= p.lastIndex; ++i) {
        const double x = in.x[i];
        if (std::fabs(x - s.D) > reach) continue;
        const double t = kK * s.C * ((s.D - x) / x);
        r.push_back(a + s.B * std::exp(-t * t) - in.y[i]);
    }
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

// Where the smoothed residuals of a fit are highest, at least minDistance from `away`.
std::optional<size_t> ResidualBump(const Window& w, const SumFit& one, int32_t half, double away,
                                   double minDistance) {
    std::vector<double> r(w.x.size());
    EvaluateSum(w, one.ls.parameters, r, {});
    for (double& v : r) v = -v;  // measurement minus model
    const std::vector<double> smooth = MovingAverage(r, half);
    std::optional<size_t> best;
    for (size_t i = 0; i < smooth.size(); ++i) {
        if (std::fabs(w.x[i] - away) < minDistance || !(smooth[i] > 0)) continue;
        if (!best || smooth[i] > smooth[*best]) best = i;
    }
    return best;
}

struct PairOutcome {
    SumFit fit;
    bool kept = false;
};

// One peak fitted as two components, kept when clearly better than one (see kSplitSignificance).
PairOutcome TryPair(const Window& w, const Shape& s, double a, double resolution) {
    PairOutcome out;
    const auto n = static_cast<int32_t>(w.x.size());
    if (n < 12) return out;
    std::vector<double> lower, upper;
    SumBounds(w, 1, resolution / 2, 2 * resolution, lower, upper);
    std::vector<double> start{std::clamp(a, lower[0], upper[0]),
                              std::clamp(s.C, lower[1], upper[1]),
                              std::clamp(s.B, lower[2], upper[2]), std::clamp(s.D, w.leftX, w.rightX)};
    const SumFit one = FitSum(w, start, lower, upper);
    if (!one.usable) return out;
    const double a1 = one.ls.parameters[0], c1 = one.ls.parameters[1];
    const double b1 = one.ls.parameters[2], d1 = one.ls.parameters[3];
    const double fwhm = d1 / resolution;

    SumBounds(w, 2, resolution * (1 - kPairResolutionTolerance),
              resolution * (1 + kPairResolutionTolerance), lower, upper);
    auto clamped = [&](std::vector<double> p) {
        for (size_t j = 0; j < p.size(); ++j) p[j] = std::clamp(p[j], lower[j], upper[j]);
        return p;
    };
    std::vector<std::vector<double>> starts;
    // A merged pair: two halves either side of the centre, as far apart as the extra width says
    // (for equal heights the variances add: σ₁² = σ² + (d/2)²).
    const double widening = std::sqrt(std::max((resolution / c1) * (resolution / c1) - 1, 0.09));
    const double halfGap = std::min(0.5 * widening * fwhm, (w.rightX - w.leftX) / 4);
    starts.push_back(clamped({a1, resolution, 0.6 * b1, d1 - halfGap, 0.6 * b1, d1 + halfGap}));
    // A shoulder or a minor ion: the second component where the residuals of one are highest.
    const double perFwhm = PointsPerFwhm(w, d1, resolution);
    const auto half = static_cast<int32_t>(std::clamp(perFwhm / 8, 0.0, 50.0));
    if (auto bump = ResidualBump(w, one, half, d1, kMinSeparationFwhm * fwhm)) {
        std::vector<double> r(w.x.size());
        EvaluateSum(w, one.ls.parameters, r, {});
        const double height = std::max(-r[*bump], 0.0);
        starts.push_back(clamped({a1, resolution, b1, d1, 1.5 * height, w.x[*bump]}));
    }
    for (const auto& p : starts) {
        SumFit two = FitSum(w, p, lower, upper);
        if (two.usable && (!out.fit.usable || two.ls.cost < out.fit.ls.cost)) out.fit = std::move(two);
    }
    if (!out.fit.usable) return out;

    const SumFit& two = out.fit;
    const int32_t dof = n - 6;
    if (!(two.ls.cost > 0) || !(one.ls.cost > two.ls.cost)) return out;
    const double f = (one.ls.cost - two.ls.cost) / 2 / (two.ls.cost / dof);
    if (!(FTestTail2(f, dof) < kSplitSignificance)) return out;
    const auto& p = two.ls.parameters;
    const double major = std::max(p[2], p[4]), minor = std::min(p[2], p[4]);
    const double gap = std::fabs(p[5] - p[3]);
    out.kept = IsPeak(two, 0, w, 0.25) && IsPeak(two, 1, w, 0.25) &&
               minor >= kMinorFraction * major && gap >= kMinSeparationFwhm * (p[3] / p[1]) &&
               !two.ls.atBound[1];
    return out;
}

// Runs work(k) for k = 0..count-1, on two threads when asked; every k independently.
template <class Work>
void ForEachPeak(int32_t count, bool twoThreads, std::vector<RefinedPeak>& out, Work work) {
    if (!twoThreads || count < 2) {
        for (int32_t k = 0; k < count; ++k) work(k, out[k]);
        return;
    }
    ProduceOnTwoCoresConsumeInOrder<char>(
        count, 64, [&](int32_t k, char&) { work(k, out[k]); },
        [](int32_t, char&) { return true; });
}

Shape ShapeOf(const PeakComponent& c) {
    return {c.B, c.C, c.D};
}

}  // namespace

double FTestTail2(double f, int32_t dof) {
    if (dof <= 0) return 1;
    if (!(f > 0)) return 1;
    return std::exp(-0.5 * dof * std::log1p(2 * f / dof));
}

double ResolvingPowerProfile::At(double m) const {
    if (!Known()) return 0;
    const auto n = static_cast<int32_t>(mass.size());
    const int32_t take = std::min(n, kReferenceNeighbours);
    // The `take` references nearest in mass: a window grown from the insertion point.
    int32_t hi = static_cast<int32_t>(std::lower_bound(mass.begin(), mass.end(), m) - mass.begin());
    int32_t lo = hi;
    while (hi - lo < take) {
        if (lo == 0)
            ++hi;
        else if (hi == n)
            --lo;
        else if (m - mass[lo - 1] <= mass[hi] - m)
            --lo;
        else
            ++hi;
    }
    std::vector<double> near(resolution.begin() + lo, resolution.begin() + hi);
    std::vector<double> copy = near;
    const double first = Median(copy);
    std::vector<double> close;
    for (double c : near)
        if (std::fabs(c - first) <= kReferenceSpread * first) close.push_back(c);
    return close.empty() ? first : Median(close);
}

ResolvingPowerProfile MeasureResolvingPower(std::span<const RefinementPeak> peaks) {
    std::vector<std::pair<double, double>> refs;
    for (const RefinementPeak& p : peaks) {
        if (IsLost(p) || !(p.errors[2] > 0) || !std::isfinite(p.errors[2])) continue;
        if (p.errors[2] > kReferenceRelativeError * p.C) continue;
        refs.emplace_back(p.D, p.C);
    }
    std::sort(refs.begin(), refs.end());
    ResolvingPowerProfile profile;
    for (const auto& [m, c] : refs) {
        profile.mass.push_back(m);
        profile.resolution.push_back(c);
    }
    return profile;
}

PeakRefinement RefinePeaks(const RefinementInput& in, const PeakRefinementOptions& options) {
    PeakRefinement out;
    const auto count = static_cast<int32_t>(in.peaks.size());
    out.peaks.assign(count, RefinedPeak{});
    // The windows and the tails are taken in ascending x.
    if (!IsAscending(in.x) || in.x.size() != in.y.size()) return out;
    out.resolvingPower = MeasureResolvingPower(in.peaks);
    const ResolvingPowerProfile& profile = out.resolvingPower;

    // Round 1: the failed fits, fitted again with the pass's fitted neighbours' tails removed.
    Curves written(count);
    for (int32_t k = 0; k < count; ++k)
        if (!IsLost(in.peaks[k])) written[k] = {{in.peaks[k].B, in.peaks[k].C, in.peaks[k].D}};
    ForEachPeak(count, options.twoThreads, out.peaks, [&](int32_t k, RefinedPeak& result) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLost(p) || !WindowFits(in, p)) return;
        const Window w = MakeWindow(in, k, written);
        if (auto fit = RefitOne(w, profile)) {
            result.kind = RefinedKind::Refitted;
            result.components = {ComponentOf(fit->ls, 0)};
            result.iterations = fit->ls.evaluations - 1;
            result.points = static_cast<int32_t>(w.x.size());
        }
    });

    // Round 2: second components, with the tails of every peak found by now removed.
    Curves found = written;
    for (int32_t k = 0; k < count; ++k)
        if (out.peaks[k].kind == RefinedKind::Refitted)
            found[k] = {ShapeOf(out.peaks[k].components[0])};
    if (profile.Known()) {
        ForEachPeak(count, options.twoThreads, out.peaks, [&](int32_t k, RefinedPeak& result) {
            if (found[k].empty() || !WindowFits(in, in.peaks[k])) return;
            const RefinementPeak& p = in.peaks[k];
            const Shape s = found[k][0];
            const double a =
                result.kind == RefinedKind::Refitted ? result.components[0].A : p.A;
            const double resolution = profile.At(s.D);
            if (!(resolution > 0)) return;
            const double cError = result.kind == RefinedKind::Refitted
                                      ? result.components[0].errors[2]
                                      : p.errors[2];
            const bool wide =
                s.C + 3 * cError < (1 - kPairResolutionTolerance) * resolution;
            const bool structured =
                ResidualStructure(in, p, s, a, resolution) >= kStructureSigmas;
            if (!wide && !structured) return;
            const Window w = MakeWindow(in, k, found);
            PairOutcome pair = TryPair(w, s, a, resolution);
            if (!pair.kept) return;
            PeakComponent c0 = ComponentOf(pair.fit.ls, 0), c1 = ComponentOf(pair.fit.ls, 1);
            if (c1.D < c0.D) std::swap(c0, c1);
            result.kind = RefinedKind::Split;
            result.components = {c0, c1};
            result.iterations = pair.fit.ls.evaluations - 1;
            result.points = static_cast<int32_t>(w.x.size());
        });
    }

    int32_t group = 0;
    for (int32_t k = 0; k < count; ++k) {
        RefinedPeak& r = out.peaks[k];
        const bool lost = IsLost(in.peaks[k]);
        if (r.kind == RefinedKind::Split) {
            r.group = group++;
            ++out.split;
            if (lost) ++out.refitted;
        } else if (r.kind == RefinedKind::Refitted) {
            ++out.refitted;
        } else if (lost) {
            ++out.stillFailed;
        }
    }
    return out;
}

}  // namespace ostrel
