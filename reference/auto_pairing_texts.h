// The texts of the automatic pairing in the window: the reference sets it offers, the dialog of
// a list file, and what it says of a pairing.
#pragma once

#include <array>
#include <string>

namespace ostrel {

class NumberFormat;
struct AutoCalibrationResult;

// The choices of "Эталоны" and the names the road takes for them; the last one asks for a list
// file (an empty name).
inline constexpr std::array<const char*, 4> kReferenceSetCaptions = {"PFTBA", "CF", "CH",
                                                                     "Файл..."};
inline constexpr std::array<const char*, 4> kReferenceSetNames = {"pftba", "cf", "ch", ""};

inline constexpr const char* kReferenceListTitle = "Открыть список эталонных ионов";
inline constexpr const char* kReferenceListFilter = "Текст (*.txt)|*.TXT|Все (*.*)|*.*";

// «8 пар, прямая».
std::string AutoPairingSummary(const AutoCalibrationResult& pairing, const NumberFormat& format);

// The guidance after a pairing, while hints are on: how many pairs, the fit proposed and why,
// what to do next.
std::string AutoPairingHint(const AutoCalibrationResult& pairing, const NumberFormat& format);

// The line of "Калибровочная кривая" that marks the proposed fit: «Предложена прямая (8 пар,
// ожидаемая ошибка 0.14 mmu). Выбрана прямая: ...».
std::string ProposedFitText(const AutoCalibrationResult& pairing, const NumberFormat& format);

}  // namespace ostrel
