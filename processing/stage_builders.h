// The stage builders: the preliminary processing calls them in the order stage 1, 2, 3, 4,
// slope; the last processing calls BuildSlope alone. A builder that fails leaves every list as
// it was.
#pragma once

namespace ostrel {

struct ProgramState;

void BuildStage1(ProgramState& state);  // the spectrum smoothed three times
void BuildStage2(ProgramState& state);  // KolUsred + 2 more passes, then the turning points
void BuildStage3(ProgramState& state);  // stage 2 trimmed to minima at both ends
void BuildStage4(ProgramState& state);  // turning points of stage 3 and the zone table
void BuildSlope(ProgramState& state);   // zones at least FirstPeakHeight high, turning points

}  // namespace ostrel
