#include "fuzz/shown_values.h"

#include <algorithm>
#include <cctype>

namespace ostrel::fuzz {

bool ShowsNonFinite(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80                ? 1
                              : c >= 0xc2 && c < 0xe0 ? 2
                              : c >= 0xe0 && c < 0xf0 ? 3
                              : c >= 0xf0 && c < 0xf5 ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return false;
        i += length;
    }
    return true;
}

std::string FirstUnsoundLine(std::string_view what, const std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (ShowsNonFinite(lines[i]))
            return std::string(what) + ", line " + std::to_string(i) +
                   " shows a non-finite value: " + lines[i];
        if (!IsValidUtf8(lines[i]))
            return std::string(what) + ", line " + std::to_string(i) + " is not UTF-8";
    }
    return "";
}

}  // namespace ostrel::fuzz
