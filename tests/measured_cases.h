// The spectra on which a fast form is compared with its plain form: the example files and random
// spectra with peaks and counting noise, and comparison of doubles by their bits.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "state/spectrum.h"

namespace ostrel::testing {

inline std::string ExampleFile(const std::string& name) {
    return std::string(OSTREL_EXAMPLES_DIR) + "/" + name;
}

// The bits of every value: equal vectors hold the same doubles, signs of zero included.
inline std::vector<uint64_t> BitsOf(const std::vector<double>& values) {
    std::vector<uint64_t> bits;
    for (double v : values) bits.push_back(std::bit_cast<uint64_t>(v));
    return bits;
}

// count points from 20 u with steps near 0.001 u (each step drawn anew, so no two are equal),
// peaks of random height and resolving power 1000 to 8000, a falling baseline and counting noise,
// scaled like a read file (y with one decimal, times 1000).
inline Spectrum RandomSpectrum(unsigned seed, int count) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    Spectrum s;
    double x = 20;
    for (int i = 0; i < count; ++i) {
        s.PointX.push_back(x);
        x += 0.001 * (0.5 + unit(rng));
    }
    std::vector<double> y(count);
    for (int i = 0; i < count; ++i) y[i] = 30 + 60 * std::exp(-(s.PointX[i] - 20) / 50);
    const int peaks = 1 + count / 400;
    for (int p = 0; p < peaks; ++p) {
        const double centre = s.PointX[static_cast<int>(unit(rng) * (count - 1))];
        const double height = 50 * std::pow(10.0, 3 * unit(rng));
        const double resolution = 1000 + 7000 * unit(rng);
        for (int i = 0; i < count; ++i) {
            const double t = 1.6651 * resolution * (centre / s.PointX[i] - 1);
            if (t * t < 700) y[i] += height * std::exp(-t * t);
        }
    }
    std::normal_distribution<double> noise(0, 1);
    for (double v : y)
        s.PointY.push_back(std::round(std::max(0.0, v + std::sqrt(v) * noise(rng)) * 10) * 100);
    return s;
}

}  // namespace ostrel::testing
