#include "processing/height_suggestion.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <vector>

#include "state/errors.h"

namespace ostrel {

namespace {

// Tuned on the shared synthetic spectra and the generated ones of bench/ (docs/development.md has
// the table). Noise zones of one noise level have a nearly fixed height distribution: the highest
// of some thousands of them is 6 to 8 times their lower quartile, and the largest group level
// runs a tenth to a third above the overall quartile, so that 8 group levels clear the noise by
// an eighth to a half, while a peak ten times above the noise stands 38 quartiles high or more.
constexpr int32_t kZonesPerGroup = 100;
constexpr int64_t kNoiseFactor = 8;
// Below this many zones a quartile says little about the noise.
constexpr int32_t kFewestZonesForNoise = 32;

int64_t Median3(int64_t a, int64_t b, int64_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Noise zones are many and spread over the whole mass range; peak zones are few and local. So
// the lower quartile of a group of neighbouring zones measures the noise even where most of the
// group belongs to peaks, and the largest group level follows the noisiest stretch of the
// spectrum (counting noise grows with the baseline, which may be steep at low masses): one
// height for the whole spectrum must stay above the noise everywhere.
int64_t NoiseLevel(const ZoneTable& zones) {
    const int32_t n = zones.ZoneCount();
    std::vector<int32_t> alongMass(n);
    std::iota(alongMass.begin(), alongMass.end(), 0);
    std::sort(alongMass.begin(), alongMass.end(), [&zones](int32_t a, int32_t b) {
        const int32_t ta = zones.ZoneTopIndex[a], tb = zones.ZoneTopIndex[b];
        return ta != tb ? ta < tb : a < b;
    });
    const int32_t groups = std::max(1, n / kZonesPerGroup);
    std::vector<int64_t> levels(groups);
    std::vector<int32_t> heights;
    for (int32_t g = 0; g < groups; ++g) {
        const int64_t first = int64_t{g} * n / groups, last = int64_t{g + 1} * n / groups;
        heights.clear();
        for (int64_t i = first; i < last; ++i) heights.push_back(zones.ZoneHeight[alongMass[i]]);
        const auto quartile = heights.begin() + (heights.size() - 1) / 4;
        std::nth_element(heights.begin(), quartile, heights.end());
        levels[g] = *quartile;
    }
    // One group crowded with peaks must not set the level alone: a group counts with the median
    // of itself and its two neighbours, at either end with the smaller of itself and its one.
    int64_t level = levels[0];
    if (groups > 1)
        level = std::max(std::min(levels[0], levels[1]),
                         std::min(levels[groups - 1], levels[groups - 2]));
    for (int32_t g = 1; g + 1 < groups; ++g)
        level = std::max(level, Median3(levels[g - 1], levels[g], levels[g + 1]));
    // Heights are whole numbers: a level below one unit cannot be told from zero.
    return std::max<int64_t>(level, 1);
}

// With few zones: the first clear jump in height (to at least twice the height below it, heights
// counted from 1 so that a zero height compares) in the upper half of the zones separates noise
// from peaks; the lower half is taken for noise, whose heights scatter less than twofold. Without
// such a jump nothing tells noise from peaks, and every zone is kept.
int32_t HeightAboveFirstJump(const ZoneTable& zones) {
    std::vector<int32_t> h = zones.ZoneHeight;
    std::sort(h.begin(), h.end());
    const auto key = [&h](size_t i) { return std::max(h[i], 0) + int64_t{1}; };
    for (size_t i = (h.size() - 1) / 2 + 1; i < h.size(); ++i)
        if (key(i) >= 2 * key(i - 1)) return h[i];
    return h[0];
}

}  // namespace

HeightSuggestion SuggestFirstPeakHeight(const ZoneTable& zones) {
    const int32_t n = zones.ZoneCount();
    if (zones.ZoneTopIndex.size() != zones.ZoneHeight.size() ||
        zones.ZoneCenter.size() != zones.ZoneHeight.size())
        throw CommandError("Таблица зон неполна: последовательности разной длины.");
    if (n == 0) return {};
    int64_t chosen = 0;
    if (n < kFewestZonesForNoise) {
        chosen = HeightAboveFirstJump(zones);
    } else {
        const int64_t threshold = kNoiseFactor * NoiseLevel(zones);
        int64_t lowestAbove = std::numeric_limits<int64_t>::max();
        int64_t highest = std::numeric_limits<int64_t>::min();
        for (int32_t h : zones.ZoneHeight) {
            if (h >= threshold) lowestAbove = std::min<int64_t>(lowestAbove, h);
            highest = std::max<int64_t>(highest, h);
        }
        // When every zone is noise, the highest one is the only candidate for a peak.
        chosen = lowestAbove != std::numeric_limits<int64_t>::max() ? lowestAbove : highest;
    }
    HeightSuggestion s;
    s.height = static_cast<int32_t>(chosen);
    s.zone =
        static_cast<int32_t>(std::find(zones.ZoneHeight.begin(), zones.ZoneHeight.end(), s.height) -
                             zones.ZoneHeight.begin());
    s.line = s.zone < n - 1 ? s.zone : -1;
    return s;
}

}  // namespace ostrel
