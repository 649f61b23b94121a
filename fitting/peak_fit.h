// The four-parameter peak fit: f(x) = A + B·exp(−(k·C·(D/x − 1))²), k = 1.6651, fitted to the
// spectrum points of one peak window by Gauss-Newton steps solved with Cramer's rule.
//
// Each fit context (the worker of the last pass, the window's single-peak command) owns one
// PeakFitState, so two fits never share state.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fitting/small_matrices.h"

namespace ostrel {

class NumberFormat;

inline constexpr double kWidthFactor = 1.6651;
inline constexpr int kMaxPeakSteps = 100;
inline constexpr double kPeakStopCorrection = 1e-8;
inline constexpr double kProblemPeakHeight = 1.0;  // FitHeight of a peak whose fit failed
// Below this argument std::exp gives exactly +0 (the smallest subnormal is e^-744.4), so the fast
// sums leave out the call, whose underflow path is slow.
inline constexpr double kExpIsZeroBelow = -746;

// The window and extreme values of the peak being fitted, written by the caller.
struct CurrentPeak {
    double CurLeftX = 0;
    double CurRightX = 0;
    int32_t CurLeftIndex = 0;
    int32_t CurRightIndex = -1;
    int32_t CurPointCount = 0;
    double CurTopY = 0;
    double CurCenterX = 0;
    double CurFon = 0;
    int32_t FitPeakNumber = 0;
};

// Why a fit gave up, making its peak a problem peak.
enum class FitProblem : int32_t {
    None,
    ZeroCofactor,     // a diagonal cofactor of the normal equations is 0
    ZeroDeterminant,  // the normal equations are singular
    TooFewPoints,     // four points or fewer leave no degree of freedom
    NotFinite,        // a correction, the updated parameters or their errors are not finite
};

// What the fit reads: the spectrum and stage 1 of the processing.
struct FitData {
    std::span<const double> PointX;
    std::span<const double> PointY;
    std::span<const double> Stage1X;
    std::span<const double> Stage1Y;
    bool Stage1Ascending = false;  // IsAscending(Stage1X): the level search may halve
};

struct PeakFitState {
    CurrentPeak Cur;

    // Parameters when a step starts; corrections when it ends.
    double FitA = 0, FitB = 0, FitC = 0, FitD = 0;
    // Carried over from one fit to the next.
    std::array<double, 4> PeakDiag{};
    double PeakVariance = 0;
    double PeakResidualSum = 0;

    Augmented4 PeakNormal;
    Matrix4 PeakWork;
    double NormalDet = 0;
    bool FitSingular = false;
    FitProblem Problem = FitProblem::None;  // why the last fit failed, when it did
    // The corrections of the last step the fit completed, which tell a fit stopped by the step
    // cap that had settled from one still moving.
    std::array<double, 4> LastCorrections{};
    int32_t FitIteration = 0;
    double WidthFactor = kWidthFactor;
    double RelOffset = 0;  // D/x − 1 of the point last visited
    double GaussTerm = 0;  // exp(−(k·C·RelOffset)²) of the point last visited
    double A0 = 0, B0 = 0, C0 = 0, D0 = 0;
    int32_t ProblemPeakCount = 0;

    // Results of the last fit.
    double FitCenter = 0;
    double FitResolution = 0;
    double FitHeight = 0;
    double FitBackground = 0;
    std::array<double, 4> FitErrors{};
    double FitStdErr = 0;
    int32_t FitIterations = 0;
    double FitSum = 0;
    int32_t FitPointCount = 0;
};

// Lines the fit produces; the caller decides where they go.
struct FitLog {
    std::vector<std::string> iterations;  // six lines per step, only with the log on
    std::vector<std::string> problems;    // fourteen lines per problem peak
};

// How the sums of a step are formed: Plain visits the window once per sum, as the normal
// equations are written; Fast visits it once per step and once per update. Both give the same
// bits.
enum class PeakSumForm { Plain, Fast };

// Term of point i from the parameters FitA..FitD and the scratch RelOffset, GaussTerm: kind 0..3
// the derivatives by A, B, C, D, kind 4 the residual (model minus measurement), others 0.
double PeakTerm(const PeakFitState& st, const FitData& data, int kind, int32_t i);
// Σ PeakTerm(p, i)·PeakTerm(q, i) over the window, recomputing the scratch values per point.
double PeakSum(PeakFitState& st, const FitData& data, int p, int q);

// Going right on stage 1 from the first point at or after x0, up to CurRightIndex: the x of the
// first point above the level (mode 1) or below it (other modes); Stage1X[CurRightIndex] if none.
double FindLevelCrossingX(const PeakFitState& st, const FitData& data, int32_t mode, double x0,
                          double level);
// The start value of C: centreX over the width at half the top on stage 1; 1000 without width.
double EstimateResolution(const PeakFitState& st, const FitData& data, double top, double leftX,
                          double centreX);

// One step from FitA..FitD, leaving the corrections there, or setting FitSingular and writing
// the problem log.
void FitPeakStep(PeakFitState& st, const FitData& data, const NumberFormat& format, FitLog& log,
                 PeakSumForm form = PeakSumForm::Fast);

// The whole fit. Throws CommandError when the window lies outside the spectrum or stage 1.
void FitPeak(PeakFitState& st, const FitData& data, bool logIterations, double background,
             double leftX, double top, double centreX, const NumberFormat& format, FitLog& log,
             PeakSumForm form = PeakSumForm::Fast);

}  // namespace ostrel
