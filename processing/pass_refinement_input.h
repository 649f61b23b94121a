// The refinement's view of a finished last pass: each peak's window and what its fit left in the
// peak tables.
#pragma once

#include <vector>

#include "fitting/peak_refinement.h"

namespace ostrel {

struct PeakTables;
struct Spectrum;

// One entry per peak of the tables, in their order. A peak whose height is the problem mark is a
// failed fit; A and B are the fit's own (FittedA, FittedB), C and D the table's R and M.
std::vector<RefinementPeak> RefinementPeaksOfPass(const Spectrum& spectrum,
                                                  const PeakTables& tables);

}  // namespace ostrel
