// Which files go to the mzML/mzXML reader; this part needs no library.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "formats/mz_file.h"
#include "state/errors.h"
#include "state/file_io.h"

namespace ostrel {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool HasMzRootElement(const std::string& head) {
    size_t start = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;  // a UTF-8 byte-order mark
    start = head.find_first_not_of(" \t\r\n", start);
    if (start == std::string::npos || head[start] != '<') return false;
    for (const char* root : {"<mzML", "<indexedmzML", "<mzXML"})
        if (head.find(root, start) != std::string::npos) return true;
    return false;
}

}  // namespace

bool IsMzFile(const std::string& path) {
    const std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".mzml" || extension == ".mzxml") return true;
    try {
        // The XML declaration, comments and a stylesheet line come before the root element.
        return HasMzRootElement(ReadFileHead(path, 4096));
    } catch (const CommandError&) {
        return false;  // the text reader reports the file it cannot open
    }
}

std::vector<MzSpectrumRow> SpectraToChooseFrom(const std::string& path) {
    if (!IsMzFile(path)) return {};
    std::vector<MzSpectrumRow> rows = ListMzSpectra(path);
    if (rows.size() < 2) return {};
    // A run of centroided spectra (a peak list) offers nothing to choose: say so before the chooser
    // opens rather than after its OK.
    if (!FirstProfileMs1(rows)) {
        const auto centroid = std::count_if(rows.begin(), rows.end(),
                                            [](const MzSpectrumRow& row) { return row.centroid; });
        throw CommandError("В файле \"" + path + "\" нет профильного спектра MS1 (спектров: " +
                           std::to_string(rows.size()) +
                           ", из них центроидных: " + std::to_string(centroid) +
                           "), а обработке нужен профильный спектр MS1.");
    }
    return rows;
}

}  // namespace ostrel
