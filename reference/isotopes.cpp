#include "reference/isotopes.h"

namespace ostrel {

namespace {

// IUPAC representative abundances and AME masses of the same vintage as the monoisotopic masses
// of kElements; each ratio is the heavy isotope's abundance over the monoisotopic one's.
constexpr HeavyIsotope Heavy(const char* label, int32_t shift, double abundance,
                             double lightAbundance, double mass, double lightMass) {
    return {label, shift, abundance / lightAbundance, mass - lightMass};
}

}  // namespace

const std::array<ElementIsotopes, kElementCount> kIsotopes = {{
    // C
    {{{Heavy("13C", 1, 0.0107, 0.9893, 13.0033548378, 12.0), {}}}, 1},
    // H
    {{{Heavy("2H", 1, 0.000115, 0.999885, 2.0141017778, 1.00782503207), {}}}, 1},
    // N
    {{{Heavy("15N", 1, 0.00364, 0.99636, 15.0001088982, 14.0030740048), {}}}, 1},
    // O
    {{{Heavy("17O", 1, 0.00038, 0.99757, 16.99913170, 15.99491461956),
       Heavy("18O", 2, 0.00205, 0.99757, 17.9991610, 15.99491461956)}},
     2},
    // F
    {{}, 0},
    // S (36S, 0.01 %, adds to +4)
    {{{Heavy("33S", 1, 0.0075, 0.9499, 32.97145876, 31.97207100),
       Heavy("34S", 2, 0.0425, 0.9499, 33.96786690, 31.97207100)}},
     2},
    // Cl
    {{{Heavy("37Cl", 2, 0.2424, 0.7576, 36.96590259, 34.96885268), {}}}, 1},
    // Br
    {{{Heavy("81Br", 2, 0.4931, 0.5069, 80.9162906, 78.9183371), {}}}, 1},
    // Si
    {{{Heavy("29Si", 1, 0.04685, 0.92223, 28.9764947, 27.9769265325),
       Heavy("30Si", 2, 0.03092, 0.92223, 29.97377017, 27.9769265325)}},
     2},
    // P
    {{}, 0},
}};

namespace {

// A truncated pattern with the abundance-weighted offset sums (offset × ratio) kept apart, so
// that joining two patterns is a plain product of polynomials in the shift.
struct Partial {
    std::array<double, 3> ratio{1, 0, 0};
    std::array<double, 3> weighted{0, 0, 0};
};

Partial Join(const Partial& a, const Partial& b) {
    Partial out;
    for (int32_t k = 0; k < 3; ++k) {
        out.ratio[k] = 0;
        out.weighted[k] = 0;
        for (int32_t i = 0; i <= k; ++i) {
            const int32_t j = k - i;
            out.ratio[k] += a.ratio[i] * b.ratio[j];
            out.weighted[k] += a.weighted[i] * b.ratio[j] + a.ratio[i] * b.weighted[j];
        }
    }
    return out;
}

}  // namespace

IsotopePattern PredictIsotopes(const Formula& f) {
    Partial total;
    std::array<double, 3> largest{0, 0, 0};
    IsotopePattern out;
    const auto consider = [&](int32_t shift, double ratio, const std::string& label) {
        if (ratio > largest[shift]) {
            largest[shift] = ratio;
            out.label[shift] = label;
        }
    };
    for (int32_t e = 0; e < kElementCount; ++e) {
        const double n = f.count[e];
        if (n <= 0) continue;
        // n atoms, each either light or one heavy isotope: the terms of (1 + Σ r x^s)^n up to x².
        Partial atoms;
        const ElementIsotopes& iso = kIsotopes[e];
        for (int32_t i = 0; i < iso.count; ++i) {
            const HeavyIsotope& h = iso.heavy[i];
            atoms.ratio[h.shift] += n * h.ratio;
            atoms.weighted[h.shift] += n * h.ratio * h.offset;
            consider(h.shift, n * h.ratio, h.label);
            if (h.shift == 1) {
                // Two heavy atoms of this isotope: n(n−1)/2 · r².
                const double pair = n * (n - 1) / 2 * h.ratio * h.ratio;
                atoms.ratio[2] += pair;
                atoms.weighted[2] += pair * 2 * h.offset;
                consider(2, pair, std::string(h.label) + "2");
            }
        }
        // Each element has at most one isotope of shift 1; the pairs of heavy atoms of two
        // different elements come from the join.
        total = Join(total, atoms);
    }
    out.shift[0] = {1, 0};
    for (int32_t k = 1; k < 3; ++k) {
        out.shift[k].ratio = total.ratio[k];
        out.shift[k].offset = total.ratio[k] > 0 ? total.weighted[k] / total.ratio[k] : 0;
    }
    return out;
}

}  // namespace ostrel
