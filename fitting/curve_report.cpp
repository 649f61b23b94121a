#include "fitting/curve_report.h"

#include <cmath>

#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

}  // namespace

CurveResiduals ResidualsOf(const PointList& points, const CalibrationCurve& c) {
    CurveResiduals r;
    L squares = 0, squaresPpm = 0;
    for (int32_t i = 0; i < points.Count(); ++i) {
        const L x = points.X[i];
        const L residual = L(points.Y[i]) - (L(c.CurveA) * x * x + L(c.CurveB) * x + c.CurveC);
        r.residualMmu.push_back(static_cast<double>(residual));
        squares += residual * residual;
        const L ppm = residual * 1000 / x;  // mmu over u: 1 mmu at 100 u is 10 ppm
        squaresPpm += ppm * ppm;
    }
    if (points.Count() > 0) {
        r.rmsMmu = static_cast<double>(std::sqrt(squares / points.Count()));
        r.rmsPpm = static_cast<double>(std::sqrt(squaresPpm / points.Count()));
    }
    return r;
}

std::vector<std::string> CurveReportLines(const CurveFit& fit, const NumberFormat& f) {
    const CalibrationCurve& c = fit.curve;
    const CurveResiduals r = ResidualsOf(fit.points, c);
    std::vector<std::string> lines = {
        std::string(fit.parabola ? "Парабола" : "Прямая") + " ΔM = aM² + bM + c:",
        "a = " + f.Shortest(c.CurveA),
        "b = " + f.Shortest(c.CurveB),
        "c = " + f.Shortest(c.CurveC),
        "СКО: " + f.Fixed(r.rmsMmu, 3) + " mmu, " + f.Fixed(r.rmsPpm, 2) + " ppm",
        "М изм,  ΔM до,  после"};
    for (int32_t i = 0; i < fit.points.Count(); ++i)
        lines.push_back(f.Fixed(fit.points.X[i], 4) + ",  " + f.Fixed(fit.points.Y[i], 3) + ",  " +
                        f.Fixed(r.residualMmu[i], 3));
    return lines;
}

}  // namespace ostrel
