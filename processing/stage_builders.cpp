#include "processing/stage_builders.h"

#include <cstdint>

#include "processing/processing_routines.h"
#include "processing/smoothing_sweep.h"
#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

// The list smoothed the given number of times more, in place.
void SmoothRepeatedly(PointList& list, int64_t passes) {
    SmoothManyPasses(list.X.data(), list.Y.data(), list.Count(), passes);
}

}  // namespace

void BuildStage1(ProgramState& state) {
    PointList stage1;
    SmoothPass(PointsView(state.Points.PointX, state.Points.PointY), stage1);
    SmoothRepeatedly(stage1, 2);
    state.Stages.Stage1 = std::move(stage1);
}

void BuildStage2(ProgramState& state) {
    PointList averaged;
    SmoothPass(state.Stages.Stage1, averaged);
    if (state.KolUsred >= 0) SmoothRepeatedly(averaged, int64_t{state.KolUsred} + 1);
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
