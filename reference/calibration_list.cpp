#include "reference/calibration_list.h"

#include <algorithm>
#include <numeric>

#include "processing/last_pass.h"
#include "state/errors.h"
#include "state/messages.h"
#include "state/number_format.h"
#include "state/others.h"

namespace ostrel {

namespace {

using L = long double;

void CheckLine(const CalibrationList& list, int32_t pos) {
    if (pos < 0 || pos >= static_cast<int32_t>(list.Lines.size()))
        throw CommandError("В списке калибровочных масс нет строки " + std::to_string(pos) + ".");
}

// Attaches the true mass text to the line at pos, dropping the one it carried.
void AttachTrueMass(CalibrationList& list, int32_t pos, const std::string& massText) {
    std::string line = list.Lines[pos];
    const bool hadTrueMass = CutAtLastComma(line);
    list.Lines[pos] = line + ",  " + massText;
    if (!hadTrueMass) ++list.TrueMassCount;
}

}  // namespace

bool CutAtLastComma(std::string& text) {
    if (std::count(text.begin(), text.end(), ',') != 2) return false;
    text.erase(text.rfind(','));
    return true;
}

void IndexListInsertGap(std::vector<int32_t>& index, int32_t pos) {
    for (int32_t i = static_cast<int32_t>(index.size()) - 1; i >= pos + 1; --i)
        index[i] = index[i - 1];
}

void IndexListRemoveAt(std::vector<int32_t>& index, int32_t pos) {
    for (int32_t i = pos; i <= static_cast<int32_t>(index.size()) - 2; ++i) index[i] = index[i + 1];
}

void ListBoxInsertGap(std::vector<std::string>& lines, int32_t pos) {
    const int32_t n = static_cast<int32_t>(lines.size());
    if (n <= pos) return;
    lines.push_back(lines[n - 1]);
    for (int32_t i = n - 1; i >= pos + 1; --i) lines[i] = lines[i - 1];
}

AddResult AddCalibrationPeak(CalibrationList& list, int32_t peak, const std::string& massLine) {
    AddResult result;
    if (std::find(list.CalibIndex.begin(), list.CalibIndex.end(), peak) != list.CalibIndex.end()) {
        result.message = kPeakAlreadyListedMessage;
        return result;
    }
    const int32_t end = list.CalibCount();
    int32_t p = end;
    for (int32_t i = 0; i < end; ++i)
        if (list.CalibIndex[i] > peak) {
            p = i;
            break;
        }
    list.CalibIndex.push_back(peak);
    if (p == end) {
        list.Lines.push_back(massLine);
    } else {
        IndexListInsertGap(list.CalibIndex, p);
        ListBoxInsertGap(list.Lines, p);
        list.CalibIndex[p] = peak;
        list.Lines[p] = massLine;
    }
    result.position = p;
    return result;
}

void RemoveCalibrationLine(CalibrationList& list, int32_t pos) {
    CheckLine(list, pos);
    std::string line = list.Lines[pos];
    if (CutAtLastComma(line)) --list.TrueMassCount;
    IndexListRemoveAt(list.CalibIndex, pos);
    list.CalibIndex.pop_back();
    list.Lines.erase(list.Lines.begin() + pos);
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
    format.ParseReal(typed);  // "." alone or a stray text would not make a calibration point
    AttachTrueMass(list, pos, std::string(typed));
    return std::nullopt;
}

void GiveStandardMass(CalibrationList& list, int32_t pos, std::string_view standardLine,
                      const NumberFormat& format) {
    CheckLine(list, pos);
    const double mass = TakeFirstNumber(standardLine, format);
    AttachTrueMass(list, pos, format.Shortest(mass));
}

bool ProverkaZapol(const CalibrationList& list) {
    return static_cast<int32_t>(list.Lines.size()) == list.TrueMassCount;
}

PointList KalibrLine(const CalibrationList& list, const PeakTables& peaks,
                     const NumberFormat& format) {
    PointList points;
    for (size_t j = 0; j < list.Lines.size(); ++j) {
        const double trueMass = NumberAfterLastSpace(list.Lines[j], format);
        const int32_t peak = list.CalibIndex[j];
        if (peak < 0 || peak >= peaks.PeakCount())
            throw CommandError("Пика " + std::to_string(peak) + " нет в таблице пиков.");
        const double measured = peaks.PeakM[peak];
        points.X.push_back(measured);
        points.Y.push_back(static_cast<double>((L(trueMass) - measured) * 1000));
    }
    return points;
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
        lines.push_back(std::to_string(j) + ",  " + std::to_string(list.CalibIndex[j]));
    return lines;
}

std::string CurveCreatedMessage() {
    return JoinMessageLines({"Калибровочная линия создана", "",
                             "Если Вы хотите заново ввести калибровочные массы,",
                             "то нажмите кнопку \"Очистить список\""});
}

}  // namespace ostrel
