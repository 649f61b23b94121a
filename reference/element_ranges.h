// The elements and atom counts that the composition of a peak may use: "C1-100,H0-200,N0-4",
// one range per element, an element not named being absent.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "reference/elements.h"

namespace ostrel {

struct AtomCountRange {
    int32_t min = 0;
    int32_t max = 0;  // 0: the element is absent
    bool operator==(const AtomCountRange&) const = default;
};

struct ElementRanges {
    std::array<AtomCountRange, kElementCount> range{};

    AtomCountRange& operator[](Element e) { return range[static_cast<int32_t>(e)]; }
    const AtomCountRange& operator[](Element e) const { return range[static_cast<int32_t>(e)]; }
    bool operator==(const ElementRanges&) const = default;
};

// The largest count a range may give one element: beyond it no ion of a spectrum lies.
inline constexpr int32_t kMaxAtomCount = 999;

// C1-100, H0-200, N0-4, O0-6, F0-45, S0-2: the organic and fluorinated ions of the laboratory's
// spectra up to about 1000 u.
ElementRanges DefaultElementRanges();

// Reads "C1-100,H0-200,N0-4" (blanks around the items allowed): each item an element symbol of
// C, H, N, O, F, S, Cl, Br, Si, P followed by "min-max". An element not named is absent. Throws
// CommandError with a message that names the item otherwise (unknown element, an element twice,
// no range, min above max, a count above kMaxAtomCount, an empty text).
ElementRanges ParseElementRanges(std::string_view text);

// The text ParseElementRanges reads back: the elements present in the order of Element.
std::string ElementRangesText(const ElementRanges& ranges);

}  // namespace ostrel
