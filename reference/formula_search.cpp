#include "reference/formula_search.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr int32_t kC = static_cast<int32_t>(Element::C);
constexpr int32_t kH = static_cast<int32_t>(Element::H);
// The double sums of the search may differ from the exact long double ion mass by a few ulp;
// this margin lets every formula within the tolerance through to the exact test.
constexpr double kSearchMargin = 1e-7;

// floor and ceil of values well inside the 64-bit range, without the library call.
int64_t FloorInt(double x) {
    const int64_t t = static_cast<int64_t>(x);
    return t - (x < static_cast<double>(t));
}
int64_t CeilInt(double x) {
    const int64_t t = static_cast<int64_t>(x);
    return t + (x > static_cast<double>(t));
}

bool WithinTolerance(const Formula& f, double ionMass, double tolerance) {
    return std::fabs(ionMass - IonMass(f)) <= tolerance;
}

int32_t TwiceRings(const Formula& f) {
    int32_t twice = 2;
    for (int32_t e = 0; e < kElementCount; ++e) twice += f.count[e] * (kElements[e].valence - 2);
    return twice;
}

bool RatiosAllow(int32_t count, int32_t carbon, double maxPerCarbon, int32_t extra) {
    return count <= maxPerCarbon * carbon + extra + 1e-9;
}

}  // namespace

bool FollowsRules(const Formula& f, const FormulaRules& rules) {
    if (TwiceRings(f) < 2 * rules.minRingsPlusDoubleBonds - 1e-9) return false;
    const int32_t carbon = f.count[kC];
    if (carbon == 0) return true;
    for (int32_t e = 0; e < kElementCount; ++e)
        if (e != kC && !RatiosAllow(f.count[e], carbon, rules.maxPerCarbon[e], rules.extra[e]))
            return false;
    return true;
}

FormulaSearch::FormulaSearch(const ElementRanges& ranges, const FormulaRules& rules,
                             double maxIonMass)
    : ranges_(ranges), rules_(rules) {
    const double maxMass = maxIonMass + kElectronMass + 0.5;
    const AtomCountRange carbon = ranges.range[kC];
    // With carbon in every formula the ratios bound each element by the most carbon any mass
    // up to maxMass can hold.
    const int32_t mostCarbon =
        static_cast<int32_t>(std::clamp(std::floor(maxMass / 12), 0.0, double(carbon.max)));
    long double heaviest = 0;
    for (int32_t e = 0; e < kElementCount; ++e)
        heaviest += static_cast<long double>(kElements[e].mass) * ranges.range[e].max;
    heaviest_ = static_cast<double>(heaviest);
    std::vector<int32_t> others;
    for (int32_t e = 0; e < kElementCount; ++e)
        if (e != kC && e != kH && ranges.range[e].max > 0) others.push_back(e);
    Combination c{};
    // Depth-first over the other elements; a branch stops when its atoms alone outweigh maxMass.
    const auto visit = [&](auto&& self, size_t depth, long double mass) -> void {
        if (depth == others.size()) {
            c.mass = static_cast<double>(mass);
            c.twiceRings = TwiceRings(c.atoms);
            c.minCarbon = 0;
            for (int32_t e : others) {
                const int32_t beyond = c.atoms.count[e] - rules_.extra[e];
                if (beyond <= 0) continue;
                const double ratio = rules_.maxPerCarbon[e];
                const double need =
                    ratio > 0 ? std::ceil(beyond / ratio - 1e-9) : kMaxAtomCount + 1;
                c.minCarbon = std::max(
                    c.minCarbon, static_cast<int32_t>(std::min<double>(need, kMaxAtomCount + 1)));
            }
            combinations_.push_back(c);
            return;
        }
        const int32_t e = others[depth];
        const AtomCountRange r = ranges.range[e];
        for (int32_t n = r.min; n <= r.max; ++n) {
            const long double m = mass + static_cast<long double>(kElements[e].mass) * n;
            if (m > maxMass) break;
            if (carbon.min > 0 &&
                !RatiosAllow(n, mostCarbon, rules_.maxPerCarbon[e], rules_.extra[e]))
                break;
            c.atoms.count[e] = n;
            self(self, depth + 1, m);
        }
        c.atoms.count[e] = 0;
    };
    visit(visit, 0, 0.0L);
    std::sort(combinations_.begin(), combinations_.end(),
              [](const Combination& a, const Combination& b) { return a.mass < b.mass; });
}

void FormulaSearch::Find(double ionMass, double tolerance, std::vector<Formula>& out) const {
    const double mH = kElements[kH].mass;
    const double defect = mH - 1;                   // of one hydrogen atom
    const double target = ionMass + kElectronMass;  // the neutral sum of the atoms
    const double tol = tolerance + kSearchMargin;
    // Beyond every formula of the ranges (a fit gone astray) nothing can be found, and the
    // whole numbers below would not fit their type.
    if (!(target <= heaviest_ + tol)) return;
    const AtomCountRange cr = ranges_.range[kC];
    const AtomCountRange hr = ranges_.range[kH];
    const double maxHPerC = rules_.maxPerCarbon[kH];
    const int32_t extraH = rules_.extra[kH];
    const double twiceMinRings = 2 * rules_.minRingsPlusDoubleBonds - 1e-9;
    const double lightest = 12.0 * cr.min + mH * hr.min;
    const auto end =
        std::upper_bound(combinations_.begin(), combinations_.end(), target + tol - lightest,
                         [](double m, const Combination& c) { return m < c.mass; });
    for (auto it = combinations_.begin(); it != end; ++it) {
        const Combination& k = *it;
        const double rest = target - k.mass;  // for the carbon and the hydrogen
        // The most hydrogen any carbon count the rest holds allows: the range, the rings plus
        // double bonds rule (h ≤ twiceRings + 2c − 2·minRings) and the H/C ratio at the most
        // carbon.
        const double mostCarbon = std::min<double>(cr.max, rest / 12);
        const double mostH = std::min<double>(
            {static_cast<double>(hr.max), k.twiceRings - twiceMinRings + 2 * mostCarbon,
             cr.min == 0 && mostCarbon < 1 ? static_cast<double>(hr.max)
                                           : maxHPerC * mostCarbon + extraH});
        if (mostH < hr.min) continue;
        // 12c + h·mH = N + h·defect with N = 12c + h, so N lies between rest − mostH·defect and
        // rest, and for each N only the h within tol/defect of (rest − N)/defect can do.
        const int64_t nLo = CeilInt(rest - tol - mostH * defect);
        const int64_t nHi = FloorInt(rest + tol - hr.min * defect);
        for (int64_t n = nLo; n <= nHi; ++n) {
            const int64_t hLo = std::max<int64_t>(hr.min, CeilInt((rest - n - tol) / defect));
            const int64_t hHi =
                std::min<int64_t>(FloorInt(mostH), FloorInt((rest - n + tol) / defect));
            for (int64_t h = hLo; h <= hHi; ++h) {
                const int64_t twelveC = n - h;
                if (twelveC < 0 || twelveC % 12 != 0) continue;
                const int32_t c = static_cast<int32_t>(twelveC / 12);
                if (c < cr.min || c > cr.max) continue;
                if (k.twiceRings + 2 * c - h < twiceMinRings) continue;
                if (c > 0 &&
                    (c < k.minCarbon || !RatiosAllow(static_cast<int32_t>(h), c, maxHPerC, extraH)))
                    continue;
                Formula f = k.atoms;
                f.count[kC] = c;
                f.count[kH] = static_cast<int32_t>(h);
                if (WithinTolerance(f, ionMass, tolerance)) out.push_back(f);
            }
        }
    }
}

std::vector<Formula> FindFormulasPlain(double ionMass, double tolerance,
                                       const ElementRanges& ranges, const FormulaRules& rules) {
    std::vector<Formula> found;
    Formula f;
    const auto visit = [&](auto&& self, int32_t e) -> void {
        if (e == kElementCount) {
            if (FollowsRules(f, rules) && WithinTolerance(f, ionMass, tolerance))
                found.push_back(f);
            return;
        }
        for (int32_t n = ranges.range[e].min; n <= ranges.range[e].max; ++n) {
            f.count[e] = n;
            self(self, e + 1);
        }
        f.count[e] = 0;
    };
    visit(visit, 0);
    return found;
}

}  // namespace ostrel
