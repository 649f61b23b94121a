// The calibration curve: the deviation (true − measured mass, mmu) over the measured mass as a
// straight line through the first and last calibration point or as a least-squares parabola,
// and the recalculation of every mass of the spectrum with it.
#pragma once

#include <string>
#include <vector>

#include "fitting/parabola_fit.h"
#include "processing/point_list.h"

namespace ostrel {

// y = a·x² + b·x + c in mmu over x in u.
struct CalibrationCurve {
    double CurveA = 0;
    double CurveB = 0;
    double CurveC = 0;
};

inline constexpr int kCurveSamplesMax = 100001;  // 0.01 u apart: 1000 u at most

// "Подобрать линию": the line through the points of smallest and largest mass (points in
// ascending x). Answers the drawn curve, the two end points. Throws CommandError, leaving the
// curve as it was, when there is no point, one point, or both ends lie at one mass.
PointList PodobratParabolaLine(const PointList& points, CalibrationCurve& curve);

// "Подобрать параболу": the least-squares parabola from the line's start values, drawn every
// 0.01 u from the first to the last mass. Throws CommandError, leaving the curve as it was, with
// no point, fewer than three distinct masses (the parabola's message, also for one or two
// points) or coefficients that are not finite.
PointList PodobratParabola(const PointList& points, CalibrationCurve& curve, ParabolaFitState& fit);

// Every x moved by the curve's deviation: x + (a·x² + b·x + c)/1000. Throws CommandError when a
// mass would not be finite or the masses would lose their ascending order.
std::vector<double> RecalculateMasses(const std::vector<double>& x, const CalibrationCurve& curve);

std::string FitDoneMessage();
inline constexpr const char* kRecalculatedMessage = "Пересчёт произведён";
inline constexpr const char* kSpectrumRestoredMessage =
    "Спектр возвращён к массам, с которыми он был открыт.";
inline constexpr const char* kNothingToRestoreMessage =
    "Массы спектра не пересчитывались: возвращать нечего.";

}  // namespace ostrel
