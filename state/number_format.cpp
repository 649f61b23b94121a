#include "state/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale>

#include "state/errors.h"

namespace ostrel {

namespace {

bool AppendNonFinite(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NAN";
        return true;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

NumberFormat::NumberFormat() : separator_(SystemSeparator()) {}

char NumberFormat::SystemSeparator() {
    try {
        std::locale user("");
        char c = std::use_facet<std::numpunct<char>>(user).decimal_point();
        return c == 0 ? '.' : c;
    } catch (const std::exception&) {
        return '.';
    }
}

void AppendShortest(std::string& out, double value, char separator) {
    if (AppendNonFinite(out, value)) return;
    if (value == 0) {
        out += '0';
        return;
    }
    // 15 significant digits, correctly rounded: d.dddddddddddddde[+-]XX
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const char* p = buf;
    const char* end = res.ptr;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    char digits[15];
    int count = 0;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.') digits[count++] = *p;
    }
    int exponent = 0;
    const char* e = p + 1;
    if (e < end && *e == '+') ++e;
    std::from_chars(e, end, exponent);
    while (count > 1 && digits[count - 1] == '0') --count;

    if (exponent < -5 || exponent >= 15) {
        out += digits[0];
        if (count > 1) {
            out += separator;
            out.append(digits + 1, count - 1);
        }
        out += 'E';
        if (exponent < 0) out += '-';
        out += std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        int integerDigits = exponent + 1;
        for (int i = 0; i < integerDigits; ++i) out += i < count ? digits[i] : '0';
        if (count > integerDigits) {
            out += separator;
            out.append(digits + integerDigits, count - integerDigits);
        }
    } else {
        out += '0';
        out += separator;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out.append(digits, count);
    }
}

void AppendFixed(std::string& out, double value, int decimals, char separator) {
    if (AppendNonFinite(out, value)) return;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (decimals < 0 || res.ec != std::errc())
        throw CommandError("Число не помещается в формат с " + std::to_string(decimals) +
                           " знаками после запятой.");
    size_t start = out.size();
    out.append(buf, res.ptr);
    if (separator != '.') {
        for (size_t i = start; i < out.size(); ++i)
            if (out[i] == '.') out[i] = separator;
    }
}

std::string NumberFormat::Shortest(double value) const {
    std::string s;
    AppendShortest(s, value, separator_);
    return s;
}

std::string NumberFormat::Fixed(double value, int decimals) const {
    std::string s;
    AppendFixed(s, value, decimals, separator_);
    return s;
}

std::string NumberFormat::FixedDeviation(double value, int decimals) const {
    std::string text = Fixed(value, decimals);
    if (!text.empty() && text[0] == '-' &&
        text.find_first_not_of(std::string("0") + separator_, 1) == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string InvalidNumberMessage(std::string_view text) {
    std::string message = "\"";
    message += text;
    message += "\" не является допустимым числом.";
    return message;
}

double NumberFormat::ParseReal(std::string_view text) const {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    // Copy into the syntax std::from_chars reads: no leading '+', '.' as separator.
    char buf[64];
    size_t n = 0;
    size_t i = b;
    bool fail = e - b >= sizeof buf;
    if (!fail && i < e && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') buf[n++] = '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool seenSeparator = false;
    for (; !fail && i < e; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            buf[n++] = c;
            ++mantissaDigits;
        } else if (c == separator_ && !seenSeparator) {
            buf[n++] = '.';
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) fail = true;
    if (!fail && i < e && (text[i] == 'e' || text[i] == 'E')) {
        buf[n++] = 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-') buf[n++] = '-';
            ++i;
        }
        int exponentDigits = 0;
        for (; i < e && text[i] >= '0' && text[i] <= '9'; ++i) {
            buf[n++] = text[i];
            ++exponentDigits;
        }
        if (exponentDigits == 0) fail = true;
    }
    if (i != e) fail = true;
    double value = 0;
    if (!fail) {
        auto res = std::from_chars(buf, buf + n, value);
        // A magnitude beyond the double range is as unusable as a malformed text.
        fail = res.ec != std::errc() || res.ptr != buf + n;
    }
    if (fail) throw CommandError(InvalidNumberMessage(text));
    return value;
}

int32_t NumberFormat::ParseInt(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    std::string_view body = text.substr(b, e - b);
    if (body.size() > 1 && body[0] == '+' && body[1] != '-') body.remove_prefix(1);
    int32_t value = 0;
    auto res = std::from_chars(body.data(), body.data() + body.size(), value);
    if (body.empty() || res.ec != std::errc() || res.ptr != body.data() + body.size()) {
        std::string message = "\"";
        message += text;
        message += "\" не является допустимым целым числом.";
        throw CommandError(message);
    }
    return value;
}

}  // namespace ostrel
