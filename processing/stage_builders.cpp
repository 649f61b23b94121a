#include "processing/stage_builders.h"

#include <cstdint>

#include "processing/processing_routines.h"
#include "processing/smoothing_sweep.h"
#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

// The list smoothed the given number of times: SmoothPass as often, in one sweep.
PointList Smoothed(PointsView in, int64_t passes) {
    CheckSmoothable(in);
    PointList out;
    out.X.assign(in.X.begin(), in.X.end());
    out.Y.assign(in.Y.begin(), in.Y.end());
    SmoothManyPasses(out.X.data(), out.Y.data(), out.Count(), passes);
    return out;
}

}  // namespace

void BuildStage1(ProgramState& state) {
    state.Stages.Stage1 = Smoothed(PointsView(state.Points.PointX, state.Points.PointY), 3);
}

void BuildStage2(ProgramState& state) {
    // One pass, then KolUsred + 1 more unless KolUsred is negative.
    const int64_t more = state.KolUsred >= 0 ? int64_t{state.KolUsred} + 1 : 0;
    PointList averaged = Smoothed(state.Stages.Stage1, 1 + more);
    PointList stage2;
    FindTurningPoints(averaged, stage2);
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
