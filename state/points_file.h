// The spectrum text file: reading it into new sequences and writing the spectrum or one peak.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/number_format.h"

namespace ostrel {

struct Spectrum;

// Dialog texts of the spectrum files.
inline constexpr const char* kOpenSpectrumTitle = "Открыть спектр";
inline constexpr const char* kSaveSpectrumTitle = "Сохранить спектр";
inline constexpr const char* kSavePeakTitle = "Сохранить отдельный пик";
inline constexpr const char* kSpectrumFileName = "Спектр.txt";
inline constexpr const char* kTextFileFilter = "Текст (*.txt)|*.TXT|Все (*.*)|*.*";
// "Открыть..." also offers the spectra that instrument software exports.
inline constexpr const char* kOpenSpectrumFilter =
    "Текст (*.txt)|*.TXT|mzML, mzXML (*.mzML *.mzXML)|*.mzML;*.mzXML|Все (*.*)|*.*";

// A spectrum read from a file, not yet part of the program state.
struct LoadedSpectrum {
    std::vector<double> x;
    std::vector<double> y;
    std::optional<std::string> title;  // UTF-8; absent when the file has no title line
    int32_t maxYDecimals = 0;
};

// Reads the Windows-1251 bytes of a spectrum file (UTF-8 or UTF-16 after a byte-order mark):
// header detection, a first line of column names without a digit skipped, point lines, scaling of
// y by 1000 when any y has decimals, ascending order by the first two points. Throws CommandError
// naming the line and its text when a line cannot be read or fewer than two points were found,
// and saying so when the bytes are no text at all.
// A text of 4 MB or more is read in two parts on two threads; `oneThread` reads every text from
// its start to its end, the form the two parts must give.
LoadedSpectrum ParseSpectrumText(std::string_view bytes, const std::string& fileName,
                                 bool oneThread = false);

// ParseSpectrumText of the file's bytes.
LoadedSpectrum ReadSpectrumFile(const std::string& path);

// The text of a spectrum file in UTF-8 with the given line end: the quoted title (without the one
// leading blank the reader puts in place of the opening quote, so that the file reopens to the same
// title), two lines "", one point per line.
std::string SpectrumFileText(const std::string& title, const std::vector<double>& x,
                             const std::vector<double>& y, const NumberFormat& format,
                             std::string_view lineEnd);

// The text of a single-peak file: title "<peakNumber> пик", points firstIndex..lastIndex.
std::string PeakFileText(int32_t peakNumber, const std::vector<double>& x,
                         const std::vector<double>& y, int32_t firstIndex, int32_t lastIndex,
                         const NumberFormat& format, std::string_view lineEnd);

// The default file name of a single-peak file: "28peak.txt" for the peak 28.
std::string PeakFileName(int32_t peakNumber);

// Writes the spectrum file (Windows-1251, CR LF), replacing an existing file only when complete.
void WriteToFile(const std::string& path, const std::string& curveTitle, const Spectrum& spectrum,
                 const NumberFormat& format);

// Writes the points firstIndex..lastIndex of the spectrum as a single-peak file.
void WriteOtdelPik(const std::string& path, int32_t peakNumber, int32_t firstIndex,
                   int32_t lastIndex, const Spectrum& spectrum, const NumberFormat& format);

}  // namespace ostrel
