// mzML and mzXML files, the open formats that instrument software exports. They are read through
// ProteoWizard's reader (libpwizlite) in mz_file.cpp, the arrays of a plainly written mzML
// spectrum without it; a build without the library refuses them
// with a message (mz_file_missing.cpp). Nothing else in the program knows the library: a chosen
// spectrum comes out as the LoadedSpectrum the text reader makes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/mz_rows.h"
#include "state/points_file.h"

namespace ostrel {

// True for a file read as mzML or mzXML: named *.mzML or *.mzXML (in any case), or one whose
// first character that is not blank opens the root element of either. Every other file, one that
// cannot be opened included, is a spectrum text file.
bool IsMzFile(const std::string& path);

// A row for every spectrum, from the library's spectrum list without the binary arrays, so a
// large file is not read whole. CommandError for a file that is empty, not mzML or mzXML, or that
// the library cannot parse.
std::vector<MzSpectrumRow> ListMzSpectra(const std::string& path);

// The spectra the user chooses among before the file is read: the rows of an mzML or mzXML file
// of several spectra, nothing for a text file or a file of one spectrum (those open at once).
// CommandError, besides the cases of ListMzSpectra, for a file of several spectra without a
// profile MS1 one (a run of centroided spectra): the chooser would offer nothing it can open.
std::vector<MzSpectrumRow> SpectraToChooseFrom(const std::string& path);

// One spectrum, with only its own binary arrays read: the one at `index`, or without an index the
// only spectrum of the file or else its first profile MS1 spectrum. CommandError, besides the
// cases of ListMzSpectra, for an index outside the file, a file of several spectra without a
// profile MS1 one, a centroided spectrum and arrays MzPointsToSpectrum refuses.
LoadedSpectrum ReadMzSpectrum(const std::string& path, std::optional<int32_t> index);

// The two ways ReadMzSpectrum goes, which the tests and the fuzz target hold to each other. The
// quick one: the library, in its child, chooses the spectrum and reads its metadata without the
// arrays, and the arrays are read from the file where they are written plainly
// (formats/mzml_binary_arrays.h); nothing when they are not, or on any refusal, which is then
// the library's to make. The library's: the whole spectrum read through the library in its child.
std::optional<LoadedSpectrum> ReadMzSpectrumQuickly(const std::string& path,
                                                    std::optional<int32_t> index);
LoadedSpectrum ReadMzSpectrumThroughLibrary(const std::string& path, std::optional<int32_t> index);

}  // namespace ostrel
