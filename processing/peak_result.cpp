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
    if (!fit.FitSingular && fit.FitIterations >= kMaxPeakSteps)
        for (int k = 0; k < 4; ++k)
            r.settled = r.settled && std::fabs(fit.LastCorrections[k]) <= 0.01 * fit.FitErrors[k];
    return r;
}

FitDoubt DoubtOf(const PeakResult& p) {
    if (p.IsProblem()) return FitDoubt::None;
    for (double v : {p.centre, p.resolvingPower, p.height, p.background, p.stdErr, p.modelB,
                     p.errors[0], p.errors[1], p.errors[2], p.errors[3]})
        if (!std::isfinite(v)) return FitDoubt::NotFinite;
    if (p.modelB <= 0) return FitDoubt::AmplitudeNotPositive;
    if (p.resolvingPower <= 0) return FitDoubt::ResolvingPowerNotPositive;
    if (p.centre < p.leftX || p.centre > p.rightX) return FitDoubt::CentreOutsideWindow;
    // Within two standard errors of 0 the data do not tell the value from none.
    if (2 * p.errors[1] >= p.modelB || 2 * p.errors[2] >= p.resolvingPower)
        return FitDoubt::Undetermined;
    if (p.iterations >= kMaxPeakSteps)
        return p.settled ? FitDoubt::SettledAtCap : FitDoubt::StepCap;
    return FitDoubt::None;
}

}  // namespace ostrel
