// The points of one mzML or mzXML spectrum made into what the text reader gives for a text file:
// ascending masses, MaxYDecimals and the y scaling, a title line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/points_file.h"

namespace ostrel {

// The digits after the decimal point in the text the spectrum writer would write for the value
// (the shortest text of up to 15 significant digits).
int32_t ShortestTextDecimals(double value);
// The same counted in the written text: the definition, slower.
int32_t ShortestTextDecimalsPlain(double value);

// The largest ShortestTextDecimals of the values; values that cannot raise it are not counted.
int32_t MaxShortestTextDecimals(const std::vector<double>& values);
// The same counted value by value: the definition.
int32_t MaxShortestTextDecimalsPlain(const std::vector<double>& values);

// The intensity in whole thousandths: value · 1000 in extended precision (exact: 53 bits times
// the 7 odd bits of 1000 fit in 64) rounded to the nearest whole number, halves to even, as
// std::nearbyint rounds it; without the library call, which costs 20 ns a value.
double WholeThousandths(double value);
// The same through std::nearbyint: the definition.
double WholeThousandthsPlain(double value);

// Puts the points in ascending mass: kept when they already are, reversed when they strictly
// descend, otherwise sorted with equal masses in the file's order.
void OrderByMass(std::vector<double>& x, std::vector<double>& y);

// The title of a spectrum read from an mzML or mzXML file: the file name (without folders), a
// blank and the spectrum's native id, cut to 100 characters.
std::string MzSpectrumTitle(const std::string& path, const std::string& nativeId);

// Takes the arrays over and finishes them as the text reader finishes a file's points: at least
// two points, finite values, ascending masses, MaxYDecimals counted from the intensities and
// every y multiplied by 1000 (and rounded to a whole number) when it is 1 or more. `where` names
// the spectrum in the messages of the CommandError thrown for unusable arrays.
LoadedSpectrum MzPointsToSpectrum(std::vector<double>&& x, std::vector<double>&& y,
                                  std::string title, const std::string& where);

}  // namespace ostrel
