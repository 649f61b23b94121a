#include "state/list_numbers.h"

#include <string>

#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

constexpr size_t kListNumberLength = 51;

}  // namespace

double TakeFirstNumber(std::string_view text, const NumberFormat& format) {
    const std::string_view number = text.substr(0, text.find(','));
    if (number.size() > kListNumberLength)
        throw CommandError("Число в строке списка длиннее " + std::to_string(kListNumberLength) +
                           " символа: \"" + std::string(number) + "\".");
    return format.ParseReal(number);
}

}  // namespace ostrel
