// The first x at or above a value, in a sequence whose order is only known after a look. The
// reader orders a spectrum by its first two points only, so a search may not assume ascending x:
// the caller asks IsAscending once per sequence and then searches by halving, which finds the
// same index as a scan from index 0.
#pragma once

#include <cstdint>
#include <span>

namespace ostrel {

// True when every x is at least the one before it (and none is NaN).
bool IsAscending(std::span<const double> xs);

// The smallest index whose x is at least x; the count when there is none. ascending must be
// IsAscending(xs): true searches by halving, false scans from index 0.
int32_t FirstIndexAtOrAbove(std::span<const double> xs, double x, bool ascending);

}  // namespace ostrel
