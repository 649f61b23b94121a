// The last processing pass: the peaks of the slope list, each fitted in its spectrum window, and
// the peak tables they fill. The window runs it on a worker thread; ostrel-batch runs it directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fitting/peak_fit.h"
#include "processing/peak_result.h"
#include "processing/point_list.h"

namespace ostrel {

class NumberFormat;
struct Spectrum;

// The largest y of the window above 0 (0 when none exceeds it); index gets the first point that
// carries it and is left alone when none does.
double WindowMaximum(std::span<const double> ys, int32_t left, int32_t right, int32_t& index);
// The smallest y of the window, starting from start.
double WindowMinimum(std::span<const double> ys, int32_t left, int32_t right, double start);

// 1 when the slope list starts with a maximum.
int32_t SlopeOffset(const PointList& slope);
// The number of (minimum, maximum, minimum) triples the pass will fit.
int32_t PeakCountOfSlope(const PointList& slope);

// Sets the window and extreme values of the peak whose left minimum is slope point j. A window
// in which no y exceeds 0 takes its first point as the centre. spectrumAscending must be
// IsAscending(spectrum.PointX); it lets the window ends be found by halving.
void SetCurrentPeak(CurrentPeak& cur, const Spectrum& spectrum, const PointList& slope, int32_t j,
                    bool spectrumAscending = false);

// The six report lines of peak n (1-based).
std::vector<std::string> PeakReportLines(int32_t n, const CurrentPeak& cur,
                                         const NumberFormat& format);

struct LastPassHooks {
    // Run after each fit, before the peak is stored; the window shows the report there.
    std::function<void(int32_t peakIndex, const CurrentPeak& cur)> reportPeak;
    // The problem lines of a failed fit, in order.
    std::function<void(const std::vector<std::string>& lines)> problemLines;
    // Asked before each peak is reported and stored; true ends the pass there.
    std::function<bool()> stopRequested;
};

// Where the fits of a pass run: on the calling thread alone, or on it and one helper thread (both
// cores). Results, reports and the fit context left behind are the same either way.
enum class PassThreads { One, Two };

// Fits every peak of the slope list into one record each, in slope order. The fit state is the
// caller's context (ProblemPeakCount and FitPeakNumber start from 0). The hooks run on the
// calling thread, once per peak in peak order, with Two as well; a fit whose first step fails
// reports the values carried over from the previous peak, as in one thread.
// Answers an empty text when every peak was stored. Otherwise the records are the peaks stored so
// far, and the text says why the pass ended: "Последняя обработка прервана на пике N: ..." when
// peak N (1-based) failed, or "Последняя обработка остановлена после пика N." (N peaks stored,
// possibly 0) when stopRequested answered true.
std::string RunLastPass(const Spectrum& spectrum, const PointList& stage1, const PointList& slope,
                        PeakFitState& fit, const NumberFormat& format, PeakResults& peaks,
                        const LastPassHooks& hooks, PassThreads threads = PassThreads::One);

// The start of the answer of RunLastPass when stopRequested ended the pass.
inline constexpr const char* kLastPassStoppedText = "Последняя обработка остановлена после пика ";

// The nominal mass: the integer part, plus one when the fraction is above 0.8.
int32_t NominalMass(double mass);

struct SinglePeakResult {
    int32_t SinglePeakMass = 0;
    int32_t SinglePeakLeftIndex = 0;
    int32_t SinglePeakRightIndex = 0;
};

// Fits peak k (0-based) of the last pass again with the iteration log on; its problem lines, if
// any, carry its own number k + 1. Throws CommandError when k is not a peak of the pass.
SinglePeakResult ProcessOnePeak(const Spectrum& spectrum, const PointList& stage1,
                                const PointList& slope, const PeakResults& peaks, int32_t k,
                                PeakFitState& fit, const NumberFormat& format, FitLog& log);

}  // namespace ostrel
