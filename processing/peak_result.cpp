#include "processing/peak_result.h"

#include <cmath>

namespace ostrel {

bool IsSoundFit(const PeakResult& peak) {
    const auto finite = [](double v) { return std::isfinite(v); };
    return !peak.IsProblem() && finite(peak.centre) && finite(peak.modelB) &&
           finite(peak.resolvingPower) && finite(peak.errors[1]) && finite(peak.errors[3]) &&
           peak.modelB > 0 && peak.resolvingPower > 0;
}

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

}  // namespace ostrel
