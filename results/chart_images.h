// Pictures of the charts ("Файл" > ... > "BMP") and the printed spectrum chart ("Печать..."):
// the dialog texts, the choice of the picture format and the printer's messages.
#pragma once

#include <string>

namespace ostrel {

// The dialog texts of one image command.
struct ChartImageTexts {
    const char* title;
    const char* fileName;
};
inline constexpr ChartImageTexts kSpectrumImage = {"Сохранить график спектра", "График.bmp"};
inline constexpr ChartImageTexts kTheoryCHImage = {"Сохранить теорию CH (пилу)", "Пила CH.bmp"};
inline constexpr ChartImageTexts kCalibrationImage = {"Сохранить калибровочную кривую",
                                                      "Кривая.bmp"};
inline constexpr ChartImageTexts kTheoryCFImage = {"Сохранить теорию CF (пилу)", "Пила CF.bmp"};

// The filter of every image dialog; BMP comes first and stays the default.
inline constexpr const char* kChartImageFilter =
    "BMP (*.bmp)|*.BMP|PNG (*.png)|*.PNG|PDF (*.pdf)|*.PDF|Все (*.*)|*.*";

enum class ImageFormat { Bmp, Png, Pdf };

// The format of the file: that of the name's extension when it is .bmp, .png or .pdf (in any
// letter case), so that the contents match the name; otherwise that of the chosen filter
// (0-based index into kChartImageFilter's pairs); BMP for "Все (*.*)" or no answer.
ImageFormat ImageFormatFor(const std::string& path, int chosenFilter);

// "Печать..." on a computer without any printer.
std::string NoPrinterMessage();
// The printer refused the page; printerName may be empty.
std::string PrintFailedMessage(const std::string& printerName);
// A picture could not be made in memory (the file was not touched).
std::string ImageFailedMessage(const std::string& path);

}  // namespace ostrel
