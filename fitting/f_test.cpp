#include "fitting/f_test.h"

#include <cmath>

namespace ostrel {

namespace {

// ln Γ(x) for x > 0 by Lanczos' series (g = 7, nine terms; relative error below 1e-15), rather
// than std::lgamma, which writes the global signgam and so may not run on two threads at once.
double LogGamma(double x) {
    static constexpr double kCoefficients[9] = {
        0.99999999999980993,  676.5203681218851,     -1259.1392167224028,
        771.32342877765313,   -176.61502916214059,   12.507343278686905,
        -0.13857109526572012, 9.9843695780195716e-6, 1.5056327351493116e-7};
    const double pi = 3.14159265358979323846;
    if (x < 0.5) return std::log(pi / std::sin(pi * x)) - LogGamma(1 - x);
    x -= 1;
    double sum = kCoefficients[0];
    for (int i = 1; i < 9; ++i) sum += kCoefficients[i] / (x + i);
    const double t = x + 7.5;
    return 0.5 * std::log(2 * pi) + (x + 0.5) * std::log(t) - t + std::log(sum);
}

// The continued fraction of the incomplete beta function (Lentz's method), for x below
// (a + 1)/(a + b + 2) where it converges fast.
double BetaFraction(double a, double b, double x) {
    constexpr double tiny = 1e-300;
    double c = 1, d = 1 - (a + b) * x / (a + 1);
    if (std::fabs(d) < tiny) d = tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= 500; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-15) break;
    }
    return h;
}

}  // namespace

double RegularizedIncompleteBeta(double a, double b, double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    const double logFront =
        LogGamma(a + b) - LogGamma(a) - LogGamma(b) + a * std::log(x) + b * std::log1p(-x);
    if (x < (a + 1) / (a + b + 2)) return std::exp(logFront) * BetaFraction(a, b, x) / a;
    return 1 - std::exp(logFront) * BetaFraction(b, a, 1 - x) / b;
}

double FTestTail(double f, int32_t d1, int32_t d2) {
    if (!(f > 0) || d1 < 1 || d2 < 1) return 1;
    if (std::isinf(f)) return 0;
    return RegularizedIncompleteBeta(0.5 * d2, 0.5 * d1, d2 / (d2 + d1 * f));
}

}  // namespace ostrel
