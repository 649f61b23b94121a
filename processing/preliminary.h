// The preliminary processing and the zone browser, as far as they can be stated without a
// widget: the sorted zone list, the zone window and the messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "processing/point_list.h"

namespace ostrel {

struct ProgramState;
class NumberFormat;

// Sorts the zone table by height, ascending; zones of equal height keep their order.
void OtsortVysota(ZoneTable& zones);

// The same order by the plain bubble sort, in quadratic time; kept for the test that compares
// the two.
void BubbleSortZones(ZoneTable& zones);

// The lines of the zone list: "height,   centre" ("%.1f") for every zone but the highest.
std::vector<std::string> ZoneListLines(const ZoneTable& zones, const NumberFormat& format);

// The message after the preliminary processing: the guidance with hints on, a short one without.
std::string PreliminaryDoneMessage(bool hintMode);

// The zone view of one line of the zone list: the spectrum points around the zone's top (up to
// 60 on each side) and the stage 4 points in the same range.
struct ZoneView {
    int32_t height = 0;
    int32_t firstPoint = 0;  // spectrum indices, both included
    int32_t lastPoint = -1;
    int32_t markerIndex = 0;  // position of the top within the shown points
    int32_t firstStage4 = 0;  // stage 4 indices, both included; none when last < first
    int32_t lastStage4 = -1;
};

// Throws CommandError when the line lies outside the zone table.
ZoneView ComputeZoneView(const ProgramState& state, int32_t selectedZone);

// The text ">>" writes into the height field: the number before the first comma, "%.0f".
std::string HeightFromZoneLine(std::string_view line, const NumberFormat& format);

}  // namespace ostrel
