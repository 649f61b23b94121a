#include "processing/peak_result.h"

#include <cmath>

namespace ostrel {

PeakResult ResultOfFit(const PeakFitState& fit, int32_t zone) {
    PeakResult r;
    r.leftX = fit.Cur.CurLeftX;
    r.rightX = fit.Cur.CurRightX;
    r.zone = zone;
    r.centre = fit.FitCenter;
    r.resolvingPower = fit.FitResolution;
    r.height = fit.FitHeight;
    r.background = fit.FitBackground;
    r.stdErr = fit.FitStdErr;
    r.errors = fit.FitErrors;
    r.iterations = fit.FitIterations;
    r.points = fit.FitPointCount;
    r.modelA = fit.FitA;
    r.modelB = fit.FitB;
    r.status = fit.FitSingular ? PeakStatus::Problem : PeakStatus::Fitted;
    r.problem = fit.FitSingular ? fit.Problem : FitProblem::None;
    return r;
}

FitDoubt DoubtOf(const PeakResult& p) {
    if (p.IsProblem()) return FitDoubt::None;
    for (double v : {p.centre, p.resolvingPower, p.height, p.background, p.stdErr, p.errors[0],
                     p.errors[1], p.errors[2], p.errors[3]})
        if (!std::isfinite(v)) return FitDoubt::NotFinite;
    if (p.height <= 0) return FitDoubt::HeightNotPositive;
    if (p.resolvingPower <= 0) return FitDoubt::ResolvingPowerNotPositive;
    if (p.iterations >= kMaxPeakSteps) return FitDoubt::StepCap;
    return FitDoubt::None;
}

}  // namespace ostrel
