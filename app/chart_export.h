// The chart pictures of the menu "Файл" ("График", "Калибровочная кривая", "Теория CH",
// "Теория CF" > "BMP") and "График" > "Печать...".
#pragma once

#include <QByteArray>
#include <string>

#include "results/chart_images.h"

namespace ostrel {

class Chart;
class TForm1;

// The chart at its on-screen size as the bytes of a BMP or PNG file, or of a one-page PDF whose
// page is the chart (one point a pixel). CommandError when the picture cannot be made.
QByteArray ChartPictureBytes(Chart& chart, ImageFormat format, const std::string& path);

// The shared save dialog with the command's texts, starting in the program's folder; the
// picture in the format of the name's extension or of the chosen filter (BMP by default).
void SaveChartImage(TForm1& form, Chart& chart, const ChartImageTexts& texts);

void BMP1Click(TForm1& form);  // "График" > "BMP": the spectrum chart
void BMP2Click(TForm1& form);  // "Теория CH" > "BMP"
void BMP3Click(TForm1& form);  // "Калибровочная кривая" > "BMP"
void BMP4Click(TForm1& form);  // "Теория CF" > "BMP"

// "Печать...": the spectrum chart at the top-left corner of one page of the default printer,
// margins 0, at its pixel size (no scaling to the page), without a printer dialog.
void N35Click(TForm1& form);

}  // namespace ostrel
