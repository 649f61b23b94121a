// The mzML/mzXML reader over ProteoWizard's pwiz::msdata (libpwizlite).
#include "formats/mz_file.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <memory>
#include <pwiz/data/msdata/DefaultReaderList.hpp>
#include <pwiz/data/msdata/MSDataFile.hpp>

#include "formats/isolated_call.h"
#include "formats/mz_points.h"
#include "formats/mzml_binary_arrays.h"
#include "state/cp1251.h"
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

std::string ReadFailedText(const std::string& path) {
    return "Файл \"" + path + "\" не удалось прочитать как mzML или mzXML: ";
}

// The library's message, which may quote whole lines of the file: its first line, at most 200
// bytes of it, in valid UTF-8, so that the message stays one readable line.
std::string LibraryMessage(std::string_view text) {
    const size_t end = std::min<size_t>(text.find_first_of("\r\n"), 200);
    const bool cut = end < text.size();
    return ValidUtf8(text.substr(0, end)) + (cut ? "…" : "");
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
        throw CommandError(ReadFailedText(path) + LibraryMessage(e.what()));
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
    row.nativeId = ValidUtf8(spectrum.id);
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

std::string Where(const std::string& path, const MzSpectrumRow& row) {
    return "Спектр " + std::to_string(row.index) + " (" + row.nativeId + ") файла \"" + path + "\"";
}

// What a row holds, across the pipe from the reading child.
void AppendRow(std::string& out, const MzSpectrumRow& row) {
    AppendBytes(out, row.index);
    AppendText(out, row.nativeId);
    AppendBytes(out, row.msLevel);
    AppendBytes(out, static_cast<uint8_t>(row.retentionTime.has_value()));
    AppendBytes(out, row.retentionTime.value_or(0));
    AppendBytes(out, row.pointCount);
    AppendBytes(out, static_cast<uint8_t>(row.centroid));
}

MzSpectrumRow TakeRow(AnswerReader& in) {
    MzSpectrumRow row;
    row.index = in.Take<int32_t>();
    row.nativeId = in.TakeText();
    row.msLevel = in.Take<int32_t>();
    const bool hasTime = in.Take<uint8_t>() != 0;
    const double time = in.Take<double>();
    if (hasTime) row.retentionTime = time;
    row.pointCount = in.Take<int64_t>();
    row.centroid = in.Take<uint8_t>() != 0;
    return row;
}

// Runs a step that reads through the library in a child process (RunIsolated), so that a crash
// of the library on a malformed file becomes a message. What the child may spend grows with the
// file: a minute of wall time and a second for every 20 MB; a second of processor time and a
// second more for every 4 MB (a broken file of 8 KB made the library read freed memory and loop
// for 3 to 7 s before it crashed; valid files took a second for 200 MB of spectra listed, 1.3 s
// for a zlib spectrum of ten million points in 30 MB); a stack of 2 MB (the library needs less
// than 128 KB), so that a runaway recursion ends soon too.
ChildBounds BoundsFor(const std::string& path) {
    // The library's tables of terms, built here once (no file is read for them), are then
    // inherited by every child instead of being built again in each.
    static const bool warm = [] {
        MzReaders();
        return !pwiz::cv::cvTermInfo(pwiz::cv::MS_ms_level).name.empty();
    }();
    (void)warm;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    const uintmax_t known = error ? 0 : size;
    ChildBounds bounds;
    bounds.wall = std::chrono::seconds(60 + known / (20u << 20));
    bounds.processor = std::chrono::seconds(1 + known / (4u << 20));
    bounds.stackBytes = 2u << 20;
    return bounds;
}

std::string Isolated(const std::string& path, const std::function<std::string()>& step) {
    return RunIsolated(step, BoundsFor(path), ReadFailedText(path));
}

}  // namespace

std::vector<MzSpectrumRow> ListMzSpectra(const std::string& path) {
    const std::string answer = Isolated(path, [&] {
        const MzFile file = OpenMzFile(path);
        return Parsing(path, [&] {
            std::string out;
            AppendBytes(out, file.Count());
            for (int32_t i = 0; i < file.Count(); ++i) AppendRow(out, MetadataRow(file, i));
            return out;
        });
    });
    AnswerReader in(answer, ReadFailedText(path));
    const auto count = in.Take<int32_t>();
    std::vector<MzSpectrumRow> rows;
    rows.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i) rows.push_back(TakeRow(in));
    return rows;
}

LoadedSpectrum ReadMzSpectrumThroughLibrary(const std::string& path, std::optional<int32_t> index) {
    const std::string answer = Isolated(path, [&] {
        const MzFile file = OpenMzFile(path);
        return Parsing(path, [&] {
            const int32_t chosen = ChosenIndex(file, path, index);
            msdata::SpectrumPtr spectrum =
                file.spectra->spectrum(static_cast<size_t>(chosen), true);
            const MzSpectrumRow row = RowOf(*spectrum, chosen);
            const std::string where = Where(path, row);
            if (row.centroid)
                throw CommandError(where + " центроидный, а обработке нужен профильный спектр.");
            const msdata::BinaryDataArrayPtr masses = spectrum->getMZArray();
            const msdata::BinaryDataArrayPtr intensities = spectrum->getIntensityArray();
            if (!masses || !intensities)
                throw CommandError(where + " не содержит массивов масс и интенсивностей.");
            std::string out;
            out.reserve(4 * sizeof(uint64_t) + row.nativeId.size() + where.size() +
                        (masses->data.size() + intensities->data.size()) * sizeof(double));
            AppendText(out, row.nativeId);
            AppendText(out, where);
            AppendDoubles(out, masses->data);
            AppendDoubles(out, intensities->data);
            return out;
        });
    });
    AnswerReader in(answer, ReadFailedText(path));
    const std::string nativeId = in.TakeText();
    const std::string where = in.TakeText();
    std::vector<double> x = in.TakeDoubles();
    std::vector<double> y = in.TakeDoubles();
    return MzPointsToSpectrum(std::move(x), std::move(y), MzSpectrumTitle(path, nativeId), where);
}

namespace {

// What the library's child tells of the chosen spectrum for the quick reading.
struct ChosenSpectrum {
    std::string nativeId, where;
    bool centroid = false;
    int64_t position = -1;  // of its <spectrum> start tag in the file
    int64_t arrayLength = 0;
};

// The library, in a child forked now, chooses the spectrum and reads its metadata, which it
// does without decoding the arrays (it still reads their text through).
IsolatedCall StartChoosing(const std::string& path, std::optional<int32_t> index) {
    return IsolatedCall(
        [&] {
            const MzFile file = OpenMzFile(path);
            return Parsing(path, [&] {
                const int32_t chosen = ChosenIndex(file, path, index);
                msdata::SpectrumPtr spectrum =
                    file.spectra->spectrum(static_cast<size_t>(chosen), false);
                const MzSpectrumRow row = RowOf(*spectrum, chosen);
                std::string out;
                AppendText(out, row.nativeId);
                AppendText(out, Where(path, row));
                AppendBytes(out, static_cast<uint8_t>(row.centroid));
                AppendBytes(out, static_cast<int64_t>(spectrum->sourceFilePosition));
                AppendBytes(out, static_cast<int64_t>(spectrum->defaultArrayLength));
                return out;
            });
        },
        BoundsFor(path), ReadFailedText(path));
}

ChosenSpectrum TakeChosen(const std::string& path, IsolatedCall& child) {
    const std::string answer = child.Answer();
    AnswerReader in(answer, ReadFailedText(path));
    ChosenSpectrum chosen;
    chosen.nativeId = in.TakeText();
    chosen.where = in.TakeText();
    chosen.centroid = in.Take<uint8_t>() != 0;
    chosen.position = in.Take<int64_t>();
    chosen.arrayLength = in.Take<int64_t>();
    return chosen;
}

}  // namespace

std::optional<LoadedSpectrum> ReadMzSpectrumQuickly(const std::string& path,
                                                    std::optional<int32_t> index) {
    try {
        // The child is forked before any thread of this reading starts (IsolatedCall). While it
        // reads, this process reads the arrays of the file's first spectrum, which a file of one
        // spectrum opens: they are taken when the library chose that very spectrum with that
        // very length, and are then what reading them after the answer would give.
        IsolatedCall child = StartChoosing(path, index);
        std::optional<MzmlSpectrumStart> guess;
        std::optional<MzmlArrays> arrays;
        if (!index || *index == 0) {
            guess = FirstMzmlSpectrum(path);
            if (guess) arrays = ReadPlainMzmlArrays(path, guess->position, guess->arrayLength);
        }
        const ChosenSpectrum chosen = TakeChosen(path, child);
        if (chosen.centroid) return std::nullopt;
        if (!guess || guess->position != chosen.position ||
            guess->arrayLength != chosen.arrayLength)
            arrays = ReadPlainMzmlArrays(path, chosen.position, chosen.arrayLength);
        if (!arrays) return std::nullopt;
        return MzPointsToSpectrum(std::move(arrays->mz), std::move(arrays->intensity),
                                  MzSpectrumTitle(path, chosen.nativeId), chosen.where);
    } catch (const CommandError&) {
        // Every refusal is the library's reading's to make, in its own words.
        return std::nullopt;
    }
}

LoadedSpectrum ReadMzSpectrum(const std::string& path, std::optional<int32_t> index) {
    if (std::optional<LoadedSpectrum> quick = ReadMzSpectrumQuickly(path, index))
        return std::move(*quick);
    return ReadMzSpectrumThroughLibrary(path, index);
}

}  // namespace ostrel
