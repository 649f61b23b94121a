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

namespace {

// The robust line through the points (Theil and Sen): the median of the slopes between pairs of
// points, then the median of what each point says the value at m is. Up to some 29 % of the
// points may lie anywhere.
std::pair<double, double> TheilSen(const std::vector<double>& x, const std::vector<double>& y,
                                   double m) {
    std::vector<double> slopes;
    for (size_t i = 0; i < x.size(); ++i)
        for (size_t j = i + 1; j < x.size(); ++j)
            if (x[j] != x[i]) slopes.push_back((y[j] - y[i]) / (x[j] - x[i]));
    const double slope = MedianOf(slopes);
    std::vector<double> at(x.size());
    for (size_t i = 0; i < x.size(); ++i) at[i] = y[i] - slope * (x[i] - m);
    return {MedianOf(at), slope};
}

}  // namespace

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
    std::vector<double> m0(mass.begin() + lo, mass.begin() + hi);
    std::vector<double> c0(resolution.begin() + lo, resolution.begin() + hi);
    // The line is read inside the references' range only: beyond it, at the nearest end, since a
    // slope drawn from one side would carry its noise on into the rest.
    const double within = std::clamp(m, m0.front(), m0.back());
    const auto [value, slope] = TheilSen(m0, c0, within);
    std::vector<double> m1, c1;
    for (size_t i = 0; i < m0.size(); ++i) {
        if (std::fabs(c0[i] - (value + slope * (m0[i] - within))) > kSpread * value) continue;
        m1.push_back(m0[i]);
        c1.push_back(c0[i]);
    }
    const double line =
        m1.size() >= 3 ? TheilSen(m1, c1, std::clamp(m, m1.front(), m1.back())).first : value;
    // References scattered wildly enough to draw a line below 0 still have a median.
    return line > 0 ? line : MedianOf(c0);
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
