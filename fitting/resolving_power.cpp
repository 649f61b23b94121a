#include "fitting/resolving_power.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ostrel {

namespace {

constexpr int32_t kNeighbours = 15;
constexpr double kSpread = 0.15;

}  // namespace

double MedianOf(std::vector<double> v) {
    if (v.empty()) return 0;
    const size_t n = v.size(), mid = n / 2;
    std::nth_element(v.begin(), v.begin() + mid, v.end());
    const double upper = v[mid];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + mid) + upper) / 2;
}

double ResolvingPowerProfile::At(double m) const {
    if (!Known()) return 0;
    const auto n = static_cast<int32_t>(mass.size());
    const int32_t take = std::min(n, kNeighbours);
    // The `take` references nearest in mass: a range grown from the insertion point.
    auto hi = static_cast<int32_t>(std::lower_bound(mass.begin(), mass.end(), m) - mass.begin());
    int32_t lo = hi;
    while (hi - lo < take) {
        if (lo == 0)
            ++hi;
        else if (hi == n)
            --lo;
        else if (m - mass[lo - 1] <= mass[hi] - m)
            --lo;
        else
            ++hi;
    }
    const std::vector<double> near(resolution.begin() + lo, resolution.begin() + hi);
    const double first = MedianOf(near);
    std::vector<double> close;
    for (double c : near)
        if (std::fabs(c - first) <= kSpread * first) close.push_back(c);
    return close.empty() ? first : MedianOf(close);
}

ResolvingPowerProfile ProfileOfReferences(std::vector<std::pair<double, double>> references) {
    std::sort(references.begin(), references.end());
    ResolvingPowerProfile profile;
    for (const auto& [m, c] : references) {
        profile.mass.push_back(m);
        profile.resolution.push_back(c);
    }
    return profile;
}

}  // namespace ostrel
