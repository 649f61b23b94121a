#include "reference/calibration_list.h"

#include <algorithm>

#include "results/results_table.h"
#include "state/errors.h"
#include "state/list_numbers.h"
#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

void CheckLine(const CalibrationList& list, int32_t pos) {
    if (pos < 0 || pos >= list.CalibCount())
        throw CommandError("В списке калибровочных масс нет строки " + std::to_string(pos) + ".");
}

}  // namespace

TrueMass TrueMassAsListed(double mass, const NumberFormat& format) {
    TrueMass t;
    t.text = format.Shortest(mass);
    t.value = format.ParseReal(t.text);
    return t;
}

TrueMass ReferenceMassAsListed(double mass, const NumberFormat& format) {
    TrueMass t;
    t.text = format.Fixed(mass, 6);
    t.value = format.ParseReal(t.text);
    return t;
}

int32_t CalibrationList::TrueMassCount() const {
    return static_cast<int32_t>(std::count_if(
        entries.begin(), entries.end(), [](const auto& e) { return e.trueMass.has_value(); }));
}

AddResult AddCalibrationPeak(CalibrationList& list, int32_t peak) {
    AddResult result;
    auto& e = list.entries;
    const auto at = std::lower_bound(
        e.begin(), e.end(), peak, [](const CalibrationEntry& x, int32_t p) { return x.peak < p; });
    if (at != e.end() && at->peak == peak) {
        result.message = kPeakAlreadyListedMessage;
        return result;
    }
    result.position = static_cast<int32_t>(at - e.begin());
    e.insert(at, CalibrationEntry{peak, std::nullopt});
    return result;
}

void RemoveCalibrationLine(CalibrationList& list, int32_t pos) {
    CheckLine(list, pos);
    list.entries.erase(list.entries.begin() + pos);
}

bool ManualMassKeyAccepted(char key) {
    return (key >= '0' && key <= '9') || key == '.' || key == '\b';
}

bool ManualMassTextAccepted(std::string_view text) {
    if (text.size() > static_cast<size_t>(kManualMassLength)) return false;
    if (std::count(text.begin(), text.end(), '.') > 1) return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c != '\b' && ManualMassKeyAccepted(c); });
}

std::optional<std::string> GiveTypedMass(CalibrationList& list, int32_t pos, std::string_view typed,
                                         const NumberFormat& format) {
    CheckLine(list, pos);
    if (typed.empty()) return std::string(kNothingTypedMessage);
    if (!ManualMassTextAccepted(typed)) throw CommandError(InvalidNumberMessage(typed));
    // "." alone or a stray text would not make a calibration point.
    const double value = format.ParseReal(typed);
    list.entries[pos].trueMass = TrueMass{std::string(typed), value};
    return std::nullopt;
}

void GiveStandardMass(CalibrationList& list, int32_t pos, std::string_view standardLine,
                      const NumberFormat& format) {
    CheckLine(list, pos);
    GiveTrueMass(list, pos, TrueMassAsListed(TakeFirstNumber(standardLine, format), format));
}

void GiveTrueMass(CalibrationList& list, int32_t pos, const TrueMass& mass) {
    CheckLine(list, pos);
    list.entries[pos].trueMass = mass;
}

bool ProverkaZapol(const CalibrationList& list) {
    return list.CalibCount() == list.TrueMassCount();
}

PointList KalibrLine(const CalibrationList& list, const PeakResults& peaks) {
    PointList points;
    for (const CalibrationEntry& e : list.entries) {
        if (e.peak < 0 || e.peak >= static_cast<int32_t>(peaks.size()))
            throw CommandError("Пика " + std::to_string(e.peak) + " нет в таблице пиков.");
        if (!e.trueMass) throw CommandError(kTrueMassesMissingMessage);
        const double measured = peaks[e.peak].centre;
        points.X.push_back(measured);
        points.Y.push_back(static_cast<double>((L(e.trueMass->value) - measured) * 1000));
    }
    return points;
}

std::vector<std::string> CalibrationLines(const CalibrationList& list, const PeakResults& peaks,
                                          const NumberFormat& format) {
    std::vector<std::string> lines;
    lines.reserve(list.entries.size());
    for (const CalibrationEntry& e : list.entries) {
        if (e.peak < 0 || e.peak >= static_cast<int32_t>(peaks.size()))
            throw CommandError("Пика " + std::to_string(e.peak) + " нет в таблице пиков.");
        std::string line = MassListLine(peaks[e.peak], format);
        if (e.trueMass) line += ",  " + e.trueMass->text;
        lines.push_back(std::move(line));
    }
    return lines;
}

void AppendCalibrationPoints(PointList& points, const PointList& added) {
    for (int32_t i = 0; i < added.Count(); ++i) {
        // After the last point of a smaller or equal x: equal x keep their arrival order.
        const auto at = std::upper_bound(points.X.begin(), points.X.end(), added.X[i]);
        const auto offset = at - points.X.begin();
        points.X.insert(at, added.X[i]);
        points.Y.insert(points.Y.begin() + offset, added.Y[i]);
    }
}

std::vector<std::string> ShowIndexLines(const CalibrationList& list) {
    std::vector<std::string> lines;
    for (int32_t j = 0; j < list.CalibCount(); ++j)
        lines.push_back(std::to_string(j) + ",  " + std::to_string(list.entries[j].peak));
    return lines;
}

std::string CurveCreatedMessage() {
    return JoinMessageLines({"Калибровочная линия создана", "",
                             "Если Вы хотите заново ввести калибровочные массы,",
                             "то нажмите кнопку \"Очистить список\""});
}

}  // namespace ostrel
