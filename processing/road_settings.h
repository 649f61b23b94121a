// The settings of the road's commands with their defaults, their ranges and the parsing of the
// texts they are typed as, in one place: the window's fields and ostrel-batch's options both go
// through these.
#pragma once

#include <cstdint>
#include <string_view>

#include "processing/point_list.h"

namespace ostrel {

class NumberFormat;

// What "Предварительная" reads from "KolUsred" and "KrivoMn".
struct PreliminarySettings {
    static constexpr int32_t kDefaultKolUsred = 150;
    static constexpr double kDefaultKrivoMn = 10;

    int32_t kolUsred = kDefaultKolUsred;  // extra smoothing passes; below 0 none
    double krivoMn = kDefaultKrivoMn;     // kept and shown, not used by the processing
};

// KolUsred as a decimal integer of 32 bits and KrivoMn as a decimal real; CommandError for either
// text that is not one, so that nothing is taken from a half-valid pair.
PreliminarySettings ParsePreliminarySettings(std::string_view kolUsredText,
                                             std::string_view krivoMnText,
                                             const NumberFormat& format);
// KolUsred alone, KrivoMn keeping its default.
PreliminarySettings ParseKolUsred(std::string_view kolUsredText);

inline constexpr const char* kInvalidHeightMessage = "Недопустимое значение высоты.";

// Not empty, and every character a digit.
bool IsDigitsOnly(std::string_view text);

// The first non-noise height typed for "Последняя": digits only and within the 32-bit range;
// CommandError with the message to show otherwise.
int32_t ParseFirstPeakHeight(std::string_view text);

// Some zone is at least `height` high, so the pass has a peak to fit; CommandError with the
// message to show otherwise (the slope list would have too few points to be built).
void RequireZoneAtHeight(const ZoneTable& zones, int32_t height);

}  // namespace ostrel
