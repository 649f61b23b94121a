// A build without libpwizlite: mzML and mzXML files are refused with a message.
#include "formats/mz_file.h"
#include "state/errors.h"

namespace ostrel {

namespace {

[[noreturn]] void Refuse(const std::string& path) {
    throw CommandError("Файл \"" + path +
                       "\" не открыт: эта сборка Ostrel не читает mzML и mzXML (собрана без "
                       "библиотеки PwizLite).");
}

}  // namespace

std::vector<MzSpectrumRow> ListMzSpectra(const std::string& path) {
    Refuse(path);
}

LoadedSpectrum ReadMzSpectrum(const std::string& path, std::optional<int32_t>) {
    Refuse(path);
}

std::optional<LoadedSpectrum> ReadMzSpectrumQuickly(const std::string&, std::optional<int32_t>) {
    return std::nullopt;
}

LoadedSpectrum ReadMzSpectrumThroughLibrary(const std::string& path, std::optional<int32_t>) {
    Refuse(path);
}

}  // namespace ostrel
