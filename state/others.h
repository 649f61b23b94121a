// Small routines that several commands share: searches in point sequences and numbers taken out
// of list lines.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ostrel {

struct ProgramState;
class NumberFormat;

// The smallest index whose x is not below the given x; 0 when no x reaches it.
int32_t IndexOfFirstXAtOrAbove(std::span<const double> xs, double x);

// IndexOfFirstXAtOrAbove over the spectrum.
int32_t PointIndexOfX(const ProgramState& state, double x);

// IndexOfFirstXAtOrAbove over stage 4.
int32_t Stage4IndexOfX(const ProgramState& state, double x);

// The number after the last blank of the text (the whole text without a blank).
double NumberAfterLastSpace(std::string_view text, const NumberFormat& format);

// The number before the first comma of the text (the whole text without a comma).
double TakeFirstNumber(std::string_view text, const NumberFormat& format);

}  // namespace ostrel
