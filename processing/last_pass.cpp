#include "processing/last_pass.h"

#include <cmath>
#include <exception>

#include "state/errors.h"
#include "state/measured_points.h"
#include "state/number_format.h"

namespace ostrel {

bool IsDigitsOnly(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int32_t ParseFirstPeakHeight(std::string_view text) {
    if (!IsDigitsOnly(text)) throw CommandError(kInvalidHeightMessage);
    try {
        return NumberFormat::ParseInt(text);
    } catch (const CommandError&) {
        throw CommandError(std::string(kInvalidHeightMessage) + " Высота " + std::string(text) +
                           " больше 2147483647.");
    }
}

int32_t PointIndexAtOrAfter(std::span<const double> xs, double x) {
    for (size_t i = 0; i < xs.size(); ++i)
        if (xs[i] >= x) return static_cast<int32_t>(i);
    return static_cast<int32_t>(xs.size());
}

double WindowMaximum(std::span<const double> ys, int32_t left, int32_t right, int32_t& index) {
    double top = 0;
    for (int32_t i = left; i <= right; ++i) {
        if (ys[i] > top) {
            top = ys[i];
            index = i;
        }
    }
    return top;
}

double WindowMinimum(std::span<const double> ys, int32_t left, int32_t right, double start) {
    double low = start;
    for (int32_t i = left; i <= right; ++i)
        if (!(ys[i] >= low)) low = ys[i];
    return low;
}

int32_t SlopeOffset(const PointList& slope) {
    return slope.Count() >= 2 && slope.Y[0] > slope.Y[1] ? 1 : 0;
}

int32_t PeakCountOfSlope(const PointList& slope) {
    const double quotient = (slope.Count() - 3.0 - SlopeOffset(slope)) / 2;
    return std::max(0, static_cast<int32_t>(std::floor(quotient)) + 1);
}

void SetCurrentPeak(CurrentPeak& cur, const Spectrum& spectrum, const PointList& slope, int32_t j) {
    if (j < 0 || j + 2 >= slope.Count())
        throw CommandError("Пик " + std::to_string(j) + " лежит вне списка наклона.");
    cur.CurLeftX = slope.X[j];
    cur.CurRightX = slope.X[j + 2];
    cur.CurLeftIndex = PointIndexAtOrAfter(spectrum.PointX, cur.CurLeftX);
    cur.CurRightIndex = PointIndexAtOrAfter(spectrum.PointX, cur.CurRightX);
    if (cur.CurRightIndex >= spectrum.PointCount() || cur.CurLeftIndex > cur.CurRightIndex)
        throw CommandError("Окно пика " + NumberFormat('.').Shortest(cur.CurLeftX) + " .. " +
                           NumberFormat('.').Shortest(cur.CurRightX) + " лежит вне спектра.");
    cur.CurPointCount = cur.CurRightIndex - cur.CurLeftIndex + 1;
    int32_t top = cur.CurLeftIndex;  // the centre when no y of the window exceeds 0
    cur.CurTopY = WindowMaximum(spectrum.PointY, cur.CurLeftIndex, cur.CurRightIndex, top);
    cur.CurFon = WindowMinimum(spectrum.PointY, cur.CurLeftIndex, cur.CurRightIndex, cur.CurTopY);
    cur.CurCenterX = spectrum.PointX[top];
}

std::vector<std::string> PeakReportLines(int32_t n, const CurrentPeak& cur, const NumberFormat& f) {
    const std::string p = std::to_string(n);
    return {p + ", Fon = " + f.Shortest(cur.CurFon),
            p + ", Left = " + f.Shortest(cur.CurLeftX),
            p + ", V = " + f.Shortest(cur.CurTopY),
            p + ", Center = " + f.Shortest(cur.CurCenterX),
            p + ", Right = " + f.Shortest(cur.CurRightX),
            " "};
}

namespace {

void FitCurrentPeak(const Spectrum& spectrum, const PointList& stage1, PeakFitState& fit,
                    bool logIterations, const NumberFormat& format, FitLog& log) {
    const FitData data{spectrum.PointX, spectrum.PointY, stage1.X, stage1.Y};
    FitPeak(fit, data, logIterations, fit.Cur.CurFon, fit.Cur.CurLeftX, fit.Cur.CurTopY,
            fit.Cur.CurCenterX, format, log);
}

void StorePeak(PeakTables& t, const PeakFitState& fit, int32_t j) {
    t.PeakLeftX.push_back(fit.Cur.CurLeftX);
    t.PeakRightX.push_back(fit.Cur.CurRightX);
    t.PeakM.push_back(fit.FitCenter);
    t.PeakR.push_back(fit.FitResolution);
    t.PeakV.push_back(fit.FitHeight);
    t.PeakA.push_back(fit.FitBackground);
    t.PeakStdErr.push_back(fit.FitStdErr);
    t.PeakIter.push_back(fit.FitIterations);
    t.PeakKol.push_back(fit.FitPointCount);
    t.PeakZoneIndex.push_back(j);
    t.PeakErr.push_back(fit.FitErrors);
    t.FittedA.push_back(fit.FitA);
    t.FittedB.push_back(fit.FitB);
}

}  // namespace

std::string RunLastPass(const Spectrum& spectrum, const PointList& stage1, const PointList& slope,
                        PeakFitState& fit, const NumberFormat& format, PeakTables& tables,
                        const LastPassHooks& hooks) {
    tables = PeakTables{};
    fit.ProblemPeakCount = 0;
    fit.Cur.FitPeakNumber = 0;
    const int32_t n = slope.Count();
    const int32_t f = SlopeOffset(slope);
    try {
        for (int32_t k = 0; k < n; ++k) {
            const int32_t j = 2 * k + f;
            if (j > n - 3) break;
            fit.Cur.FitPeakNumber = k + 1;
            SetCurrentPeak(fit.Cur, spectrum, slope, j);
            FitLog log;
            FitCurrentPeak(spectrum, stage1, fit, false, format, log);
            if (!log.problems.empty() && hooks.problemLines) hooks.problemLines(log.problems);
            if (hooks.reportPeak) hooks.reportPeak(k, fit.Cur);
            StorePeak(tables, fit, j);
        }
    } catch (const std::exception& e) {
        return std::string("Последняя обработка прервана на пике ") +
               std::to_string(fit.Cur.FitPeakNumber) + ": " + e.what();
    }
    return {};
}

int32_t NominalMass(double mass) {
    const double whole = std::floor(mass);
    if (!(whole > -2147483648.0 && whole < 2147483647.0))
        throw CommandError("Масса " + NumberFormat('.').Shortest(mass) +
                           " не помещается в номинальную массу.");
    return static_cast<int32_t>(mass - whole > 0.8 ? whole + 1 : whole);
}

SinglePeakResult ProcessOnePeak(const Spectrum& spectrum, const PointList& stage1,
                                const PointList& slope, const PeakTables& tables, int32_t k,
                                PeakFitState& fit, const NumberFormat& format, FitLog& log) {
    if (k < 0 || k >= tables.PeakCount())
        throw CommandError("Пик " + std::to_string(k) + " не найден в таблице пиков.");
    const int32_t j = static_cast<int32_t>(std::floor(tables.PeakZoneIndex[k]));
    SetCurrentPeak(fit.Cur, spectrum, slope, j);
    FitCurrentPeak(spectrum, stage1, fit, true, format, log);
    return {NominalMass(fit.FitCenter), fit.Cur.CurLeftIndex, fit.Cur.CurRightIndex};
}

}  // namespace ostrel
