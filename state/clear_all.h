// The one reset of derived data. The core resets what it owns and returns what the window must
// clear and write, in order, so the window only applies it.
#pragma once

#include <string>
#include <vector>

namespace ostrel {

struct ProgramState;

enum ClearMode : int {
    kClearForLoad = 0,         // a new spectrum or recalculated masses: the spectrum curve too
    kClearForPreliminary = 1,  // the preliminary processing starts
    kClearForLastPass = 2,     // the last processing starts: the zone view stays
};

struct ClearAllEffects {
    std::vector<std::string> seriesToClear;  // in this order
    std::vector<std::string> listsToClear;   // ListBox7 is never among them
    std::string edit1Text;                   // always empty
    std::string edit2Text;                   // KolUsred
    std::string edit3Text;                   // KrivoMn
    std::string label2Caption;               // "-"
    std::string label4Caption;               // "-"
    std::vector<std::string> buttonsToDisable;
};

// Resets the grid to its header row and one empty row, the reference tables, the theory series,
// the calibration list and its points. The spectrum, title, settings and flags stay.
ClearAllEffects ClearAll(ProgramState& state, int mode);

}  // namespace ostrel
