// The composition of the peaks of one pass, the step of the road after the last pass: the
// settings the user chooses for it (the elements with their ranges, the tolerance) with their
// defaults and the reading of their texts, and the feed of ComposePeaks from the pass's records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "processing/peak_result.h"
#include "reference/composition.h"
#include "reference/element_ranges.h"

namespace ostrel {

class NumberFormat;

// What the page "Состав" and `ostrel-batch compose` choose; the rest of ComposeOptions keeps its
// defaults (kWidenWeakPeaksByOwnError among them).
struct ComposeSettings {
    static constexpr double kDefaultToleranceMmu = 2;

    ElementRanges elements = DefaultElementRanges();  // C1-100,H0-200,N0-4,O0-6,F0-45,S0-2
    double toleranceMmu = kDefaultToleranceMmu;

    bool operator==(const ComposeSettings&) const = default;
};

// The elements as ParseElementRanges reads them and the tolerance in mmu as a real of the
// format, above 0 and at most kMaxToleranceMmu. CommandError with the message to show for
// either text that cannot be taken, so that nothing is taken from a half-valid pair.
ComposeSettings ParseComposeSettings(std::string_view elementsText, std::string_view toleranceText,
                                     const NumberFormat& format);
// The texts the page's fields show for settings.
std::string ElementsText(const ComposeSettings& settings);
std::string ToleranceText(const ComposeSettings& settings, const NumberFormat& format);

// What the composition reads of one record: the centre D and its standard error, the model's
// own amplitude B (the table's "B" is B − A) and its standard error, the resolving power, and
// whether the fit is sound (IsUsableFit). A problem peak keeps its place, where it hides a
// satellite.
ComposePeak ComposePeakOf(const PeakResult& peak);

// The composition of a pass's peaks with the options it was made with.
struct PassComposition {
    ComposeOptions options;
    std::vector<PeakComposition> peaks;  // one per record, in table order; empty: not composed
};

// Every peak composed with the settings; a satellite predicted below the pass's first non-noise
// height (the detection height; 0: the lowest sound peak) is not missed. Reads only what it is
// given, so the window's worker runs it after the pass.
PassComposition ComposePass(const PeakResults& peaks, int32_t firstPeakHeight,
                            const ComposeSettings& settings);

}  // namespace ostrel
