#include "reference/composition.h"

#include <algorithm>
#include <cmath>

#include "reference/isotopes.h"
#include "state/errors.h"

namespace ostrel {

namespace {

// A problem peak within this distance of a satellite's place may hold it: its centre is not
// fitted and may lie anywhere in its window.
constexpr double kProblemPeakReach = 0.5;
// The largest shift between a satellite's nominal offset (1.00336 u a step) and its centre that
// the parent search allows before the formula's own offset is known.
constexpr double kParentSearchReach = 0.02;
// A peak where a satellite should be but this many times taller than predicted is another ion's,
// which hides the satellite: it tells nothing about the formula.
constexpr double kCoveringRatio = 3;
// What the fits leave of the relative place of two centres beside their standard errors, u.
constexpr double kPlaceFloor = 0.0001;
// A neighbour within one width of a missing satellite's place and at least this share of its
// predicted height holds it.
constexpr double kBlendShare = 0.5;
// How sharply the pass's detection height divides the peaks it shows from those it misses: a
// peak this fraction above it may still be missed (the zones are told on the smoothed curve).
constexpr double kDetectionSpread = 0.5;
// With widenByOwnError, the widest window against the tolerance: a centre known worse than
// that is not worth a longer list.
constexpr double kWidestWindow = 3;
// The farthest a satellite's fitted centre is looked for from its predicted place; the
// tolerance and the two centres' errors decide whether the nearest one within it counts.
constexpr double kSatelliteSearchReach = 0.05;

bool Usable(const ComposePeak& p) {
    return p.usable && std::isfinite(p.mass) && std::isfinite(p.height) && p.height > 0 &&
           std::isfinite(p.massError) && std::isfinite(p.heightError);
}

// −z²/2 within 3 σ, then growing linearly: a neighbour that spoils one satellite costs a
// formula a few units, not everything its mass has earned.
double RobustLogLikelihood(double z) {
    const double a = std::fabs(z);
    return a <= 3 ? -0.5 * z * z : -4.5 - 3 * (a - 3);
}

struct Pass {
    std::span<const ComposePeak> peaks;
    std::vector<int32_t> byMass;    // indexes of usable peaks, ascending mass
    std::vector<int32_t> problems;  // indexes of the others with a finite mass, ascending
    double detection = 0;           // the lowest height the pass shows
    double detectionError = 0;      // the height error at that level
    double floor = 0;               // calibration floor, u
    double ratioFloor = 0;
    double tolerance = 0;  // u
};

Pass DescribePass(std::span<const ComposePeak> peaks, const ComposeOptions& o) {
    Pass pass;
    pass.peaks = peaks;
    for (int32_t i = 0; i < static_cast<int32_t>(peaks.size()); ++i) {
        if (Usable(peaks[i]))
            pass.byMass.push_back(i);
        else if (std::isfinite(peaks[i].mass))
            pass.problems.push_back(i);
    }
    const auto ascending = [&](int32_t a, int32_t b) {
        return peaks[a].mass < peaks[b].mass || (peaks[a].mass == peaks[b].mass && a < b);
    };
    std::sort(pass.byMass.begin(), pass.byMass.end(), ascending);
    std::sort(pass.problems.begin(), pass.problems.end(), ascending);
    int32_t lowest = -1;
    for (int32_t i : pass.byMass)
        if (lowest < 0 || peaks[i].height < peaks[lowest].height) lowest = i;
    if (lowest >= 0) {
        pass.detection = peaks[lowest].height;
        pass.detectionError = peaks[lowest].heightError;
    }
    if (o.detectionHeight > 0) pass.detection = o.detectionHeight;
    pass.floor = o.calibrationFloorMmu / 1000;
    pass.ratioFloor = o.ratioFloor;
    pass.tolerance = o.toleranceMmu / 1000;
    return pass;
}

// The usable peak nearest to mass within reach, other than self; −1 for none.
int32_t NearestPeak(const Pass& pass, double mass, double reach, int32_t self) {
    const auto& peaks = pass.peaks;
    auto it = std::lower_bound(pass.byMass.begin(), pass.byMass.end(), mass - reach,
                               [&](int32_t i, double m) { return peaks[i].mass < m; });
    int32_t best = -1;
    for (; it != pass.byMass.end() && peaks[*it].mass <= mass + reach; ++it) {
        if (*it == self) continue;
        if (best < 0 || std::fabs(peaks[*it].mass - mass) < std::fabs(peaks[best].mass - mass))
            best = *it;
    }
    return best;
}

bool ProblemPeakNear(const Pass& pass, double mass) {
    const auto& peaks = pass.peaks;
    auto it = std::lower_bound(pass.problems.begin(), pass.problems.end(), mass - kProblemPeakReach,
                               [&](int32_t i, double m) { return peaks[i].mass < m; });
    return it != pass.problems.end() && peaks[*it].mass <= mass + kProblemPeakReach;
}

double RelativeSquare(double error, double value) {
    return value > 0 ? (error / value) * (error / value) : 0;
}

// Whether satellite s lies where peak p's satellite should: both centres shift alike with the
// calibration, so only the tolerance and their own errors separate them.
bool AtSatellitePlace(const Pass& pass, const ComposePeak& p, const ComposePeak& s,
                      double predictedMass) {
    return std::fabs(s.mass - predictedMass) <=
           pass.tolerance + 3 * std::hypot(p.massError, s.massError);
}

// The log-likelihood of the satellite's place against the main peak's, where the formula puts
// it: the heavy isotopes' own mass defects (15N lies 6.3 mmu below 13C) make it a weak witness
// of the composition beside the heights.
double PlaceLogLikelihood(const ComposePeak& p, const ComposePeak& s, double predictedMass,
                          double& z) {
    const double sigma = std::sqrt(p.massError * p.massError + s.massError * s.massError +
                                   kPlaceFloor * kPlaceFloor);
    z = (s.mass - predictedMass) / sigma;
    return RobustLogLikelihood(z);
}

// Compares the observed height ratio of satellite s over peak p with the predicted one. When
// the question is whether p has a satellite, a peak far taller than one covers its place; when
// it is whether s is a satellite, such a peak is not.
enum class Question { SatelliteOfThisPeak, ThisPeakASatellite };
void CompareRatio(const Pass& pass, const ComposePeak& p, const ComposePeak& s, Question question,
                  SatelliteCheck& check) {
    const double observed = s.height / p.height;
    const double predicted = check.predictedRatio;
    const double variance =
        observed * observed *
            (RelativeSquare(s.heightError, s.height) + RelativeSquare(p.heightError, p.height)) +
        (pass.ratioFloor * predicted) * (pass.ratioFloor * predicted);
    check.observedRatio = observed;
    check.observedRatioError = std::sqrt(variance);
    check.z = variance > 0 ? (observed - predicted) / std::sqrt(variance) : 0;
    if (question == Question::SatelliteOfThisPeak && check.z > 3 &&
        observed > kCoveringRatio * predicted) {
        // Another ion's peak, far taller than the satellite could be, lies on its place.
        check.state = SatelliteState::Covered;
        return;
    }
    check.logLikelihood = RobustLogLikelihood(check.z);
    check.consistent = std::fabs(check.z) <= 3;
}

// The satellite of peak self at one shift, for a formula whose pattern is given.
SatelliteCheck CheckSatellite(const Pass& pass, int32_t self, const IsotopePattern& pattern,
                              int32_t shift) {
    const ComposePeak& p = pass.peaks[self];
    SatelliteCheck check;
    check.shift = shift;
    check.label =
        pattern.label[shift].empty() ? "M+" + std::to_string(shift) : pattern.label[shift];
    check.predictedRatio = pattern.shift[shift].ratio;
    check.predictedMass = p.mass + pattern.shift[shift].offset;
    if (check.predictedRatio <= 0) {
        check.state = SatelliteState::NotExpected;
        return check;
    }
    const int32_t s = NearestPeak(pass, check.predictedMass, kSatelliteSearchReach, self);
    if (s >= 0 && AtSatellitePlace(pass, p, pass.peaks[s], check.predictedMass)) {
        check.state = SatelliteState::Found;
        check.peak = s;
        CompareRatio(pass, p, pass.peaks[s], Question::SatelliteOfThisPeak, check);
        if (check.state == SatelliteState::Found)
            check.logLikelihood +=
                PlaceLogLikelihood(p, pass.peaks[s], check.predictedMass, check.placeZ);
        return check;
    }
    if (ProblemPeakNear(pass, check.predictedMass)) {
        check.state = SatelliteState::HiddenByProblem;
        return check;
    }
    const double predictedHeight = check.predictedRatio * p.height;
    if (p.resolvingPower > 0) {
        // Unresolved from a neighbour (13C-C6H5+ 4.5 mmu from C6H6+ at R = 3000), the satellite
        // is part of that neighbour's fitted peak.
        const int32_t b = NearestPeak(pass, check.predictedMass, p.mass / p.resolvingPower, self);
        if (b >= 0 && pass.peaks[b].height >= kBlendShare * predictedHeight) {
            check.state = SatelliteState::Covered;
            check.peak = b;
            return check;
        }
    }
    const double excess = predictedHeight - pass.detection;
    const double sigma = std::sqrt(std::pow(kDetectionSpread * pass.detection, 2) +
                                   pass.detectionError * pass.detectionError +
                                   std::pow(pass.ratioFloor * predictedHeight, 2) +
                                   std::pow(check.predictedRatio * p.heightError, 2));
    check.z = sigma > 0 ? std::max(0.0, excess) / sigma : (excess > 0 ? 1e9 : 0);
    check.state = excess > 0 ? SatelliteState::Missing : SatelliteState::NotExpected;
    check.logLikelihood = RobustLogLikelihood(check.z);
    check.consistent = check.z <= 3;
    return check;
}

double MassLogLikelihood(const Pass& pass, const ComposePeak& p, double errorU) {
    const double sigma = std::hypot(p.massError, pass.floor);
    const double z = sigma > 0 ? errorU / sigma : 0;
    return -0.5 * z * z;
}

void FillMassTerms(const Pass& pass, const ComposePeak& p, CompositionCandidate& c) {
    const double error = p.mass - c.ionMass;
    c.errorMmu = error * 1000;
    c.errorPpm = error / c.ionMass * 1e6;
    c.ringsPlusDoubleBonds = RingsPlusDoubleBonds(c.formula);
    c.evenElectron = IsEvenElectronIon(c.formula);
    c.massLogLikelihood = MassLogLikelihood(pass, p, error);
}

CompositionCandidate IonCandidate(const Pass& pass, int32_t self, const Formula& f) {
    const ComposePeak& p = pass.peaks[self];
    CompositionCandidate c;
    c.formula = f;
    c.ionMass = IonMass(f);
    FillMassTerms(pass, p, c);
    const IsotopePattern pattern = PredictIsotopes(f);
    c.score = c.massLogLikelihood;
    for (int32_t shift = 1; shift <= 2; ++shift) {
        c.satellites[shift - 1] = CheckSatellite(pass, self, pattern, shift);
        c.score += c.satellites[shift - 1].logLikelihood;
    }
    return c;
}

bool Better(const CompositionCandidate& a, const CompositionCandidate& b) {
    if (a.score != b.score) return a.score > b.score;
    if (std::fabs(a.errorMmu) != std::fabs(b.errorMmu))
        return std::fabs(a.errorMmu) < std::fabs(b.errorMmu);
    if (a.isotopeShift != b.isotopeShift) return a.isotopeShift < b.isotopeShift;
    return HillText(a.formula) < HillText(b.formula);
}

void Rank(std::vector<CompositionCandidate>& list, int32_t keep) {
    std::sort(list.begin(), list.end(), Better);
    if (static_cast<int32_t>(list.size()) > keep) list.resize(std::max(0, keep));
    double sum = 0;
    const double top = list.empty() ? 0 : list.front().score;
    for (const auto& c : list) sum += std::exp(c.score - top);
    for (auto& c : list) c.share = std::exp(c.score - top) / sum;
}

// The hypothesis that peak self is the satellite at +shift of peak parent, whose ion is f.
bool IsotopologueCandidate(const Pass& pass, int32_t self, int32_t parent, const Formula& f,
                           int32_t shift, CompositionCandidate& c) {
    const ComposePeak& p = pass.peaks[self];
    const ComposePeak& q = pass.peaks[parent];
    const IsotopePattern pattern = PredictIsotopes(f);
    const ShiftPeak& sp = pattern.shift[shift];
    if (sp.ratio <= 0) return false;
    c = CompositionCandidate{};
    c.formula = f;
    c.isotopeShift = shift;
    c.isotopeLabel = pattern.label[shift];
    c.parentPeak = parent;
    c.ionMass = IonMass(f) + sp.offset;
    SatelliteCheck& check = c.satellites[0];
    check.shift = shift;
    check.label = c.isotopeLabel;
    check.predictedRatio = sp.ratio;
    check.predictedMass = q.mass + sp.offset;
    // Recognised where the parent's own check finds its satellite: the place relative to the
    // parent decides, not the calibration, so the error against the exact mass may exceed the
    // tolerance by the two centres' uncertainty.
    if (!AtSatellitePlace(pass, q, p, check.predictedMass)) return false;
    FillMassTerms(pass, p, c);
    c.massLogLikelihood = PlaceLogLikelihood(q, p, check.predictedMass, check.placeZ);
    check.state = SatelliteState::Found;
    check.peak = self;
    CompareRatio(pass, q, p, Question::ThisPeakASatellite, check);
    c.score = c.massLogLikelihood + check.logLikelihood + kIsotopologuePrior;
    return true;
}

}  // namespace

std::vector<PeakComposition> ComposePeaks(std::span<const ComposePeak> peaks,
                                          const ComposeOptions& options) {
    if (!(options.toleranceMmu > 0 && options.toleranceMmu <= kMaxToleranceMmu))
        throw CommandError("Допуск массы должен быть больше 0 и не больше " +
                           std::to_string(static_cast<int32_t>(kMaxToleranceMmu)) + " mmu.");
    const Pass pass = DescribePass(peaks, options);
    std::vector<PeakComposition> out(peaks.size());
    if (pass.byMass.empty()) return out;
    const double widest = options.widenByOwnError ? kWidestWindow * pass.tolerance : pass.tolerance;
    const FormulaSearch search(options.elements, options.rules,
                               peaks[pass.byMass.back()].mass + widest);
    std::vector<Formula> found;
    // Each peak as an ion of its own.
    for (int32_t i : pass.byMass) {
        PeakComposition& pc = out[i];
        pc.usable = true;
        found.clear();
        double window = pass.tolerance;
        if (options.widenByOwnError)
            window =
                std::min(widest, std::max(window, 3 * std::hypot(peaks[i].massError, pass.floor)));
        pc.windowMmu = window * 1000;
        search.Find(peaks[i].mass, window, found);
        pc.foundWithinTolerance = static_cast<int32_t>(found.size());
        pc.candidates.reserve(found.size());
        for (const Formula& f : found) pc.candidates.push_back(IonCandidate(pass, i, f));
        Rank(pc.candidates, options.maxCandidates);
    }
    // Each peak as the satellite of a lighter peak's best ion, in ascending mass so that a
    // parent's own answer is final when a heavier peak asks it. A parent that is itself a
    // satellite is not asked: the peak of 13C2 is the +2 satellite of the ion, not the +1 of
    // its 13C peak.
    for (int32_t i : pass.byMass) {
        PeakComposition& pc = out[i];
        bool added = false;
        for (int32_t shift = 1; shift <= 2; ++shift) {
            const double near = peaks[i].mass - shift * kC13Spacing;
            const int32_t parent = NearestPeak(pass, near, kParentSearchReach, i);
            if (parent < 0) continue;
            const PeakComposition& q = out[parent];
            if (q.candidates.empty() || q.candidates.front().isotopeShift != 0) continue;
            CompositionCandidate c;
            if (IsotopologueCandidate(pass, i, parent, q.candidates.front().formula, shift, c)) {
                pc.candidates.push_back(std::move(c));
                added = true;
            }
        }
        if (added) Rank(pc.candidates, options.maxCandidates);
    }
    return out;
}

std::string CandidateText(const CompositionCandidate& c) {
    if (c.isotopeShift == 0) return IonText(c.formula);
    return c.isotopeLabel + "-" + IonText(c.formula);
}

}  // namespace ostrel
