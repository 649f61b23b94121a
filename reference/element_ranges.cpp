#include "reference/element_ranges.h"

#include <cctype>

#include "state/errors.h"

namespace ostrel {

ElementRanges DefaultElementRanges() {
    ElementRanges r;
    r[Element::C] = {1, 100};
    r[Element::H] = {0, 200};
    r[Element::N] = {0, 4};
    r[Element::O] = {0, 6};
    r[Element::F] = {0, 45};
    r[Element::S] = {0, 2};
    return r;
}

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string KnownSymbols() {
    std::string list;
    for (int32_t e = 0; e < kElementCount; ++e) {
        if (e > 0) list += ", ";
        list += kElements[e].symbol;
    }
    return list;
}

// Reads the digits at the start of s into count; false when there are none or too many.
bool TakeCount(std::string_view& s, int32_t& count) {
    size_t i = 0;
    int64_t value = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        if (value > kMaxAtomCount) return false;
        ++i;
    }
    if (i == 0) return false;
    count = static_cast<int32_t>(value);
    s.remove_prefix(i);
    return true;
}

}  // namespace

ElementRanges ParseElementRanges(std::string_view text) {
    const auto refuse = [&](const std::string& why) -> ElementRanges {
        throw CommandError("Элементы \"" + std::string(text) + "\" не прочитаны: " + why + ".");
    };
    if (Trimmed(text).empty()) return refuse("не указан ни один элемент");
    ElementRanges ranges;
    std::array<bool, kElementCount> seen{};
    std::string_view rest = text;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view item = Trimmed(rest.substr(0, comma));
        std::string quoted(1, '"');
        quoted.append(item).push_back('"');
        if (item.empty()) return refuse("пустой элемент списка");
        size_t symbolEnd = 0;
        while (symbolEnd < item.size() && std::isalpha(static_cast<unsigned char>(item[symbolEnd])))
            ++symbolEnd;
        const std::string_view symbol = item.substr(0, symbolEnd);
        int32_t element = -1;
        for (int32_t e = 0; e < kElementCount; ++e)
            if (symbol == kElements[e].symbol) element = e;
        if (element < 0)
            return refuse("в " + quoted + " неизвестный элемент (допустимы " + KnownSymbols() +
                          ")");
        if (seen[element]) return refuse("элемент " + std::string(symbol) + " указан дважды");
        seen[element] = true;
        std::string_view counts = item.substr(symbolEnd);
        AtomCountRange range;
        const bool minRead = TakeCount(counts, range.min);
        const bool dash = minRead && !counts.empty() && counts.front() == '-';
        if (dash) counts.remove_prefix(1);
        if (!dash || !TakeCount(counts, range.max) || !counts.empty())
            return refuse("в " + quoted + " ожидался диапазон вида " + std::string(symbol) +
                          "0-10 с числами не больше " + std::to_string(kMaxAtomCount));
        if (range.min > range.max)
            return refuse("в " + quoted + " наименьшее число атомов больше наибольшего");
        ranges.range[element] = range;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return ranges;
}

std::string ElementRangesText(const ElementRanges& ranges) {
    std::string text;
    for (int32_t e = 0; e < kElementCount; ++e) {
        const AtomCountRange& r = ranges.range[e];
        if (r.max == 0) continue;
        if (!text.empty()) text += ",";
        text +=
            std::string(kElements[e].symbol) + std::to_string(r.min) + "-" + std::to_string(r.max);
    }
    return text;
}

}  // namespace ostrel
