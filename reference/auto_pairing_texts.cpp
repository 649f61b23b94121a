#include "reference/auto_pairing_texts.h"

#include "reference/auto_pairing.h"
#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

// «8 пар», «1 пара», «3 пары».
std::string PairsText(size_t n) {
    const size_t last = n % 10, lastTwo = n % 100;
    const char* word = "пар";
    if (last == 1 && lastTwo != 11)
        word = "пара";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = "пары";
    return std::to_string(n) + " " + word;
}

const char* DegreeWord(const AutoCalibrationResult& r) {
    return r.degree == CurveDegree::Line ? "прямая" : "парабола";
}

}  // namespace

std::string AutoPairingSummary(const AutoCalibrationResult& r, const NumberFormat&) {
    return PairsText(r.pairs.size()) + ", " + DegreeWord(r);
}

std::string AutoPairingHint(const AutoCalibrationResult& r, const NumberFormat& f) {
    const bool line = r.degree == CurveDegree::Line;
    return JoinMessageLines(
        {"Подобрано " + PairsText(r.pairs.size()) + " \"пик - эталонный ион\"", "", r.degreeReason,
         "Ожидаемая ошибка кривой: " + f.Fixed(r.expectedErrorMmu, 3) + " mmu", "",
         "Проверьте список \"Калибровочные массы\", затем нажмите кнопку \"Создать кривую\"",
         std::string("и на вкладке \"Калибровочная кривая\" кнопку ") +
             (line ? "\"Подобрать линию\"" : "\"Подобрать параболу\"")});
}

std::string ProposedFitText(const AutoCalibrationResult& r, const NumberFormat& f) {
    return std::string("Предложена ") + DegreeWord(r) + " (" + PairsText(r.pairs.size()) +
           ", ожидаемая ошибка " + f.Fixed(r.expectedErrorMmu, 3) + " mmu). " + r.degreeReason;
}

}  // namespace ostrel
