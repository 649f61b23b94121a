// The 13C isotope peaks among fitted peaks: a peak 1.00336 u above a taller one, as high beside
// it as that ion's carbon atoms allow, is the taller ion's isotope peak, never an ion of its own
// to calibrate with.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ostrel {

struct IsotopeTestPeak {
    double mass = 0;  // u
    double height = 0;
    double sigmaMmu = 0;  // the standard error of the centre, mmu
    int32_t carbon = -1;  // carbon atoms of the ion the peak most likely is; −1 unknown
};

// The height ratio that a first 13C peak of an ion of `carbon` atoms can reach: 2.5 times the
// natural c·(13C/12C), so that the heights' own noise on weak peaks never lets an isotope peak
// pass, and 1 % more for the noise of the smallest.
double IsotopeRatioBound(int32_t carbon);

// For each peak (in the given order, masses ascending), the index of the taller peak whose 13C
// peak it is, or −1. Peak P is the isotope peak of a taller Q when
// - m(P) − m(Q) lies within δ of 1.0033548 u, δ = max(tolerance, 3·√(σP² + σQ²)) (the scale's
//   own error over 1 u, below 0.1 mmu, is left out), and
// - h(P)/h(Q) ≤ IsotopeRatioBound(c), c the larger carbon count known of P's and Q's ions (the
//   ion P would be stands for the same carbon skeleton), else ⌊m(Q)/12⌋, as many carbons as the
//   mass allows.
// Of several such Q the one nearest the spacing is named. A 13C2 peak is named after its 13C
// peak, which stands 1.0034 u below it and is taller.
std::vector<int32_t> IsotopeParents(std::span<const IsotopeTestPeak> peaks, double toleranceMmu);

}  // namespace ostrel
