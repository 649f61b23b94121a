#include "fitting/spread_model.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

double SpreadModel::SigmaOf(double statedMmu) const {
    return std::hypot(floor, factor * statedMmu);
}

SpreadModel FitSpreadModel(std::span<const double> r, std::span<const double> e, int parameters,
                           double factorLeast) {
    const size_t n = std::min(r.size(), e.size());
    const double pull =
        n > static_cast<size_t>(parameters) ? double(n) / double(n - parameters) : 1.0;
    const auto likelihood = [&](double lnF, double lnK) {
        const double f2 = std::exp(2 * lnF), k2 = std::exp(2 * lnK);
        double sum = 0;
        for (size_t i = 0; i < n; ++i) {
            const double v = f2 + k2 * e[i] * e[i];
            sum -= std::log(v) + pull * r[i] * r[i] / v;
        }
        return sum;
    };
    const double fLo = std::log(kSpreadFloorLeast), fHi = std::log(kSpreadFloorMost);
    const double kLo = std::log(factorLeast), kHi = std::log(kSpreadFactorMost);
    double bestF = fLo, bestK = kLo, best = -INFINITY;
    double stepF = (fHi - fLo) / 11, stepK = (kHi - kLo) / 11;
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) {
            const double value = likelihood(fLo + i * stepF, kLo + j * stepK);
            if (value > best) {
                best = value;
                bestF = fLo + i * stepF;
                bestK = kLo + j * stepK;
            }
        }
    for (int level = 0; level < 2; ++level) {
        stepF /= 3;
        stepK /= 3;
        const double centreF = bestF, centreK = bestK;
        for (int i = -3; i <= 3; ++i)
            for (int j = -3; j <= 3; ++j) {
                const double lnF = std::clamp(centreF + i * stepF, fLo, fHi);
                const double lnK = std::clamp(centreK + j * stepK, kLo, kHi);
                const double value = likelihood(lnF, lnK);
                if (value > best) {
                    best = value;
                    bestF = lnF;
                    bestK = lnK;
                }
            }
    }
    return SpreadModel{std::exp(bestF), std::exp(bestK)};
}

}  // namespace ostrel
