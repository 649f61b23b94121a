#include "state/point_line_parser.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace ostrel {

namespace {

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

// The field as an optional minus, digits and at most one point, when its digits make an integer
// below 2^53 and its decimals are 22 at most: integer and power of ten are then exact doubles, and
// their quotient is the correctly rounded value, as std::from_chars gives it.
bool ConvertSimple(const char* field, int length, double& value) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    int i = 0;
    const bool negative = length > 0 && field[0] == '-';
    if (negative) ++i;
    uint64_t digits = 0;
    int count = 0, decimals = -1;
    for (; i < length; ++i) {
        const char c = field[i];
        if (c == '.') {
            if (decimals >= 0) return false;
            decimals = 0;
        } else if (c >= '0' && c <= '9') {
            if (++count > 19) return false;
            digits = digits * 10 + static_cast<uint64_t>(c - '0');
            if (decimals >= 0) ++decimals;
        } else {
            return false;
        }
    }
    if (count == 0 || digits > (uint64_t{1} << 53) || decimals > 22) return false;
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[std::max(decimals, 0)];
    value = negative ? -magnitude : magnitude;
    return true;
}

bool Convert(const char* field, int length, double& value, PointLineError& error, bool inY) {
    if (ConvertSimple(field, length, value)) return true;
    auto res = std::from_chars(field, field + length, value);
    if (length == 0 || res.ec != std::errc() || res.ptr != field + length) {
        error.kind = PointLineError::Kind::InvalidNumber;
        error.field.assign(field, length);
        error.inY = inY;
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
    return Convert(fieldX, lengthX, point.x, error, false) &&
           Convert(fieldY, lengthY, point.y, error, true);
}

}  // namespace ostrel
