// The spectrum's resolving power as a function of mass, measured on reference peaks: the fitted C
// of peaks whose fits determine it well.
#pragma once

#include <utility>
#include <vector>

namespace ostrel {

// The resolving power at a mass is read from the robust line (Theil and Sen) through the C of
// the 15 references nearest in mass, drawn again through those within 15 % of the first line (a
// merged pair or a shoulder that slipped into the references fits a smaller C and falls out). It
// follows a resolving power that changes with mass, without a model of how; beyond the
// references' masses it stays at its value at the nearest of them. Unknown without 3 references.
struct ResolvingPowerProfile {
    std::vector<double> mass;        // the references, ascending
    std::vector<double> resolution;  // their fitted C

    bool Known() const { return mass.size() >= 3; }
    // The resolving power at a mass; 0 when unknown.
    double At(double m) const;
};

// The median of the values (the mean of the middle two for an even count; 0 for none).
double MedianOf(std::vector<double> values);

// The profile of references (mass, C) given in any order.
ResolvingPowerProfile ProfileOfReferences(std::vector<std::pair<double, double>> references);

}  // namespace ostrel
