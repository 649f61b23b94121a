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
