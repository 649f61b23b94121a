#include "reference/reference_ions.h"

#include <algorithm>
#include <cmath>

#include "processing/last_pass.h"
#include "state/number_format.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

using L = long double;

// No reference ion is generated beyond this mass: a fit gone astray must not make the tables run
// for ever (the CF search costs up to m/12 steps a mass).
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

MassRange ReferenceRange(const PeakTables& peaks) {
    MassRange range;
    if (peaks.PeakCount() == 0) return range;
    const double first = peaks.PeakM.front();
    const double last = peaks.PeakM.back();
    if (!std::isfinite(first) || !std::isfinite(last)) return range;
    auto bounded = [](double mass) {
        return FloorOf(std::clamp(mass, -1.0, kLargestReferenceMass));
    };
    range.first = bounded(first) + 1;
    range.last = bounded(last) + 1;
    return range;
}

bool CHIonOf(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    if (n < 1) return false;
    int64_t c = 1;
    int64_t h = 0;
    for (; c <= n; ++c) {
        h = FloorOf((L(m) - L(c) * MassC) / MassH);
        if (2 * c + 2 >= h) break;
    }
    // A search that ran past its bound keeps the h of the last carbon count tried.
    row.c = static_cast<double>(c);
    row.n = static_cast<double>(h);
    row.mass = static_cast<double>(L(c) * MassC + L(h) * MassH);
    return true;
}

bool CFIonOf(int64_t m, IonRow& row) {
    const int64_t n = CarbonBound(m);
    int64_t c = 1;
    int64_t f = 0;
    for (; c <= n; ++c) {
        f = FloorOf((L(m) - L(c) * MassC) / MassF);
        if (2 * c + 2 >= f && NearestWhole(L(c) * MassC + L(f) * MassF) == m) break;
    }
    const L mass = L(c) * MassC + L(f) * MassF;
    if (f == 0 || NearestWhole(mass) != m) return false;
    row.c = static_cast<double>(c);
    row.n = static_cast<double>(f);
    row.mass = static_cast<double>(mass);
    return true;
}

void StandartCH(ReferenceTables& tables, const PeakTables& peaks) {
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

void StandartCF(ReferenceTables& tables, const PeakTables& peaks) {
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
