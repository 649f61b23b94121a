// The spectrum text reader on arbitrary bytes: a refusal with a message, or a spectrum that the
// road can take and that survives a save and a reload.
#include <algorithm>
#include <cmath>

#include "formats/mz_points.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/shown_values.h"
#include "state/cp1251.h"
#include "state/errors.h"
#include "state/number_format.h"
#include "state/points_file.h"

namespace ostrel::fuzz {

namespace {

std::string CheckLoaded(const LoadedSpectrum& s) {
    if (s.x.size() != s.y.size()) return "x and y of different lengths";
    if (s.x.size() < 2) return "fewer than two points accepted";
    if (!AllFinite(s.x) || !AllFinite(s.y)) return "a point that is not finite";
    if (s.maxYDecimals < 0) return "negative MaxYDecimals";
    if (s.title) {
        if (!IsValidUtf8(*s.title)) return "a title that is not UTF-8";
        if (Utf8ToCp1251(*s.title).size() > 100) return "a title of more than 100 characters";
    }
    return "";
}

// Magnitudes the writer's texts keep readable: "%.5f" masses within the 21 characters of a
// field and intensities written without an exponent.
bool WritableAsRead(const LoadedSpectrum& s) {
    for (double x : s.x)
        if (std::fabs(x) >= 1e9) return false;
    for (double y : s.y)
        if (y != 0 && (std::fabs(y) < 1e-4 || std::fabs(y) >= 1e14)) return false;
    return true;
}

}  // namespace

std::string CheckSpectrumReader(std::string_view bytes) {
    // Titles in memory are UTF-8 and go back to the same bytes on the way out.
    if (Utf8ToCp1251(Cp1251ToUtf8(bytes)) != bytes)
        return "Windows-1251 bytes changed on a round trip";
    const std::string asTitle = Utf8ToCp1251(bytes);  // bytes that are no UTF-8 at all
    if (asTitle.size() > bytes.size()) return "the Windows-1251 text of a title grew";

    LoadedSpectrum loaded;
    try {
        loaded = ParseSpectrumText(bytes, "fuzz.txt");
    } catch (const CommandError& e) {
        if (std::string_view(e.what()).empty()) return "a refusal without a message";
        if (!IsValidUtf8(e.what())) return "a message that is not UTF-8";
        return "";
    }
    if (std::string fault = CheckLoaded(loaded); !fault.empty()) return fault;
    for (size_t i = 0; i < loaded.y.size() && i < 1000; ++i)
        if (ShortestTextDecimals(loaded.y[i]) != ShortestTextDecimalsPlain(loaded.y[i]))
            return "the quick decimal count differs from the written text's";
    if (!WritableAsRead(loaded)) return "";

    // "Сохранить..." and "Открыть..." again: the same number of points in the same order.
    const NumberFormat format('.');
    const std::string saved = Utf8ToCp1251(
        SpectrumFileText(loaded.title.value_or(""), loaded.x, loaded.y, format, "\r\n"));
    LoadedSpectrum reloaded;
    try {
        reloaded = ParseSpectrumText(saved, "saved.txt");
    } catch (const CommandError& e) {
        return std::string("a saved spectrum cannot be opened again: ") + e.what();
    }
    if (reloaded.x.size() != loaded.x.size()) return "a saved spectrum reopens with another count";
    // The title too (a lone opening quote gives the empty title, which the file writes as "").
    if (loaded.title && !loaded.title->empty() && reloaded.title != loaded.title)
        return "a saved spectrum reopens with another title";
    // Only the first two points decide the order, so a file out of order may come back reversed.
    std::vector<double> before = loaded.x, after = reloaded.x;
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    for (size_t i = 0; i < before.size(); ++i)
        if (std::fabs(after[i] - before[i]) > 6e-6 * std::max(1.0, std::fabs(before[i])))
            return "a saved spectrum reopens with other masses";
    return "";
}

}  // namespace ostrel::fuzz
