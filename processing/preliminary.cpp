#include "processing/preliminary.h"

#include <algorithm>
#include <cstdint>

#include "state/ascending_search.h"
#include "state/errors.h"
#include "state/list_numbers.h"
#include "state/messages.h"
#include "state/program_state.h"

namespace ostrel {

void OtsortVysota(ZoneTable& zones) {
    // Keys of height and position: the positions are distinct, so any sort of the keys keeps
    // zones of equal height in their order, as the bubble sort does.
    const int32_t n = zones.ZoneCount();
    std::vector<uint64_t> keys(n);
    for (int32_t i = 0; i < n; ++i) {
        const auto biased = static_cast<uint32_t>(zones.ZoneHeight[i]) ^ 0x80000000u;
        keys[i] = uint64_t{biased} << 32 | static_cast<uint32_t>(i);
    }
    std::sort(keys.begin(), keys.end());
    ZoneTable sorted;
    sorted.ZoneTopIndex.resize(n);
    sorted.ZoneHeight.resize(n);
    sorted.ZoneCenter.resize(n);
    for (int32_t k = 0; k < n; ++k) {
        const auto i = static_cast<int32_t>(keys[k] & 0xffffffffu);
        sorted.ZoneTopIndex[k] = zones.ZoneTopIndex[i];
        sorted.ZoneHeight[k] = zones.ZoneHeight[i];
        sorted.ZoneCenter[k] = zones.ZoneCenter[i];
    }
    zones = std::move(sorted);
}

void BubbleSortZones(ZoneTable& zones) {
    const int32_t n = zones.ZoneCount();
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int32_t i = 0; i + 1 < n; ++i) {
            if (zones.ZoneHeight[i] > zones.ZoneHeight[i + 1]) {
                std::swap(zones.ZoneHeight[i], zones.ZoneHeight[i + 1]);
                std::swap(zones.ZoneCenter[i], zones.ZoneCenter[i + 1]);
                std::swap(zones.ZoneTopIndex[i], zones.ZoneTopIndex[i + 1]);
                swapped = true;
            }
        }
    }
}

std::vector<std::string> ZoneListLines(const ZoneTable& zones, const NumberFormat& format) {
    std::vector<std::string> lines;
    const int32_t n = zones.ZoneCount();
    lines.reserve(std::max(0, n - 1));
    for (int32_t i = 0; i + 1 < n; ++i) {
        std::string& line = lines.emplace_back(std::to_string(zones.ZoneHeight[i]));
        line += ",   ";
        AppendFixed(line, zones.ZoneCenter[i], 1, format.Separator());
    }
    return lines;
}

std::string PreliminaryDoneMessage(bool hintMode) {
    if (!hintMode) return "Пересчёт произведён";
    return "Теперь из списка надо выбирать пик и смотреть помеховый он или нет\r\r"
           "Как только встретится первый по Вашему мнению не помеховый пик\r"
           "надо ввести его высоту (первое число в строке) в окно \"Первый не помеховый пик\"\r"
           "путём нажатия кнопки \">>\"\r\r"
           "Далее следует нажать кнопку \"Предпоследняя\"\r";
}

ZoneView ComputeZoneView(const ProgramState& state, int32_t selectedZone) {
    const ZoneTable& zones = state.Stages.Zones;
    const PointList& stage4 = state.Stages.Stage4;
    if (selectedZone < 0 || selectedZone >= zones.ZoneCount() ||
        zones.ZoneTopIndex[selectedZone] < 0 ||
        zones.ZoneTopIndex[selectedZone] >= stage4.Count() || state.Points.PointCount() == 0)
        throw CommandError("Зона " + std::to_string(selectedZone) + " лежит вне таблицы зон.");
    // The first index at or above an x, or 0 when no x reaches it: a zone at the spectrum's end
    // whose last shown point lies beyond stage 4 shows no stage 4 points (last 0 before first).
    const auto indexOrZero = [](std::span<const double> xs, double x) {
        const int32_t i = FirstIndexAtOrAbove(xs, x, false);
        return i < static_cast<int32_t>(xs.size()) ? i : 0;
    };
    const std::vector<double>& x = state.Points.PointX;
    ZoneView view;
    view.height = zones.ZoneHeight[selectedZone];
    const int32_t c = indexOrZero(x, stage4.X[zones.ZoneTopIndex[selectedZone]]);
    const int32_t l = std::min(c, 60);
    const int32_t r = std::min(state.Points.PointCount() - 1 - c, 60);
    view.firstPoint = c - l;
    view.lastPoint = c + r;
    view.markerIndex = l;
    view.firstStage4 = indexOrZero(stage4.X, x[c - l]);
    view.lastStage4 = indexOrZero(stage4.X, x[c + r]);
    return view;
}

std::string HeightFromZoneLine(std::string_view line, const NumberFormat& format) {
    return format.Fixed(TakeFirstNumber(line, format), 0);
}

}  // namespace ostrel
