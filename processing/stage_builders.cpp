#include "processing/stage_builders.h"

#include <cstdint>

#include "processing/processing_routines.h"
#include "processing/smoothing_sweep.h"
#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

constexpr int64_t kStage1Passes = 3;

// The list smoothed the given number of times: SmoothPass as often, in one sweep.
PointList Smoothed(PointsView in, int64_t passes) {
    CheckSmoothable(in);
    PointList out;
    out.X.assign(in.X.begin(), in.X.end());
    out.Y.assign(in.Y.begin(), in.Y.end());
    SmoothManyPasses(out.X.data(), out.Y.data(), out.Count(), passes);
    return out;
}

// KolUsred + 2 more passes after stage 1, or one unless KolUsred is negative.
int64_t Stage2Passes(const ProgramState& state) {
    const int64_t more = state.KolUsred >= 0 ? int64_t{state.KolUsred} + 1 : 0;
    return 1 + more;
}

}  // namespace

void BuildStage1(ProgramState& state) {
    state.Stages.Stage1 =
        Smoothed(PointsView(state.Points.PointX, state.Points.PointY), kStage1Passes);
}

void BuildStage2(ProgramState& state) {
    PointList averaged = Smoothed(state.Stages.Stage1, Stage2Passes(state));
    PointList stage2;
    FindTurningPoints(averaged, stage2);
    state.Stages.Averaged = std::move(averaged);
    state.Stages.Stage2 = std::move(stage2);
}

void BuildStages1And2(ProgramState& state) {
    const PointsView in(state.Points.PointX, state.Points.PointY);
    CheckSmoothable(in);
    PointList stage1, averaged;
    stage1.X.assign(in.X.begin(), in.X.end());
    stage1.Y.resize(in.Y.size());
    averaged.X.assign(in.X.begin(), in.X.end());
    averaged.Y.assign(in.Y.begin(), in.Y.end());
    SmoothManyPasses(averaged.X.data(), averaged.Y.data(), averaged.Count(),
                     kStage1Passes + Stage2Passes(state), {}, {stage1.Y.data(), kStage1Passes});
    PointList stage2;
    FindTurningPoints(averaged, stage2);
    state.Stages.Stage1 = std::move(stage1);
    state.Stages.Averaged = std::move(averaged);
    state.Stages.Stage2 = std::move(stage2);
}

void BuildStage3(ProgramState& state) {
    PointList stage3;
    TrimToMinima(state.Stages.Stage2, stage3);
    state.Stages.Stage3 = std::move(stage3);
}

void BuildStage4(ProgramState& state) {
    PointList stage4;
    FindTurningPoints(state.Stages.Stage3, stage4);
    ZoneTable zones = BuildZoneTable(stage4);
    state.Stages.Stage4 = std::move(stage4);
    state.Stages.Zones = std::move(zones);
}

void BuildSlope(ProgramState& state) {
    PointList filtered;
    FilterZonesByHeight(state.Stages.Stage4, state.FirstPeakHeight, filtered);
    PointList slope;
    FindTurningPoints(filtered, slope);
    state.Stages.Filtered = std::move(filtered);
    state.Stages.Slope = std::move(slope);
}

}  // namespace ostrel
