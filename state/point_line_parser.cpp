#include "state/point_line_parser.h"

#include <charconv>

namespace ostrel {

namespace {

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool Convert(const char* field, int length, double& value, PointLineError& error) {
    auto res = std::from_chars(field, field + length, value);
    if (length == 0 || res.ec != std::errc() || res.ptr != field + length) {
        error.kind = PointLineError::Kind::InvalidNumber;
        error.field.assign(field, length);
        return false;
    }
    return true;
}

}  // namespace

bool ParsePointLine(std::string_view line, int32_t& maxYDecimals, PointLine& point,
                    PointLineError& error) {
    char fieldX[kPointFieldLength] = {};
    char fieldY[kPointFieldLength] = {};
    int lengthX = 0;
    int lengthY = 0;
    int state = 0;  // 0 before x, 1 in x, 2 between the fields, 3 in y (never left)
    int decimals = 0;
    bool afterPoint = false;
    // Appends c to a field; a 22nd character is refused with the field's text.
    auto put = [&](char* field, int& length, char c) {
        if (length == kPointFieldLength) {
            error.kind = PointLineError::Kind::FieldTooLong;
            error.field.assign(field, length);
            error.field += c;
            return false;
        }
        field[length++] = c;
        return true;
    };
    for (char c : line) {
        if (IsNumberChar(c)) {
            if (state == 0) state = 1;
            if (state == 1) {
                if (!put(fieldX, lengthX, c)) return false;
                continue;
            }
            if (state == 2) state = 3;
            if (afterPoint) ++decimals;
            if (c == '.') afterPoint = true;
            if (!put(fieldY, lengthY, c)) return false;
        } else if (state == 1) {
            state = 2;
        }
    }
    if (decimals > maxYDecimals) maxYDecimals = decimals;
    return Convert(fieldX, lengthX, point.x, error) && Convert(fieldY, lengthY, point.y, error);
}

}  // namespace ostrel
