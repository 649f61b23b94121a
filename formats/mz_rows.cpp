#include "formats/mz_rows.h"

#include <cmath>

namespace ostrel {

namespace {

// Seconds to the hundredth, as instruments state them (the library's double gives 1501.41394042969
// for 1501.41); a time no "%.2f" text shows readably in its digits keeps its shortest text, and
// one that is not finite is not known.
std::string RetentionTimeCell(const std::optional<double>& seconds, const NumberFormat& format) {
    if (!seconds || !std::isfinite(*seconds)) return std::string();
    return std::fabs(*seconds) < 1e15 ? format.Fixed(*seconds, 2) : format.Shortest(*seconds);
}

std::vector<std::string> Cells(const MzSpectrumRow& row, const NumberFormat& format,
                               const char* profile, const char* centroid) {
    return {std::to_string(row.index),
            row.nativeId,
            row.msLevel > 0 ? std::to_string(row.msLevel) : std::string(),
            RetentionTimeCell(row.retentionTime, format),
            std::to_string(row.pointCount),
            row.centroid ? centroid : profile};
}

}  // namespace

bool IsProfileMs1(const MzSpectrumRow& row) {
    return !row.centroid && row.msLevel == 1;
}

std::optional<int32_t> FirstProfileMs1(const std::vector<MzSpectrumRow>& rows) {
    for (const MzSpectrumRow& row : rows)
        if (IsProfileMs1(row)) return row.index;
    return std::nullopt;
}

std::vector<std::string> MzListCells(const MzSpectrumRow& row, const NumberFormat& format) {
    return Cells(row, format, "profile", "centroid");
}

std::vector<std::string> MzChooserCells(const MzSpectrumRow& row, const NumberFormat& format) {
    return Cells(row, format, "профиль", "центроид");
}

}  // namespace ostrel
