// The heavy isotopes of the elements the program knows, and the peaks they add to an ion's
// monoisotopic peak one and two mass units higher: how tall each is against the monoisotopic
// peak and where its centre lies. At the resolving power of the laboratory's instruments the
// isotopologues of one nominal shift (13C, 15N, 33S, 2H at +1) form one peak, so each shift is
// told as one peak: the sum of its abundances and their abundance-weighted mass offset.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "reference/elements.h"

namespace ostrel {

// One heavy isotope of an element: its nominal shift over the monoisotopic isotope (1 or 2),
// its abundance against the monoisotopic isotope's, and its exact mass offset.
struct HeavyIsotope {
    const char* label;  // "13C", "37Cl"
    int32_t shift;
    double ratio;   // abundance of this isotope / abundance of the monoisotopic one
    double offset;  // its mass − the monoisotopic isotope's mass, u
};

// Indexed by Element; up to two heavy isotopes each (none for F and P).
struct ElementIsotopes {
    std::array<HeavyIsotope, 2> heavy;
    int32_t count;
};
extern const std::array<ElementIsotopes, kElementCount> kIsotopes;

// The peak of one nominal shift: height against the monoisotopic peak and centre offset over it.
struct ShiftPeak {
    double ratio = 0;
    double offset = 0;  // u; 0 when ratio is 0
};

// The peaks at +1 and +2 u (index 1 and 2; index 0 is the monoisotopic peak itself, ratio 1).
// Terms with three or more heavy atoms are left out: they add to +3 and beyond.
struct IsotopePattern {
    std::array<ShiftPeak, 3> shift{};
    // The label of the largest contribution to each shift, "13C", "13C2", "34S"; empty for none.
    std::array<std::string, 3> label{};
};

IsotopePattern PredictIsotopes(const Formula& f);

}  // namespace ostrel
