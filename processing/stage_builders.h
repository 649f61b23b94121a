// The stage builders: the preliminary processing calls them in the order stage 1, 2, 3, 4,
// slope (stages 1 and 2 in one); the last processing calls BuildSlope alone. A builder that fails
// leaves every list as it was.
#pragma once

namespace ostrel {

struct ProgramState;

void BuildStage1(ProgramState& state);  // the spectrum smoothed three times
void BuildStage2(ProgramState& state);  // KolUsred + 2 more passes, then the turning points
// Stage 1 and stage 2 as the two builders give them, from one smoothing of the spectrum that
// copies its list after the third pass.
void BuildStages1And2(ProgramState& state);
void BuildStage3(ProgramState& state);  // stage 2 trimmed to minima at both ends
void BuildStage4(ProgramState& state);  // turning points of stage 3 and the zone table
void BuildSlope(ProgramState& state);   // zones at least FirstPeakHeight high, turning points

}  // namespace ostrel
