// How a fitted calibration curve fits the points it was made from: each point's residual after
// the curve, their root mean square, and the lines the page "Калибровочная кривая" lists.
#pragma once

#include <string>
#include <vector>

#include "fitting/calibration_curve.h"
#include "processing/point_list.h"

namespace ostrel {

class NumberFormat;

// A fitted curve with the calibration points it was fitted to, kept after "Пересчитать данные"
// (which resets the points) so that the page can still say how well it fitted.
struct CurveFit {
    PointList points;  // measured mass (u), deviation true − measured (mmu)
    CalibrationCurve curve;
    bool parabola = false;
};

// Each point's residual: the true mass less the mass the curve moves the measured one to, in
// mmu (the deviation less the curve's value, in long double); their root mean square in mmu and
// in ppm of the masses.
struct CurveResiduals {
    std::vector<double> residualMmu;
    double rmsMmu = 0;
    double rmsPpm = 0;
};
CurveResiduals ResidualsOf(const PointList& points, const CalibrationCurve& curve);

// "Прямая" or "Парабола", the coefficients (shortest texts, as ostrel-batch prints them) a line
// each, the root mean square of the residuals, then «mass,  before,  after» per point ("%.4f" u,
// "%.3f" mmu).
std::vector<std::string> CurveReportLines(const CurveFit& fit, const NumberFormat& format);

}  // namespace ostrel
