// The reference ions an automatic calibration is asked for by name: "pftba", "cf", "ch", or the
// path of a list file.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "reference/reference_sets.h"

namespace ostrel {

// "pftba": PftbaIons(); "cf" and "ch": the families over the windows (PairingWindows); anything
// else is read as a list file (ReadReferenceListFile, its errors included).
std::vector<ReferenceIon> ReferenceIonsFor(std::string_view refs,
                                           std::span<const MassInterval> windows);

}  // namespace ostrel
