#include "results/fitted_curves.h"

#include <cmath>
#include <limits>

namespace ostrel {

namespace {

using L = long double;

void AppendPeakCurve(const PeakResult& p, CurvePoints& c) {
    // A fitted peak is drawn from its own model A + B·exp(−t²); a problem peak from the
    // record's values, as it has no model of its own.
    const bool problem = p.IsProblem();
    const L base = problem ? L(p.background) : L(p.modelA);
    const L amplitude = problem ? L(p.height) - p.background : L(p.modelB);
    for (int j = 0; j <= 10000; ++j) {
        const double x = static_cast<double>(L(p.leftX) + L(j) / 1000);
        if (x > p.rightX) break;
        const L t = L(kWidthFactor) * p.resolvingPower * (L(p.centre) / x - 1);
        const double y = static_cast<double>(base + amplitude * std::exp(-(t * t)));
        // At x = 0 (a spectrum may hold that mass) the shape has no value: the curve has a
        // gap there rather than a point that is not a number.
        if (!std::isfinite(y)) continue;
        c.x.push_back(x);
        c.y.push_back(y);
    }
}

}  // namespace

CurvePoints FittedCurves(const PeakResults& peaks) {
    CurvePoints c;
    for (const PeakResult& p : peaks) AppendPeakCurve(p, c);
    return c;
}

CurvePoints DrawnFittedCurves(const PeakResults& peaks) {
    CurvePoints c;
    for (const PeakResult& p : peaks) {
        // A problem peak has no fitted shape: its fixed height 1 would draw a dip to the bottom
        // of the chart where no curve was fitted.
        if (p.IsProblem()) continue;
        const size_t before = c.x.size();
        AppendPeakCurve(p, c);
        // The break stands at the x of the peak's last point, so the x values keep ascending
        // even where the next window starts at that very point.
        if (c.x.size() > before) {
            const double lastX = c.x.back();
            c.x.push_back(lastX);
            c.y.push_back(std::numeric_limits<double>::quiet_NaN());
        }
    }
    return c;
}

}  // namespace ostrel
