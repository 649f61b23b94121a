// The m/z and intensity arrays of one mzML spectrum, read from the file without the library.
//
// The library reads a spectrum's base64 text a character at a time through an istream; for a
// spectrum of a million points that is most of the time the mzML file takes to open. This reader
// takes the arrays only where the file writes them in the plain form that instrument software and
// converters write: two arrays, m/z and intensity, each of 32- or 64-bit floats, uncompressed or
// zlib-compressed, their base64 text of the declared length, and nothing else in the list.
// Anything it does not know for certain (numpress, other arrays, parameter groups, comments,
// whitespace in the text, a length that does not match) it leaves to the library, which then
// reads the spectrum as before: so where it answers, it answers what the library would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct MzmlArrays {
    std::vector<double> mz, intensity;
};

// The arrays of the spectrum whose <spectrum> start tag begins at byte `position` of the file,
// each of `arrayLength` values (the spectrum's defaultArrayLength); nothing when the spectrum is
// not written in the plain form above or the file cannot be read. Long arrays are decoded on two
// threads, one array each.
std::optional<MzmlArrays> ReadPlainMzmlArrays(const std::string& path, int64_t position,
                                              int64_t arrayLength);

// Where the file's first spectrum starts and the defaultArrayLength its start tag declares,
// found in the file's first megabyte without the library: a guess, which the caller holds to the
// library's answer before it takes the arrays read there.
struct MzmlSpectrumStart {
    int64_t position = 0;
    int64_t arrayLength = 0;
};
std::optional<MzmlSpectrumStart> FirstMzmlSpectrum(const std::string& path);

// The bytes of base64 text of `size` characters, written to `out` (Base64Bytes(text, size) of
// them): false, with `out` holding an unspecified prefix, unless the text is in the standard
// alphabet, a whole number of four-character groups, padded with '=' only in its last group
// (when `last`; a middle piece of a text has no padding), with the unused bits of that group zero.
bool DecodeBase64(const char* text, size_t size, bool last, unsigned char* out);
// The bytes that text of `size` characters decodes to, from its length and its padding.
size_t Base64Bytes(const char* text, size_t size);

}  // namespace ostrel
