#include "state/clear_all.h"

#include <stdexcept>

#include "state/program_state.h"

namespace ostrel {

ClearAllEffects ClearAll(ProgramState& state, int mode) {
    if (mode < kClearForLoad || mode > kClearForLastPass)
        throw std::invalid_argument("ClearAll: unknown mode " + std::to_string(mode));
    ClearAllEffects effects;
    auto& series = effects.seriesToClear;
    if (mode == kClearForLoad) series.push_back("Series1");
    for (const char* name : {"Series2", "Series3", "Series4", "Series5", "Series6", "Series7",
                             "Series8", "Series9", "Series10", "Series12", "Series13"})
        series.push_back(name);
    if (mode != kClearForLastPass) {
        series.push_back("Series14");
        series.push_back("Series15");
    }
    series.push_back("Series16");

    state.Grid.SetRowCount(2);
    state.Grid.GridColumn = 0;
    for (int32_t c = 0; c < ResultsGrid::kColumnCount; ++c) GridPutText(state.Grid, "", 1);

    effects.listsToClear = {"ListBox1", "ListBox2", "ListBox3", "ListBox4",
                            "ListBox5", "ListBox6", "ListBox8", "ListBox9"};
    effects.edit2Text = KolUsredText(state);
    effects.edit3Text = KrivoMnText(state);
    effects.label2Caption = "-";
    effects.label4Caption = "-";

    // The reference ions and theory series go with the peaks they were made for, so that no list
    // or file offers those of an earlier pass.
    state.Reference = {};
    state.Theory = {};
    state.Calibration = {};
    state.CalibPoints = {};

    effects.buttonsToDisable = {"Button6", "Button4", "Button5", "Button16", "Button17"};
    // Without the zone list of this spectrum there is no height to take or to process with.
    if (mode != kClearForLastPass) {
        effects.buttonsToDisable.push_back("Button13");
        effects.buttonsToDisable.push_back("BitBtn1");
    }
    return effects;
}

}  // namespace ostrel
