#include "state/others.h"

#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

constexpr size_t kListNumberLength = 51;

double ConvertListNumber(std::string_view number, const NumberFormat& format) {
    if (number.size() > kListNumberLength)
        throw CommandError("Число в строке списка длиннее " + std::to_string(kListNumberLength) +
                           " символа: \"" + std::string(number) + "\".");
    return format.ParseReal(number);
}

}  // namespace

int32_t IndexOfFirstXAtOrAbove(std::span<const double> xs, double x) {
    for (size_t i = 0; i < xs.size(); ++i)
        if (xs[i] - x >= 0) return static_cast<int32_t>(i);
    return 0;
}

int32_t PointIndexOfX(const ProgramState& state, double x) {
    return IndexOfFirstXAtOrAbove(state.Points.PointX, x);
}

int32_t Stage4IndexOfX(const ProgramState& state, double x) {
    return IndexOfFirstXAtOrAbove(state.Stages.Stage4.X, x);
}

double NumberAfterLastSpace(std::string_view text, const NumberFormat& format) {
    size_t blank = text.rfind(' ');
    return ConvertListNumber(blank == std::string_view::npos ? text : text.substr(blank + 1),
                             format);
}

double TakeFirstNumber(std::string_view text, const NumberFormat& format) {
    return ConvertListNumber(text.substr(0, text.find(',')), format);
}

}  // namespace ostrel
