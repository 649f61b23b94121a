#include "state/window_texts.h"

#include "state/messages.h"
#include "state/number_format.h"

namespace ostrel {

std::string WindowTitle(std::string_view openFileName) {
    if (openFileName.empty()) return "Ostrel";
    return std::string(openFileName) + " — Ostrel";
}

std::string PointerStatusText(const PointerAxes& axes, double x, double y,
                              std::optional<double> clickedX, const NumberFormat& f) {
    std::string text = std::string(axes.x) + " = " + f.Fixed(x, axes.xDecimals) + "   " + axes.y +
                       " = " + f.Fixed(y, axes.yDecimals);
    if (clickedX)
        text += "   Δ" + std::string(axes.x) + " = " + f.Fixed(x - *clickedX, axes.xDecimals) +
                " от " + f.Fixed(*clickedX, axes.xDecimals);
    return text;
}

std::string IntensityAxisTitle(bool scaledBy1000) {
    return scaledBy1000 ? "Интенсивность × 1000 (в файле дробные значения)" : "Интенсивность";
}

std::string QuitQuestion(const UnsavedWork& unsaved) {
    std::string what;
    if (unsaved.passResults && unsaved.recalculatedSpectrum)
        what = "Результаты последней обработки и пересчитанный спектр не сохранены.";
    else if (unsaved.passResults)
        what = "Результаты последней обработки не сохранены и не выведены в файл.";
    else
        what = "Пересчитанный спектр не сохранён (\"Сохранить...\").";
    return JoinMessageLines({what, "", "Выйти из программы?"});
}

}  // namespace ostrel
