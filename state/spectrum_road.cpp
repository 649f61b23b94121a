#include "state/spectrum_road.h"

#include "fitting/calibration_curve.h"
#include "processing/pass_refinement.h"
#include "processing/preliminary.h"
#include "processing/stage_builders.h"
#include "reference/auto_pairing_peaks.h"
#include "reference/calibration_list.h"
#include "reference/reference_choice.h"
#include "results/results_assembly.h"
#include "state/clear_all.h"
#include "state/errors.h"
#include "state/points_file.h"

namespace ostrel {

OpenSpectrumResult SpectrumRoad::Open(const std::string& path,
                                      std::optional<int32_t> spectrumIndex) {
    OpenSpectrumResult opened = OpenSpectrum(state_, path, spectrumIndex);
    massesAsOpened_.clear();
    return opened;
}

OpenSpectrumResult SpectrumRoad::Open(LoadedSpectrum&& loaded) {
    OpenSpectrumResult opened = AcceptLoadedSpectrum(state_, std::move(loaded));
    massesAsOpened_.clear();
    return opened;
}

ClearedParts SpectrumRoad::StartPreliminary(const PreliminarySettings& settings) {
    state_.KolUsred = settings.kolUsred;
    state_.KrivoMn = settings.krivoMn;
    return ClearAll(state_, kClearForPreliminary);
}

PreliminaryResult SpectrumRoad::BuildPreliminary(
    const std::function<void(PreliminaryStage)>& built) {
    const auto done = [&](PreliminaryStage stage) {
        if (built) built(stage);
    };
    BuildStages1And2(state_);
    done(PreliminaryStage::Stage1);
    done(PreliminaryStage::Stage2);
    BuildStage3(state_);
    done(PreliminaryStage::Stage3);
    BuildStage4(state_);
    done(PreliminaryStage::Stage4);
    BuildSlope(state_);
    done(PreliminaryStage::Slope);
    OtsortVysota(state_.Stages.Zones);
    done(PreliminaryStage::ZoneSort);
    PreliminaryResult result;
    result.zoneLines = ZoneListLines(state_.Stages.Zones, state_.Format);
    result.suggestion = SuggestFirstPeakHeight(state_.Stages.Zones);
    return result;
}

PreliminaryResult SpectrumRoad::Preliminary(const PreliminarySettings& settings) {
    StartPreliminary(settings);
    return BuildPreliminary();
}

ClearedParts SpectrumRoad::StartLastPass(int32_t firstPeakHeight) {
    state_.FirstPeakHeight = firstPeakHeight;
    return ClearAll(state_, kClearForLastPass);
}

void SpectrumRoad::BuildSlopeAtHeight() {
    RequireZoneAtHeight(state_.Stages.Zones, state_.FirstPeakHeight);
    BuildSlope(state_);
}

PassInput SpectrumRoad::PassInputNow() const {
    return {state_.Points, state_.Stages.Stage1, state_.Stages.Slope, state_.Format};
}

PassOutcome SpectrumRoad::FitPeaks(const PassInput& input, const LastPassHooks& hooks,
                                   const PassOptions& options) {
    PassOutcome outcome;
    PeakFitState fit;
    const uint32_t start = TickCount();
    outcome.failure = RunLastPass(input.spectrum, input.stage1, input.slope, fit, input.format,
                                  outcome.peaks, hooks, options.threads);
    outcome.counters.peakNumber = fit.Cur.FitPeakNumber;
    outcome.counters.problemCount = fit.ProblemPeakCount;
    if (options.refine && outcome.failure.empty()) {
        const std::vector<RefinementPeak> peaks =
            RefinementPeaksOfPass(input.spectrum, outcome.peaks);
        PeakRefinementOptions refinement;
        refinement.twoThreads = options.threads == PassThreads::Two;
        const PeakRefinement refined =
            RefinePeaks({input.spectrum.PointX, input.spectrum.PointY, peaks}, refinement);
        outcome.peaks = RefinedResults(input.spectrum, outcome.peaks, refined);
        const RefinementCounts counts = CountsOf(outcome.peaks);
        outcome.counters.refined = true;
        outcome.counters.refitted = counts.refitted;
        outcome.counters.components = counts.components;
        outcome.counters.problemCount = counts.problems;
    }
    outcome.counters.milliseconds = ElapsedTicks(start, TickCount());
    return outcome;
}

void SpectrumRoad::AcceptPass(PassOutcome outcome) {
    AssembledResults assembled = AssembleResults(outcome.peaks);
    const bool composed = outcome.composition.peaks.size() == outcome.peaks.size();
    state_.Peaks = std::move(outcome.peaks);
    state_.PeaksRefined = outcome.counters.refined;
    state_.Composition = composed ? std::move(outcome.composition) : PassComposition{};
    state_.Reference = std::move(assembled.reference);
    state_.Theory = std::move(assembled.theory);
}

void SpectrumRoad::Compose(const ComposeSettings& settings) {
    AcceptComposition(settings, ComposeOf(state_.Peaks, state_.FirstPeakHeight, settings));
}

PassComposition SpectrumRoad::ComposeOf(const PeakResults& peaks, int32_t firstPeakHeight,
                                        const ComposeSettings& settings) {
    return ComposePass(peaks, firstPeakHeight, settings);
}

void SpectrumRoad::AcceptComposition(const ComposeSettings& settings, PassComposition composition) {
    state_.ComposeChoice = settings;
    const bool ofThesePeaks = composition.peaks.size() == state_.Peaks.size();
    state_.Composition = ofThesePeaks ? std::move(composition) : PassComposition{};
}

PassCounters SpectrumRoad::LastPass(int32_t firstPeakHeight, const PassOptions& options,
                                    const LastPassHooks& hooks) {
    StartLastPass(firstPeakHeight);
    BuildSlopeAtHeight();
    PassOutcome outcome = FitPeaks(PassInputNow(), hooks, options);
    if (!outcome.failure.empty()) throw CommandError(outcome.failure);
    const PassCounters counters = outcome.counters;
    AcceptPass(std::move(outcome));
    return counters;
}

SinglePeakResult SpectrumRoad::FitOnePeak(int32_t k, PeakFitState& fit, FitLog& log) const {
    return ProcessOnePeak(state_.Points, state_.Stages.Stage1, state_.Stages.Slope, state_.Peaks, k,
                          fit, state_.Format, log);
}

AutoCalibrationResult SpectrumRoad::PairAutomatically(std::string_view refs,
                                                      const AutoCalibrationSettings& settings) {
    const std::vector<AutoCalibrationPeak> peaks = AutoCalibrationPeaksOf(state_.Peaks);
    const std::vector<ReferenceIon> ions = ReferenceIonsFor(refs, PairingWindows(peaks, settings));
    AutoCalibrationResult result = AutoCalibrate(peaks, ions, settings, state_.Format);
    if (result.Refused()) return result;
    CalibrationList list;
    for (const AutoCalibrationPair& pair : result.pairs) {
        const AddResult added = AddCalibrationPeak(list, pair.peak);
        GiveTrueMass(list, added.position,
                     ReferenceMassAsListed(pair.referenceMass, state_.Format));
    }
    state_.Calibration = std::move(list);
    state_.CalibPoints = {};
    state_.AutoPairing = result;
    return result;
}

void SpectrumRoad::MakeCalibrationPoints() {
    if (!ProverkaZapol(state_.Calibration)) throw CommandError(kTrueMassesMissingMessage);
    AppendCalibrationPoints(state_.CalibPoints, KalibrLine(state_.Calibration, state_.Peaks));
}

PointList SpectrumRoad::FitCalibrationLine() {
    PointList drawn = PodobratParabolaLine(state_.CalibPoints, state_.Curve);
    state_.LastFit = CurveFit{state_.CalibPoints, state_.Curve, false};
    return drawn;
}

PointList SpectrumRoad::FitCalibrationParabola() {
    ParabolaFitState fit;
    PointList drawn = PodobratParabola(state_.CalibPoints, state_.Curve, fit);
    state_.LastFit = CurveFit{state_.CalibPoints, state_.Curve, true};
    return drawn;
}

ClearedParts SpectrumRoad::Recalculate() {
    std::vector<double> moved = RecalculateMasses(state_.Points.PointX, state_.Curve);
    if (massesAsOpened_.empty()) massesAsOpened_ = std::move(state_.Points.PointX);
    state_.Points.PointX = std::move(moved);
    return ClearAll(state_, kClearForLoad);
}

ClearedParts SpectrumRoad::RestoreSpectrum() {
    if (massesAsOpened_.empty()) throw CommandError(kNothingToRestoreMessage);
    state_.Points.PointX = std::move(massesAsOpened_);
    massesAsOpened_.clear();
    return ClearAll(state_, kClearForLoad);
}

}  // namespace ostrel
