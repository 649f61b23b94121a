// The automatic calibration, step by step, with its numerics:
//
// 1. Peaks. A row takes part when it is usable, its mass finite and positive and its height
//    positive. Its stated error e (mmu) is the fit's standard error of the centre; when the
//    table gives none, (tol/3)·√(h_max/h), at most tol: the height stands in for it. Its own
//    error σ = √(e² + 0.1²), 0.1 mmu being what the peak shape lets a centre reach. A peak with
//    e above the tolerance is not paired; it still counts as a possible parent of an isotope.
// 2. Candidates. A peak's candidate ions lie within maxOffset + maxPpm·m/1000 + tol (mmu) of
//    its mass; a candidate's deviation is d = (ion − peak)·1000 mmu.
// 3. Vote. The deviation is modelled as d = c0 + β·(m − m0) (m0 the middle of the peaks'
//    masses, β = ppm/1000). With W = max(tol, 1 mmu), for β on a grid over ±maxPpm (steps of at
//    most 2 ppm and of at most 1000·W/span, so that the grid costs at most W/4 at the ends of the
//    masses; never below 0.05 ppm, nor more than 2001 steps) every candidate votes for
//    c0 = d − β(m − m0) in bins of W/4 with the kernel w·(1 − (r/W)²), w = √(h/h_max), each peak
//    counting once in a bin, with its best candidate.
//    The local maxima of each row of bins (four at most) make the hypotheses, best first; of
//    hypotheses that lie within W of a better one at both ends of the masses only the better
//    stays, eight at most, and only those with at least a quarter of the best vote are refined.
// 4. Refinement of a hypothesis. Isotope peaks are set aside (isotope_peaks.h, with the carbon
//    counts of the candidates nearest the hypothesis). Then, until the choice stops changing
//    (30 rounds at most): each peak takes its candidate nearest the curve, kept when |r| ≤ tol
//    and |r| ≤ 3·s·σ; an ion claimed by several peaks goes to the tallest; the curve is the
//    least-squares fit with weights 1/σ²; s = max(1, 1.4826·median |r|/σ) over the peaks within
//    tol (their spread in units of their own errors, robust to the outliers it is to find).
//    A line first; a parabola when the F-test of the parabola against the line on the chosen
//    pairs (four at least) gives p < 0.01, and then the rounds again with the parabola (kept
//    when its curvature stays significant). The hypothesis whose pairs score most,
//    Σ w·(1 − (r/tol)²), wins: the agreed curve.
// 5. Refusal when fewer than three pairs agree, or when s > 5: the pairs then disagree far
//    beyond what the peaks' own errors allow.
// 6. The fit to run. Each pair's real error is taken from the residuals: σ² = f² + k²e² by
//    maximum likelihood (spread_model.h) with six pairs or more (k ≥ 1 for errors the fits
//    stated, ≥ 0.01 for errors made up from the heights), s·σ with fewer. The user's line
//    passes through the first and the last pair only: the end pairs are those whose line has
//    the least mean square error over the peaks' masses (its variance and, for a curved agreed
//    curve, its chord's bias), and the pairs between them stay. The user's parabola weighs every
//    pair alike: the pairs are taken from the most precise on while that lowers the mean square
//    error of the unweighted parabola (the most pairs within 2 % of its least). A parabola only
//    when the pairs span the peaks (four at least, over 60 % of the peaks' mass range, one in the
//    middle third of their own span) and either the curvature is significant or the parabola's
//    expected error is at most half the line's (the line's ends are weak); otherwise a line.
// 7. The chosen fit is made by the user's own routines (PodobratParabolaLine, PodobratParabola)
//    from the points the calibration list gives, and each pair's residual is taken after its
//    mass moves as RecalculateMasses moves it.
#include "reference/auto_pairing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fitting/applied_curve_error.h"
#include "fitting/f_test.h"
#include "fitting/spread_model.h"
#include "fitting/weighted_polynomial.h"
#include "reference/calibration_list.h"
#include "reference/isotope_peaks.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

// The numbers of the steps above.
constexpr double kCentreFloorMmu = 0.1;
constexpr double kOutlierSigmas = 3;
constexpr double kLargestScatter = 5;
constexpr double kCurvatureP = 0.01;
constexpr int kHypotheses = 8;
constexpr size_t kSpreadModelPairs = 6;
constexpr int kMaximaPerRow = 4;
constexpr double kWeakestHypothesis = 0.25;
constexpr int kRefineRounds = 30;
constexpr double kSpanShare = 0.6;
constexpr double kParabolaGain = 0.5;
constexpr double kSubsetSlack = 1.02;
constexpr double kLargestStepPpm = 2;
constexpr double kNarrowestStepPpm = 0.05;
constexpr double kNarrowestVote = 1;  // mmu
constexpr int kMostRows = 2001;
constexpr double kMadToSigma = 1.4826;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Peak {
    int32_t row = 0;
    double mass = 0;
    double height = 0;
    double own = 0;       // the fit's error of the centre, or what stands in for it, mmu
    bool madeUp = false;  // own comes from the height, the table stating none
    double sigma = 0;     // own error with the floor, mmu
    double vote = 0;      // √(h/h_max)
    bool pairable = false;
};

struct Candidate {
    int32_t ion = 0;  // into the ions given
    double dev = 0;   // mmu
};

// d = c0 + c1·(m − centre) + c2·(m − centre)², mmu over u.
struct Model {
    double centre = 0;
    double c0 = 0, c1 = 0, c2 = 0;
    int degree = 1;

    double At(double m) const {
        const double t = m - centre;
        return c0 + t * (c1 + t * c2);
    }
};

struct Chosen {
    int32_t peak = 0;  // into Problem::peaks
    int32_t ion = 0;
    double dev = 0;
    double off = 0;  // dev − curve
    bool operator==(const Chosen& o) const { return peak == o.peak && ion == o.ion; }
};

struct Problem {
    std::vector<Peak> peaks;  // ascending mass
    std::vector<Candidate> candidates;
    std::vector<int32_t> first;  // candidates of peak k: [first[k], first[k + 1])
    std::span<const ReferenceIon> ions;
    double tol = 0;
    double lo = 0, hi = 0, centre = 0;
};

struct Selection {
    std::vector<Chosen> chosen;    // ascending peak
    std::vector<Chosen> outliers;  // within tol, beyond 3·s·σ
    std::vector<Chosen> taken;     // the ion went to a taller peak
};

struct Refined {
    bool ok = false;
    Model model;
    Selection selection;
    std::vector<int32_t> isotopeOf;  // per peak, −1 or the parent peak
    double scatter = 1;
    double curvatureP = 1;
    double score = 0;
    size_t count = 0;  // pairs found, also when too few
};

// The candidate of peak k nearest the curve; false when it has none.
bool Nearest(const Problem& pr, const Model& m, int32_t k, Chosen& out) {
    const double curve = m.At(pr.peaks[k].mass);
    bool found = false;
    for (int32_t c = pr.first[k]; c < pr.first[k + 1]; ++c) {
        const double off = pr.candidates[c].dev - curve;
        if (!found || std::fabs(off) < std::fabs(out.off)) {
            out = Chosen{k, pr.candidates[c].ion, pr.candidates[c].dev, off};
            found = true;
        }
    }
    return found;
}

Selection Select(const Problem& pr, const Model& m, const std::vector<int32_t>& isotopeOf,
                 double scatter) {
    std::vector<Chosen> within;
    Selection s;
    for (int32_t k = 0; k < static_cast<int32_t>(pr.peaks.size()); ++k) {
        Chosen c;
        if (isotopeOf[k] >= 0 || !Nearest(pr, m, k, c) || std::fabs(c.off) > pr.tol) continue;
        if (std::fabs(c.off) > kOutlierSigmas * scatter * pr.peaks[k].sigma)
            s.outliers.push_back(c);
        else
            within.push_back(c);
    }
    // One peak an ion: the tallest keeps it (a shoulder or a noise peak beside an ion peak may
    // lie nearer the curve by chance, never the ion's own peak).
    std::vector<size_t> order(within.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (within[a].ion != within[b].ion) return within[a].ion < within[b].ion;
        return pr.peaks[within[a].peak].height > pr.peaks[within[b].peak].height;
    });
    std::vector<bool> keep(within.size(), false);
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && within[order[i]].ion == within[order[i - 1]].ion)
            s.taken.push_back(within[order[i]]);
        else
            keep[order[i]] = true;
    }
    for (size_t i = 0; i < within.size(); ++i)
        if (keep[i]) s.chosen.push_back(within[i]);
    auto byPeak = [](const Chosen& a, const Chosen& b) { return a.peak < b.peak; };
    std::sort(s.taken.begin(), s.taken.end(), byPeak);
    return s;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    const size_t n = v.size();
    std::nth_element(v.begin(), v.begin() + n / 2, v.end());
    const double upper = v[n / 2];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + n / 2) + upper) / 2;
}

// s over the peaks within tol of the curve (outliers included, isotopes not).
double Scatter(const Problem& pr, const Model& m, const std::vector<int32_t>& isotopeOf) {
    std::vector<double> z;
    for (int32_t k = 0; k < static_cast<int32_t>(pr.peaks.size()); ++k) {
        Chosen c;
        if (isotopeOf[k] >= 0 || !Nearest(pr, m, k, c) || std::fabs(c.off) > pr.tol) continue;
        z.push_back(std::fabs(c.off) / pr.peaks[k].sigma);
    }
    return std::max(1.0, kMadToSigma * Median(std::move(z)));
}

std::optional<WeightedPolynomial> FitChosen(const Problem& pr, const std::vector<Chosen>& chosen,
                                            int degree) {
    std::vector<double> x, y, w;
    for (const Chosen& c : chosen) {
        const Peak& p = pr.peaks[c.peak];
        x.push_back(p.mass);
        y.push_back(c.dev);
        w.push_back(1 / (p.sigma * p.sigma));
    }
    return FitWeightedPolynomial(x, y, w, degree, pr.centre);
}

Model ModelOf(const WeightedPolynomial& p) {
    return Model{p.centre, p.c[0], p.c[1], p.degree == 2 ? p.c[2] : 0, p.degree};
}

// Rounds of choice and fit of one degree from a start curve.
bool Rounds(const Problem& pr, Model& model, const std::vector<int32_t>& isotopeOf, Selection& sel,
            double& scatter, size_t& count) {
    sel = Select(pr, model, isotopeOf, kInfinity);
    for (int round = 0; round < kRefineRounds; ++round) {
        count = sel.chosen.size();
        if (count < 3) return false;
        const auto fit = FitChosen(pr, sel.chosen, model.degree);
        if (!fit) return false;
        model = ModelOf(*fit);
        scatter = Scatter(pr, model, isotopeOf);
        Selection next = Select(pr, model, isotopeOf, scatter);
        const bool same = next.chosen == sel.chosen;
        sel = std::move(next);
        if (same) break;
    }
    count = sel.chosen.size();
    return count >= 3;
}

double CurvatureP(const Problem& pr, const std::vector<Chosen>& chosen) {
    const int n = static_cast<int>(chosen.size());
    if (n < 4) return 1;
    const auto line = FitChosen(pr, chosen, 1);
    const auto parabola = FitChosen(pr, chosen, 2);
    if (!line || !parabola) return 1;
    const double gain = line->chiSquare - parabola->chiSquare;
    if (!(gain > 0)) return 1;
    if (!(parabola->chiSquare > 0)) return 0;
    return FTestTail(gain / (parabola->chiSquare / (n - 3)), 1, n - 3);
}

std::vector<int32_t> IsotopesUnder(const Problem& pr, const Model& m) {
    std::vector<IsotopeTestPeak> test(pr.peaks.size());
    for (int32_t k = 0; k < static_cast<int32_t>(pr.peaks.size()); ++k) {
        const Peak& p = pr.peaks[k];
        test[k] = IsotopeTestPeak{p.mass, p.height, p.sigma, -1};
        Chosen c;
        if (Nearest(pr, m, k, c) && std::fabs(c.off) <= pr.tol)
            test[k].carbon = pr.ions[c.ion].carbon;
    }
    return IsotopeParents(test, pr.tol);
}

Refined Refine(const Problem& pr, Model start) {
    Refined r;
    r.isotopeOf = IsotopesUnder(pr, start);
    r.model = start;
    if (!Rounds(pr, r.model, r.isotopeOf, r.selection, r.scatter, r.count)) return r;
    r.ok = true;
    r.curvatureP = CurvatureP(pr, r.selection.chosen);
    const auto parabola = FitChosen(pr, r.selection.chosen, 2);
    if (r.curvatureP < kCurvatureP && parabola) {
        Refined curved = r;
        curved.model = ModelOf(*parabola);
        if (Rounds(pr, curved.model, curved.isotopeOf, curved.selection, curved.scatter,
                   curved.count)) {
            curved.curvatureP = CurvatureP(pr, curved.selection.chosen);
            if (curved.curvatureP < kCurvatureP) r = std::move(curved);
        }
    }
    for (const Chosen& c : r.selection.chosen) {
        const double q = c.off / pr.tol;
        r.score += pr.peaks[c.peak].vote * (1 - q * q);
    }
    return r;
}

struct Hypothesis {
    double score = 0;
    double c0 = 0;
    double slope = 0;  // mmu per u
};

std::vector<Hypothesis> Vote(const Problem& pr, double maxOffset, double maxPpm) {
    const double tol = std::max(pr.tol, kNarrowestVote);
    const double span = std::max(pr.hi - pr.lo, 1.0);
    const double stepLimit =
        std::max(kNarrowestStepPpm, std::min(kLargestStepPpm, 1000 * tol / span));
    const int rows =
        maxPpm > 0 ? std::min(kMostRows, static_cast<int>(std::ceil(2 * maxPpm / stepLimit)) + 1)
                   : 1;
    const double step = rows > 1 ? 2 * maxPpm / (rows - 1) : 0;
    const double width = tol / 4;  // kernel half-width: four bins
    const int bins = static_cast<int>(std::ceil((2 * maxOffset + 2 * tol) / width)) + 1;
    std::vector<double> acc(bins), last(bins);
    std::vector<int32_t> voter(bins);
    std::vector<Hypothesis> maxima;
    for (int row = 0; row < rows; ++row) {
        const double slope = (-maxPpm + row * step) / 1000;
        const double base = slope * pr.centre - maxOffset - tol;
        std::fill(acc.begin(), acc.end(), 0.0);
        std::fill(voter.begin(), voter.end(), -1);
        for (int32_t k = 0; k < static_cast<int32_t>(pr.peaks.size()); ++k) {
            const Peak& p = pr.peaks[k];
            const double tilt = slope * (p.mass - pr.centre);
            for (int32_t c = pr.first[k]; c < pr.first[k + 1]; ++c) {
                const double u = (pr.candidates[c].dev - tilt - base) / width;
                const int from = std::max(0, static_cast<int>(std::ceil(u - 4)));
                const int to = std::min(bins - 1, static_cast<int>(std::floor(u + 4)));
                for (int j = from; j <= to; ++j) {
                    const double q = (j - u) / 4;
                    const double value = p.vote * (1 - q * q);
                    if (voter[j] == k) {
                        if (value > last[j]) {
                            acc[j] += value - last[j];
                            last[j] = value;
                        }
                    } else {
                        voter[j] = k;
                        last[j] = value;
                        acc[j] += value;
                    }
                }
            }
        }
        std::vector<Hypothesis> inRow;
        for (int j = 0; j < bins; ++j) {
            if (!(acc[j] > 0)) continue;
            if (j > 0 && acc[j - 1] > acc[j]) continue;
            if (j + 1 < bins && acc[j + 1] >= acc[j]) continue;
            inRow.push_back(Hypothesis{acc[j], base + j * width, slope});
        }
        std::stable_sort(inRow.begin(), inRow.end(), [](const Hypothesis& a, const Hypothesis& b) {
            return a.score > b.score;
        });
        if (inRow.size() > kMaximaPerRow) inRow.resize(kMaximaPerRow);
        maxima.insert(maxima.end(), inRow.begin(), inRow.end());
    }
    std::stable_sort(maxima.begin(), maxima.end(),
                     [](const Hypothesis& a, const Hypothesis& b) { return a.score > b.score; });
    std::vector<Hypothesis> distinct;
    for (const Hypothesis& h : maxima) {
        const bool near = std::any_of(distinct.begin(), distinct.end(), [&](const Hypothesis& d) {
            const double dc = h.c0 - d.c0, ds = h.slope - d.slope;
            return std::fabs(dc + ds * (pr.lo - pr.centre)) <= tol &&
                   std::fabs(dc + ds * (pr.hi - pr.centre)) <= tol;
        });
        if (!near) distinct.push_back(h);
        if (static_cast<int>(distinct.size()) == kHypotheses) break;
    }
    return distinct;
}

CalibrationCurve CurveOf(const Model& m) {
    // a·x² + b·x + c from c0 + c1·t + c2·t², t = x − centre.
    const L x0 = m.centre;
    CalibrationCurve c;
    c.CurveA = m.c2;
    c.CurveB = static_cast<double>(L(m.c1) - 2 * L(m.c2) * x0);
    c.CurveC = static_cast<double>(L(m.c0) - L(m.c1) * x0 + L(m.c2) * x0 * x0);
    return c;
}

// The mass after "Пересчитать данные", as RecalculateMasses computes it.
double Recalculated(double x, const CalibrationCurve& c) {
    const L old = x;
    return static_cast<double>(old +
                               (L(c.CurveA) * old * old + L(c.CurveB) * old + c.CurveC) / 1000);
}

double ResidualAfter(double measured, double reference, const CalibrationCurve& c) {
    return static_cast<double>((L(reference) - Recalculated(measured, c)) * 1000);
}

bool Spans(const Problem& pr, const std::vector<Chosen>& chosen) {
    if (chosen.size() < 4) return false;
    const double first = pr.peaks[chosen.front().peak].mass;
    const double last = pr.peaks[chosen.back().peak].mass;
    if (last - first < kSpanShare * (pr.hi - pr.lo)) return false;
    const double third = (last - first) / 3;
    return std::any_of(chosen.begin(), chosen.end(), [&](const Chosen& c) {
        const double m = pr.peaks[c.peak].mass;
        return m >= first + third && m <= last - third;
    });
}

void Validate(const AutoCalibrationSettings& s) {
    if (!(s.toleranceMmu > 0 && s.toleranceMmu <= 50))
        throw CommandError(
            "Допуск автоматической калибровки должен быть больше 0 и не больше 50 mmu.");
    if (!(s.maxOffsetMmu >= 0 && s.maxOffsetMmu <= 1000) || !(s.maxPpm >= 0 && s.maxPpm <= 1000))
        throw CommandError(
            "Наибольшая ошибка шкалы для автоматической калибровки должна быть от 0 до 1000 mmu "
            "и от 0 до 1000 ppm.");
}

}  // namespace

std::vector<MassInterval> PairingWindows(std::span<const AutoCalibrationPeak> peaks,
                                         const AutoCalibrationSettings& s) {
    std::vector<MassInterval> windows;
    for (const AutoCalibrationPeak& p : peaks) {
        if (!p.usable || !std::isfinite(p.mass) || !(p.mass > 0) || !(p.height > 0)) continue;
        const double reach = (s.maxOffsetMmu + s.maxPpm * p.mass / 1000 + s.toleranceMmu) / 1000;
        windows.push_back(MassInterval{p.mass - reach, p.mass + reach});
    }
    return windows;
}

AutoCalibrationResult AutoCalibrate(std::span<const AutoCalibrationPeak> given,
                                    std::span<const ReferenceIon> ions,
                                    const AutoCalibrationSettings& settings,
                                    const NumberFormat& format) {
    Validate(settings);
    AutoCalibrationResult result;
    Problem pr;
    pr.ions = ions;
    pr.tol = settings.toleranceMmu;

    // 1. Peaks.
    double tallest = 0;
    for (const AutoCalibrationPeak& p : given)
        if (p.usable && std::isfinite(p.mass) && p.mass > 0 && p.height > 0 &&
            std::isfinite(p.height))
            tallest = std::max(tallest, p.height);
    for (int32_t row = 0; row < static_cast<int32_t>(given.size()); ++row) {
        const AutoCalibrationPeak& g = given[row];
        if (!g.usable || !std::isfinite(g.mass) || !(g.mass > 0) || !(g.height > 0) ||
            !std::isfinite(g.height) || !(g.massError >= 0) || !std::isfinite(g.massError))
            continue;
        Peak p;
        p.row = row;
        p.mass = g.mass;
        p.height = g.height;
        double own = g.massError * 1000;
        if (own == 0) {
            own = std::min(pr.tol, pr.tol / 3 * std::sqrt(tallest / g.height));
            p.madeUp = true;
        }
        p.own = own;
        p.pairable = own <= pr.tol;
        p.sigma = std::hypot(own, kCentreFloorMmu);
        p.vote = std::sqrt(g.height / tallest);
        pr.peaks.push_back(p);
    }
    std::stable_sort(pr.peaks.begin(), pr.peaks.end(),
                     [](const Peak& a, const Peak& b) { return a.mass < b.mass; });
    if (pr.peaks.empty()) {
        result.refusal =
            "Автоматическая калибровка невозможна: в таблице нет ни одного пригодного пика.";
        return result;
    }
    pr.lo = pr.peaks.front().mass;
    pr.hi = pr.peaks.back().mass;
    pr.centre = (pr.lo + pr.hi) / 2;

    // 2. Candidates, through the ions in ascending mass.
    std::vector<int32_t> byMass(ions.size());
    for (size_t i = 0; i < ions.size(); ++i) byMass[i] = static_cast<int32_t>(i);
    std::stable_sort(byMass.begin(), byMass.end(),
                     [&](int32_t a, int32_t b) { return ions[a].mass < ions[b].mass; });
    pr.first.push_back(0);
    for (const Peak& p : pr.peaks) {
        if (p.pairable) {
            const double reach =
                (settings.maxOffsetMmu + settings.maxPpm * p.mass / 1000 + pr.tol) / 1000;
            auto at = std::lower_bound(byMass.begin(), byMass.end(), p.mass - reach,
                                       [&](int32_t i, double m) { return ions[i].mass < m; });
            for (; at != byMass.end() && ions[*at].mass <= p.mass + reach; ++at) {
                // An ion listed twice is one ion: only its first entry takes a peak.
                if (at != byMass.begin() && ions[*(at - 1)].mass == ions[*at].mass) continue;
                pr.candidates.push_back(
                    Candidate{*at, static_cast<double>((L(ions[*at].mass) - p.mass) * 1000)});
            }
        }
        pr.first.push_back(static_cast<int32_t>(pr.candidates.size()));
    }

    if (pr.candidates.empty()) {
        result.refusal =
            "Автоматическая калибровка не выполнена: ни один эталонный ион не лежит так близко к "
            "пикам, как может ошибаться шкала (" +
            format.Fixed(settings.maxOffsetMmu, 0) + " mmu и " + format.Fixed(settings.maxPpm, 0) +
            " ppm). Проверьте выбор эталонных ионов.";
        return result;
    }

    // 3. Vote, 4. refinement of each hypothesis.
    Refined best;
    size_t mostFound = 0;
    const std::vector<Hypothesis> hypotheses = Vote(pr, settings.maxOffsetMmu, settings.maxPpm);
    for (const Hypothesis& h : hypotheses) {
        // hypotheses is not empty: every candidate votes.
        if (h.score < kWeakestHypothesis * hypotheses.front().score) break;
        Refined r = Refine(pr, Model{pr.centre, h.c0, h.slope, 0, 1});
        mostFound = std::max(mostFound, r.count);
        if (r.ok && (!best.ok || r.score > best.score)) {
            best = std::move(r);
            result.voteOffsetMmu = h.c0 - h.slope * pr.centre;
            result.votePpm = h.slope * 1000;
        }
    }

    // 5. Refusals.
    const NumberFormat& f = format;
    if (!best.ok) {
        result.refusal =
            "Автоматическая калибровка не выполнена: пар «пик — эталонный ион», согласных с "
            "общей поправкой шкалы, " +
            std::to_string(mostFound) +
            ", а нужно не меньше трёх. Проверьте выбор эталонных ионов или увеличьте допуск "
            "(сейчас " +
            f.Shortest(pr.tol) + " mmu).";
        return result;
    }
    result.agreed = CurveOf(best.model);
    result.agreedCurved = best.model.degree == 2;
    result.curvatureP = best.curvatureP;
    result.scatter = best.scatter;
    const std::vector<Chosen>& sel = best.selection.chosen;
    if (best.scatter > kLargestScatter) {
        L square = 0;
        for (const Chosen& c : sel) square += L(c.off) * c.off;
        result.refusal =
            "Автоматическая калибровка не выполнена: пары «пик — эталонный ион» не "
            "согласуются между собой. Их отклонения от общей кривой в " +
            f.Fixed(best.scatter, 1) +
            " раза больше, чем допускают ошибки центров пиков (среднеквадратичный остаток " +
            f.Fixed(static_cast<double>(std::sqrt(square / sel.size())), 2) +
            " mmu). Проверьте выбор эталонных ионов.";
        return result;
    }

    // 6. The fit to run and its pairs.
    const EvenMasses range{pr.lo, pr.hi};
    std::vector<double> pairError(sel.size());
    for (size_t i = 0; i < sel.size(); ++i)
        pairError[i] = best.scatter * pr.peaks[sel[i].peak].sigma;
    if (sel.size() >= kSpreadModelPairs) {
        std::vector<double> r, e;
        bool madeUp = false;
        for (const Chosen& c : sel) {
            r.push_back(c.off);
            e.push_back(pr.peaks[c.peak].own);
            madeUp |= pr.peaks[c.peak].madeUp;
        }
        result.spread =
            FitSpreadModel(r, e, best.model.degree + 1,
                           madeUp ? kSpreadFactorLeastMadeUp : kSpreadFactorLeastStated);
        for (size_t i = 0; i < sel.size(); ++i) pairError[i] = result.spread->SigmaOf(e[i]);
    }
    std::vector<size_t> precise(sel.size());
    for (size_t i = 0; i < sel.size(); ++i) precise[i] = i;
    std::stable_sort(precise.begin(), precise.end(),
                     [&](size_t a, size_t b) { return pairError[a] < pairError[b]; });
    std::vector<double> parabolaError(sel.size() + 1, kInfinity);
    UnweightedParabolaError growing(range);
    double leastParabola = kInfinity;
    for (size_t k = 0; k < sel.size(); ++k) {
        growing.Add(pr.peaks[sel[precise[k]].peak].mass, pairError[precise[k]]);
        parabolaError[k + 1] = growing.MeanSquare();
        leastParabola = std::min(leastParabola, parabolaError[k + 1]);
    }
    size_t parabolaCount = sel.size();
    while (parabolaCount > 3 && !(parabolaError[parabolaCount] <= kSubsetSlack * leastParabola))
        --parabolaCount;
    std::vector<bool> inParabola(sel.size(), false);
    for (size_t k = 0; k < parabolaCount; ++k) inParabola[precise[k]] = true;

    std::vector<double> pairMass;
    for (const Chosen& c : sel) pairMass.push_back(pr.peaks[c.peak].mass);
    const LineEnds ends =
        BestLineEnds(pairMass, pairError, best.model.degree == 2 ? best.model.c2 : 0, range);
    const size_t lineFirst = ends.first, lineLast = ends.last;
    const double leastLine = ends.meanSquare;

    const bool spans = Spans(pr, sel);
    const double share = (pr.peaks[sel.back().peak].mass - pr.peaks[sel.front().peak].mass) /
                         std::max(pr.hi - pr.lo, 1e-300);
    const std::string pText =
        best.curvatureP < 0.00001
            ? "p < " + f.Fixed(0.00001, 5)
            : "p = " + f.Fixed(best.curvatureP, best.curvatureP < 0.001 ? 5 : 3);
    if (settings.degree) {
        result.degree = *settings.degree;
        result.degreeReason =
            result.degree == CurveDegree::Line ? "Задана прямая." : "Задана парабола.";
    } else if (spans && result.agreedCurved) {
        result.degree = CurveDegree::Parabola;
        result.degreeReason = "Выбрана парабола: кривизна шкалы значима (F-тест, " + pText + ").";
    } else if (spans && parabolaError[parabolaCount] <= kParabolaGain * leastLine) {
        result.degree = CurveDegree::Parabola;
        result.degreeReason = "Выбрана парабола: концы прямой слабые — ожидаемая ошибка прямой " +
                              f.Fixed(std::sqrt(leastLine), 3) + " mmu, параболы " +
                              f.Fixed(std::sqrt(parabolaError[parabolaCount]), 3) + " mmu.";
    } else {
        result.degree = CurveDegree::Line;
        if (result.agreedCurved)
            result.degreeReason = "Выбрана прямая: кривизна шкалы значима (F-тест, " + pText +
                                  "), но пары занимают лишь " + f.Fixed(100 * share, 0) +
                                  " % диапазона масс пиков, и парабола за их пределами ненадёжна.";
        else if (sel.size() < 4)
            result.degreeReason = "Выбрана прямая: для проверки кривизны шкалы пар слишком мало.";
        else
            result.degreeReason =
                "Выбрана прямая: кривизна шкалы не значима (F-тест, " + pText + ").";
    }
    const bool line = result.degree == CurveDegree::Line;
    result.expectedErrorMmu = std::sqrt(line ? leastLine : parabolaError[parabolaCount]);

    std::vector<Chosen> used;
    for (size_t i = 0; i < sel.size(); ++i) {
        const bool keep = line ? (i >= lineFirst && i <= lineLast) : inParabola[i];
        if (keep) {
            used.push_back(sel[i]);
            continue;
        }
        result.leftOut.push_back(
            LeftOutPeak{pr.peaks[sel[i].peak].row, sel[i].ion, sel[i].dev, sel[i].off, -1,
                        line ? LeftOutReason::OutsideLineEnds : LeftOutReason::TooImprecise});
    }

    // 7. The user's fit on the pairs' calibration points, each ion's mass as the calibration
    // list shows it.
    PointList points;
    for (const Chosen& c : used) {
        const Peak& p = pr.peaks[c.peak];
        const double listed = ReferenceMassAsListed(ions[c.ion].mass, format).value;
        points.X.push_back(p.mass);
        points.Y.push_back(static_cast<double>((L(listed) - p.mass) * 1000));
    }
    try {
        if (line) {
            PodobratParabolaLine(points, result.curve);
        } else {
            ParabolaFitState state;
            PodobratParabola(points, result.curve, state);
        }
    } catch (const CommandError& e) {
        result.refusal = std::string("Автоматическая калибровка не выполнена: ") + e.what();
        return result;
    }
    for (size_t i = 0; i < used.size(); ++i) {
        const Peak& p = pr.peaks[used[i].peak];
        const ReferenceIon& ion = ions[used[i].ion];
        result.pairs.push_back(AutoCalibrationPair{p.row, used[i].ion, ion.name, p.mass, ion.mass,
                                                   points.Y[i],
                                                   ResidualAfter(p.mass, ion.mass, result.curve)});
    }

    // The rest of what the window draws.
    for (const Chosen& c : best.selection.outliers)
        result.leftOut.push_back(
            LeftOutPeak{pr.peaks[c.peak].row, c.ion, c.dev, c.off, -1, LeftOutReason::Outlier});
    for (const Chosen& c : best.selection.taken)
        result.leftOut.push_back(
            LeftOutPeak{pr.peaks[c.peak].row, c.ion, c.dev, c.off, -1, LeftOutReason::IonTaken});
    for (int32_t k = 0; k < static_cast<int32_t>(pr.peaks.size()); ++k) {
        if (best.isotopeOf[k] < 0) continue;
        LeftOutPeak out{pr.peaks[k].row,       -1, 0, 0, pr.peaks[best.isotopeOf[k]].row,
                        LeftOutReason::Isotope};
        Chosen c;
        if (Nearest(pr, best.model, k, c)) {
            out.ion = c.ion;
            out.deviationMmu = c.dev;
            out.offCurveMmu = c.off;
        }
        result.leftOut.push_back(out);
    }
    std::stable_sort(result.leftOut.begin(), result.leftOut.end(),
                     [](const LeftOutPeak& a, const LeftOutPeak& b) { return a.peak < b.peak; });
    return result;
}

std::vector<std::string> AutoCalibrationLines(std::span<const AutoCalibrationPair> pairs,
                                              const CalibrationCurve& curve,
                                              const NumberFormat& format) {
    std::vector<std::string> lines;
    lines.push_back("K\tМасса\tЭталонная масса\tИон\tДо, mmu\tПосле, mmu");
    for (const AutoCalibrationPair& p : pairs) {
        const double before = static_cast<double>((L(p.referenceMass) - p.measuredMass) * 1000);
        lines.push_back(
            std::to_string(p.peak) + "\t" + format.Fixed(p.measuredMass, 6) + "\t" +
            format.Fixed(p.referenceMass, 6) + "\t" + p.ionName + "\t" +
            format.FixedDeviation(before, 3) + "\t" +
            format.FixedDeviation(ResidualAfter(p.measuredMass, p.referenceMass, curve), 3));
    }
    return lines;
}

}  // namespace ostrel
