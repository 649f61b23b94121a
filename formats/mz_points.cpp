#include "formats/mz_points.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>

#include "state/errors.h"
#include "state/number_format.h"
#include "state/point_line_parser.h"

namespace ostrel {

namespace {

bool StrictlyDescending(const std::vector<double>& x) {
    return std::adjacent_find(x.begin(), x.end(), std::less_equal<double>()) == x.end();
}

// The first `count` characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && seen++ == count) return text.substr(0, i);
    }
    return text;
}

// No more decimals than ShortestTextDecimals can give the value: with 15 significant digits, a
// value of at least 10^e (and below 10^15) has at most 14 − e after the point. Values below 1,
// which need a longer look, get no bound.
int32_t DecimalsAtMost(double value) {
    static constexpr double kPowers[] = {1e1, 1e2, 1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1) || magnitude >= 1e15) return std::numeric_limits<int32_t>::max();
    int32_t e = 0;
    while (e < 14 && magnitude >= kPowers[e]) ++e;
    return 14 - e;
}

}  // namespace

int32_t ShortestTextDecimalsPlain(double value) {
    std::string text;
    AppendShortest(text, value, '.');
    const size_t point = text.find('.');
    if (point == std::string::npos) return 0;
    const size_t end = std::min(text.find('E'), text.size());
    return static_cast<int32_t>(end - point - 1);
}

int32_t ShortestTextDecimals(double value) {
    // Making the text costs 0.1-0.4 µs, a second for a large spectrum; most intensities are
    // whole or carry a few decimals and are told without it.
    const double magnitude = std::fabs(value);
    if (value == std::trunc(value) && magnitude < 1e15) return 0;
    if (magnitude >= 1e-5) {  // smaller values are written in scientific notation
        // When value * 10^d rounds to a whole N below 10^15, the value lies within 2^-53 of
        // N / 10^d, far inside half a step of the 15-digit grid on which N / 10^d lies: that is
        // the value's text, with N's trailing zeros dropped.
        double scale = 1;
        for (int32_t decimals = 1; decimals <= 4; ++decimals) {
            scale *= 10;
            const double scaled = magnitude * scale;
            if (scaled >= 1e15) break;
            if (scaled != std::trunc(scaled)) continue;
            for (auto n = static_cast<int64_t>(scaled); decimals > 0 && n % 10 == 0; n /= 10)
                --decimals;
            return decimals;
        }
    }
    return ShortestTextDecimalsPlain(value);
}

int32_t MaxShortestTextDecimals(const std::vector<double>& values) {
    int32_t most = 0;
    for (double value : values)
        if (DecimalsAtMost(value) > most) most = std::max(most, ShortestTextDecimals(value));
    return most;
}

int32_t MaxShortestTextDecimalsPlain(const std::vector<double>& values) {
    int32_t most = 0;
    for (double value : values) most = std::max(most, ShortestTextDecimals(value));
    return most;
}

double WholeThousandths(double value) {
    const long double scaled = static_cast<long double>(value) * 1000.0L;
    const long double magnitude = std::fabs(scaled);
    // Below 2^63, adding 2^63 leaves a sum whose last bit is worth 1: the addition rounds to a
    // whole number as nearbyint does (to nearest, halves to even), and the subtraction is exact.
    // From 2^63 on every extended value is whole already.
    if (!(magnitude < 0x1p63L)) return static_cast<double>(scaled);
    const long double whole = (magnitude + 0x1p63L) - 0x1p63L;
    return static_cast<double>(std::copysign(whole, scaled));
}

double WholeThousandthsPlain(double value) {
    return static_cast<double>(std::nearbyint(static_cast<long double>(value) * 1000.0L));
}

void OrderByMass(std::vector<double>& x, std::vector<double>& y) {
    if (std::is_sorted(x.begin(), x.end())) return;
    if (StrictlyDescending(x)) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
        return;
    }
    // A permutation of 32-bit indexes and one gathered array at a time: the arrays are never
    // held more than twice.
    std::vector<uint32_t> order(x.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&x](uint32_t a, uint32_t b) { return x[a] < x[b] || (x[a] == x[b] && a < b); });
    for (std::vector<double>* values : {&x, &y}) {
        std::vector<double> gathered(values->size());
        for (size_t i = 0; i < order.size(); ++i) gathered[i] = (*values)[order[i]];
        values->swap(gathered);
    }
}

std::string MzSpectrumTitle(const std::string& path, const std::string& nativeId) {
    const std::string name = std::filesystem::path(path).filename().string();
    return FirstCharacters(name + " " + nativeId, kLineLength);
}

LoadedSpectrum MzPointsToSpectrum(std::vector<double>&& x, std::vector<double>&& y,
                                  std::string title, const std::string& where) {
    if (x.size() != y.size())
        throw CommandError(where + ": в массивах масс и интенсивностей разное число точек (" +
                           std::to_string(x.size()) + " и " + std::to_string(y.size()) + ").");
    if (x.size() < 2) throw CommandError(where + " содержит меньше двух точек.");
    if (x.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw CommandError(where + " содержит слишком много точек.");
    for (size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            throw CommandError(where + ": точка " + std::to_string(i) +
                               " не является конечным числом.");
    }
    LoadedSpectrum loaded;
    loaded.x = std::move(x);
    loaded.y = std::move(y);
    loaded.title = std::move(title);
    OrderByMass(loaded.x, loaded.y);
    loaded.maxYDecimals = MaxShortestTextDecimals(loaded.y);
    // As for a text file, intensities with decimals are taken in thousandths; here in whole
    // thousandths. A 32-bit array gives nearly every value a tail of decimals, which "Сохранить..."
    // would write and every reopening of that text file would scale by 1000 again; whole
    // thousandths are written without decimals and reopen to the same intensities.
    if (loaded.maxYDecimals >= 1) {
        for (double& value : loaded.y) value = WholeThousandths(value);
    }
    return loaded;
}

}  // namespace ostrel
