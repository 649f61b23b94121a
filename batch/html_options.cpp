#include "batch/html_options.h"

#include "state/errors.h"

namespace ostrel {

HtmlLook ParseHtmlLook(const std::string& text) {
    if (text == "0") return HtmlLook::Plain;
    if (text == "1") return HtmlLook::Improved;
    throw CommandError("Недопустимый вид страницы \"" + text + "\": нужно 0 или 1.");
}

ColumnChoice ParseColumnChoice(const std::string& text) {
    ColumnChoice chosen{};
    if (text.size() != chosen.size() || text.find_first_not_of("01") != std::string::npos)
        throw CommandError("Недопустимый выбор столбцов \"" + text + "\": нужно 12 цифр 0 или 1.");
    for (size_t c = 0; c < chosen.size(); ++c) chosen[c] = text[c] == '1';
    return chosen;
}

ColumnWidths ParseColumnWidths(const std::string& text) {
    constexpr int kMaxWidth = 100000;
    const std::string bad = "Недопустимые ширины столбцов \"" + text +
                            "\": нужно 12 целых чисел от 0 до 100000 через запятую.";
    ColumnWidths widths{};
    size_t start = 0;
    for (size_t c = 0; c < widths.size(); ++c) {
        const bool last = c + 1 == widths.size();
        const size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != last) throw CommandError(bad);
        const std::string field = text.substr(start, last ? std::string::npos : comma - start);
        if (field.empty() || field.size() > 6 ||
            field.find_first_not_of("0123456789") != std::string::npos)
            throw CommandError(bad);
        const int width = std::stoi(field);
        if (width > kMaxWidth) throw CommandError(bad);
        widths[c] = width;
        start = comma + 1;
    }
    return widths;
}

}  // namespace ostrel
