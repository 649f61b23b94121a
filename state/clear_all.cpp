#include "state/clear_all.h"

#include <stdexcept>

#include "state/program_state.h"

namespace ostrel {

ClearedParts ClearAll(ProgramState& state, int mode) {
    if (mode < kClearForLoad || mode > kClearForLastPass)
        throw std::invalid_argument("ClearAll: unknown mode " + std::to_string(mode));
    ClearedParts cleared;
    cleared.parts.set();
    if (mode != kClearForLoad) cleared.parts.reset(static_cast<size_t>(DerivedPart::SpectrumCurve));
    // The zone view and the height taken from it stay for the pass that uses them.
    if (mode == kClearForLastPass)
        cleared.parts.reset(static_cast<size_t>(DerivedPart::ZoneChoice));
    cleared.kolUsredText = KolUsredText(state);
    cleared.krivoMnText = KrivoMnText(state);

    // The peaks go with the table that shows them, and their composition, the reference ions and
    // theory series with the peaks they were made for, so that no list or file offers those of an
    // earlier pass.
    state.Peaks = {};
    state.PeaksRefined = false;
    state.Composition = {};
    state.Reference = {};
    state.Theory = {};
    state.Calibration = {};
    state.AutoPairing.reset();
    state.CalibPoints = {};
    return cleared;
}

}  // namespace ostrel
