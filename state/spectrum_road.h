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
#include <string_view>
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

// How the pass runs: on one thread or two, and whether the refinement of weak and overlapping
// peaks follows it (a choice of the user's, off unless asked for).
struct PassOptions {
    PassThreads threads = PassThreads::Two;
    bool refine = false;
};

// The counters of a pass, as "Тестирование" and ostrel-batch show them.
struct PassCounters {
    int32_t peakNumber = 0;    // the number of the last peak the pass fitted
    int32_t problemCount = 0;  // problem peaks among them (after the refinement, when refined)
    int64_t milliseconds = 0;  // the fits alone (with the refinement, when refined)
    bool refined = false;      // the refinement followed the pass
    int32_t refitted = 0;      // records the refinement fitted again
    int32_t components = 0;    // records that are components of a split peak
};

// What the last pass answers: the peaks fitted (all of them, or those before it ended), its
// counters and, when it ended early, why.
struct PassOutcome {
    PeakResults peaks;
    PassCounters counters;
    std::string failure;  // empty when every peak was fitted
    // The composition of the peaks, when the caller made it after the pass (the window's worker
    // does, with SpectrumRoad::ComposeOf); empty otherwise.
    PassComposition composition;
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
    // on its own copies. The hooks run on the calling thread in peak order. With the refinement
    // chosen, a pass that fitted every peak is refined (processing/pass_refinement.h).
    static PassOutcome FitPeaks(const PassInput& input, const LastPassHooks& hooks,
                                const PassOptions& options);
    // The end of the pass: the peaks taken over with the reference tables and theory series made
    // for them, and with the composition when the outcome holds one for every peak (else none).
    // Throws, taking nothing, when a peak's mass has no nominal mass.
    void AcceptPass(PassOutcome outcome);
    // The whole "Последняя" without a window: the height, the slope list, the pass and its
    // results. A pass that ended early throws its message, taking nothing.
    PassCounters LastPass(int32_t firstPeakHeight, const PassOptions& options = {},
                          const LastPassHooks& hooks = {});

    // "Состав" > "Определить состав": the settings become the choice kept for the run, and the
    // peaks of the pass are composed with them (no peaks: nothing to compose).
    void Compose(const ComposeSettings& settings);
    // The same in two steps, for the window, which composes off its thread: ComposeOf reads only
    // what it is given (the peaks of a pass, its first non-noise height); AcceptComposition takes
    // the settings and a composition of the state's peaks (one of other peaks is not taken).
    static PassComposition ComposeOf(const PeakResults& peaks, int32_t firstPeakHeight,
                                     const ComposeSettings& settings);
    void AcceptComposition(const ComposeSettings& settings, PassComposition composition);

    // "Отдельный пик": peak k (0-based) fitted again in the caller's context with the iteration
    // log on.
    SinglePeakResult FitOnePeak(int32_t k, PeakFitState& fit, FitLog& log) const;

    // "Подобрать автоматически": the usable peaks paired with the reference ions that refs names
    // ("pftba", "cf", "ch" or the path of a list file, reference/reference_choice.h). Unless the
    // pairing refuses, its pairs replace the calibration list and its points (as "Очистить
    // список" would), each with its ion's exact mass as the true mass, for the user to review,
    // and the answer is kept beside the list; a refusal changes nothing. CommandError for a list
    // file it cannot read or settings out of range.
    AutoCalibrationResult PairAutomatically(std::string_view refs,
                                            const AutoCalibrationSettings& settings);

    // "Создать кривую": every line must carry a true mass (CommandError with
    // kTrueMassesMissingMessage otherwise); the calibration points of the list are added to
    // those made before.
    void MakeCalibrationPoints();
    // "Подобрать линию" and "Подобрать параболу": the curve's coefficients from the calibration
    // points, kept with them as the last fit; answers the drawn curve. A refusal keeps the
    // coefficients and the last fit.
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
