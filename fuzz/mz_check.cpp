// The mzML/mzXML reader on arbitrary bytes, written to a file as the reader needs one: a clear
// refusal, or rows and a spectrum that the chooser and the road can take.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "formats/mz_file.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/shown_values.h"
#include "state/cp1251.h"
#include "state/errors.h"

namespace ostrel::fuzz {

namespace {

std::string CheckMessage(const CommandError& e) {
    const std::string_view text = e.what();
    if (text.empty()) return "a refusal without a message";
    if (!IsValidUtf8(text)) return "a message that is not UTF-8";
    if (text.find_first_of("\r\n") != std::string_view::npos) return "a message of several lines";
    return "";
}

const std::string& InputPath() {
    static const std::string path = [] {
        const auto dir =
            std::filesystem::temp_directory_path() / ("ostrel-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        return (dir / "input.mzML").string();
    }();
    return path;
}

std::string CheckRows(const std::vector<MzSpectrumRow>& rows) {
    const NumberFormat format('.');
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].index != static_cast<int32_t>(i)) return "a row with another index";
        if (rows[i].pointCount < 0) return "a row with a negative point count";
        if (!IsValidUtf8(rows[i].nativeId)) return "a native id that is not UTF-8";
        // The native id is the file's own text ("scanann=1" is a fine id); the other cells are
        // the program's numbers and words.
        std::vector<std::string> list = MzListCells(rows[i], format);
        std::vector<std::string> chooser = MzChooserCells(rows[i], format);
        if (list.size() < 2 || chooser.size() < 2 || list[1] != rows[i].nativeId ||
            chooser[1] != rows[i].nativeId)
            return "rows without the native id in their second cell";
        list.erase(list.begin() + 1);
        chooser.erase(chooser.begin() + 1);
        std::string fault = FirstUnsoundLine("the list rows", list);
        if (fault.empty()) fault = FirstUnsoundLine("the chooser", chooser);
        if (!fault.empty()) return fault;
    }
    return "";
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

bool SameSpectrum(const LoadedSpectrum& a, const LoadedSpectrum& b) {
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && a.title == b.title &&
           a.maxYDecimals == b.maxYDecimals;
}

}  // namespace

std::string CheckMzReader(std::string_view bytes) {
    const std::string& path = InputPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    try {
        if (std::string fault = CheckRows(ListMzSpectra(path)); !fault.empty()) return fault;
    } catch (const CommandError& e) {
        if (std::string fault = CheckMessage(e); !fault.empty()) return fault;
    }
    // ReadMzSpectrum is the quick reading where it answers and the library's otherwise: where
    // the quick one answers, the library must give the very same spectrum.
    const std::optional<LoadedSpectrum> quick = ReadMzSpectrumQuickly(path, std::nullopt);
    LoadedSpectrum loaded;
    try {
        loaded = ReadMzSpectrumThroughLibrary(path, std::nullopt);
    } catch (const CommandError& e) {
        if (quick) return "a spectrum read quickly where the library refuses it";
        return CheckMessage(e);
    }
    if (quick && !SameSpectrum(*quick, loaded))
        return "a spectrum read quickly other than the library's";
    if (loaded.x.size() != loaded.y.size() || loaded.x.size() < 2)
        return "a spectrum of unequal arrays or fewer than two points";
    if (!AllFinite(loaded.x) || !AllFinite(loaded.y)) return "a point that is not finite";
    for (size_t i = 1; i < loaded.x.size(); ++i)
        if (loaded.x[i] < loaded.x[i - 1]) return "masses out of ascending order";
    if (!loaded.title || !IsValidUtf8(*loaded.title) || Utf8ToCp1251(*loaded.title).size() > 100)
        return "a title that is missing, not UTF-8 or longer than 100 characters";
    return "";
}

}  // namespace ostrel::fuzz
