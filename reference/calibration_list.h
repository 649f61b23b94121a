// The calibration list of the page "Калибровочные массы": measured peaks (lines of the list of
// all masses) paired with true masses, typed or taken from the standard masses, and the
// calibration points made from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "processing/point_list.h"

namespace ostrel {

class NumberFormat;
struct PeakTables;

inline constexpr const char* kPeakAlreadyListedMessage = "Вы уже занесли этот пик";
inline constexpr const char* kNothingTypedMessage = "Вы ничего не ввели";
inline constexpr const char* kTrueMassesMissingMessage =
    "Вы не для всех масс задали истинные массы";

// A calibration line is a line of all masses («43.1,  15230»), optionally followed by ",  " and
// its true mass; it carries a true mass exactly when it holds two commas.
struct CalibrationList {
    std::vector<int32_t> CalibIndex;  // the peak of each line, ascending
    std::vector<std::string> Lines;   // the lines of ListBox6, same order
    int32_t TrueMassCount = 0;        // lines that carry a true mass

    int32_t CalibCount() const { return static_cast<int32_t>(CalibIndex.size()); }
};

// Cuts a line of exactly two commas just before the last one (dropping its true mass) and
// answers true; any other text stays as it is and the answer is false.
bool CutAtLastComma(std::string& text);
// Entries count−1 down to pos+1 take the entry before them; the caller has already made room.
void IndexListInsertGap(std::vector<int32_t>& index, int32_t pos);
// Entries pos to count−2 take the entry after them; the caller then drops the last one.
void IndexListRemoveAt(std::vector<int32_t>& index, int32_t pos);
// With n lines and pos < n: lines n down to pos+1 take the line before them (line n is a new last
// line); line pos is then a copy to be overwritten. Nothing when pos ≥ n.
void ListBoxInsertGap(std::vector<std::string>& lines, int32_t pos);

// ">>": puts peak `peak` (its line of all masses given) into the list at its place in ascending
// peak order, and answers the position. The message "Вы уже занесли этот пик" when the peak is
// there already (nothing changes).
struct AddResult {
    int32_t position = -1;
    std::optional<std::string> message;
};
AddResult AddCalibrationPeak(CalibrationList& list, int32_t peak, const std::string& massLine);

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
// "<<" of "Стандартные массы": the same with the mass in the first field of the standard line.
void GiveStandardMass(CalibrationList& list, int32_t pos, std::string_view standardLine,
                      const NumberFormat& format);

// "Создать кривую" may go on: every line carries a true mass.
bool ProverkaZapol(const CalibrationList& list);

// The calibration points, one per line in list order: x the peak's measured mass, y the
// deviation (true − measured)·1000 in milli-mass-units.
PointList KalibrLine(const CalibrationList& list, const PeakTables& peaks,
                     const NumberFormat& format);

// Adds points to the calibration points, keeping them in ascending x (points of one x in the
// order they came in).
void AppendCalibrationPoints(PointList& points, const PointList& added);

// The index log of ListBox7: "j,  CalibIndex[j]" per line.
std::vector<std::string> ShowIndexLines(const CalibrationList& list);

// The hint after "Создать кривую".
std::string CurveCreatedMessage();

}  // namespace ostrel
