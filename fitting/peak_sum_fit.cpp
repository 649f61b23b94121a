#include "fitting/peak_sum_fit.h"

#include <algorithm>
#include <cmath>

#include "fitting/peak_fit.h"

namespace ostrel {

namespace {

constexpr double kK = kWidthFactor;

using Index = std::vector<std::array<int32_t, 3>>;

void SetRange(PointWindow& w) {
    w.yMin = *std::min_element(w.y.begin(), w.y.end());
    w.yMax = *std::max_element(w.y.begin(), w.y.end());
}

// JᵀJ and Jᵀr of the residuals of the sum, and Σ r². A point has non-zero derivatives only by A
// and by the B, C, D of the components that reach it, so each point adds the products of those
// alone (a C shared by two components takes the sum of their terms).
double SumNormalEquations(const PointWindow& w, const Index& index, std::span<const double> p,
                          std::span<double> jtj, std::span<double> jtr) {
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
            if (std::fabs(t) > kPeakReach) continue;
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
                // The lower triangle: the larger index gives the row.
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

}  // namespace

double PeakCurve(const PeakShape& s, double x) {
    const double t = kK * s.C * ((s.D - x) / x);
    return std::fabs(t) > kPeakReach ? 0.0 : s.B * std::exp(-t * t);
}

double PeakReachDistance(const PeakShape& s) {
    return kPeakReach / kK * PeakFwhm(s.D, s.C);
}

PointWindow WindowLessCurves(std::span<const double> x, std::span<const double> y, int32_t first,
                             int32_t last, std::span<const PeakShape> curves) {
    PointWindow w;
    const auto count = static_cast<size_t>(last - first + 1);
    w.points = static_cast<int32_t>(count);
    w.x.assign(x.begin() + first, x.begin() + first + count);
    w.y.assign(y.begin() + first, y.begin() + first + count);
    w.invX.resize(count);
    for (size_t i = 0; i < count; ++i) w.invX[i] = 1 / w.x[i];
    for (const PeakShape& s : curves) {
        const double reach = PeakReachDistance(s);
        if (s.D + reach < w.x.front() || s.D - reach > w.x.back()) continue;
        for (size_t i = 0; i < count; ++i) w.y[i] -= PeakCurve(s, w.x[i]);
    }
    SetRange(w);
    return w;
}

PointWindow Binned(const PointWindow& w, double lowX, double highX, double resolution,
                   double binsPerFwhm) {
    const auto begin =
        static_cast<size_t>(std::lower_bound(w.x.begin(), w.x.end(), lowX) - w.x.begin());
    auto end = static_cast<size_t>(std::upper_bound(w.x.begin(), w.x.end(), highX) - w.x.begin());
    end = std::min(std::max(end, begin + 1), w.x.size());
    const size_t from = std::min(begin, end - 1);
    const double mid = (w.x[from] + w.x[end - 1]) / 2;
    const double step = end - from > 1 ? (w.x[end - 1] - w.x[from]) / (end - from - 1) : 0;
    const double perFwhm = step > 0 && resolution > 0 ? mid / resolution / step : 1;
    const auto group = static_cast<size_t>(std::clamp(std::floor(perFwhm / binsPerFwhm), 1.0, 1e6));
    PointWindow s;
    s.points = static_cast<int32_t>(end - from);
    for (size_t i = from; i < end; i += group) {
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

std::array<double, 4> SumFit::Errors(size_t m) const {
    const auto& e = ls.standardErrors;
    return {e[0], e[index[m][0]], e[index[m][1]], e[index[m][2]]};
}

SumFit FitSum(const PointWindow& w, double a, const std::vector<SumPart>& parts,
              const LeastSquaresOptions& options) {
    SumFit out;
    const double span = std::max(w.yMax - w.yMin, 1e-300);
    std::vector<double> start{std::clamp(a, w.yMin - span, w.yMax)};
    std::vector<double> lower{w.yMin - span}, upper{w.yMax};
    std::vector<std::pair<int32_t, int32_t>> shared;  // share, the parameter of its C
    auto add = [&](double v, double lo, double hi) {
        start.push_back(std::clamp(v, lo, hi));
        lower.push_back(lo);
        upper.push_back(hi);
        return static_cast<int32_t>(start.size() - 1);
    };
    for (const SumPart& part : parts) {
        int32_t ci = -1;
        for (const auto& [share, parameter] : shared)
            if (part.share >= 0 && share == part.share) ci = parameter;
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

std::vector<double> SumResiduals(const PointWindow& w, const SumFit& fit) {
    const auto& p = fit.ls.parameters;
    std::vector<double> r(w.x.size());
    for (size_t i = 0; i < w.x.size(); ++i) {
        const double x = w.x[i], inv = w.invX[i];
        double f = p[0];
        for (const auto& [bi, ci, di] : fit.index) {
            const double t = kK * p[ci] * ((p[di] - x) * inv);
            if (std::fabs(t) <= kPeakReach) f += p[bi] * std::exp(-t * t);
        }
        r[i] = f - w.y[i];
    }
    return r;
}

}  // namespace ostrel
