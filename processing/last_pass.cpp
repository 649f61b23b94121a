#include "processing/last_pass.h"

#include <cmath>
#include <exception>
#include <limits>

#include "processing/two_core_order.h"
#include "state/ascending_search.h"
#include "state/errors.h"
#include "state/number_format.h"
#include "state/spectrum.h"

namespace ostrel {

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

void SetCurrentPeak(CurrentPeak& cur, const Spectrum& spectrum, const PointList& slope, int32_t j,
                    bool spectrumAscending) {
    if (j < 0 || j + 2 >= slope.Count())
        throw CommandError("Пик " + std::to_string(j) + " лежит вне списка наклона.");
    cur.CurLeftX = slope.X[j];
    cur.CurRightX = slope.X[j + 2];
    cur.CurLeftIndex = FirstIndexAtOrAbove(spectrum.PointX, cur.CurLeftX, spectrumAscending);
    cur.CurRightIndex = FirstIndexAtOrAbove(spectrum.PointX, cur.CurRightX, spectrumAscending);
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

// How many fitted peaks may wait for their report when two threads fit.
constexpr int32_t kPeaksAhead = 64;

// What a pass reads, with the order of its x values looked at once.
struct PassInput {
    const Spectrum& spectrum;
    const PointList& slope;
    const bool spectrumAscending;
    const FitData data;
    const int32_t offset;  // SlopeOffset

    PassInput(const Spectrum& s, const PointList& stage1, const PointList& sl)
        : spectrum(s),
          slope(sl),
          spectrumAscending(IsAscending(s.PointX)),
          data{s.PointX, s.PointY, stage1.X, stage1.Y, IsAscending(stage1.X)},
          offset(SlopeOffset(sl)) {}

    int32_t LeftMinimum(int32_t k) const { return 2 * k + offset; }
};

// Sets the current peak k (0-based) of the pass and fits it with the log off.
void FitPassPeak(const PassInput& in, PeakFitState& fit, int32_t k, const NumberFormat& format,
                 FitLog& log) {
    fit.Cur.FitPeakNumber = k + 1;
    SetCurrentPeak(fit.Cur, in.spectrum, in.slope, in.LeftMinimum(k), in.spectrumAscending);
    FitPeak(fit, in.data, false, fit.Cur.CurFon, fit.Cur.CurLeftX, fit.Cur.CurTopY,
            fit.Cur.CurCenterX, format, log);
}

// The report of peak k and its entry in the tables.
void DeliverPeak(const PassInput& in, const LastPassHooks& hooks, int32_t k,
                 const PeakFitState& fit, const FitLog& log, PeakResults& peaks) {
    if (!log.problems.empty() && hooks.problemLines) hooks.problemLines(log.problems);
    if (hooks.reportPeak) hooks.reportPeak(k, fit.Cur);
    peaks.push_back(ResultOfFit(fit, in.LeftMinimum(k)));
}

bool StopRequested(const LastPassHooks& hooks) {
    return hooks.stopRequested && hooks.stopRequested();
}

// A peak fitted on either thread in a context of its own.
struct FittedPeak {
    PeakFitState fit;
    FitLog log;
    bool failed = false;
};

// The fits on two threads; answers the number of peaks stored (fewer when stopped).
int32_t FitOnTwoCores(const PassInput& in, int32_t count, PeakFitState& fit,
                      const NumberFormat& format, PeakResults& peaks, const LastPassHooks& hooks) {
    int32_t stored = 0;
    auto produce = [&](int32_t k, FittedPeak& peak) {
        peak = FittedPeak{};
        // A fit writes the variance only when it completes a step; NaN shows that it did not.
        peak.fit.PeakVariance = std::numeric_limits<double>::quiet_NaN();
        try {
            FitPassPeak(in, peak.fit, k, format, peak.log);
        } catch (...) {
            peak.failed = true;
        }
    };
    auto consume = [&](int32_t k, FittedPeak& peak) {
        if (StopRequested(hooks)) return false;
        if (peak.failed || std::isnan(peak.fit.PeakVariance)) {
            // What such a fit reports and leaves behind comes partly from the previous peak's
            // fit, so it runs again in the pass's own context, after that peak (a failing
            // window throws again here, ending the pass as in one thread).
            peak.log = FitLog{};
            FitPassPeak(in, fit, k, format, peak.log);
        } else {
            const int32_t problems = fit.ProblemPeakCount + peak.fit.ProblemPeakCount;
            fit = peak.fit;
            fit.ProblemPeakCount = problems;
        }
        DeliverPeak(in, hooks, k, fit, peak.log, peaks);
        ++stored;
        return true;
    };
    ProduceOnTwoCoresConsumeInOrder<FittedPeak>(count, kPeaksAhead, produce, consume);
    return stored;
}

}  // namespace

std::string RunLastPass(const Spectrum& spectrum, const PointList& stage1, const PointList& slope,
                        PeakFitState& fit, const NumberFormat& format, PeakResults& peaks,
                        const LastPassHooks& hooks, PassThreads threads) {
    peaks.clear();
    fit.ProblemPeakCount = 0;
    fit.Cur.FitPeakNumber = 0;
    const int32_t count = PeakCountOfSlope(slope);
    try {
        const PassInput in(spectrum, stage1, slope);
        peaks.reserve(count);
        int32_t stored = 0;
        if (threads == PassThreads::Two && count > 1) {
            stored = FitOnTwoCores(in, count, fit, format, peaks, hooks);
        } else {
            for (; stored < count && !StopRequested(hooks); ++stored) {
                FitLog log;
                FitPassPeak(in, fit, stored, format, log);
                DeliverPeak(in, hooks, stored, fit, log, peaks);
            }
        }
        if (stored < count) return kLastPassStoppedText + std::to_string(stored) + ".";
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
                                const PointList& slope, const PeakResults& peaks, int32_t k,
                                PeakFitState& fit, const NumberFormat& format, FitLog& log) {
    if (k < 0 || k >= static_cast<int32_t>(peaks.size()))
        throw CommandError("Пик " + std::to_string(k) + " не найден в таблице пиков.");
    fit.Cur.FitPeakNumber = k + 1;
    SetCurrentPeak(fit.Cur, spectrum, slope, peaks[k].zone, IsAscending(spectrum.PointX));
    const FitData data{spectrum.PointX, spectrum.PointY, stage1.X, stage1.Y, IsAscending(stage1.X)};
    FitPeak(fit, data, true, fit.Cur.CurFon, fit.Cur.CurLeftX, fit.Cur.CurTopY, fit.Cur.CurCenterX,
            format, log);
    return {NominalMass(fit.FitCenter), fit.Cur.CurLeftIndex, fit.Cur.CurRightIndex};
}

}  // namespace ostrel
