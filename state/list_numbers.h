// Numbers taken out of list lines: the first field of a zone line or of a standard-mass line.
#pragma once

#include <string_view>

namespace ostrel {

class NumberFormat;

// The number before the first comma of the text (the whole text without a comma). CommandError
// when it is not a number or longer than a list line's number can be.
double TakeFirstNumber(std::string_view text, const NumberFormat& format);

}  // namespace ostrel
