// The calibration list of the page "Калибровочные массы": measured peaks (lines of the list of
// all masses) paired with true masses, typed or taken from the standard masses, and the
// calibration points made from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "processing/peak_result.h"
#include "processing/point_list.h"

namespace ostrel {

class NumberFormat;

inline constexpr const char* kPeakAlreadyListedMessage = "Вы уже занесли этот пик";
inline constexpr const char* kNothingTypedMessage = "Вы ничего не ввели";
inline constexpr const char* kTrueMassesMissingMessage =
    "Вы не для всех масс задали истинные массы";
// ">>" on a problem peak: its fit failed, so it has no measured mass to pair.
inline constexpr const char* kProblemPeakNotForCalibrationMessage =
    "Этот пик не подобран (\"Ошибка\"): у него нет измеренной массы, для калибровки он не "
    "годится.";
// "Создать кривую" on an empty list: there is nothing to make points of.
inline constexpr const char* kCalibrationListEmptyMessage =
    "Список \"Калибровочные массы\" пуст: выберите пики в списке \"Все массы\", занесите их "
    "кнопкой \">>\" и задайте им истинные массы.";

// A true mass as its calibration line shows it, and the number the curve takes from it: the text
// read back, so that the curve is made from exactly what the user sees.
struct TrueMass {
    std::string text;
    double value = 0;
};

// A mass given as a number keeps the mass as the line shows it, and the curve takes the value
// that text reads as. A standard mass shows its shortest text of up to 15 significant digits
// (which may differ from the given mass in its last bits); a reference ion's exact mass shows
// six decimals, a micro-unit, far below what a fitted centre is known to, as ostrel-batch
// autocal prints it.
TrueMass TrueMassAsListed(double mass, const NumberFormat& format);
TrueMass ReferenceMassAsListed(double mass, const NumberFormat& format);

// One line of the calibration list: a peak (its line of "Все массы") and, once given, its true
// mass.
struct CalibrationEntry {
    int32_t peak = 0;
    std::optional<TrueMass> trueMass;
};

struct CalibrationList {
    std::vector<CalibrationEntry> entries;  // in ascending peak order, each peak once

    int32_t CalibCount() const { return static_cast<int32_t>(entries.size()); }
    int32_t TrueMassCount() const;
};

// ">>": puts the peak into the list at its place in ascending peak order, and answers the
// position. The message "Вы уже занесли этот пик" when the peak is there already (nothing
// changes).
struct AddResult {
    int32_t position = -1;
    std::optional<std::string> message;
};
AddResult AddCalibrationPeak(CalibrationList& list, int32_t peak);

// "<<": removes the line at pos. Throws CommandError when pos is not a line.
void RemoveCalibrationLine(CalibrationList& list, int32_t pos);

// The key filter of "Ввод вручную": digits, the point and backspace.
bool ManualMassKeyAccepted(char key);
// What the field may hold: at most 20 characters, digits and at most one point, so that a line
// with it always fits and always parses.
bool ManualMassTextAccepted(std::string_view text);
inline constexpr int kManualMassLength = 20;

// "<<" of "Ввод вручную": gives the line at pos the typed mass, replacing a true mass it held.
// Answers the message "Вы ничего не ввели" for an empty text; throws CommandError for a text that
// is not a number or a pos that is not a line.
std::optional<std::string> GiveTypedMass(CalibrationList& list, int32_t pos, std::string_view typed,
                                         const NumberFormat& format);
// "<<" of "Стандартные массы": the same with the mass in the first field of the standard line,
// as TrueMassAsListed gives it.
void GiveStandardMass(CalibrationList& list, int32_t pos, std::string_view standardLine,
                      const NumberFormat& format);
// The same with a true mass given as one of the two above.
void GiveTrueMass(CalibrationList& list, int32_t pos, const TrueMass& mass);

// "Создать кривую" may go on: every line carries a true mass.
bool ProverkaZapol(const CalibrationList& list);

// The calibration points, one per line in list order: x the peak's measured mass, y the
// deviation (true − measured)·1000 in milli-mass-units. Throws CommandError for a line without a
// true mass or a peak that is not in the pass.
PointList KalibrLine(const CalibrationList& list, const PeakResults& peaks);

// The lines of ListBox6: the peak's line of "Все массы", and ",  " with the true mass's text when
// it has one («43.1,  15230,  43.05481»).
std::vector<std::string> CalibrationLines(const CalibrationList& list, const PeakResults& peaks,
                                          const NumberFormat& format);

// Adds points to the calibration points, keeping them in ascending x (points of one x in the
// order they came in).
void AppendCalibrationPoints(PointList& points, const PointList& added);

// The index log of ListBox7: "j,  CalibIndex[j]" per line.
std::vector<std::string> ShowIndexLines(const CalibrationList& list);

// The hint after "Создать кривую".
std::string CurveCreatedMessage();

}  // namespace ostrel
