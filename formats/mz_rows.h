// The spectrum chooser's rows: what an mzML or mzXML file says of each of its spectra, and the
// texts the chooser and `ostrel-batch list` show for them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/number_format.h"

namespace ostrel {

struct MzSpectrumRow {
    int32_t index = 0;                    // 0-based position in the file
    std::string nativeId;                 // UTF-8, as the file names the spectrum
    int32_t msLevel = 0;                  // 0 when the file does not say
    std::optional<double> retentionTime;  // seconds; absent when the file does not say
    int64_t pointCount = 0;
    bool centroid = false;  // a spectrum not marked centroid is taken as profile
};

inline constexpr const char* kChooseSpectrumTitle = "Выбор спектра";
inline constexpr const char* kChooseSpectrumPrompt =
    "Файл содержит несколько спектров. Выберите спектр для обработки:";
inline constexpr std::array<const char*, 6> kChooseSpectrumHeaders = {
    "№", "Идентификатор", "Уровень MS", "Время удерживания, с", "Точек", "Вид"};

// The processing needs a profile spectrum of the first MS level.
bool IsProfileMs1(const MzSpectrumRow& row);

// The row the chooser preselects and the batch opens by default: the first profile MS1 spectrum.
std::optional<int32_t> FirstProfileMs1(const std::vector<MzSpectrumRow>& rows);

// The cells of a row for `ostrel-batch list`: index, native id, MS level, retention time in
// seconds with two decimals, point count, "profile" or "centroid". An unknown level or time is an
// empty cell.
std::vector<std::string> MzListCells(const MzSpectrumRow& row, const NumberFormat& format);

// The same cells as the chooser shows them, the kind in Russian.
std::vector<std::string> MzChooserCells(const MzSpectrumRow& row, const NumberFormat& format);

}  // namespace ostrel
