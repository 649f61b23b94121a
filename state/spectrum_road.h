// The road of one spectrum: every step from opening the file to the recalculated masses, in the
// order the window's commands take them. The window, ostrel-batch, the benchmarks and the fuzz
// targets all walk the road through this one class, so each step is sequenced in one place; a new
// step of the road belongs here, calling the module that computes it.
//
// Each step either completes, replacing the state it owns, or throws CommandError with the
// message to show and leaves the state as it was, unless its comment says what stays done.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fitting/peak_fit.h"
#include "processing/height_suggestion.h"
#include "processing/last_pass.h"
#include "processing/road_settings.h"
#include "state/program_state.h"

namespace ostrel {

struct LoadedSpectrum;

// The stages of the preliminary processing, in the order they are built.
enum class PreliminaryStage { Stage1, Stage2, Stage3, Stage4, Slope, ZoneSort };

// What the preliminary processing leaves for the zone browser.
struct PreliminaryResult {
    std::vector<std::string> zoneLines;  // "Высоты зон пиков"
    HeightSuggestion suggestion;
};

// What the last pass reads; the window's worker holds its own copy of the slope list.
struct PassInput {
    const Spectrum& spectrum;
    const PointList& stage1;
    const PointList& slope;
    NumberFormat format;
};

// The counters of a pass, as "Тестирование" and ostrel-batch show them.
struct PassCounters {
    int32_t peakNumber = 0;    // the number of the last peak the pass fitted
    int32_t problemCount = 0;  // problem peaks among them
    int64_t milliseconds = 0;  // the fits alone
};

// What the last pass answers: the peaks fitted (all of them, or those before it ended), its
// counters and, when it ended early, why.
struct PassOutcome {
    PeakResults peaks;
    PassCounters counters;
    std::string failure;  // empty when every peak was fitted
};

class SpectrumRoad {
  public:
    explicit SpectrumRoad(ProgramState& state) : state_(state) {}

    // "Открыть...": the file read whole, then the reset of mode 0 and the new spectrum.
    OpenSpectrumResult Open(const std::string& path,
                            std::optional<int32_t> spectrumIndex = std::nullopt);
    // The same for a spectrum already read (a file's text read elsewhere).
    OpenSpectrumResult Open(LoadedSpectrum&& loaded);

    // "Предварительная", in two steps so that the window can show the reset before the long
    // work: StartPreliminary takes the settings and resets (mode 1); BuildPreliminary builds
    // every stage, sorts the zones and answers the zone list and the suggested height. A stage
    // that fails throws, keeping the stages built before it; built (when given) is told of each
    // stage as it is done, on the thread that builds.
    ClearedParts StartPreliminary(const PreliminarySettings& settings);
    PreliminaryResult BuildPreliminary(const std::function<void(PreliminaryStage)>& built = {});
    // Both steps at once.
    PreliminaryResult Preliminary(const PreliminarySettings& settings);

    // "Последняя" up to the pass: StartLastPass takes the height and resets (mode 2);
    // BuildSlopeAtHeight checks that a zone is that high and builds the slope list.
    ClearedParts StartLastPass(int32_t firstPeakHeight);
    void BuildSlopeAtHeight();
    // What the pass reads from the state.
    PassInput PassInputNow() const;
    // The pass over what it reads, without touching any state: the worker of the window runs it
    // on its own copies. The hooks run on the calling thread in peak order.
    static PassOutcome FitPeaks(const PassInput& input, const LastPassHooks& hooks,
                                PassThreads threads);
    // The end of the pass: the peaks taken over with the reference tables and theory series made
    // for them. Throws, taking nothing, when a peak's mass has no nominal mass.
    void AcceptPass(PassOutcome outcome);
    // The whole "Последняя" without a window: the height, the slope list, the pass and its
    // results. A pass that ended early throws its message, taking nothing.
    PassCounters LastPass(int32_t firstPeakHeight, PassThreads threads = PassThreads::Two,
                          const LastPassHooks& hooks = {});

    // "Отдельный пик": peak k (0-based) fitted again in the caller's context with the iteration
    // log on.
    SinglePeakResult FitOnePeak(int32_t k, PeakFitState& fit, FitLog& log) const;

    // "Создать кривую": every line must carry a true mass (CommandError with
    // kTrueMassesMissingMessage otherwise); the calibration points of the list are added to
    // those made before.
    void MakeCalibrationPoints();
    // "Подобрать линию" and "Подобрать параболу": the curve's coefficients from the calibration
    // points; answers the drawn curve. A refusal keeps the coefficients.
    PointList FitCalibrationLine();
    PointList FitCalibrationParabola();
    // "Пересчитать данные": every mass moved by the curve, then the reset of mode 0. The masses
    // the spectrum had before its first recalculation since it was opened are kept.
    ClearedParts Recalculate();
    // "Вернуть исходный спектр": the masses kept by the first recalculation back, then the reset
    // of mode 0 as after a load. Throws CommandError when the masses were not recalculated.
    ClearedParts RestoreSpectrum();
    bool CanRestoreSpectrum() const { return !massesAsOpened_.empty(); }

  private:
    ProgramState& state_;
    // The masses as opened, once a recalculation has moved them; empty otherwise.
    std::vector<double> massesAsOpened_;
};

}  // namespace ostrel
