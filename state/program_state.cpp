#include "state/program_state.h"

#include "formats/mz_file.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/points_file.h"

namespace ostrel {

std::string KolUsredText(const ProgramState& state) {
    return std::to_string(state.KolUsred);
}

std::string KrivoMnText(const ProgramState& state) {
    return state.Format.Shortest(state.KrivoMn);
}

OpenSpectrumResult AcceptLoadedSpectrum(ProgramState& state, LoadedSpectrum&& loaded) {
    OpenSpectrumResult result;
    result.cleared = ClearAll(state, kClearForLoad);
    result.titleRead = loaded.title.has_value();
    if (loaded.title) state.CurveTitle = std::move(*loaded.title);
    state.Format.SetSeparator('.');
    state.Points.PointX = std::move(loaded.x);
    state.Points.PointY = std::move(loaded.y);
    state.MaxYDecimals = loaded.maxYDecimals;
    // A height chosen for an earlier spectrum must not filter this one.
    state.FirstPeakHeight = 0;
    return result;
}

namespace {

LoadedSpectrum ReadAnySpectrumFile(const std::string& path, std::optional<int32_t> spectrumIndex) {
    if (IsMzFile(path)) return ReadMzSpectrum(path, spectrumIndex);
    if (spectrumIndex && *spectrumIndex != 0)
        throw CommandError("Текстовый файл \"" + path + "\" содержит один спектр, номер 0.");
    return ReadSpectrumFile(path);
}

}  // namespace

OpenSpectrumResult OpenSpectrum(ProgramState& state, const std::string& path,
                                std::optional<int32_t> spectrumIndex) {
    return AcceptLoadedSpectrum(state, ReadAnySpectrumFile(path, spectrumIndex));
}

}  // namespace ostrel
