#include "results/peak_doubts.h"

#include "state/number_format.h"

namespace ostrel {

namespace {

std::string ProblemText(FitProblem problem) {
    switch (problem) {
        case FitProblem::ZeroCofactor:
            return "подбор не удался: нулевой диагональный минор нормальной системы";
        case FitProblem::ZeroDeterminant:
            return "подбор не удался: нормальная система вырождена";
        case FitProblem::TooFewPoints:
            return "подбор не удался: в окне пика 4 точки или меньше";
        case FitProblem::NotFinite:
        case FitProblem::None:
            break;
    }
    return "подбор не удался: шаг дал значения, которые не являются числами";
}

}  // namespace

std::string DoubtText(const PeakResult& p, const NumberFormat& f) {
    if (p.IsProblem()) return ProblemText(p.problem);
    switch (DoubtOf(p)) {
        case FitDoubt::None:
            return std::string();
        case FitDoubt::NotFinite:
            return "результаты подбора не являются числами";
        case FitDoubt::AmplitudeNotPositive:
            return "амплитуда подобранной кривой " + f.Fixed(p.modelB, 1) +
                   " не положительна: кривая не описывает пик";
        case FitDoubt::ResolvingPowerNotPositive:
            return "разрешающая способность R = " + f.Fixed(p.resolvingPower, 0) +
                   " не положительна";
        case FitDoubt::CentreOutsideWindow:
            return "центр " + f.Fixed(p.centre, 4) + " вне окна пика " + f.Fixed(p.leftX, 4) +
                   " .. " + f.Fixed(p.rightX, 4);
        case FitDoubt::Undetermined:
            return "амплитуда или разрешающая способность меньше двух своих погрешностей: "
                   "данные пик не определяют";
        case FitDoubt::StepCap:
            return "подбор остановлен на пределе в " + std::to_string(kMaxPeakSteps) +
                   " шагов, не сойдясь";
        case FitDoubt::SettledAtCap:
            return "подбор остановлен на пределе в " + std::to_string(kMaxPeakSteps) +
                   " шагов, но последний шаг меньше сотой доли погрешностей: результат годен";
    }
    return std::string();
}

std::string DoubtBrief(const PeakResult& p) {
    if (p.IsProblem()) return "не подобран";
    switch (DoubtOf(p)) {
        case FitDoubt::None:
            return std::string();
        case FitDoubt::NotFinite:
            return "не числа";
        case FitDoubt::AmplitudeNotPositive:
            return "амплитуда ≤ 0";
        case FitDoubt::ResolvingPowerNotPositive:
            return "R ≤ 0";
        case FitDoubt::CentreOutsideWindow:
            return "центр вне окна";
        case FitDoubt::Undetermined:
            return "не определён";
        case FitDoubt::StepCap:
            return "не сошёлся";
        case FitDoubt::SettledAtCap:
            return "100 шагов, годен";
    }
    return std::string();
}

std::vector<std::string> DoubtfulPeakLines(const PeakResults& peaks, const NumberFormat& f) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < peaks.size(); ++i) {
        const std::string why = DoubtBrief(peaks[i]);
        if (why.empty()) continue;
        lines.push_back(std::to_string(i + 1) + " пик, " + f.Fixed(peaks[i].centre, 1) + ": " +
                        why);
    }
    return lines;
}

namespace {

// The records of one refinement group: [first, last] in table order.
std::pair<size_t, size_t> GroupOf(const PeakResults& peaks, size_t i) {
    if (peaks[i].group < 0) return {i, i};
    size_t first = i, last = i;
    while (first > 0 && peaks[first - 1].group == peaks[i].group) --first;
    while (last + 1 < peaks.size() && peaks[last + 1].group == peaks[i].group) ++last;
    return {first, last};
}

std::string RefinedLine(const PeakResults& peaks, size_t i, const NumberFormat& f) {
    const PeakResult& p = peaks[i];
    return "строка " + std::to_string(i + 1) + ": M = " + f.Fixed(p.centre, 5) +
           ", R = " + f.Fixed(p.resolvingPower, 0) + ", B = " + f.Fixed(p.height, 1) + ", " +
           (p.origin == PeakOrigin::Component ? "компонента" : "подобран заново");
}

}  // namespace

std::string RefinementText(const PeakResults& peaks, size_t i) {
    const PeakResult& p = peaks[i];
    if (p.origin == PeakOrigin::Pass) return std::string();
    if (p.origin == PeakOrigin::Refitted) return "подобран заново при уточнении";
    const auto [first, last] = GroupOf(peaks, i);
    size_t components = 0;
    for (size_t k = first; k <= last; ++k) components += peaks[k].origin == PeakOrigin::Component;
    return "одна из " + std::to_string(components) +
           " компонент, на которые уточнение разделило пик (строки " + std::to_string(first + 1) +
           "–" + std::to_string(last + 1) + ")";
}

std::vector<std::string> RefinementLines(const PeakResults& peaks, const NumberFormat& f) {
    size_t refitted = 0, components = 0;
    for (const PeakResult& p : peaks) {
        refitted += p.origin == PeakOrigin::Refitted;
        components += p.origin == PeakOrigin::Component;
    }
    std::vector<std::string> lines = {"Уточнение: подобраны заново " + std::to_string(refitted) +
                                      ", компонент разделённых пиков " +
                                      std::to_string(components)};
    for (size_t i = 0; i < peaks.size(); ++i)
        if (peaks[i].origin != PeakOrigin::Pass) lines.push_back(RefinedLine(peaks, i, f));
    return lines;
}

std::vector<std::string> RefinementGroupLines(const PeakResults& peaks, size_t i,
                                              const NumberFormat& f) {
    if (i >= peaks.size() || peaks[i].origin == PeakOrigin::Pass) return {};
    const auto [first, last] = GroupOf(peaks, i);
    std::vector<std::string> lines = {"Уточнение:"};
    for (size_t k = first; k <= last; ++k) lines.push_back(RefinedLine(peaks, k, f));
    return lines;
}

std::string PeakLabelText(const PeakResult& peak, const NumberFormat& f) {
    return f.Fixed(peak.centre, 4);
}

}  // namespace ostrel
