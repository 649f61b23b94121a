#include "formats/mz_rows.h"

namespace ostrel {

namespace {

std::vector<std::string> Cells(const MzSpectrumRow& row, const NumberFormat& format,
                               const char* profile, const char* centroid) {
    return {std::to_string(row.index),
            row.nativeId,
            row.msLevel > 0 ? std::to_string(row.msLevel) : std::string(),
            row.retentionTime ? format.Shortest(*row.retentionTime) : std::string(),
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
