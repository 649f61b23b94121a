#include "fitting/peak_refinement.h"

#include <algorithm>
#include <cmath>
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
// A component is evaluated out to this |k·C·(D/x − 1)|: beyond it exp(−t²) < 1e-21 of its height.
constexpr double kTailReach = 7;
// Rows on each side whose curves may reach into a fit's points.
constexpr int32_t kTailNeighbours = 4;
// A fit takes the points within this many FWHM of its components' centres.
constexpr double kFitReachFwhm = 2.5;
// Two neighbouring rows are fitted together when either one's curve at the other's centre is at
// least this fraction of the other's height (1.5 FWHM apart at equal heights, 1.7 at 8 : 1), and
// at most kMaxClusterRows of them: further apart the pull of one on the other's centre is below
// a tenth of its error.
constexpr double kJoinFraction = 1e-5;
constexpr int32_t kMaxClusterRows = 4;
// A row is looked at for a second component when its residuals near its centre (within
// kFitReachFwhm) are correlated from point to point beyond kStructureSigmas standard deviations
// of the correlation of independent noise, or when it is wider than the resolving power allows.
constexpr double kStructureSigmas = 4;
constexpr int32_t kMinCorePoints = 10;
// The fits stop when a step gains less than 1e-9 of the sum of squares (the centre then lies
// within a thousandth of its standard error of the minimum) or moves no parameter by 1e-9 of
// itself (5e-7 u at 500 u).
constexpr LeastSquaresOptions kFitOptions{
    .maxEvaluations = 100, .costTolerance = 1e-9, .stepTolerance = 1e-9};
// A trial split stops sooner: a clear split gains some 5 % of the sum of squares and more (the
// F-test at 1e-6 with 500 points), so a trial that gains less than 1e-4 of it a step would need
// hundreds of steps to get there. A trial whose F-test tail is below kTrialSignificance is
// finished with kFitOptions and judged then.
constexpr LeastSquaresOptions kTrialOptions{
    .maxEvaluations = 60, .costTolerance = 1e-4, .stepTolerance = 1e-9};
constexpr double kTrialSignificance = 1e-2;
// A cluster is fitted again when its neighbours' tails have changed by this fraction of its
// lowest height somewhere in its windows.
constexpr double kTailChange = 1e-3;
// At most this many sweeps fit clusters again after their neighbours changed.
constexpr int32_t kMaxSweeps = 4;
// The fits take means of groups of points no wider than this fraction of a FWHM (see Binned).
constexpr double kBinsPerFwhm = 24;
// The bounds of a single component's C around the measured resolving power.
constexpr double kSingleResolutionLow = 0.5, kSingleResolutionHigh = 2;

struct Shape {
    double B = 0, C = 0, D = 0;
};

double Fwhm(double d, double c) {
    return d / c;
}

// The shape's value above its background; 0 beyond kTailReach.
double Curve(const Shape& s, double x) {
    const double t = kK * s.C * ((s.D - x) / x);
    return std::fabs(t) > kTailReach ? 0.0 : s.B * std::exp(-t * t);
}

bool IsLost(const RefinementPeak& p) {
    return p.fitFailed || !std::isfinite(p.A) || !std::isfinite(p.B) || !std::isfinite(p.C) ||
           !std::isfinite(p.D) || !(p.B > 0) || !(p.C > 0) || !(p.D >= p.leftX) ||
           !(p.D <= p.rightX);
}

bool WindowFits(const RefinementInput& in, const RefinementPeak& p) {
    return p.firstIndex >= 0 && p.lastIndex >= p.firstIndex + 5 &&
           static_cast<size_t>(p.lastIndex) < in.x.size();
}

double Median(std::vector<double>& v) {
    const size_t n = v.size(), mid = n / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    const double upper = v[mid];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + mid) + upper) / 2;
}

// The curves of the rows above their backgrounds, as the tails of a fit's neighbours: none for a
// failed fit not recovered, two for a split peak.
using Curves = std::vector<std::vector<Shape>>;

// What a row holds after a round: its curve (none for a failed fit not recovered) and its
// background.
struct Row {
    std::optional<Shape> shape;
    double A = 0;
    std::array<double, 4> errors{};
};

// The spectrum points first..last, the tails of the rows outside rows [inFirst, inLast] that
// reach them subtracted; or means of groups of such points (see Binned).
struct Window {
    std::vector<double> x, invX, y;
    double yMin = 0, yMax = 0;
    int32_t points = 0;  // spectrum points
};

void SetRange(Window& w) {
    w.yMin = *std::min_element(w.y.begin(), w.y.end());
    w.yMax = *std::max_element(w.y.begin(), w.y.end());
}

Window MakeWindow(const RefinementInput& in, int32_t first, int32_t last, const Curves& curves,
                  int32_t inFirst, int32_t inLast) {
    Window w;
    const auto count = static_cast<size_t>(last - first + 1);
    w.points = static_cast<int32_t>(count);
    w.x.assign(in.x.begin() + first, in.x.begin() + first + count);
    w.y.assign(in.y.begin() + first, in.y.begin() + first + count);
    w.invX.resize(count);
    for (size_t i = 0; i < count; ++i) w.invX[i] = 1 / w.x[i];
    const auto n = static_cast<int32_t>(curves.size());
    for (int32_t j = std::max(0, inFirst - kTailNeighbours);
         j <= std::min(n - 1, inLast + kTailNeighbours); ++j) {
        if (j >= inFirst && j <= inLast) continue;
        for (const Shape& s : curves[j]) {
            const double reach = kTailReach / kK * Fwhm(s.D, s.C);
            if (s.D + reach < w.x.front() || s.D - reach > w.x.back()) continue;
            for (size_t i = 0; i < count; ++i) w.y[i] -= Curve(s, w.x[i]);
        }
    }
    SetRange(w);
    return w;
}

// The points of a window within [lowX, highX] (at least one), in groups of consecutive points
// each narrower than a kBinsPerFwhm-th of a FWHM at `resolution`, each group given by the mean of
// its x and of its y. A smooth curve loses nothing to such means that a fit could tell: over a
// group of width w the mean of a Gaussian of deviation σ differs from its value at the mean x
// by a broadening of w²/24σ² (4e-4 of the width), and the noise of a mean is that of its points
// over √(points). The fits of a spectrum with 200 points per FWHM then cost those of 24.
Window Binned(const Window& w, double lowX, double highX, double resolution) {
    const auto begin =
        static_cast<size_t>(std::lower_bound(w.x.begin(), w.x.end(), lowX) - w.x.begin());
    auto end = static_cast<size_t>(std::upper_bound(w.x.begin(), w.x.end(), highX) - w.x.begin());
    end = std::min(std::max(end, begin + 1), w.x.size());
    const double mid = (w.x[begin] + w.x[end - 1]) / 2;
    const double step = end - begin > 1 ? (w.x[end - 1] - w.x[begin]) / (end - begin - 1) : 0;
    const double perFwhm = step > 0 && resolution > 0 ? mid / resolution / step : 1;
    const auto group = static_cast<size_t>(std::max(1.0, std::floor(perFwhm / kBinsPerFwhm)));
    Window s;
    s.points = static_cast<int32_t>(end - begin);
    for (size_t i = begin; i < end; i += group) {
        const size_t stop = std::min(end, i + group);
        double sx = 0, sy = 0;
        for (size_t j = i; j < stop; ++j) {
            sx += w.x[j];
            sy += w.y[j];
        }
        const auto k = static_cast<double>(stop - i);
        s.x.push_back(sx / k);
        s.y.push_back(sy / k);
        s.invX.push_back(group == 1 ? w.invX[i] : k / sx);
    }
    SetRange(s);
    return s;
}

// A sum of components to fit: one background A and per component a height, a C (own, or shared
// with the components of the same `share`) and a centre, with their bounds.
struct Part {
    double b = 0, c = 0, d = 0;
    int32_t share = -1;  // parts with the same share ≥ 0 have one C
    double cLow = 0, cHigh = 0, dLow = 0, dHigh = 0;
    int32_t row = 0;  // the row the part belongs to
};

struct SumFit {
    LeastSquaresResult ls;
    std::vector<std::array<int32_t, 3>> index;  // per part: the parameters of B, C and D
    bool usable = false;

    double B(size_t m) const { return ls.parameters[index[m][0]]; }
    double C(size_t m) const { return ls.parameters[index[m][1]]; }
    double D(size_t m) const { return ls.parameters[index[m][2]]; }
    double ErrorB(size_t m) const { return ls.standardErrors[index[m][0]]; }
    double ErrorC(size_t m) const { return ls.standardErrors[index[m][1]]; }
    bool DAtBound(size_t m) const { return ls.atBound[index[m][2]]; }
    bool CAtBound(size_t m) const { return ls.atBound[index[m][1]]; }
    PeakComponent Component(size_t m) const {
        const auto& e = ls.standardErrors;
        return {ls.parameters[0],
                B(m),
                C(m),
                D(m),
                {e[0], e[index[m][0]], e[index[m][1]], e[index[m][2]]}};
    }
    Shape ShapeOf(size_t m) const { return {B(m), C(m), D(m)}; }
};

// The residuals (model minus measurement) of A + Σ B·exp(−(k·C·(D − x)/x)²).
void EvaluateSum(const Window& w, const std::vector<std::array<int32_t, 3>>& index,
                 std::span<const double> p, std::span<double> r) {
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i], inv = w.invX[i];
        double f = p[0];
        for (const auto& [bi, ci, di] : index) {
            const double t = kK * p[ci] * ((p[di] - x) * inv);
            if (std::fabs(t) <= kTailReach) f += p[bi] * std::exp(-t * t);
        }
        r[i] = f - w.y[i];
    }
}

// JᵀJ and Jᵀr of the same residuals, and Σ r². A point has non-zero derivatives only by A and
// by the B, C, D of the components that reach it, so each point adds the products of those alone
// (a C shared by two components takes the sum of their terms).
double SumNormalEquations(const Window& w, const std::vector<std::array<int32_t, 3>>& index,
                          std::span<const double> p, std::span<double> jtj, std::span<double> jtr) {
    const auto n = static_cast<int32_t>(p.size());
    std::fill(jtj.begin(), jtj.end(), 0.0);
    std::fill(jtr.begin(), jtr.end(), 0.0);
    std::array<int32_t, kMaxLeastSquaresParameters> which{}, slot{};
    std::array<double, kMaxLeastSquaresParameters> value{};
    slot.fill(-1);
    double cost = 0;
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i], inv = w.invX[i];
        double f = p[0];
        int32_t count = 1;
        which[0] = 0;
        value[0] = 1;
        slot[0] = 0;
        auto add = [&](int32_t j, double v) {
            if (slot[j] < 0) {
                slot[j] = count;
                which[count] = j;
                value[count++] = v;
            } else {
                value[slot[j]] += v;
            }
        };
        for (const auto& [bi, ci, di] : index) {
            const double b = p[bi], c = p[ci];
            const double u = (p[di] - x) * inv;
            const double t = kK * c * u;
            if (std::fabs(t) > kTailReach) continue;
            const double g = std::exp(-t * t);
            f += b * g;
            const double common = -2 * b * g * t * kK;
            add(bi, g);
            add(ci, common * u);
            add(di, common * c * inv);
        }
        const double r = f - w.y[i];
        cost += r * r;
        for (int32_t a = 0; a < count; ++a) {
            const int32_t ja = which[a];
            const double va = value[a];
            jtr[ja] += va * r;
            for (int32_t b = 0; b <= a; ++b) {
                const int32_t jb = which[b];
                // The lower triangle: row the larger index.
                if (ja >= jb)
                    jtj[ja * n + jb] += va * value[b];
                else
                    jtj[jb * n + ja] += va * value[b];
            }
        }
        for (int32_t a = 0; a < count; ++a) slot[which[a]] = -1;
    }
    for (int32_t a = 0; a < n; ++a)
        for (int32_t b = 0; b < a; ++b) jtj[b * n + a] = jtj[a * n + b];
    return cost;
}

SumFit FitSum(const Window& w, double a, const std::vector<Part>& parts,
              const LeastSquaresOptions& options = kFitOptions) {
    SumFit out;
    const double span = std::max(w.yMax - w.yMin, 1e-300);
    std::vector<double> start{std::clamp(a, w.yMin - span, w.yMax)};
    std::vector<double> lower{w.yMin - span}, upper{w.yMax};
    std::vector<std::pair<int32_t, int32_t>> shared;  // share → parameter of its C
    auto add = [&](double v, double lo, double hi) {
        start.push_back(std::clamp(v, lo, hi));
        lower.push_back(lo);
        upper.push_back(hi);
        return static_cast<int32_t>(start.size() - 1);
    };
    for (const Part& part : parts) {
        int32_t ci = -1;
        for (const auto& [share, index] : shared)
            if (part.share >= 0 && share == part.share) ci = index;
        if (ci < 0) {
            ci = add(part.c, part.cLow, part.cHigh);
            if (part.share >= 0) shared.emplace_back(part.share, ci);
        }
        const int32_t bi = add(part.b, 0, 4 * span);
        const int32_t di = add(part.d, part.dLow, part.dHigh);
        out.index.push_back({bi, ci, di});
    }
    LeastSquaresProblem problem;
    problem.residualCount = static_cast<int32_t>(w.x.size());
    problem.parameterCount = static_cast<int32_t>(start.size());
    problem.normalEquations = [&](std::span<const double> p, std::span<double> jtj,
                                  std::span<double> jtr) {
        return SumNormalEquations(w, out.index, p, jtj, jtr);
    };
    problem.lower = std::move(lower);
    problem.upper = std::move(upper);
    out.ls = SolveLeastSquares(problem, start, options);
    out.usable = out.ls.Usable() && problem.residualCount > problem.parameterCount;
    for (double v : out.ls.parameters) out.usable = out.usable && std::isfinite(v);
    return out;
}

// Part m is a peak: its height kDetectionSigmas standard errors above 0, its centre off the
// bounds and at least `margin` FWHM inside [dLow, dHigh].
bool IsPeak(const SumFit& fit, size_t m, const Part& part, double margin) {
    if (!fit.usable) return false;
    const double b = fit.B(m), d = fit.D(m), eb = fit.ErrorB(m);
    const double fwhm = Fwhm(d, fit.C(m));
    return b > 0 && eb > 0 && b >= kDetectionSigmas * eb && !fit.DAtBound(m) &&
           d - part.dLow >= margin * fwhm && part.dHigh - d >= margin * fwhm;
}

// The window's y averaged over 2·half + 1 points (fewer at the ends).
std::vector<double> MovingAverage(std::span<const double> y, int32_t half) {
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

// About an eighth of a FWHM in points: the smoothing of start values and residuals.
int32_t EighthFwhmPoints(const Window& w, double mass, double resolution) {
    const double step = (w.x.back() - w.x.front()) / std::max<size_t>(1, w.x.size() - 1);
    const double perFwhm = step > 0 && resolution > 0 ? mass / resolution / step : 4;
    return static_cast<int32_t>(std::clamp(perFwhm / 8, 0.0, 50.0));
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

// One component fitted afresh in the window of a failed fit, from robust start values: the
// background is the window's lower fifth (a percentile, so noise spikes and the peak itself do
// not move it), the centre the top of the curve smoothed over about a quarter of a FWHM, the
// height that top above the background, C the measured resolving power there; the fit takes the
// points within kFitReachFwhm + 1 FWHM of that centre. Answers the fit when a peak is there.
std::optional<std::pair<SumFit, Window>> RefitFailed(const Window& window,
                                                     const RefinementPeak& peak,
                                                     const ResolvingPowerProfile& profile) {
    std::vector<double> sorted = window.y;
    const size_t fifth = sorted.size() / 5;
    std::nth_element(sorted.begin(), sorted.begin() + fifth, sorted.end());
    const double background = sorted[fifth];
    const double mid = (window.x.front() + window.x.back()) / 2;
    const double guess = profile.At(mid);
    const std::vector<double> smooth =
        MovingAverage(window.y, EighthFwhmPoints(window, mid, guess));
    const auto top =
        static_cast<size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    const double centre = window.x[top];
    const double resolution =
        guess > 0 ? profile.At(centre) : HalfWidthResolution(window, smooth, top, background);
    if (!(resolution > 0) || !std::isfinite(resolution)) return std::nullopt;
    const double reach = (kFitReachFwhm + 1) * Fwhm(centre, resolution);
    Window w = Binned(window, centre - reach, centre + reach, resolution);
    if (w.x.size() < 8) return std::nullopt;
    Part part{std::max(smooth[top] - background, 0.0),
              resolution,
              centre,
              -1,
              kSingleResolutionLow * resolution,
              kSingleResolutionHigh * resolution,
              peak.leftX,
              peak.rightX};
    SumFit fit = FitSum(w, background, {part});
    if (!IsPeak(fit, 0, part, 0.1) || fit.CAtBound(0)) return std::nullopt;
    return std::make_pair(std::move(fit), std::move(w));
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

// The structure of the pass's own residuals near its centre, the neighbours' tails removed.
double WrittenStructure(const RefinementInput& in, const Curves& curves, int32_t k,
                        double resolution) {
    const RefinementPeak& p = in.peaks[k];
    const double reach = kFitReachFwhm * Fwhm(p.D, resolution);
    const int32_t first = static_cast<int32_t>(
        std::lower_bound(in.x.begin() + p.firstIndex, in.x.begin() + p.lastIndex + 1, p.D - reach) -
        in.x.begin());
    const int32_t last =
        static_cast<int32_t>(std::upper_bound(in.x.begin() + p.firstIndex,
                                              in.x.begin() + p.lastIndex + 1, p.D + reach) -
                             in.x.begin()) -
        1;
    if (last - first + 1 < kMinCorePoints) return 0;
    const Window w = MakeWindow(in, first, last, curves, k, k);
    const Shape s{p.B, p.C, p.D};
    std::vector<double> r(w.x.size());
    for (size_t i = 0; i < w.x.size(); ++i) r[i] = p.A + Curve(s, w.x[i]) - w.y[i];
    return LagOneStructure(r);
}

// The residuals of a fit within kFitReachFwhm of centre d.
std::vector<double> CoreResiduals(const Window& w, const std::vector<double>& residuals, double d,
                                  double fwhm) {
    std::vector<double> out;
    for (size_t i = 0; i < w.x.size(); ++i)
        if (std::fabs(w.x[i] - d) <= kFitReachFwhm * fwhm) out.push_back(residuals[i]);
    return out;
}

std::vector<double> Residuals(const Window& w, const SumFit& fit) {
    std::vector<double> r(w.x.size());
    EvaluateSum(w, fit.index, fit.ls.parameters, r);
    return r;
}

double Cost(const SumFit& fit) {
    return fit.ls.cost;
}

// The rows of one cluster with the parts of the current model (a split row has two).
struct ClusterModel {
    double a = 0;
    std::vector<Part> parts;
    SumFit fit;
};

// Part m of the model after the fit, with the fit's values as the next start.
std::vector<Part> PartsAfter(const ClusterModel& model) {
    std::vector<Part> parts = model.parts;
    for (size_t m = 0; m < parts.size(); ++m) {
        parts[m].b = model.fit.B(m);
        parts[m].c = model.fit.C(m);
        parts[m].d = model.fit.D(m);
    }
    return parts;
}

// The F-test of the model with part m split in two against the model without: the tail
// probability of the gain (1 when there is none).
double SplitTail(const Window& w, const ClusterModel& without, const ClusterModel& with) {
    const SumFit& two = with.fit;
    const auto n = static_cast<int32_t>(w.x.size());
    const int32_t dof = n - static_cast<int32_t>(two.ls.parameters.size());
    if (!two.usable || dof <= 0 || !(Cost(two) > 0) || !(Cost(without.fit) > Cost(two))) return 1;
    const double f = (Cost(without.fit) - Cost(two)) / 2 / (Cost(two) / dof);
    return FTestTail2(f, dof);
}

// Whether the model with part m split into parts m and m + 1 is clearly better than the model
// without the split, and each half a peak (see kSplitSignificance).
bool SplitIsClear(const Window& w, const ClusterModel& without, const ClusterModel& with,
                  size_t m) {
    if (!(SplitTail(w, without, with) < kSplitSignificance)) return false;
    const SumFit& two = with.fit;
    const double b0 = two.B(m), b1 = two.B(m + 1);
    const double gap = std::fabs(two.D(m + 1) - two.D(m));
    if (!IsPeak(two, m, with.parts[m], 0.25) || !IsPeak(two, m + 1, with.parts[m + 1], 0.25) ||
        std::min(b0, b1) < kMinorFraction * std::max(b0, b1) ||
        gap < kMinSeparationFwhm * Fwhm(two.D(m), two.C(m)) || two.CAtBound(m))
        return false;
    // A half that sits on another row's component models that one twice.
    for (size_t q = 0; q < with.parts.size(); ++q) {
        if (q == m || q == m + 1) continue;
        for (size_t h : {m, m + 1})
            if (std::fabs(two.D(q) - two.D(h)) < kMinSeparationFwhm * Fwhm(two.D(h), two.C(h)))
                return false;
    }
    return true;
}

// Part m split into two sharing one C near the resolving power, from the start values of a
// merged pair (halves either side of the centre, as far apart as the extra width says: for equal
// heights σ₁² = σ² + (d/2)²) and of a shoulder (the second half where the residuals are highest,
// at least kMinSeparationFwhm from the centre). The start that fits the row's sign goes first
// (the pair for a peak wider than the resolving power, else the shoulder); the other only when
// the first's split is not clear.
std::optional<ClusterModel> TrySplit(const Window& w, const ClusterModel& model, size_t m,
                                     double resolution, int32_t share, bool wide) {
    const std::vector<Part> base = PartsAfter(model);
    const Part& part = base[m];
    const double fwhm = Fwhm(part.d, resolution);
    const double cLow = resolution * (1 - kPairResolutionTolerance);
    const double cHigh = resolution * (1 + kPairResolutionTolerance);
    auto pairWith = [&](Part first, Part second) {
        std::vector<Part> parts = base;
        first.share = second.share = share;
        first.c = second.c = resolution;
        first.cLow = second.cLow = cLow;
        first.cHigh = second.cHigh = cHigh;
        parts[m] = first;
        parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(m) + 1, second);
        return parts;
    };
    std::vector<std::vector<Part>> starts;
    const double ratio = resolution / part.c;
    const double widening = std::sqrt(std::max(ratio * ratio - 1, 0.09));
    const double halfGap = std::min(0.5 * widening * fwhm, (part.dHigh - part.dLow) / 4);
    Part left = part, right = part;
    left.b = right.b = 0.6 * part.b;
    left.d = std::max(part.d - halfGap, part.dLow);
    right.d = std::min(part.d + halfGap, part.dHigh);
    starts.push_back(pairWith(left, right));
    const std::vector<double> r = Residuals(w, model.fit);
    const std::vector<double> smooth = MovingAverage(r, EighthFwhmPoints(w, part.d, resolution));
    std::optional<size_t> bump;
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i];
        if (x < part.dLow || x > part.dHigh || std::fabs(x - part.d) < kMinSeparationFwhm * fwhm ||
            std::fabs(x - part.d) > kFitReachFwhm * fwhm || !(-smooth[i] > 0))
            continue;
        if (!bump || -smooth[i] > -smooth[*bump]) bump = i;
    }
    if (bump) {
        Part second = part;
        second.b = -1.5 * smooth[*bump];
        second.d = w.x[*bump];
        starts.push_back(second.d < part.d ? pairWith(second, part) : pairWith(part, second));
        if (!wide) std::swap(starts[0], starts[1]);
    }
    const double a = model.fit.ls.parameters[0];
    for (const auto& parts : starts) {
        ClusterModel next{a, parts, FitSum(w, a, parts, kTrialOptions)};
        // The trial stops early; one that comes near the significance is finished and judged.
        if (!(SplitTail(w, model, next) < kTrialSignificance)) continue;
        ClusterModel finished = next;
        finished.parts = PartsAfter(next);
        finished.fit = FitSum(w, next.fit.ls.parameters[0], finished.parts);
        finished.parts = next.parts;  // the bounds and shares, as the trial had them
        if (SplitIsClear(w, model, finished, m)) return finished;
    }
    return std::nullopt;
}

struct ClusterResult {
    bool changed = false;
    std::vector<std::vector<PeakComponent>> components;  // per row of the cluster
    int32_t iterations = 0, points = 0;
};

// The pass's view of one row for the cluster: its part and background.
Part PartOfRow(const RefinementInput& in, const std::vector<Row>& rows, int32_t k,
               double resolution) {
    const Shape& s = *rows[k].shape;
    return {s.B,
            s.C,
            s.D,
            -1,
            kSingleResolutionLow * resolution,
            kSingleResolutionHigh * resolution,
            in.peaks[k].leftX,
            in.peaks[k].rightX,
            k};
}

// The rows [first, last] (all with a curve) fitted together, each looked at for a second
// component. A single row that shows none is left alone.
ClusterResult RefineCluster(const RefinementInput& in, const std::vector<Row>& rows,
                            const Curves& curves, const std::vector<int32_t>& members,
                            const ResolvingPowerProfile& profile) {
    ClusterResult out;
    const auto n = static_cast<int32_t>(members.size());
    std::vector<double> resolution(n);
    for (int32_t q = 0; q < n; ++q) resolution[q] = profile.At(rows[members[q]].shape->D);
    if (n == 1) {
        const RefinementPeak& p = in.peaks[members[0]];
        const Shape& s = *rows[members[0]].shape;
        const double error = rows[members[0]].errors[2];
        const bool wide = s.C + 3 * error < (1 - kPairResolutionTolerance) * resolution[0];
        // A recovered fit has no residuals of the pass to look at: it is always fitted again.
        if (!IsLost(p) && !wide &&
            WrittenStructure(in, curves, members[0], resolution[0]) < kStructureSigmas)
            return out;
    }
    // The points: within kFitReachFwhm (of the wider of C and the resolving power) of every
    // centre, inside the rows' windows.
    double low = in.x[in.peaks[members.front()].firstIndex];
    double high = in.x[in.peaks[members.back()].lastIndex];
    double from = high, to = low;
    for (int32_t q = 0; q < n; ++q) {
        const Shape& s = *rows[members[q]].shape;
        const double reach = kFitReachFwhm * Fwhm(s.D, std::min(s.C, resolution[q]));
        from = std::min(from, s.D - reach);
        to = std::max(to, s.D + reach);
    }
    const auto x0 = in.x.begin();
    const int32_t firstIndex = static_cast<int32_t>(
        std::lower_bound(x0 + in.peaks[members.front()].firstIndex,
                         x0 + in.peaks[members.back()].lastIndex + 1, std::max(low, from)) -
        x0);
    const int32_t lastIndex =
        std::max(firstIndex,
                 static_cast<int32_t>(std::upper_bound(x0 + firstIndex,
                                                       x0 + in.peaks[members.back()].lastIndex + 1,
                                                       std::min(high, to)) -
                                      x0) -
                     1);
    const Window all =
        MakeWindow(in, firstIndex, lastIndex, curves, members.front(), members.back());
    const double middle = (all.x.front() + all.x.back()) / 2;
    const Window w = Binned(all, all.x.front(), all.x.back(), profile.At(middle));
    if (w.x.size() < static_cast<size_t>(3 * n + 8)) return out;

    ClusterModel model;
    std::vector<double> backgrounds;
    for (int32_t q = 0; q < n; ++q) {
        model.parts.push_back(PartOfRow(in, rows, members[q], resolution[q]));
        backgrounds.push_back(rows[members[q]].A);
    }
    model.a = Median(backgrounds);
    model.fit = FitSum(w, model.a, model.parts);
    for (size_t m = 0; m < model.parts.size(); ++m)
        if (!IsPeak(model.fit, m, model.parts[m], 0)) return out;

    // Each row, in order, fitted as two when its residuals or its width say so and the split is
    // clearly better; a later row is tested against the model with the earlier splits.
    std::vector<char> split(n, 0);
    for (int32_t q = 0, m = 0; q < n; ++q, ++m) {
        const double c = model.fit.C(m), error = model.fit.ErrorC(m);
        const bool wide = c + 3 * error < (1 - kPairResolutionTolerance) * resolution[q];
        const std::vector<double> r = Residuals(w, model.fit);
        const double structure = LagOneStructure(
            CoreResiduals(w, r, model.fit.D(m), Fwhm(model.fit.D(m), resolution[q])));
        if (!wide && structure < kStructureSigmas) continue;
        if (auto next = TrySplit(w, model, m, resolution[q], q, wide)) {
            model = std::move(*next);
            split[q] = 1;
            ++m;
        }
    }
    const bool anySplit = std::find(split.begin(), split.end(), 1) != split.end();
    if (n == 1 && !anySplit) return out;
    out.changed = true;
    out.components.resize(n);
    for (size_t m = 0, q = 0; q < static_cast<size_t>(n); ++q) {
        out.components[q].push_back(model.fit.Component(m++));
        if (split[q]) out.components[q].push_back(model.fit.Component(m++));
    }
    out.iterations = model.fit.ls.evaluations - 1;
    out.points = w.points;
    return out;
}

// Runs work(k) for k = 0..count-1, on two threads when asked; every k independently.
template <class Work>
void ForEach(int32_t count, bool twoThreads, Work work) {
    if (!twoThreads || count < 2) {
        for (int32_t k = 0; k < count; ++k) work(k);
        return;
    }
    ProduceOnTwoCoresConsumeInOrder<char>(
        count, 64, [&](int32_t k, char&) { work(k); }, [](int32_t, char&) { return true; });
}

// How much two neighbouring rows' curves overlap: the larger of either curve at the other's
// centre as a fraction of the other's height, both taken as wide as the resolving power allows.
double Overlap(const Shape& a, const Shape& b, const ResolvingPowerProfile& profile) {
    const Shape wa{a.B, std::min(a.C, profile.At(a.D)), a.D};
    const Shape wb{b.B, std::min(b.C, profile.At(b.D)), b.D};
    return std::max(Curve(wa, b.D) / b.B, Curve(wb, a.D) / a.B);
}

// Splits the rows with a curve into clusters: neighbours overlapping by kJoinFraction, at most
// kMaxClusterRows, cut at the weakest overlap.
void Clusters(const std::vector<int32_t>& run, const std::vector<double>& links, size_t from,
              size_t to, std::vector<std::vector<int32_t>>& out) {
    if (to - from <= static_cast<size_t>(kMaxClusterRows)) {
        out.emplace_back(run.begin() + static_cast<std::ptrdiff_t>(from),
                         run.begin() + static_cast<std::ptrdiff_t>(to));
        return;
    }
    size_t weakest = from;
    for (size_t i = from; i + 1 < to; ++i)
        if (links[i] < links[weakest]) weakest = i;
    Clusters(run, links, from, weakest + 1, out);
    Clusters(run, links, weakest + 1, to, out);
}

}  // namespace

double FTestTail2(double f, int32_t dof) {
    if (dof <= 0 || !(f > 0)) return 1;
    return std::exp(-0.5 * dof * std::log1p(2 * f / dof));
}

double ResolvingPowerProfile::At(double m) const {
    if (!Known()) return 0;
    const auto n = static_cast<int32_t>(mass.size());
    const int32_t take = std::min(n, kReferenceNeighbours);
    // The `take` references nearest in mass: a window grown from the insertion point.
    auto hi = static_cast<int32_t>(std::lower_bound(mass.begin(), mass.end(), m) - mass.begin());
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

namespace {

// The curves of the rows: each row's own shape (none without one).
Curves CurvesOf(const std::vector<Row>& rows) {
    Curves curves(rows.size());
    for (size_t k = 0; k < rows.size(); ++k)
        if (rows[k].shape) curves[k] = {*rows[k].shape};
    return curves;
}

// Whether the tails of the rows near the cluster but outside it differ between `before` and
// `after` on the cluster's points by at least kTailChange of the cluster's lowest height.
bool NeighbourChanged(const RefinementInput& in, const std::vector<Row>& rows,
                      const std::vector<int32_t>& members, const Curves& before,
                      const Curves& after) {
    const int32_t firstIndex = in.peaks[members.front()].firstIndex;
    const int32_t lastIndex = in.peaks[members.back()].lastIndex;
    const double low = in.x[firstIndex], high = in.x[lastIndex];
    double lowest = rows[members.front()].shape->B;
    for (int32_t k : members) lowest = std::min(lowest, rows[k].shape->B);
    const auto n = static_cast<int32_t>(after.size());
    auto reaches = [&](const Shape& s) {
        const double reach = kTailReach / kK * Fwhm(s.D, s.C);
        return s.D + reach >= low && s.D - reach <= high;
    };
    for (int32_t j = std::max(0, members.front() - kTailNeighbours);
         j <= std::min(n - 1, members.back() + kTailNeighbours); ++j) {
        if (j >= members.front() && j <= members.back()) continue;
        const auto& a = before[j];
        const auto& b = after[j];
        if (std::none_of(a.begin(), a.end(), reaches) && std::none_of(b.begin(), b.end(), reaches))
            continue;
        for (int32_t i = firstIndex; i <= lastIndex; ++i) {
            double change = 0;
            for (const Shape& s : b) change += Curve(s, in.x[i]);
            for (const Shape& s : a) change -= Curve(s, in.x[i]);
            if (std::fabs(change) >= kTailChange * lowest) return true;
        }
    }
    return false;
}

}  // namespace

PeakRefinement RefinePeaks(const RefinementInput& in, const PeakRefinementOptions& options) {
    PeakRefinement out;
    const auto count = static_cast<int32_t>(in.peaks.size());
    out.peaks.assign(count, RefinedPeak{});
    // The windows and the tails are taken in ascending x.
    if (!IsAscending(in.x) || in.x.size() != in.y.size()) return out;
    out.resolvingPower = MeasureResolvingPower(in.peaks);
    const ResolvingPowerProfile& profile = out.resolvingPower;

    // Round 1: each failed fit fitted afresh, the tails of the pass's fitted neighbours removed.
    std::vector<Row> rows(count);
    for (int32_t k = 0; k < count; ++k) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLost(p) && WindowFits(in, p)) rows[k] = {Shape{p.B, p.C, p.D}, p.A, p.errors};
    }
    const Curves written = CurvesOf(rows);
    ForEach(count, options.twoThreads, [&](int32_t k) {
        const RefinementPeak& p = in.peaks[k];
        if (!IsLost(p) || !WindowFits(in, p)) return;
        const Window w = MakeWindow(in, p.firstIndex, p.lastIndex, written, k, k);
        if (auto fit = RefitFailed(w, p, profile)) {
            RefinedPeak& r = out.peaks[k];
            r.kind = RefinedKind::Refitted;
            r.components = {fit->first.Component(0)};
            r.iterations = fit->first.ls.evaluations - 1;
            r.points = fit->second.points;
        }
    });
    for (int32_t k = 0; k < count; ++k) {
        const RefinedPeak& r = out.peaks[k];
        if (r.kind != RefinedKind::Refitted) continue;
        const PeakComponent& c = r.components[0];
        rows[k] = {Shape{c.B, c.C, c.D}, c.A, c.errors};
    }

    if (profile.Known()) {
        // Round 2: the rows found by now in clusters of overlapping neighbours, fitted together
        // and looked at for second components, the tails of the rows outside a cluster removed.
        std::vector<int32_t> found;
        for (int32_t k = 0; k < count; ++k)
            if (rows[k].shape) found.push_back(k);
        std::vector<std::vector<int32_t>> clusters;
        for (size_t i = 0; i < found.size();) {
            size_t j = i + 1;
            std::vector<double> links;
            while (j < found.size()) {
                const double o = Overlap(*rows[found[j - 1]].shape, *rows[found[j]].shape, profile);
                if (!(o >= kJoinFraction)) break;
                links.push_back(o);
                ++j;
            }
            std::vector<int32_t> run(found.begin() + static_cast<std::ptrdiff_t>(i),
                                     found.begin() + static_cast<std::ptrdiff_t>(j));
            Clusters(run, links, 0, run.size(), clusters);
            i = j;
        }
        const Curves first = CurvesOf(rows);
        std::vector<ClusterResult> results(clusters.size());
        ForEach(static_cast<int32_t>(clusters.size()), options.twoThreads, [&](int32_t c) {
            results[c] = RefineCluster(in, rows, first, clusters[c], profile);
        });
        // The tails those fits removed were the first fits' of the neighbours. Where a
        // neighbour has changed since (split, or fitted with its own neighbours), the cluster is
        // fitted again with the neighbour's new curve, since a merged pair's single curve has
        // other tails than its two components; and so on, until no cluster's neighbours change
        // (a few sweeps: the changes stay local).
        std::vector<Curves> versions{first};
        std::vector<int32_t> fittedWith(clusters.size(), 0);
        for (int32_t sweep = 1; sweep <= kMaxSweeps; ++sweep) {
            Curves current = first;
            for (size_t c = 0; c < clusters.size(); ++c) {
                if (!results[c].changed) continue;
                for (size_t q = 0; q < clusters[c].size(); ++q) {
                    auto& list = current[clusters[c][q]];
                    list.clear();
                    for (const PeakComponent& comp : results[c].components[q])
                        list.push_back({comp.B, comp.C, comp.D});
                }
            }
            std::vector<int32_t> again;
            for (size_t c = 0; c < clusters.size(); ++c)
                if (NeighbourChanged(in, rows, clusters[c], versions[fittedWith[c]], current))
                    again.push_back(static_cast<int32_t>(c));
            if (again.empty()) break;
            versions.push_back(std::move(current));
            ForEach(static_cast<int32_t>(again.size()), options.twoThreads, [&](int32_t a) {
                const int32_t c = again[a];
                results[c] = RefineCluster(in, rows, versions.back(), clusters[c], profile);
            });
            for (int32_t c : again) fittedWith[c] = sweep;
        }

        int32_t group = 0;
        for (size_t c = 0; c < clusters.size(); ++c) {
            const ClusterResult& result = results[c];
            if (!result.changed) continue;
            bool grouped = clusters[c].size() > 1;
            for (size_t q = 0; q < clusters[c].size(); ++q) {
                RefinedPeak& r = out.peaks[clusters[c][q]];
                r.components = result.components[q];
                r.kind = r.components.size() > 1 ? RefinedKind::Split : RefinedKind::Refitted;
                grouped = grouped || r.kind == RefinedKind::Split;
                r.iterations = result.iterations;
                r.points = result.points;
            }
            if (grouped) {
                for (int32_t k : clusters[c]) out.peaks[k].group = group;
                ++group;
            }
        }
    }
    for (int32_t k = 0; k < count; ++k) {
        const RefinedPeak& r = out.peaks[k];
        const bool lost = IsLost(in.peaks[k]);
        out.split += r.kind == RefinedKind::Split;
        out.refitted += lost && r.kind != RefinedKind::Unchanged;
        out.jointlyFitted += !lost && r.kind == RefinedKind::Refitted;
        out.stillFailed += lost && r.kind == RefinedKind::Unchanged;
    }
    return out;
}

}  // namespace ostrel
