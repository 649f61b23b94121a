#include "reference/composition_text.h"

#include "state/number_format.h"

namespace ostrel {

std::vector<std::string> CompositionHeaderCells() {
    return {"M", "Масса", "Формула", "Ошибка, mmu", "DBE", "Другие формулы"};
}

std::vector<std::string> CompositionLineCells(std::string_view mText, std::string_view massText,
                                              const PeakComposition& composition,
                                              const NumberFormat& format) {
    std::vector<std::string> cells{std::string(mText), std::string(massText), "", "", "", ""};
    const auto& list = composition.candidates;
    if (!composition.usable || list.empty()) return cells;
    cells[2] = CandidateText(list.front());
    cells[3] = format.Fixed(list.front().errorMmu, 2);
    cells[4] = format.Fixed(list.front().ringsPlusDoubleBonds, 1);
    const size_t last = std::min(list.size(), static_cast<size_t>(kOtherCandidatesShown) + 1);
    for (size_t k = 1; k < last; ++k) {
        if (k > 1) cells[5] += ' ';
        cells[5] += CandidateText(list[k]) + "(" + format.Fixed(list[k].errorMmu, 2) + ")";
    }
    return cells;
}

std::string SatelliteCheckText(const SatelliteCheck& check, const NumberFormat& format) {
    const std::string predicted = format.Fixed(check.predictedRatio, 4);
    const std::string head = check.label + ": ";
    switch (check.state) {
        case SatelliteState::Found:
            return head + format.Fixed(check.observedRatio, 4) + " ± " +
                   format.Fixed(check.observedRatioError, 4) + ", ожидается " + predicted;
        case SatelliteState::NotExpected:
            return head + "не найден, ожидается " + predicted + " — ниже видимого";
        case SatelliteState::Missing:
            return head + "не найден, хотя ожидается " + predicted;
        case SatelliteState::HiddenByProblem:
            return head + "на его месте проблемный пик";
        case SatelliteState::Covered:
            return head + "закрыт соседним пиком";
    }
    return head;
}

}  // namespace ostrel
