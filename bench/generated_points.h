// The benchmark spectrum: points from 20 u in steps of 0.001 u (1,000,000 by default) with peaks
// (2,000) of one resolving power (3000; the road's spectrum has 1,000,001 points and R = 5000) on a
// falling baseline, with counting noise, written as the lab's files are (y with one decimal, so
// the reader scales it by 1000).
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "state/file_io.h"
#include "state/number_format.h"

namespace ostrel::bench {

struct BenchPoints {
    std::vector<double> x;
    std::vector<double> y;  // with one decimal, as the lab's files hold them
};

// One generated peak: height·exp(−(1.6651·(x − centre)/fwhm)²) above the baseline, in counts
// (the reader scales the file's intensities by 1000).
struct BenchPeak {
    double centre = 0;
    double height = 0;
    double fwhm = 0;
};

// The peaks in the order they are drawn from the generator's random numbers, which go on to give
// the noise; BenchSpectrumTruth and BenchSpectrumPoints draw them alike.
inline std::vector<BenchPeak> DrawBenchPeaks(std::mt19937_64& rng, int points, int peaks,
                                             double resolution) {
    std::uniform_real_distribution<double> unit(0, 1);
    const double x0 = 20, step = 0.001;
    const double xEnd = x0 + step * (points - 1);
    std::vector<BenchPeak> out(peaks);
    for (int p = 0; p < peaks; ++p) {
        out[p].centre = x0 + 1 + (xEnd - x0 - 2) * (p + unit(rng)) / peaks;
        out[p].height = 200 * std::pow(10.0, 3 * unit(rng));
        out[p].fwhm = out[p].centre / resolution;
    }
    return out;
}

// The ground truth of the generated spectrum: its peaks, as drawn (in ascending centre).
inline std::vector<BenchPeak> BenchSpectrumTruth(int points = 1000000, int peaks = 2000,
                                                 double resolution = 3000) {
    std::mt19937_64 rng(7);
    return DrawBenchPeaks(rng, points, peaks, resolution);
}

inline BenchPoints BenchSpectrumPoints(int points = 1000000, int peaks = 2000,
                                       double resolution = 3000) {
    std::mt19937_64 rng(7);
    const double x0 = 20, step = 0.001;
    std::vector<double> y(points);
    for (int i = 0; i < points; ++i) y[i] = 30 + 60 * std::exp(-(step * i) / 200);
    for (const BenchPeak& peak : DrawBenchPeaks(rng, points, peaks, resolution)) {
        const double centre = peak.centre, height = peak.height, fwhm = peak.fwhm;
        const int first = std::max(0, int((centre - 4 * fwhm - x0) / step));
        const int last = std::min(points - 1, int((centre + 4 * fwhm - x0) / step));
        for (int i = first; i <= last; ++i) {
            const double t = 1.6651 * (x0 + step * i - centre) / fwhm;
            y[i] += height * std::exp(-t * t);
        }
    }
    std::normal_distribution<double> noise(0, 1);
    BenchPoints out;
    out.x.resize(points);
    out.y.resize(points);
    for (int i = 0; i < points; ++i) {
        const double v = std::max(0.0, y[i] + std::sqrt(y[i]) * noise(rng));
        out.x[i] = x0 + step * i;
        out.y[i] = std::round(v * 10) / 10;
    }
    return out;
}

inline std::string BenchSpectrumText(int points = 1000000, int peaks = 2000,
                                     double resolution = 3000) {
    const BenchPoints p = BenchSpectrumPoints(points, peaks, resolution);
    std::string text = "\"benchmark spectrum\"\r\n\"\"\r\n\"\"\r\n";
    text.reserve(points * 24);
    for (int i = 0; i < points; ++i) {
        AppendFixed(text, p.x[i], 6, '.');
        text += "     ";
        AppendFixed(text, p.y[i], 1, '.');
        text += "\r\n";
    }
    return text;
}

}  // namespace ostrel::bench
