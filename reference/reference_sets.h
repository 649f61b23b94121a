// The reference ions of the automatic calibration: singly charged positive ions with their exact
// masses (the element table less the electron), as a fixed set (the ions of perfluorotributylamine)
// or generated families (fluorocarbon and hydrocarbon ions) over the masses where peaks lie.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reference/elements.h"

namespace ostrel {

struct ReferenceIon {
    double mass = 0;      // the singly charged ion, u
    std::string name;     // "C4F9+", or the name a list file gives, or the mass as the file has it
    int32_t carbon = -1;  // carbon atoms; −1 when the ion is known by its mass alone
};

// A stretch of masses, u, both ends included.
struct MassInterval {
    double lo = 0;
    double hi = 0;
};

// The ion of a formula: its exact mass, its Hill text with the charge, its carbon count.
ReferenceIon IonOfFormula(const Formula& formula);

// The 15 electron-ionisation ions of perfluorotributylamine (PFTBA, the usual tuning compound of
// magnetic and quadrupole instruments), CF2+ to C12F24N+, ascending.
std::vector<ReferenceIon> PftbaIons();

// Fluorocarbon ions CcFf+ with ⌈c/2⌉ ≤ f ≤ 2c + 2 whose mass lies in one of the intervals,
// ascending. The upper bound is the saturated CcF(2c+2); the lower keeps ions with at least one
// fluorine per two carbons: perfluoroalkyl, -alkenyl and -aromatic fragments (C3F3+, C6F5+,
// C10F7+) all stay, while carbon-rich nonsense such as C25F+, which would stand 19 mmu from
// C6F13+ at 331 u, is never offered.
std::vector<ReferenceIon> CFIonsIn(std::span<const MassInterval> intervals);

// Hydrocarbon ions CcHh+ with 0 ≤ h ≤ 2c + 3 (odd- and even-electron, from bare carbon clusters
// to the protonated alkane) whose mass lies in one of the intervals, ascending.
std::vector<ReferenceIon> CHIonsIn(std::span<const MassInterval> intervals);

}  // namespace ostrel
