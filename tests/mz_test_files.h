// mzML and mzXML files written with ProteoWizard's own writer, for the tests and benchmarks.
#pragma once

#include <string>
#include <vector>

namespace ostrel::testing {

struct MzTestSpectrum {
    std::string id;
    std::vector<double> mz;
    std::vector<double> intensity;
    int msLevel = 1;
    bool centroid = false;
    double retentionTime = 0;  // seconds
};

enum class MzTestFormat { IndexedMzML, PlainMzML, MzXML };

struct MzTestEncoding {
    MzTestFormat format = MzTestFormat::IndexedMzML;
    bool zlib = false;
    bool bits32 = false;
};

void WriteMzTestFile(const std::string& path, const std::vector<MzTestSpectrum>& spectra,
                     const MzTestEncoding& encoding = {});

}  // namespace ostrel::testing
