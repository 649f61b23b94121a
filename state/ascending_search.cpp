#include "state/ascending_search.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

bool IsAscending(std::span<const double> xs) {
    for (size_t i = 0; i < xs.size(); ++i)
        if (std::isnan(xs[i]) || (i > 0 && xs[i] < xs[i - 1])) return false;
    return true;
}

int32_t FirstIndexAtOrAbove(std::span<const double> xs, double x, bool ascending) {
    if (ascending && !std::isnan(x))
        return static_cast<int32_t>(std::lower_bound(xs.begin(), xs.end(), x) - xs.begin());
    for (size_t i = 0; i < xs.size(); ++i)
        if (xs[i] >= x) return static_cast<int32_t>(i);
    return static_cast<int32_t>(xs.size());
}

}  // namespace ostrel
