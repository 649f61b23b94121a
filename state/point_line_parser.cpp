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
    for (char c : line) {
        if (IsNumberChar(c)) {
            if (state == 0) state = 1;
            if (state == 1) {
                if (lengthX == kPointFieldLength) {
                    error.kind = PointLineError::Kind::FieldTooLong;
                    error.field.assign(fieldX, lengthX);
                    error.field += c;
                    return false;
                }
                fieldX[lengthX++] = c;
                continue;
            }
            if (state == 2) state = 3;
            if (afterPoint) ++decimals;
            if (c == '.') afterPoint = true;
            if (lengthY == kPointFieldLength) {
                error.kind = PointLineError::Kind::FieldTooLong;
                error.field.assign(fieldY, lengthY);
                error.field += c;
                return false;
            }
            fieldY[lengthY++] = c;
        } else if (state == 1) {
            state = 2;
        }
    }
    if (decimals > maxYDecimals) maxYDecimals = decimals;
    return Convert(fieldX, lengthX, point.x, error) && Convert(fieldY, lengthY, point.y, error);
}

}  // namespace ostrel
