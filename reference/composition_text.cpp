#include "reference/composition_text.h"

#include <algorithm>
#include <functional>

#include "state/number_format.h"
#include "state/results_grid.h"

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
    cells[3] = format.FixedDeviation(list.front().errorMmu, 2);
    cells[4] = format.Fixed(list.front().ringsPlusDoubleBonds, 1);
    cells[5] = OtherCandidatesText(composition, format);
    return cells;
}

std::string OtherCandidatesText(const PeakComposition& composition, const NumberFormat& format) {
    const auto& list = composition.candidates;
    std::string text;
    const size_t last = std::min(list.size(), static_cast<size_t>(kOtherCandidatesShown) + 1);
    for (size_t k = 1; k < last; ++k) {
        if (k > 1) text += ' ';
        text += CandidateText(list[k]) + "(" + format.FixedDeviation(list[k].errorMmu, 2) + ")";
    }
    return text;
}

namespace {

std::string ParityText(const CompositionCandidate& c) {
    return c.evenElectron ? "чётноэлектронный" : "нечётноэлектронный";
}

// A height ratio as a percentage of the monoisotopic peak: one decimal, two below 1 %.
std::string PercentText(double ratio, const NumberFormat& format) {
    const double percent = ratio * 100;
    return format.Fixed(percent, percent < 1 ? 2 : 1) + " %";
}

}  // namespace

std::vector<std::string> CompositionPageHeaderCells() {
    return {"M",   "Масса", "Формула",       "Ошибка, mmu", "Ошибка, ppm",
            "DBE", "Ион",   "Изотопный пик", "Доля",        "Другие формулы"};
}

std::vector<std::string> CompositionPageCells(std::string_view mText, std::string_view massText,
                                              const PeakComposition& composition, bool problemPeak,
                                              const NumberFormat& format) {
    std::vector<std::string> cells(CompositionPageHeaderCells().size());
    cells[0] = mText;
    cells[1] = massText;
    if (!composition.usable) {
        if (!problemPeak) cells[2] = kUnsoundFitText;
        return cells;
    }
    if (composition.candidates.empty()) {
        cells[2] = kNothingWithinToleranceText;
        return cells;
    }
    const CompositionCandidate& best = composition.candidates.front();
    cells[2] = CandidateText(best);
    cells[3] = format.FixedDeviation(best.errorMmu, 2);
    cells[4] = format.FixedDeviation(best.errorPpm, 1);
    cells[5] = format.Fixed(best.ringsPlusDoubleBonds, 1);
    cells[6] = ParityText(best);
    cells[7] = SatelliteAgreementText(best.satellites[0], format);
    cells[8] = format.Fixed(best.share * 100, 0) + " %";
    cells[9] = OtherCandidatesText(composition, format);
    return cells;
}

namespace {

// One row per peak of the composition that the table has a row for (row k + 1 for peak k).
CompositionRows RowsOf(
    const ResultsGrid& table, size_t count, std::vector<std::string> header,
    const std::function<std::vector<std::string>(const std::string&, const std::string&, size_t)>&
        row) {
    CompositionRows rows{std::move(header)};
    count = std::min(count, static_cast<size_t>(std::max(table.RowCount() - 1, 0)));
    rows.reserve(count + 1);
    for (size_t k = 0; k < count; ++k) {
        const auto r = static_cast<int32_t>(k) + 1;
        rows.push_back(row(table.Cell(0, r), table.Cell(1, r), k));
    }
    return rows;
}

}  // namespace

CompositionRows CompositionLines(const ResultsGrid& table,
                                 const std::vector<PeakComposition>& composition,
                                 const NumberFormat& format) {
    return RowsOf(table, composition.size(), CompositionHeaderCells(),
                  [&](const std::string& m, const std::string& mass, size_t k) {
                      return CompositionLineCells(m, mass, composition[k], format);
                  });
}

CompositionRows CompositionPageRows(const ResultsGrid& table, const PeakResults& peaks,
                                    const std::vector<PeakComposition>& composition,
                                    const NumberFormat& format) {
    return RowsOf(table, std::min(peaks.size(), composition.size()), CompositionPageHeaderCells(),
                  [&](const std::string& m, const std::string& mass, size_t k) {
                      return CompositionPageCells(m, mass, composition[k], peaks[k].IsProblem(),
                                                  format);
                  });
}

std::vector<std::string> CandidateHeaderCells() {
    return {"Формула", "Масса иона", "Ошибка, mmu", "Ошибка, ppm", "DBE",
            "Ион",     "Оценка",     "Доля",        "+1",          "+2"};
}

std::vector<std::string> CandidateCells(const CompositionCandidate& c, const NumberFormat& format) {
    return {CandidateText(c),
            format.Fixed(c.ionMass, 6),
            format.FixedDeviation(c.errorMmu, 2),
            format.FixedDeviation(c.errorPpm, 1),
            format.Fixed(c.ringsPlusDoubleBonds, 1),
            ParityText(c),
            format.Fixed(c.score, 2),
            format.Fixed(c.share * 100, 1) + " %",
            SatelliteCheckText(c.satellites[0], format),
            c.isotopeShift == 0 ? SatelliteCheckText(c.satellites[1], format) : std::string()};
}

std::string SatelliteAgreementText(const SatelliteCheck& check, const NumberFormat& format) {
    // A formula without a heavy isotope at that shift has no label: the shift names it.
    std::string head = check.label;
    if (head.empty()) head.append(1, '+').append(std::to_string(check.shift));
    head += ": ";
    switch (check.state) {
        case SatelliteState::Found:
            return head + PercentText(check.observedRatio, format) + " из " +
                   PercentText(check.predictedRatio, format);
        case SatelliteState::Missing:
            return head + "нет, ожидается " + PercentText(check.predictedRatio, format);
        case SatelliteState::NotExpected:
            return head + "ниже видимого";
        case SatelliteState::HiddenByProblem:
        case SatelliteState::Covered:
            return head + "скрыт";
    }
    return head;
}

std::string CandidatesCaption(std::string_view massText, const PeakComposition& composition,
                              const NumberFormat& format) {
    const std::string mass(massText);
    if (!composition.usable) return "Пик " + mass + " не подогнан надёжно: формулы не искались";
    // The ions found in the window and the satellite readings of this peak, of which the best
    // are kept.
    const auto& list = composition.candidates;
    const size_t satellites = static_cast<size_t>(
        std::count_if(list.begin(), list.end(), [](const auto& c) { return c.isotopeShift != 0; }));
    const size_t all = static_cast<size_t>(composition.foundWithinTolerance) + satellites;
    const std::string count =
        all > list.size() ? std::to_string(list.size()) + " лучших из " + std::to_string(all)
                          : std::to_string(list.size());
    return "Формулы пика " + mass + ": " + count + " в окне ±" +
           format.Fixed(composition.windowMmu, 2) + " mmu";
}

std::string CompositionMarkLine(const PeakComposition& composition, const NumberFormat& format) {
    if (!composition.usable || composition.candidates.empty()) return std::string();
    const CompositionCandidate& best = composition.candidates.front();
    return CandidateText(best) + " (" + format.FixedDeviation(best.errorMmu, 2) + " mmu)";
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
