// What the end of the last pass builds beside the peak records: the CH and CF reference tables
// and the four theory series; and the pass's clock and closing message.
#pragma once

#include <cstdint>
#include <string>

#include "processing/peak_result.h"
#include "reference/reference_ions.h"
#include "reference/theory_charts.h"

namespace ostrel {

struct AssembledResults {
    ReferenceTables reference;
    TheoryCharts theory;
};

// The reference tables of the peaks' mass range and the theory series over them. Throws
// CommandError, building nothing, when a peak's mass has no nominal mass, so that every view of
// the peaks can be made afterwards.
AssembledResults AssembleResults(const PeakResults& peaks);

// Milliseconds between two 32-bit tick counts, as a signed 64-bit difference.
int64_t ElapsedTicks(uint32_t startTick, uint32_t nowTick);
// The 32-bit millisecond tick count of this computer.
uint32_t TickCount();

std::string LastPassDoneMessage();

}  // namespace ostrel
