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

std::string PeakLabelText(const PeakResult& peak, const NumberFormat& f) {
    return f.Fixed(peak.centre, 4);
}

}  // namespace ostrel
