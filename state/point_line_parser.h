// The reader's view of one point line: x is the first run of number characters, y every number
// character after the first separator that follows x.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

struct PointLine {
    double x = 0;
    double y = 0;
};

// Why a line could not be read: the field text that failed and what went wrong.
struct PointLineError {
    enum class Kind { None, InvalidNumber, FieldTooLong } kind = Kind::None;
    std::string field;
    bool inY = false;  // the field is y's (an invalid number; x was read)
};

inline constexpr int kPointFieldLength = 21;
inline constexpr int kLineLength = 100;

// Splits the line (the caller passes at most its first 100 characters) and raises maxYDecimals to
// the count of number characters after the first "." of the y field. Returns false and fills the
// error when a field is empty, not a number, or longer than 21 characters.
bool ParsePointLine(std::string_view line, int32_t& maxYDecimals, PointLine& point,
                    PointLineError& error);

}  // namespace ostrel
