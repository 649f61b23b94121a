// What the fuzz targets check, and what the regression test replays: each check takes the bytes
// of one input and answers an empty text when the program handled it soundly (a result whose
// every shown value is finite and consistent, or a clear refusal), otherwise what went wrong.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::fuzz {

// The spectrum text reader on arbitrary bytes.
std::string CheckSpectrumReader(std::string_view bytes);

// The road of one small spectrum: four choice bytes (KolUsred, the zone line whose height is
// taken, the calibration, the peak fitted alone), then a spectrum text file.
std::string CheckRoad(std::string_view bytes);

// The mzML/mzXML reader on arbitrary bytes; an empty answer when the program has no such reader.
std::string CheckMzReader(std::string_view bytes);

}  // namespace ostrel::fuzz
