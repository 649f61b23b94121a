#include "state/messages.h"

#include <algorithm>

#include "state/results_grid.h"

namespace ostrel {

std::string JoinMessageLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\r';
        text += lines[i];
    }
    return text;
}

std::string LoadHintMessage() {
    return JoinMessageLines(
        {"Перейдите на вкладку \"Настройка\"", "",
         "Задайте значение для KolUsred (кол-во усреднений):", "для одиночных пиков => 150",
         "для двойных пиков => 10", "", "и нажмите на кнопку \"Предварительная\"", ""});
}

std::string HeightAboveEveryZoneMessage(std::string_view heightText) {
    return "Высота " + std::string(heightText) +
           " больше высоты любой зоны: не осталось ни одного пика. Выберите меньшую высоту.";
}

const std::vector<std::string>& GridHeaders() {
    static const std::vector<std::string> headers = {
        "M", "Масса", "Ошибка", "Me", "DMe", "R", "dR", "A", "B", "Std Err", "Iter", "Kol"};
    return headers;
}

void WriteGridHeaders(ResultsGrid& grid) {
    for (int32_t c = 0; c < ResultsGrid::kColumnCount; ++c) grid.SetCell(c, 0, GridHeaders()[c]);
}

std::string ZoneListTooltip() {
    return JoinMessageLines({"первое число - высота зоны пика", "второе число - центр зоны"});
}

std::string DialogFilterToQt(std::string_view filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t bar = filter.find('|', start);
        parts.emplace_back(filter.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& caption = parts[i];
        if (!out.empty()) out += ";;";
        if (caption.size() > 2 && caption.back() == ')' &&
            caption.rfind(" (") != std::string::npos) {
            out += caption;
            continue;
        }
        // Several patterns of one caption are separated by ";", Qt separates them by blanks.
        std::string patterns = parts[i + 1];
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        out += caption + " (" + patterns + ")";
    }
    return out;
}

}  // namespace ostrel
