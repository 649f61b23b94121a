// Every elemental formula of the chosen elements and ranges whose singly charged positive ion
// lies within a tolerance of a measured mass, under the rules a chemist would allow: rings plus
// double bonds at least −0.5 (odd- and even-electron ions alike) and the element ratios below.
#pragma once

#include <array>
#include <vector>

#include "reference/element_ranges.h"
#include "reference/elements.h"

namespace ostrel {

// With carbon, each other element e may have at most maxPerCarbon[e] × C + extra[e] atoms. The
// ratios are those of the "seven golden rules" (Kind and Fiehn, 2007) for 99.7 % of known
// molecules where they fit ions: H/C 3.1, N/C 1.3, O/C 1.2, Si/C 0.5, P/C 0.3. The halogens may
// reach 3 per carbon, not 1.5 or 0.8, for the perhalogenated ions CF3+, C2F5+, C3F7+, CCl3+,
// CBr3+ and the perfluoroamine fragments; S/C is 1 for CS2+. One atom more of H, O, S, Si and P
// allows the small ions that a ratio of molecules forbids: CH4+, C2H7+, CO2+, CH3S+, CS2+; N and
// the halogens need none (CN+, CF3+ lie within the ratio), and without it N-rich fragments such
// as C2H6FN3+ beside C7H7+ stay out. There is no lower limit: bare carbon ions (C3+) and
// hydrogen-poor ones are allowed. Without carbon the ratios say nothing and only the rings plus
// double bonds rule applies.
struct FormulaRules {
    double minRingsPlusDoubleBonds = -0.5;
    //                                     C  H    N    O    F  S  Cl Br Si   P
    std::array<double, kElementCount> maxPerCarbon{0, 3.1, 1.3, 1.2, 3, 1, 3, 3, 0.5, 0.3};
    std::array<int32_t, kElementCount> extra{0, 1, 0, 1, 0, 1, 0, 0, 1, 1};
};

// Whether a formula follows the rules (its counts are not checked against any range).
bool FollowsRules(const Formula& f, const FormulaRules& rules);

// The search, prepared once for a set of ranges and the largest mass asked: every combination
// of the atoms other than C and H, sorted by mass. For one combination the carbon and hydrogen
// must make up the rest R of the mass: 12c + h·mH = N + h·δ with the whole number N = 12c + h
// and δ = mH − 1 = 0.0078 u, so N lies within h·δ (at most about 1.6 u) below R, and for each
// N only the h within tolerance/δ of (R − N)/δ can do (one h below a tolerance of 3.9 mmu),
// and only when N − h is a multiple of 12. So a mass costs two or three short steps for each
// combination lighter than it, whatever the carbon range.
class FormulaSearch {
  public:
    FormulaSearch(const ElementRanges& ranges, const FormulaRules& rules, double maxIonMass);

    // Appends to out every formula of the ranges that follows the rules and whose IonMass lies
    // within tolerance (u, below 0.5) of ionMass, ordered by combination and carbon count.
    void Find(double ionMass, double tolerance, std::vector<Formula>& out) const;

  private:
    struct Combination {
        Formula atoms;       // C and H zero
        double mass;         // the atoms' monoisotopic sum
        int32_t twiceRings;  // 2 + Σ n (valence − 2) over these atoms
        int32_t minCarbon;   // the fewest carbons the ratio rules allow (with carbon)
    };
    ElementRanges ranges_;
    FormulaRules rules_;
    std::vector<Combination> combinations_;
    double heaviest_ = 0;  // the heaviest formula of the ranges
};

// The plain search: every count of every element in the ranges, one by one. Kept for the test
// that compares it with FormulaSearch; fit only for small ranges.
std::vector<Formula> FindFormulasPlain(double ionMass, double tolerance,
                                       const ElementRanges& ranges, const FormulaRules& rules);

}  // namespace ostrel
