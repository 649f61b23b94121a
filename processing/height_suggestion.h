// A suggested first non-noise height, computed from the zone table after the preliminary
// processing, so that the user need not scroll through thousands of noise zones.
#pragma once

#include <cstdint>

#include "processing/point_list.h"

namespace ostrel {

struct HeightSuggestion {
    int32_t height = 0;  // the height to write into the height field
    int32_t zone = -1;   // entry of the sorted zone table that carries it; -1 without zones
    int32_t line = -1;   // line of the zone list that carries it; -1 when the list does not show
                         // that zone (the highest zone is never listed) or there are no zones
};

// Expects the zone table sorted by height as OtsortVysota leaves it, so that a zone's index is
// its line in the zone list. The zone is the first one of the suggested height. Deterministic,
// integer arithmetic only; O(n log n) in the zone count. Throws CommandError when the table's
// sequences differ in length.
HeightSuggestion SuggestFirstPeakHeight(const ZoneTable& zones);

}  // namespace ostrel
