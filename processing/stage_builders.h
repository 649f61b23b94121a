// The stage builders: the preliminary processing calls them in the order stage 1, 2, 3, 4,
// slope; the last processing calls BuildSlope alone. A builder that fails leaves every list as
// it was.
#pragma once

namespace ostrel {

struct ProgramState;
struct SmoothingGeometry;

// Stages 1 and 2 smooth lists over the spectrum's own masses (stage 1 keeps them): given the same
// `geometry` both, they form the smoothing's x parts once. A geometry formed for a list of
// another length is formed anew.
void BuildStage1(ProgramState& state,
                 SmoothingGeometry* geometry = nullptr);  // the spectrum smoothed three times
void BuildStage2(
    ProgramState& state,
    SmoothingGeometry* geometry = nullptr);  // KolUsred + 2 more passes, turning points
void BuildStage3(ProgramState& state);       // stage 2 trimmed to minima at both ends
void BuildStage4(ProgramState& state);       // turning points of stage 3 and the zone table
void BuildSlope(ProgramState& state);        // zones at least FirstPeakHeight high, turning points

}  // namespace ostrel
