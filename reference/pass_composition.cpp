#include "reference/pass_composition.h"

#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {

ComposeSettings ParseComposeSettings(std::string_view elementsText, std::string_view toleranceText,
                                     const NumberFormat& format) {
    ComposeSettings settings;
    settings.elements = ParseElementRanges(elementsText);
    const auto refuse = [&] {
        throw CommandError("Допуск \"" + std::string(toleranceText) +
                           "\" не прочитан: нужно число mmu больше 0 и не больше " +
                           format.Shortest(kMaxToleranceMmu) + ".");
    };
    try {
        settings.toleranceMmu = format.ParseReal(toleranceText);
    } catch (const CommandError&) {
        refuse();
    }
    if (!(settings.toleranceMmu > 0 && settings.toleranceMmu <= kMaxToleranceMmu)) refuse();
    return settings;
}

std::string ElementsText(const ComposeSettings& settings) {
    return ElementRangesText(settings.elements);
}

std::string ToleranceText(const ComposeSettings& settings, const NumberFormat& format) {
    return format.Shortest(settings.toleranceMmu);
}

ComposePeak ComposePeakOf(const PeakResult& peak) {
    ComposePeak c;
    c.mass = peak.centre;
    c.massError = peak.errors[3];
    c.height = peak.modelB;
    c.heightError = peak.errors[1];
    c.resolvingPower = peak.resolvingPower;
    c.usable = IsUsableFit(peak);
    return c;
}

PassComposition ComposePass(const PeakResults& peaks, int32_t firstPeakHeight,
                            const ComposeSettings& settings) {
    PassComposition pass;
    pass.options.elements = settings.elements;
    pass.options.toleranceMmu = settings.toleranceMmu;
    pass.options.detectionHeight = firstPeakHeight > 0 ? firstPeakHeight : 0;
    std::vector<ComposePeak> fed;
    fed.reserve(peaks.size());
    for (const PeakResult& p : peaks) fed.push_back(ComposePeakOf(p));
    pass.peaks = ComposePeaks(fed, pass.options);
    return pass;
}

}  // namespace ostrel
