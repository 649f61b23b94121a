// The mzML/mzXML reader over ProteoWizard's pwiz::msdata (libpwizlite).
#include "formats/mz_file.h"

#include <limits>
#include <memory>
#include <pwiz/data/msdata/DefaultReaderList.hpp>
#include <pwiz/data/msdata/MSDataFile.hpp>

#include "formats/mz_points.h"
#include "state/errors.h"
#include "state/file_io.h"

namespace ostrel {

namespace {

namespace msdata = pwiz::msdata;

// Only the two formats the program opens: the library's default list would also take MGF and
// the MS1/MS2 text formats, which carry no profile spectra.
const msdata::ReaderList& MzReaders() {
    static const msdata::ReaderList readers = [] {
        msdata::ReaderList list;
        list.push_back(msdata::ReaderPtr(new msdata::Reader_mzML));
        list.push_back(msdata::ReaderPtr(new msdata::Reader_mzXML));
        return list;
    }();
    return readers;
}

// Runs a step that reads the file through the library and turns the library's exceptions into a
// message that names the file.
template <typename Step>
auto Parsing(const std::string& path, Step step) {
    try {
        return step();
    } catch (const CommandError&) {
        throw;
    } catch (const std::exception& e) {
        throw CommandError("Файл \"" + path +
                           "\" не удалось прочитать как mzML или mzXML: " + e.what());
    }
}

// The opened file and its spectrum list, which reads each spectrum from the file on demand.
struct MzFile {
    std::unique_ptr<msdata::MSDataFile> data;
    const msdata::SpectrumList* spectra = nullptr;

    int32_t Count() const { return static_cast<int32_t>(spectra->size()); }
};

MzFile OpenMzFile(const std::string& path) {
    if (ReadFileHead(path, 1).empty()) throw CommandError("Файл \"" + path + "\" пуст.");
    return Parsing(path, [&] {
        if (MzReaders().identify(path).empty())
            throw CommandError("Файл \"" + path + "\" не является файлом mzML или mzXML.");
        MzFile file;
        file.data = std::make_unique<msdata::MSDataFile>(path, &MzReaders());
        file.spectra = file.data->run.spectrumListPtr.get();
        if (!file.spectra || file.spectra->size() == 0)
            throw CommandError("Файл \"" + path + "\" не содержит спектров.");
        if (file.spectra->size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw CommandError("Файл \"" + path + "\" содержит слишком много спектров.");
        return file;
    });
}

MzSpectrumRow RowOf(const msdata::Spectrum& spectrum, int32_t index) {
    using namespace pwiz::cv;
    MzSpectrumRow row;
    row.index = index;
    row.nativeId = spectrum.id;
    if (spectrum.hasCVParam(MS_ms_level))
        row.msLevel = spectrum.cvParam(MS_ms_level).valueAs<int32_t>();
    if (!spectrum.scanList.scans.empty()) {
        const msdata::CVParam time = spectrum.scanList.scans[0].cvParam(MS_scan_start_time);
        if (!time.empty()) row.retentionTime = time.timeInSeconds();
    }
    row.pointCount = static_cast<int64_t>(spectrum.defaultArrayLength);
    row.centroid = spectrum.hasCVParam(MS_centroid_spectrum);
    return row;
}

// The metadata of one spectrum; the library skips its binary arrays.
MzSpectrumRow MetadataRow(const MzFile& file, int32_t index) {
    return RowOf(*file.spectra->spectrum(static_cast<size_t>(index), false), index);
}

int32_t ChosenIndex(const MzFile& file, const std::string& path, std::optional<int32_t> index) {
    const int32_t count = file.Count();
    if (index) {
        if (*index < 0 || *index >= count)
            throw CommandError("В файле \"" + path + "\" нет спектра с номером " +
                               std::to_string(*index) + ": номера от 0 до " +
                               std::to_string(count - 1) + ".");
        return *index;
    }
    if (count == 1) return 0;
    for (int32_t i = 0; i < count; ++i)
        if (IsProfileMs1(MetadataRow(file, i))) return i;
    throw CommandError("В файле \"" + path +
                       "\" нет профильного спектра MS1; укажите номер спектра.");
}

}  // namespace

std::vector<MzSpectrumRow> ListMzSpectra(const std::string& path) {
    const MzFile file = OpenMzFile(path);
    return Parsing(path, [&] {
        std::vector<MzSpectrumRow> rows;
        rows.reserve(static_cast<size_t>(file.Count()));
        for (int32_t i = 0; i < file.Count(); ++i) rows.push_back(MetadataRow(file, i));
        return rows;
    });
}

LoadedSpectrum ReadMzSpectrum(const std::string& path, std::optional<int32_t> index) {
    const MzFile file = OpenMzFile(path);
    std::string nativeId, where;
    std::vector<double> x, y;
    Parsing(path, [&] {
        const int32_t chosen = ChosenIndex(file, path, index);
        msdata::SpectrumPtr spectrum = file.spectra->spectrum(static_cast<size_t>(chosen), true);
        const MzSpectrumRow row = RowOf(*spectrum, chosen);
        nativeId = row.nativeId;
        where = "Спектр " + std::to_string(chosen) + " (" + nativeId + ") файла \"" + path + "\"";
        if (row.centroid)
            throw CommandError(where + " центроидный, а обработке нужен профильный спектр.");
        const msdata::BinaryDataArrayPtr masses = spectrum->getMZArray();
        const msdata::BinaryDataArrayPtr intensities = spectrum->getIntensityArray();
        if (!masses || !intensities)
            throw CommandError(where + " не содержит массивов масс и интенсивностей.");
        // The library's arrays are taken over, not copied.
        masses->data.swap(x);
        intensities->data.swap(y);
        return 0;
    });
    return MzPointsToSpectrum(std::move(x), std::move(y), MzSpectrumTitle(path, nativeId), where);
}

}  // namespace ostrel
