#include "mz_test_files.h"

#include <boost/make_shared.hpp>
#include <pwiz/data/msdata/MSDataFile.hpp>

namespace ostrel::testing {

namespace msdata = pwiz::msdata;

void WriteMzTestFile(const std::string& path, const std::vector<MzTestSpectrum>& spectra,
                     const MzTestEncoding& encoding) {
    using namespace pwiz::cv;
    msdata::MSData data;
    data.id = "ostrel-test";
    data.run.id = "run";  // the writer refuses empty ids
    auto list = boost::make_shared<msdata::SpectrumListSimple>();
    for (const MzTestSpectrum& s : spectra) {
        auto spectrum = boost::make_shared<msdata::Spectrum>();
        spectrum->index = list->spectra.size();
        spectrum->id = s.id;
        spectrum->set(MS_ms_level, s.msLevel);
        spectrum->set(s.centroid ? MS_centroid_spectrum : MS_profile_spectrum);
        msdata::Scan scan;
        scan.set(MS_scan_start_time, s.retentionTime, UO_second);
        spectrum->scanList.scans.push_back(scan);
        spectrum->setMZIntensityArrays(s.mz, s.intensity, MS_number_of_detector_counts);
        list->spectra.push_back(spectrum);
    }
    data.run.spectrumListPtr = list;

    msdata::MSDataFile::WriteConfig config;
    config.format = encoding.format == MzTestFormat::MzXML ? msdata::MSDataFile::Format_mzXML
                                                           : msdata::MSDataFile::Format_mzML;
    config.indexed = encoding.format != MzTestFormat::PlainMzML;
    config.binaryDataEncoderConfig.compression = encoding.zlib
                                                     ? msdata::BinaryDataEncoder::Compression_Zlib
                                                     : msdata::BinaryDataEncoder::Compression_None;
    config.binaryDataEncoderConfig.precision = encoding.bits32
                                                   ? msdata::BinaryDataEncoder::Precision_32
                                                   : msdata::BinaryDataEncoder::Precision_64;
    msdata::MSDataFile::write(data, path, config);
}

}  // namespace ostrel::testing
