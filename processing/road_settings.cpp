#include "processing/road_settings.h"

#include "state/errors.h"
#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel {

PreliminarySettings ParsePreliminarySettings(std::string_view kolUsredText,
                                             std::string_view krivoMnText,
                                             const NumberFormat& format) {
    PreliminarySettings settings;
    settings.kolUsred = NumberFormat::ParseInt(kolUsredText);
    settings.krivoMn = format.ParseReal(krivoMnText);
    return settings;
}

PreliminarySettings ParseKolUsred(std::string_view kolUsredText) {
    PreliminarySettings settings;
    settings.kolUsred = NumberFormat::ParseInt(kolUsredText);
    return settings;
}

bool IsDigitsOnly(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int32_t ParseFirstPeakHeight(std::string_view text) {
    if (!IsDigitsOnly(text)) throw CommandError(kInvalidHeightMessage);
    try {
        return NumberFormat::ParseInt(text);
    } catch (const CommandError&) {
        throw CommandError(std::string(kInvalidHeightMessage) + " Высота " + std::string(text) +
                           " больше 2147483647.");
    }
}

void RequireZoneAtHeight(const ZoneTable& zones, int32_t height) {
    for (int32_t h : zones.ZoneHeight)
        if (h >= height) return;
    throw CommandError(HeightAboveEveryZoneMessage(std::to_string(height)));
}

}  // namespace ostrel
