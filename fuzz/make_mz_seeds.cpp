// Writes the seed corpus of the mzML/mzXML fuzz target with the library's own writer: small
// spectra cut from a spectrum text file, in every encoding the reader takes.
//   build/tests/make_mz_seeds SPECTRUM.txt fuzz/corpus/mz_reader
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "mz_test_files.h"
#include "state/errors.h"
#include "state/points_file.h"

int main(int argc, char** argv) {
    using namespace ostrel::testing;
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_mz_seeds SPECTRUM.txt FOLDER\n");
        return 2;
    }
    try {
        const ostrel::LoadedSpectrum points = ostrel::ReadSpectrumFile(argv[1]);
        const size_t middle = points.x.size() / 2;
        MzTestSpectrum cut{"scan=1", {}, {}};
        for (size_t i = middle; i < middle + 60 && i < points.x.size(); ++i) {
            cut.mz.push_back(points.x[i]);
            cut.intensity.push_back(points.y[i] / 1000 + 0.25);  // intensities with decimals
        }
        MzTestSpectrum descending = cut;
        descending.id = "scan=2";
        std::reverse(descending.mz.begin(), descending.mz.end());
        std::reverse(descending.intensity.begin(), descending.intensity.end());
        MzTestSpectrum centroid = cut;
        centroid.id = "scan=0";
        centroid.centroid = true;
        MzTestSpectrum ms2 = cut;
        ms2.id = "scan=3";
        ms2.msLevel = 2;
        ms2.retentionTime = 61.5;

        const std::filesystem::path folder = argv[2];
        std::filesystem::create_directories(folder);
        const struct {
            const char* name;
            std::vector<MzTestSpectrum> spectra;
            MzTestEncoding encoding;
        } seeds[] = {
            {"one_indexed.mzML", {cut}, {MzTestFormat::IndexedMzML, false, false}},
            {"one_zlib32.mzML", {cut}, {MzTestFormat::PlainMzML, true, true}},
            {"one.mzXML", {cut}, {MzTestFormat::MzXML, false, false}},
            {"several_zlib.mzML",
             {centroid, ms2, descending},
             {MzTestFormat::IndexedMzML, true, false}},
            {"several.mzXML", {centroid, descending}, {MzTestFormat::MzXML, true, true}},
        };
        for (const auto& seed : seeds)
            WriteMzTestFile((folder / seed.name).string(), seed.spectra, seed.encoding);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
