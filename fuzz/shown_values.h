// Checks on what the program shows or writes, shared by the fuzz checks.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::fuzz {

// A text that holds the spelling of an infinite or not-a-number value, in any case.
bool ShowsNonFinite(std::string_view text);

// Valid UTF-8, as every text held in memory must be.
bool IsValidUtf8(std::string_view text);

// The first line that shows a non-finite value or is not UTF-8, as a fault text naming `what`;
// empty when every line is sound.
std::string FirstUnsoundLine(std::string_view what, const std::vector<std::string>& lines);

// Every value finite.
inline bool AllFinite(const std::vector<double>& values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace ostrel::fuzz
