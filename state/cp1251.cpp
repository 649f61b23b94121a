#include "state/cp1251.h"

#include <array>
#include <cstdint>

namespace ostrel {

namespace {

// Code points of the bytes 0x80..0xFF. The byte 0x98 has no character; it maps to U+0098 so that
// it survives a read and a write unchanged.
constexpr std::array<char32_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char EncodeOne(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            AppendUtf8(out, kHighHalf[b - 0x80]);
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += text[i++];
            continue;
        }
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        if (extra == 0) {  // a continuation byte without its lead byte
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= text.size()) {
                ok = false;
                break;
            }
            auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += EncodeOne(cp);
        i += extra + 1;
    }
    return out;
}

std::optional<std::string> MarkedTextToCp1251(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Utf8ToCp1251(bytes.substr(3));
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) return std::nullopt;
    const auto unit = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(little ? a | b << 8 : a << 8 | b);
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    size_t i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {  // a pair beyond the 16-bit plane
                out += '?';
                i += 2;
                continue;
            }
        }
        out += u >= 0xD800 && u <= 0xDFFF ? '?' : EncodeOne(u);
    }
    if (i < bytes.size()) out += '?';  // an odd byte at the end
    return out;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        // The length a lead byte announces and the range its second byte must lie in.
        size_t length = 1;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            length = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            length = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            length = 4;
        else if (b >= 0x80)
            length = 0;
        if (b == 0xE0) low = 0xA0;   // no overlong three-byte forms
        if (b == 0xED) high = 0x9F;  // no surrogates
        if (b == 0xF0) low = 0x90;   // no overlong four-byte forms
        if (b == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
        bool ok = length > 0 && i + length <= text.size();
        for (size_t k = 1; ok && k < length; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            ok = k == 1 ? t >= low && t <= high : (t & 0xC0) == 0x80;
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace ostrel
