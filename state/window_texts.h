// Texts of the window's own frame: its title, the status line under the pointer, the axis
// title of the spectrum chart, the question before quitting and the refusals of commands that
// have nothing to work on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

class NumberFormat;

// "pftba_R3000.txt — Ostrel"; "Ostrel" before any spectrum.
std::string WindowTitle(std::string_view openFileName);

// What a chart's axes hold, for the status line.
struct PointerAxes {
    const char* x = "m/z";
    int xDecimals = 5;
    const char* y = "I";
    int yDecimals = 0;
};

// The status line with the pointer at (x, y) of a chart: «m/z = 69.00123   I = 12345», and
// «   Δm/z = 0.98765 от 68.01358» when a point of that chart was clicked.
std::string PointerStatusText(const PointerAxes& axes, double x, double y,
                              std::optional<double> clickedX, const NumberFormat& format);

// The title of the spectrum chart's intensity axis; it says so when the intensities of the file
// had decimals and were multiplied by 1000 on load.
std::string IntensityAxisTitle(bool scaledBy1000);

// What has not been saved or exported since it was made.
struct UnsavedWork {
    bool passResults = false;           // the results of the last pass
    bool recalculatedSpectrum = false;  // masses moved by "Пересчитать данные"
    bool Any() const { return passResults || recalculatedSpectrum; }
};
// The question before the program ends with unsaved work.
std::string QuitQuestion(const UnsavedWork& unsaved);

// Refusals of commands that have nothing to work on (their items are disabled too).
inline constexpr const char* kNoSpectrumToSaveMessage =
    "Спектр не открыт: сохранять нечего. Откройте спектр командой \"Открыть...\".";
inline constexpr const char* kNoResultsToExportMessage =
    "Результатов нет: сначала выполните последнюю обработку (\"Последняя\" на вкладке "
    "\"Настройка\").";

// The view switch that labels the fitted peaks on the spectrum chart with their masses.
inline constexpr const char* kPeakLabelsCaption = "Массы пиков";
// The command that brings back the masses a recalculation changed.
inline constexpr const char* kRestoreSpectrumCaption = "Вернуть исходный спектр";

}  // namespace ostrel
