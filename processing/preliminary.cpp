#include "processing/preliminary.h"

#include <algorithm>

#include "state/errors.h"
#include "state/messages.h"
#include "state/others.h"
#include "state/program_state.h"

namespace ostrel {

void AcceptPreliminarySettings(ProgramState& state, std::string_view kolUsredText,
                               std::string_view krivoMnText) {
    const int32_t kolUsred = NumberFormat::ParseInt(kolUsredText);
    const double krivoMn = state.Format.ParseReal(krivoMnText);
    state.KolUsred = kolUsred;
    state.KrivoMn = krivoMn;
}

void OtsortVysota(ZoneTable& zones) {
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
    for (int32_t i = 0; i + 1 < zones.ZoneCount(); ++i)
        lines.push_back(std::to_string(zones.ZoneHeight[i]) + ",   " +
                        format.Fixed(zones.ZoneCenter[i], 1));
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
    ZoneView view;
    view.height = zones.ZoneHeight[selectedZone];
    const int32_t c = PointIndexOfX(state, stage4.X[zones.ZoneTopIndex[selectedZone]]);
    const int32_t l = std::min(c, 60);
    const int32_t r = std::min(state.Points.PointCount() - 1 - c, 60);
    view.firstPoint = c - l;
    view.lastPoint = c + r;
    view.markerIndex = l;
    view.firstStage4 = Stage4IndexOfX(state, state.Points.PointX[c - l]);
    view.lastStage4 = Stage4IndexOfX(state, state.Points.PointX[c + r]);
    return view;
}

std::string HeightFromZoneLine(std::string_view line, const NumberFormat& format) {
    return format.Fixed(TakeFirstNumber(line, format), 0);
}

}  // namespace ostrel
