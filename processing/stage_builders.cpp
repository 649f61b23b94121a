#include "processing/stage_builders.h"

#include <barrier>
#include <cstdint>
#include <thread>

#include "processing/processing_routines.h"
#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {

namespace {

constexpr int32_t kParallelSmoothingPoints = 200000;

// Smooths the list the given number of times. The x values never change between passes, so
// only the first pass can meet coinciding midpoints. Long lists are split between two threads
// that read one buffer and write the other, meeting after each pass; the result is the same as
// smoothing in one thread.
void SmoothRepeatedly(PointList& list, int64_t passes) {
    const int32_t n = list.Count();
    if (passes <= 0) return;
    if (n < kParallelSmoothingPoints) {
        for (int64_t p = 0; p < passes; ++p)
            SmoothY(list.X.data(), list.Y.data(), n, list.Y.data());
        return;
    }
    std::vector<double> other(list.Y);  // the end points stay in both buffers
    double* buffers[2] = {list.Y.data(), other.data()};
    const double* x = list.X.data();
    const int32_t middle = n / 2;
    std::barrier meet(2);
    auto work = [&](int32_t lo, int32_t hi) {
        for (int64_t p = 0; p < passes; ++p) {
            SmoothRange(x, buffers[p % 2], buffers[(p + 1) % 2], lo, hi);
            meet.arrive_and_wait();
        }
    };
    std::thread helper(work, middle, n - 1);
    work(1, middle);
    helper.join();
    if (passes % 2 == 1) list.Y.swap(other);
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
