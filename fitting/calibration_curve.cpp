#include "fitting/calibration_curve.h"

#include <algorithm>
#include <cmath>

#include "state/errors.h"

namespace ostrel {

namespace {

using L = long double;

constexpr const char* kNoPointsMessage =
    "Калибровочных точек нет: занесите массы в список \"Калибровочные массы\", задайте им "
    "истинные массы и нажмите \"Создать кривую\".";
constexpr const char* kLineNeedsTwoMassesMessage =
    "Прямую провести нельзя: нужны две калибровочные точки с разными массами.";
constexpr const char* kParabolaNeedsThreeMassesMessage =
    "Параболу подобрать нельзя: нужны три калибровочные точки с разными массами.";
constexpr const char* kCurveNotFiniteMessage =
    "Кривую подобрать нельзя: коэффициенты получаются бесконечными.";

struct Line {
    double b = 0;
    double c = 0;
};

// The line through the first and the last point: the curve of "Подобрать линию" and the
// parabola's start.
Line EndPointLine(const PointList& p) {
    if (p.Count() == 0) throw CommandError(kNoPointsMessage);
    const int32_t last = p.Count() - 1;
    if (p.Count() == 1 || p.X[last] == p.X[0]) throw CommandError(kLineNeedsTwoMassesMessage);
    Line line;
    line.b = static_cast<double>((L(p.Y[last]) - p.Y[0]) / (L(p.X[last]) - p.X[0]));
    line.c = static_cast<double>(L(p.Y[0]) - L(line.b) * p.X[0]);
    if (!std::isfinite(line.b) || !std::isfinite(line.c))
        throw CommandError(kCurveNotFiniteMessage);
    return line;
}

int DistinctMasses(const PointList& p) {
    std::vector<double> x = p.X;
    std::sort(x.begin(), x.end());
    return static_cast<int>(std::unique(x.begin(), x.end()) - x.begin());
}

}  // namespace

PointList PodobratParabolaLine(const PointList& points, CalibrationCurve& curve) {
    const Line line = EndPointLine(points);
    curve.CurveA = 0;
    curve.CurveB = line.b;
    curve.CurveC = line.c;
    const int32_t last = points.Count() - 1;
    return PointList{{points.X[0], points.X[last]}, {points.Y[0], points.Y[last]}};
}

PointList PodobratParabola(const PointList& points, CalibrationCurve& curve,
                           ParabolaFitState& fit) {
    // The parabola's own need is told first: with one or two masses the start line may be
    // impossible too, but a line is not what the user asked for.
    if (points.Count() == 0) throw CommandError(kNoPointsMessage);
    if (DistinctMasses(points) < 3) throw CommandError(kParabolaNeedsThreeMassesMessage);
    const Line start = EndPointLine(points);
    fit.CalibFirst = 0;
    fit.CalibLast = points.Count() - 1;
    fit.CalibX = points.X;
    fit.CalibY = points.Y;
    fit.CurveA = 0;
    fit.CurveB = start.b;
    fit.CurveC = start.c;
    FitParabola(fit, 0, start.b, start.c);
    if (!std::isfinite(fit.CurveA) || !std::isfinite(fit.CurveB) || !std::isfinite(fit.CurveC))
        throw CommandError(kCurveNotFiniteMessage);

    PointList drawn;
    const double first = fit.CalibX[fit.CalibFirst];
    const double last = fit.CalibX[fit.CalibLast];
    for (int i = 0; i < kCurveSamplesMax; ++i) {
        const double x = static_cast<double>(L(first) + L(i) / 100);
        if (x > last) break;
        drawn.X.push_back(x);
        drawn.Y.push_back(
            static_cast<double>(L(fit.CurveA) * x * x + L(fit.CurveB) * x + fit.CurveC));
    }
    curve.CurveA = fit.CurveA;
    curve.CurveB = fit.CurveB;
    curve.CurveC = fit.CurveC;
    return drawn;
}

std::vector<double> RecalculateMasses(const std::vector<double>& x, const CalibrationCurve& curve) {
    std::vector<double> moved(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const L old = x[i];
        moved[i] = static_cast<double>(
            old + (L(curve.CurveA) * old * old + L(curve.CurveB) * old + curve.CurveC) / 1000);
        if (!std::isfinite(moved[i]))
            throw CommandError("Пересчёт невозможен: масса точки " + std::to_string(i + 1) +
                               " получается бесконечной. Массы не изменены.");
        if (i > 0 && moved[i] < moved[i - 1] && !(x[i] < x[i - 1]))
            throw CommandError("Пересчёт невозможен: кривая меняет порядок масс у точки " +
                               std::to_string(i + 1) + ". Массы не изменены.");
    }
    return moved;
}

std::string FitDoneMessage() {
    return "Теперь Вы должны нажать кнопку \"Пересчитать данные\"";
}

}  // namespace ostrel
