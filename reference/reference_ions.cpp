#include "reference/reference_ions.h"

#include <algorithm>
#include <cmath>

#include "state/number_format.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

using L = long double;

// No reference ion is generated beyond this mass: a fit gone astray must not make the tables run
// for ever.
constexpr double kLargestReferenceMass = 100000;

int64_t FloorOf(L value) {
    return static_cast<int64_t>(std::floor(value));
}

// The carbon bound of a nominal mass: ⌊(m + 1) / MassC⌋.
int64_t CarbonBound(int64_t m) {
    return FloorOf((L(m) + 1) / MassC);
}

L NearestWhole(L value) {
    return std::nearbyint(value);  // the default rounding: halves to even
}

std::string IonText(const IonRow& row, const char* second, const NumberFormat& f) {
    return f.Shortest(row.mass) + ",  C " + f.Shortest(row.c) + " " + second + " " +
           f.Shortest(row.n);
}

const char* GroupWord(int32_t k) {
    static const char* const words[3] = {"молек", "один", "два"};
    return words[k];
}

}  // namespace

MassRange ReferenceRange(const PeakResults& peaks) {
    MassRange range;
    if (peaks.empty()) return range;
    const double first = peaks.front().centre;
    const double last = peaks.back().centre;
    if (!std::isfinite(first) || !std::isfinite(last)) return range;
    auto bounded = [](double mass) {
        return FloorOf(std::clamp(mass, -1.0, kLargestReferenceMass));
    };
    range.first = bounded(first) + 1;
    range.last = bounded(last) + 1;
    return range;
}

namespace {

// The count of the second element (hydrogen or fluorine, of the given mass) beside c carbons.
int64_t SecondCount(int64_t m, int64_t c, double second) {
    return FloorOf((L(m) - L(c) * MassC) / second);
}

// The first carbon count c of 1..n with 2c + 2 >= SecondCount, n + 1 when there is none. The
// count never rises with c (the difference is exact, the rounded quotient and the floor keep its
// order) while 2c + 2 does, so the test turns true once and stays true: halving finds the carbon
// count at which the search c = 1, 2, ... stops, in log n steps instead of up to n.
int64_t FirstCarbonWithinBound(int64_t m, int64_t n, double second) {
    int64_t lo = 1, hi = n + 1;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (2 * mid + 2 >= SecondCount(m, mid, second))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

bool CHRow(int64_t c, int64_t h, IonRow& row) {
    row.c = static_cast<double>(c);
    row.n = static_cast<double>(h);
    row.mass = static_cast<double>(L(c) * MassC + L(h) * MassH);
    return true;
}

// NearestWhole(mass) == m without the library call, which costs most of the CF search: the mass
// lies within half a unit of m, or exactly half a unit away with m even. The difference is exact
// wherever it can come near half a unit (the two then lie within a factor of two of each other).
bool RoundsTo(L mass, int64_t m) {
    const L d = L(m) - mass;
    if (d > -0.5L && d < 0.5L) return true;
    return (d == 0.5L || d == -0.5L) && m % 2 == 0;
}

bool CFRow(int64_t m, int64_t c, int64_t f, IonRow& row) {
    const L mass = L(c) * MassC + L(f) * MassF;
    if (f == 0 || NearestWhole(mass) != m) return false;
    row.c = static_cast<double>(c);
    row.n = static_cast<double>(f);
    row.mass = static_cast<double>(mass);
    return true;
}

}  // namespace

bool CHIonOf(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    if (n < 1) return false;
    const int64_t c = FirstCarbonWithinBound(m, n, MassH);
    // A search that ran past its bound keeps the h of the last carbon count tried.
    return CHRow(c, SecondCount(m, std::min(c, n), MassH), row);
}

bool CHIonOfPlain(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    if (n < 1) return false;
    int64_t c = 1;
    int64_t h = 0;
    for (; c <= n; ++c) {
        h = SecondCount(m, c, MassH);
        if (2 * c + 2 >= h) break;
    }
    return CHRow(c, h, row);
}

bool CFIonOf(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    // Below the first carbon count within the bound the search cannot stop; from there on its
    // first test holds, and only the second (the nominal mass) is asked.
    int64_t c = n >= 1 ? FirstCarbonWithinBound(m, n, MassF) : 1;
    int64_t f = n >= 1 && c > n ? SecondCount(m, n, MassF) : 0;
    for (; c <= n; ++c) {
        f = SecondCount(m, c, MassF);
        if (RoundsTo(L(c) * MassC + L(f) * MassF, m)) break;
    }
    return CFRow(m, c, f, row);
}

bool CFIonOfPlain(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    int64_t c = 1;
    int64_t f = 0;
    for (; c <= n; ++c) {
        f = SecondCount(m, c, MassF);
        if (2 * c + 2 >= f && NearestWhole(L(c) * MassC + L(f) * MassF) == m) break;
    }
    return CFRow(m, c, f, row);
}

void StandartCH(ReferenceTables& tables, const PeakResults& peaks) {
    tables.CHIons.clear();
    for (auto& group : tables.CHGroups) group.clear();
    const MassRange range = ReferenceRange(peaks);
    for (int64_t m = range.first; m <= range.last; ++m) {
        IonRow row;
        if (!CHIonOf(m, row)) continue;
        tables.CHIons.push_back(row);
        const double k = 2 * row.c + 2 - row.n;
        if (k >= 0 && k <= 2) tables.CHGroups[static_cast<int32_t>(k)].push_back(row);
    }
    OrderCHGroups(tables);
}

void OrderCHGroups(ReferenceTables& tables) {
    tables.CHGroupOrder.clear();
    int32_t longest = 0;
    for (int32_t k = 0; k < 3; ++k) longest = std::max(longest, tables.CHGroupCount(k));
    for (int32_t j = 0; j < longest; ++j)
        for (int32_t k : {kTwoSplitOff, kOneSplitOff, kMolecular})
            if (j < tables.CHGroupCount(k)) tables.CHGroupOrder.push_back({k, j});
}

void StandartCF(ReferenceTables& tables, const PeakResults& peaks) {
    tables.CFIons.clear();
    const MassRange range = ReferenceRange(peaks);
    for (int64_t m = range.first; m <= range.last; ++m) {
        IonRow row;
        if (CFIonOf(m, row)) tables.CFIons.push_back(row);
    }
}

std::optional<double> NearestReferenceMass(const ReferenceTables& t, double mass,
                                           double tolerance) {
    std::optional<double> nearest;
    auto consider = [&](const IonRow& row) {
        const double distance = std::fabs(row.mass - mass);
        if (distance <= tolerance && (!nearest || distance < std::fabs(*nearest - mass)))
            nearest = row.mass;
    };
    for (const auto& group : t.CHGroups)
        for (const IonRow& row : group) consider(row);
    for (const IonRow& row : t.CFIons) consider(row);
    return nearest;
}

std::vector<std::string> StandardMassLines(const ReferenceTables& t,
                                           const StandardListChoice& choice,
                                           const NumberFormat& f) {
    std::vector<std::string> lines;
    if (choice.fullList) {
        for (const IonRow& row : t.CHIons)
            lines.push_back(IonText(row, "H", f) + (row.n == 2 * row.c + 2 ? ",  молек" : ""));
        return lines;
    }
    const bool chosen[3] = {choice.molecular, choice.oneSplitOff, choice.twoSplitOff};
    std::vector<std::pair<double, std::string>> byMass;
    if (!choice.cf || choice.allExisting)
        for (const CHOrderEntry& e : t.CHGroupOrder)
            if (chosen[e.group]) {
                const IonRow& row = t.CHGroups[e.group][e.row];
                byMass.emplace_back(row.mass, IonText(row, "H", f) + ",  " + GroupWord(e.group));
            }
    if (choice.cf || choice.allExisting)
        for (const IonRow& row : t.CFIons) byMass.emplace_back(row.mass, IonText(row, "F", f));
    if (choice.allExisting)
        std::stable_sort(byMass.begin(), byMass.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    lines.reserve(byMass.size());
    for (auto& entry : byMass) lines.push_back(std::move(entry.second));
    return lines;
}

}  // namespace ostrel
