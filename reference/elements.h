// Exact masses of ions: the monoisotopic masses of the elements the program knows, elemental
// formulas, their Hill-order texts, ion masses with the electron taken off, and rings plus
// double bonds. The automatic calibration and the composition of peaks both stand on these.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// The elements, in the order of their counts in a Formula.
enum class Element : int32_t { C, H, N, O, F, S, Cl, Br, Si, P };
inline constexpr int32_t kElementCount = 10;

struct ElementInfo {
    const char* symbol;
    double mass;      // monoisotopic, u
    int32_t valence;  // the usual valence, for rings plus double bonds
};

// Indexed by Element.
extern const std::array<ElementInfo, kElementCount> kElements;

inline constexpr double kElectronMass = 0.000548579909;
// 13C − 12C: the spacing of a carbon ion's first isotope peak.
inline constexpr double kC13Spacing = 1.0033548378;
// The natural abundance ratio 13C/12C (1.07 % of carbon is 13C).
inline constexpr double kC13PerC12 = 0.0107 / 0.9893;

inline const ElementInfo& Info(Element e) {
    return kElements[static_cast<int32_t>(e)];
}

// An elemental formula: the count of every element, all zero for the empty formula.
struct Formula {
    std::array<int32_t, kElementCount> count{};

    int32_t& operator[](Element e) { return count[static_cast<int32_t>(e)]; }
    int32_t operator[](Element e) const { return count[static_cast<int32_t>(e)]; }
    bool operator==(const Formula&) const = default;
};

// The sum of the atoms' monoisotopic masses (summed in long double, rounded once).
double NeutralMass(const Formula& f);
// The singly charged positive ion: the neutral mass less one electron.
double IonMass(const Formula& f);

// Rings plus double bonds: 1 + Σ n·(valence − 2)/2. A cation whose value ends in .5 is an
// even-electron ion (CF3+: 0.5), a whole value an odd-electron one (C2F4+: 1).
double RingsPlusDoubleBonds(const Formula& f);
bool IsEvenElectronIon(const Formula& f);

// Hill order: C, then H, then the others alphabetically; without carbon every element
// alphabetically. A count of 1 is not written. "C4F9", "C22HF32N2", "HN".
std::string HillText(const Formula& f);
// The singly charged positive ion's text: HillText and "+" ("C4F9+").
std::string IonText(const Formula& f);

// Reads "C4F9", "C4F9+", "CF3", "C2H5N" (element symbols each followed by an optional count, in
// any order, an element at most once, then an optional "+"). CommandError with a message that
// names the text otherwise.
Formula ParseFormula(std::string_view text);

}  // namespace ostrel
