#include "reference/reference_sets.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// Nothing is generated beyond this mass (as for the tables of "Стандартные массы"): a stray
// mass must not make the families run for ever.
constexpr double kLargestIonMass = 100000;

// The intervals sorted, clipped to the masses ions may have and joined where they overlap, so
// that every ion is generated once.
std::vector<MassInterval> Joined(std::span<const MassInterval> intervals) {
    std::vector<MassInterval> sorted;
    for (MassInterval i : intervals) {
        if (!(i.lo <= i.hi)) continue;  // also drops intervals with a NaN end
        i.lo = std::max(i.lo, 0.0);
        i.hi = std::min(i.hi, kLargestIonMass);
        if (i.lo <= i.hi) sorted.push_back(i);
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const MassInterval& a, const MassInterval& b) { return a.lo < b.lo; });
    std::vector<MassInterval> joined;
    for (const MassInterval& i : sorted) {
        if (!joined.empty() && i.lo <= joined.back().hi)
            joined.back().hi = std::max(joined.back().hi, i.hi);
        else
            joined.push_back(i);
    }
    return joined;
}

// The ions C(c) X(n), nMin(c) ≤ n ≤ nMax(c), whose mass lies in one of the intervals, ascending:
// for each carbon count the counts of the second element that can reach each interval.
template <typename NMin, typename NMax>
std::vector<ReferenceIon> FamilyIn(std::span<const MassInterval> intervals, Element second,
                                   NMin nMin, NMax nMax) {
    const double carbon = Info(Element::C).mass;
    const double other = Info(second).mass;
    std::vector<ReferenceIon> out;
    for (const MassInterval& in : Joined(intervals)) {
        // Carbons alone must stay below hi; the heaviest ion of c carbons must reach lo.
        for (int32_t c = 1; c * carbon <= in.hi + 1; ++c) {
            const int32_t lowest = nMin(c);
            const int32_t highest = nMax(c);
            if (c * carbon + highest * other < in.lo - 1) continue;
            const int32_t from =
                std::max(lowest, static_cast<int32_t>(std::floor((in.lo - c * carbon) / other)));
            const int32_t to =
                std::min(highest, static_cast<int32_t>(std::ceil((in.hi - c * carbon) / other)));
            for (int32_t n = from; n <= to; ++n) {
                Formula f;
                f[Element::C] = c;
                f[second] = n;
                ReferenceIon ion = IonOfFormula(f);
                if (ion.mass >= in.lo && ion.mass <= in.hi) out.push_back(std::move(ion));
            }
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ReferenceIon& a, const ReferenceIon& b) { return a.mass < b.mass; });
    return out;
}

void SortByMass(std::vector<ReferenceIon>& ions) {
    std::stable_sort(ions.begin(), ions.end(),
                     [](const ReferenceIon& a, const ReferenceIon& b) { return a.mass < b.mass; });
}

}  // namespace

ReferenceIon IonOfFormula(const Formula& formula) {
    return ReferenceIon{IonMass(formula), IonText(formula), formula[Element::C]};
}

std::vector<ReferenceIon> PftbaIons() {
    static const char* const formulas[] = {
        "CF2",    "CF3",    "C2F4",   "C2F5",   "C3F5",   "C3F6",    "C3F7",    "C4F9",
        "C5F10N", "C6F12N", "C8F16N", "C9F18N", "C9F20N", "C12F22N", "C12F24N",
    };
    std::vector<ReferenceIon> ions;
    for (const char* f : formulas) ions.push_back(IonOfFormula(ParseFormula(f)));
    SortByMass(ions);
    return ions;
}

std::vector<ReferenceIon> CFIonsIn(std::span<const MassInterval> intervals) {
    return FamilyIn(
        intervals, Element::F, [](int32_t c) { return std::max(1, (c + 1) / 2); },
        [](int32_t c) { return 2 * c + 2; });
}

std::vector<ReferenceIon> CHIonsIn(std::span<const MassInterval> intervals) {
    return FamilyIn(
        intervals, Element::H, [](int32_t) { return 0; }, [](int32_t c) { return 2 * c + 3; });
}

}  // namespace ostrel
