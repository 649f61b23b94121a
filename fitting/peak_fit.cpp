#include "fitting/peak_fit.h"

#include <cmath>

#include "state/ascending_search.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

struct Parameters {
    double a, b, c, d;
};

// D/x − 1 and exp(−(k·C·(D/x − 1))²) of one point, from the current FitC and FitD.
void SetScratch(PeakFitState& st, double x) {
    st.RelOffset = static_cast<double>(L(st.FitD) / x - 1);
    const L t = L(st.WidthFactor) * st.FitC * st.RelOffset;
    st.GaussTerm = std::exp(static_cast<double>(-(t * t)));
}

double Accumulate(double sum, double p, double q) {
    return static_cast<double>(sum + L(p) * q);
}

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

void WriteProblemLog(const PeakFitState& st, int32_t completedSteps, const Parameters& start,
                     const NumberFormat& f, FitLog& log) {
    auto& out = log.problems;
    out.push_back(std::to_string(st.Cur.FitPeakNumber) + " пик");
    out.push_back(std::to_string(completedSteps) + " итерация");
    out.push_back("Начальные параметры");
    out.push_back("A0 = " + f.Shortest(st.A0));
    out.push_back("B0 = " + f.Shortest(st.B0));
    out.push_back("C0 = " + f.Shortest(st.C0));
    out.push_back("D0 = " + f.Shortest(st.D0));
    out.push_back("Текущие параметры");
    out.push_back("A = " + f.Shortest(start.a));
    out.push_back("B = " + f.Shortest(start.b));
    out.push_back("C = " + f.Shortest(start.c));
    out.push_back("D = " + f.Shortest(start.d));
    out.push_back("");
    out.push_back("");
}

void WriteIterationLog(const PeakFitState& st, const NumberFormat& f, FitLog& log) {
    auto& out = log.iterations;
    out.push_back("Итерация № " + std::to_string(st.FitIteration));
    const char* names[4] = {"A = ", "B = ", "C = ", "D = "};
    const double values[4] = {st.FitA, st.FitB, st.FitC, st.FitD};
    for (int k = 0; k < 4; ++k)
        out.push_back(names[k] + f.Shortest(values[k]) + ",  " + f.Shortest(st.FitErrors[k]));
    out.push_back("");
}

// The terms of the points of a window as SetScratch and PeakTerm form them, in three sweeps:
// D/x − 1 and the exponent of every point, then the exponentials, then the terms. The middle
// sweep holds no extended value, so the calls of std::exp need not save the x87 registers. What
// stays the same over a visit is formed once: k·C and (k·C)²·(−2)·B are the same extended
// products that PeakTerm starts with.
class FastTerms {
  public:
    FastTerms(const PeakFitState& st, const FitData& data)
        : data_(data),
          a_(st.FitA),
          b_(st.FitB),
          c_(st.FitC),
          d_(st.FitD),
          kc_(k_ * c_),
          kcc2b_(kc_ * kc_ * (-2) * b_),
          finiteParameters_(std::isfinite(a_) && std::isfinite(b_) && std::isfinite(c_)) {
        const int32_t first = st.Cur.CurLeftIndex;
        const int32_t count = st.Cur.CurRightIndex - first + 1;
        rel_.resize(count);
        gauss_.resize(count);
        for (int32_t n = 0; n < count; ++n) {
            rel_[n] = static_cast<double>(L(d_) / data.PointX[first + n] - 1);
            const L width = kc_ * rel_[n];
            gauss_[n] = static_cast<double>(-(width * width));
        }
        for (double& g : gauss_) g = g < kExpIsZeroBelow ? 0.0 : std::exp(g);
        first_ = first;
    }

    double Rel(int32_t i) const { return rel_[i - first_]; }
    double Gauss(int32_t i) const { return gauss_[i - first_]; }

    // With GaussTerm exactly 0 the terms of C and D are zeros. Their signs follow from the signs
    // of their factors (the products before the zero factor are finite, and so are the
    // parameters), so the terms are had without the division by x.
    bool ZeroTermsAt(int32_t i, double t[5]) const {
        const double x = data_.PointX[i];
        const double rel = rel_[i - first_];
        if (gauss_[i - first_] != 0 || !finiteParameters_ || !std::isfinite(rel) || x == 0)
            return false;
        t[1] = 0.0;
        // (k·rel)²·(−2)·B·0·C and (k·C)²·(−2)·B·0·rel/x: the (−2) makes the first factors
        // negative unless B is.
        const bool negativeBefore = !std::signbit(b_);
        t[2] = negativeBefore != std::signbit(c_) ? -0.0 : 0.0;
        t[3] = (negativeBefore != std::signbit(rel)) != std::signbit(x) ? -0.0 : 0.0;
        t[4] = static_cast<double>(L(b_) * 0.0 + a_ - data_.PointY[i]);
        return true;
    }

    // The terms 1..4 of point i; term 0 is 1.
    void At(int32_t i, double t[5]) const {
        const double x = data_.PointX[i];
        const double rel = rel_[i - first_];
        const double gauss = gauss_[i - first_];
        const L kr = k_ * rel;
        t[1] = gauss;
        t[2] = static_cast<double>(kr * kr * (-2) * b_ * gauss * c_);
        t[3] = static_cast<double>(kcc2b_ * gauss * rel / x);
        t[4] = static_cast<double>(L(b_) * gauss + a_ - data_.PointY[i]);
    }

  private:
    // One pair of buffers per thread, grown to the longest window seen.
    static thread_local std::vector<double> rel_, gauss_;
    const FitData& data_;
    const double a_, b_, c_, d_;
    const L k_ = kWidthFactor;
    const L kc_, kcc2b_;
    const bool finiteParameters_;
    int32_t first_ = 0;
};
thread_local std::vector<double> FastTerms::rel_, FastTerms::gauss_;

// The 14 sums of the normal equations and Σ residual² in one visit of the window, each
// accumulated in index order exactly as PeakSum accumulates it alone.
struct WindowSums {
    Augmented4 normal;
    double residual2 = 0;  // Σ residual·residual
};

WindowSums FastWindowSums(PeakFitState& st, const FitData& data) {
    st.WidthFactor = kWidthFactor;
    const FastTerms terms(st, data);
    double s10 = 0, s20 = 0, s30 = 0, s21 = 0, s31 = 0, s32 = 0;
    double s00 = 0, s11 = 0, s22 = 0, s33 = 0, s40 = 0, s41 = 0, s42 = 0, s43 = 0, s44 = 0;
    for (int32_t i = st.Cur.CurLeftIndex; i <= st.Cur.CurRightIndex; ++i) {
        double t[5];
        t[0] = 1;
        if (terms.ZeroTermsAt(i, t)) {
            // Far out in the tails every sum but three takes a product with a zero term: a
            // non-zero sum stays as it is and a zero sum takes the sign that IEEE addition gives,
            // in double as in extended precision, so a double addition serves.
            s10 += t[1] * t[0];
            s20 += t[2] * t[0];
            s30 += t[3] * t[0];
            s21 += t[2] * t[1];
            s31 += t[3] * t[1];
            s32 += t[3] * t[2];
            s00 = Accumulate(s00, t[0], t[0]);
            s11 += t[1] * t[1];
            s22 += t[2] * t[2];
            s33 += t[3] * t[3];
            s40 = Accumulate(s40, t[4], t[0]);
            s41 += t[4] * t[1];
            s42 += t[4] * t[2];
            s43 += t[4] * t[3];
            s44 = Accumulate(s44, t[4], t[4]);
            continue;
        }
        terms.At(i, t);
        s10 = Accumulate(s10, t[1], t[0]);
        s20 = Accumulate(s20, t[2], t[0]);
        s30 = Accumulate(s30, t[3], t[0]);
        s21 = Accumulate(s21, t[2], t[1]);
        s31 = Accumulate(s31, t[3], t[1]);
        s32 = Accumulate(s32, t[3], t[2]);
        s00 = Accumulate(s00, t[0], t[0]);
        s11 = Accumulate(s11, t[1], t[1]);
        s22 = Accumulate(s22, t[2], t[2]);
        s33 = Accumulate(s33, t[3], t[3]);
        s40 = Accumulate(s40, t[4], t[0]);
        s41 = Accumulate(s41, t[4], t[1]);
        s42 = Accumulate(s42, t[4], t[2]);
        s43 = Accumulate(s43, t[4], t[3]);
        s44 = Accumulate(s44, t[4], t[4]);
    }
    if (st.Cur.CurRightIndex >= st.Cur.CurLeftIndex) {
        st.RelOffset = terms.Rel(st.Cur.CurRightIndex);
        st.GaussTerm = terms.Gauss(st.Cur.CurRightIndex);
    }
    WindowSums sums;
    Augmented4& normal = sums.normal;
    normal(1, 0) = normal(0, 1) = s10;
    normal(2, 0) = normal(0, 2) = s20;
    normal(3, 0) = normal(0, 3) = s30;
    normal(2, 1) = normal(1, 2) = s21;
    normal(3, 1) = normal(1, 3) = s31;
    normal(3, 2) = normal(2, 3) = s32;
    normal(0, 0) = s00;
    normal(1, 1) = s11;
    normal(2, 2) = s22;
    normal(3, 3) = s33;
    normal(4, 0) = s40;
    normal(4, 1) = s41;
    normal(4, 2) = s42;
    normal(4, 3) = s43;
    sums.residual2 = s44;
    return sums;
}

void PlainNormalSums(PeakFitState& st, const FitData& data, Augmented4& normal) {
    for (int j = 0; j <= 2; ++j)
        for (int k = j + 1; k <= 3; ++k) normal(k, j) = normal(j, k) = PeakSum(st, data, k, j);
    for (int j = 0; j <= 3; ++j) normal(j, j) = PeakSum(st, data, j, j);
    for (int k = 0; k <= 3; ++k) normal(4, k) = PeakSum(st, data, 4, k);
}

// Σ term k·residual for k = 0..4 with the parameters in FitA..FitD, as the update writes them.
std::array<double, 5> PlainResidualSums(PeakFitState& st, const FitData& data) {
    std::array<double, 5> s{};
    for (int k = 0; k < 5; ++k) s[k] = PeakSum(st, data, k, 4);
    return s;
}

void FailStep(PeakFitState& st, FitProblem problem, int32_t completedSteps, const Parameters& start,
              const NumberFormat& format, FitLog& log) {
    st.FitSingular = true;
    st.Problem = problem;
    WriteProblemLog(st, completedSteps, start, format, log);
    st.FitA = st.FitB = st.FitC = st.FitD = 0;
}

void CheckWindow(const PeakFitState& st, const FitData& data) {
    const auto& c = st.Cur;
    const auto points = static_cast<int64_t>(data.PointX.size());
    const bool windowOk =
        c.CurRightIndex < c.CurLeftIndex || (c.CurLeftIndex >= 0 && c.CurRightIndex < points &&
                                             data.PointY.size() == data.PointX.size());
    const bool stage1Ok = c.CurRightIndex >= 0 &&
                          c.CurRightIndex < static_cast<int64_t>(data.Stage1X.size()) &&
                          data.Stage1Y.size() == data.Stage1X.size();
    if (!windowOk || !stage1Ok)
        throw CommandError("Окно пика " + std::to_string(c.CurLeftIndex) + ".." +
                           std::to_string(c.CurRightIndex) + " лежит вне спектра.");
}

}  // namespace

double PeakTerm(const PeakFitState& st, const FitData& data, int kind, int32_t i) {
    const L k = st.WidthFactor;
    switch (kind) {
        case 0:
            return 1;
        case 1:
            return st.GaussTerm;
        case 2: {
            const L kr = k * st.RelOffset;
            return static_cast<double>(kr * kr * (-2) * st.FitB * st.GaussTerm * st.FitC);
        }
        case 3: {
            const L kc = k * st.FitC;
            return static_cast<double>(kc * kc * (-2) * st.FitB * st.GaussTerm * st.RelOffset /
                                       data.PointX[i]);
        }
        case 4:
            return static_cast<double>(L(st.FitB) * st.GaussTerm + st.FitA - data.PointY[i]);
        default:
            return 0;
    }
}

double PeakSum(PeakFitState& st, const FitData& data, int p, int q) {
    st.WidthFactor = kWidthFactor;
    double sum = 0;
    for (int32_t i = st.Cur.CurLeftIndex; i <= st.Cur.CurRightIndex; ++i) {
        SetScratch(st, data.PointX[i]);
        sum = Accumulate(sum, PeakTerm(st, data, p, i), PeakTerm(st, data, q, i));
    }
    return sum;
}

double FindLevelCrossingX(const PeakFitState& st, const FitData& data, int32_t mode, double x0,
                          double level) {
    const int32_t s = FirstIndexAtOrAbove(data.Stage1X, x0, data.Stage1Ascending);
    for (int32_t j = s; j <= st.Cur.CurRightIndex; ++j) {
        const double y = data.Stage1Y[j];
        if (mode == 1 ? y > level : y < level) return data.Stage1X[j];
    }
    return data.Stage1X[st.Cur.CurRightIndex];
}

double EstimateResolution(const PeakFitState& st, const FitData& data, double top, double leftX,
                          double centreX) {
    const double level = static_cast<double>(L(top) / 2);
    const double xL = FindLevelCrossingX(st, data, 1, leftX, level);
    const double xR = FindLevelCrossingX(st, data, 0, xL, level);
    const double w = static_cast<double>(L(xR) - xL);
    return w == 0 ? 1000 : static_cast<double>(L(centreX) / w);
}

namespace {

// Steps 4 to 7 of a step from its normal sums.
void StepFromSums(PeakFitState& st, const Augmented4& normal, const Parameters& start,
                  const NumberFormat& format, FitLog& log) {
    st.PeakNormal = normal;
    st.PeakWork = ReplaceRow4(normal, 4);
    st.NormalDet = Det4(st.PeakWork);
    for (int k = 0; k < 4; ++k) {
        const double c = Cofactor4(st.PeakWork, k, k);
        if (c == 0)
            return FailStep(st, FitProblem::ZeroCofactor, st.FitIteration, start, format, log);
        st.PeakDiag[k] = static_cast<double>(L(st.NormalDet) / c);
    }
    if (st.NormalDet == 0)
        return FailStep(st, FitProblem::ZeroDeterminant, st.FitIteration, start, format, log);
    double corrections[4];
    for (int k = 0; k < 4; ++k) {
        st.PeakWork = ReplaceRow4(normal, k);
        corrections[k] = static_cast<double>(-L(Det4(st.PeakWork)) / st.NormalDet);
    }
    if (!AllFinite({corrections[0], corrections[1], corrections[2], corrections[3]}))
        return FailStep(st, FitProblem::NotFinite, st.FitIteration, start, format, log);
    st.FitA = corrections[0];
    st.FitB = corrections[1];
    st.FitC = corrections[2];
    st.FitD = corrections[3];
}

// One step; with carried sums (the update's sums at these very parameters) the window is not
// visited again.
void Step(PeakFitState& st, const FitData& data, const NumberFormat& format, FitLog& log,
          PeakSumForm form, const WindowSums* carried) {
    const Parameters start{st.FitA, st.FitB, st.FitC, st.FitD};
    // Four points or fewer leave no degree of freedom for the variance.
    if (st.Cur.CurPointCount <= 4)
        return FailStep(st, FitProblem::TooFewPoints, st.FitIteration, start, format, log);
    Augmented4 normal;
    if (carried)
        normal = carried->normal;
    else if (form == PeakSumForm::Plain)
        PlainNormalSums(st, data, normal);
    else
        normal = FastWindowSums(st, data).normal;
    StepFromSums(st, normal, start, format, log);
}

}  // namespace

void FitPeakStep(PeakFitState& st, const FitData& data, const NumberFormat& format, FitLog& log,
                 PeakSumForm form) {
    Step(st, data, format, log, form, nullptr);
}

void FitPeak(PeakFitState& st, const FitData& data, bool logIterations, double background,
             double leftX, double top, double centreX, const NumberFormat& format, FitLog& log,
             PeakSumForm form) {
    CheckWindow(st, data);
    st.A0 = background;
    st.B0 = static_cast<double>(L(top) - background);
    st.C0 = EstimateResolution(st, data, top, leftX, centreX);
    st.D0 = centreX;
    Parameters p{st.A0, st.B0, st.C0, st.D0};

    st.FitErrors = {0, 0, 0, 0};
    st.FitSingular = false;
    st.Problem = FitProblem::None;
    st.FitIteration = 0;
    int32_t counter = 0;
    // The fast form's update visits the window for every normal sum at the new parameters, which
    // are the next step's parameters: that step takes them over instead of visiting again.
    WindowSums updateSums;
    bool carried = false;
    while (true) {
        st.FitA = p.a;
        st.FitB = p.b;
        st.FitC = p.c;
        st.FitD = p.d;
        Step(st, data, format, log, form, carried ? &updateSums : nullptr);
        ++counter;
        st.FitIteration = counter;
        bool stop = false;
        if (!st.FitSingular) {
            const double dA = st.FitA, dB = st.FitB, dC = st.FitC, dD = st.FitD;
            st.LastCorrections = {dA, dB, dC, dD};
            if (st.FitIteration == kMaxPeakSteps) stop = true;
            if (std::fabs(dA) < kPeakStopCorrection && std::fabs(dB) < kPeakStopCorrection &&
                std::fabs(dC) < kPeakStopCorrection && std::fabs(dD) < kPeakStopCorrection)
                stop = true;
            st.FitA = static_cast<double>(L(p.a) + dA);
            st.FitB = static_cast<double>(L(p.b) + dB);
            st.FitC = static_cast<double>(L(p.c) + dC);
            st.FitD = static_cast<double>(L(p.d) + dD);

            std::array<double, 5> s;
            if (form == PeakSumForm::Plain) {
                s = PlainResidualSums(st, data);
            } else {
                updateSums = FastWindowSums(st, data);
                carried = true;
                for (int k = 0; k < 4; ++k) s[k] = updateSums.normal(4, k);
                s[4] = updateSums.residual2;
            }
            const L total = L(static_cast<double>(L(s[0]) * st.FitA)) +
                            static_cast<double>(L(s[1]) * st.FitB) +
                            static_cast<double>(L(s[2]) * st.FitC) +
                            static_cast<double>(L(s[3]) * st.FitD) + s[4];
            const double residualSum = static_cast<double>(total);
            const double variance =
                static_cast<double>(L(residualSum) / (st.Cur.CurPointCount - 4));
            std::array<double, 4> errors;
            for (int k = 0; k < 4; ++k)
                errors[k] = static_cast<double>(std::sqrt(std::fabs(L(variance) / st.PeakDiag[k])));
            if (AllFinite({st.FitA, st.FitB, st.FitC, st.FitD, residualSum, variance, errors[0],
                           errors[1], errors[2], errors[3]})) {
                st.PeakResidualSum = residualSum;
                st.PeakVariance = variance;
                st.FitErrors = errors;
                if (logIterations) WriteIterationLog(st, format, log);
            } else {
                FailStep(st, FitProblem::NotFinite, counter - 1, p, format, log);
            }
        }
        if (st.FitSingular) {
            st.FitA = 0;
            st.FitB = kProblemPeakHeight;
            st.FitC = 1000;
            st.FitD = st.D0;
            ++st.ProblemPeakCount;
            break;
        }
        if (stop) break;
        p = {st.FitA, st.FitB, st.FitC, st.FitD};
    }
    st.FitStdErr = static_cast<double>(std::sqrt(std::fabs(L(st.PeakVariance))));
    st.FitIterations = counter;
    st.FitSum = st.PeakResidualSum;
    st.FitPointCount = st.Cur.CurPointCount;
    st.FitCenter = st.FitD;
    st.FitResolution = st.FitC;
    st.FitBackground = st.FitA > 0 ? st.FitA : st.A0;
    st.FitHeight = static_cast<double>(L(st.FitB) - st.FitA);
}

}  // namespace ostrel
