#include "processing/processing_routines.h"

#include <cmath>
#include <limits>
#include <string>

#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

void RequireTwoPoints(PointsView in, const char* routine) {
    if (in.Count() < 2 || in.Y.size() != in.X.size())
        throw CommandError(std::string("Недостаточно точек для обработки (") + routine +
                           "): нужно не меньше двух, а есть " + std::to_string(in.Count()) + ".");
}

void Append(PointList& out, PointsView in, int32_t i) {
    out.X.push_back(in.X[i]);
    out.Y.push_back(in.Y[i]);
}

}  // namespace

int32_t SmoothRange(const double* x, const double* y, double* oy, int32_t lo, int32_t hi) {
    // Sums, products and quotients in extended precision; each named value is stored as double.
    using L = long double;
    double mx0 = static_cast<double>((L(x[lo - 1]) + x[lo]) / 2);
    double my0 = static_cast<double>((L(y[lo - 1]) + y[lo]) / 2);
    int32_t coincident = 0;
    for (int32_t i = lo; i < hi; ++i) {
        const double mx1 = static_cast<double>((L(x[i]) + x[i + 1]) / 2);
        const double my1 = static_cast<double>((L(y[i]) + y[i + 1]) / 2);
        const L span = L(mx1) - mx0;
        if (span == 0 && coincident == 0) coincident = i;
        double v;
        if (my1 > my0) {
            const double product = static_cast<double>((L(x[i]) - mx0) * (L(my1) - my0));
            const double quotient = static_cast<double>(product / span);
            v = static_cast<double>(L(my0) + quotient);
        } else {
            const double product = static_cast<double>((L(mx1) - x[i]) * (L(my0) - my1));
            const double quotient = static_cast<double>(product / span);
            v = static_cast<double>(L(my1) + quotient);
        }
        oy[i] = v;
        mx0 = mx1;
        my0 = my1;
    }
    return coincident;
}

int32_t SmoothY(const double* x, const double* y, int32_t n, double* oy) {
    const double first = y[0];
    const double last = y[n - 1];
    const int32_t coincident = SmoothRange(x, y, oy, 1, n - 1);
    oy[0] = first;
    oy[n - 1] = last;
    return coincident;
}

namespace {

void ThrowCoincident(PointsView in, int32_t bad) {
    throw CommandError("Сглаживание невозможно: три соседние точки (с номера " +
                       std::to_string(bad - 1) + ") имеют одну и ту же массу " +
                       NumberFormat('.').Shortest(in.X[bad]) + ".");
}

}  // namespace

void CheckSmoothable(PointsView in) {
    RequireTwoPoints(in, "сглаживание");
    using L = long double;
    double mx0 = static_cast<double>((L(in.X[0]) + in.X[1]) / 2);
    for (int32_t i = 1; i + 1 < in.Count(); ++i) {
        const double mx1 = static_cast<double>((L(in.X[i]) + in.X[i + 1]) / 2);
        if (mx1 == mx0) ThrowCoincident(in, i);
        mx0 = mx1;
    }
}

void SmoothPass(PointsView in, PointList& out) {
    RequireTwoPoints(in, "сглаживание");
    std::vector<double> oy(in.Y.size());
    int32_t bad = SmoothY(in.X.data(), in.Y.data(), in.Count(), oy.data());
    if (bad != 0) ThrowCoincident(in, bad);
    if (out.X.data() != in.X.data()) out.X.assign(in.X.begin(), in.X.end());
    out.Y = std::move(oy);
}

void FindTurningPoints(PointsView in, PointList& out) {
    RequireTwoPoints(in, "поиск экстремумов");
    PointList result;
    const int32_t n = in.Count();
    int32_t c = 0;
    bool rising = in.Y[1] <= in.Y[0];
    for (int32_t i = 1; i < n; ++i) {
        const double y = in.Y[i];
        if (rising) {
            if (y < in.Y[c]) {
                Append(result, in, c);  // a maximum
                rising = false;
            }
        } else if (y > in.Y[c]) {
            Append(result, in, c);  // a minimum
            rising = true;
        }
        c = i;
    }
    Append(result, in, c);
    out = std::move(result);
}

void TrimToMinima(PointsView in, PointList& out) {
    RequireTwoPoints(in, "обрезка до минимумов");
    const int32_t n = in.Count();
    const int32_t s = in.Y[0] >= in.Y[1] ? 1 : 0;
    const int32_t e = in.Y[n - 2] <= in.Y[n - 1] ? 1 : 0;
    PointList result;
    for (int32_t i = s; i <= n - 1 - e; ++i) Append(result, in, i);
    out = std::move(result);
}

int32_t ZoneHeightAt(PointsView stage4, int32_t j) {
    using L = long double;
    const double d1 = static_cast<double>(L(stage4.Y[j + 1]) - stage4.Y[j]);
    const double d2 = static_cast<double>(L(stage4.Y[j + 1]) - stage4.Y[j + 2]);
    const double mean = static_cast<double>((L(d1) + d2) / 2);
    const double height = std::floor(mean);
    if (!(height >= std::numeric_limits<int32_t>::min() &&
          height <= std::numeric_limits<int32_t>::max()))
        throw CommandError("Высота зоны пика " + NumberFormat('.').Shortest(mean) +
                           " не помещается в 32-битное целое.");
    return static_cast<int32_t>(height);
}

ZoneTable BuildZoneTable(PointsView stage4) {
    RequireTwoPoints(stage4, "таблица зон");
    const int32_t n = stage4.Count();
    const int32_t f = stage4.Y[0] > stage4.Y[1] ? 1 : 0;
    const int32_t k = n - 3 - f >= 0 ? (n - 3 - f) / 2 + 1 : 0;
    ZoneTable zones;
    zones.ZoneTopIndex.resize(k);
    zones.ZoneHeight.resize(k);
    zones.ZoneCenter.resize(k);
    for (int32_t z = 0; z < k; ++z) {
        const int32_t j = 2 * z + f;
        zones.ZoneTopIndex[z] = j + 1;
        zones.ZoneHeight[z] = ZoneHeightAt(stage4, j);
        zones.ZoneCenter[z] = stage4.X[j + 1];
    }
    return zones;
}

void FilterZonesByHeight(PointsView stage4, int32_t firstPeakHeight, PointList& out) {
    RequireTwoPoints(stage4, "отбор зон");
    const int32_t n = stage4.Count();
    const int32_t f = stage4.Y[0] > stage4.Y[1] ? 1 : 0;
    int32_t last = 0;
    PointList result;
    for (int32_t j = f; j <= n - 3; j += 2) {
        if (ZoneHeightAt(stage4, j) >= firstPeakHeight) {
            Append(result, stage4, j);
            Append(result, stage4, j + 1);
            last = j + 2;
        }
    }
    Append(result, stage4, last);
    out = std::move(result);
}

}  // namespace ostrel
