#include "results/chart_images.h"

#include <algorithm>
#include <cctype>

namespace ostrel {

ImageFormat ImageFormatFor(const std::string& path, int chosenFilter) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string ext = path.substr(dot + 1);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext == "bmp") return ImageFormat::Bmp;
        if (ext == "png") return ImageFormat::Png;
        if (ext == "pdf") return ImageFormat::Pdf;
    }
    switch (chosenFilter) {
        case 1:
            return ImageFormat::Png;
        case 2:
            return ImageFormat::Pdf;
        default:
            return ImageFormat::Bmp;
    }
}

std::string NoPrinterMessage() {
    return "Печать невозможна: на этом компьютере не установлен ни один принтер.";
}

std::string PrintFailedMessage(const std::string& printerName) {
    return printerName.empty()
               ? "Не удалось напечатать график."
               : "Не удалось напечатать график на принтере \"" + printerName + "\".";
}

std::string ImageFailedMessage(const std::string& path) {
    return "Не удалось построить рисунок графика для файла \"" + path + "\".";
}

}  // namespace ostrel
