// Reference ions for calibration: hydrocarbon ions CcHh in three groups (molecular, one and two
// hydrogens split off) and fluorocarbon ions CcFf, one per nominal mass of the range of the
// measured peaks, and the lines of the list "Стандартные массы".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "processing/peak_result.h"

namespace ostrel {

class NumberFormat;

// Carbon count, count of the second element (hydrogen or fluorine) and the ion mass. The counts
// are whole numbers held as reals.
struct IonRow {
    double c = 0;
    double n = 0;
    double mass = 0;
};

// Group k of the CH ions: h = 2c + 2 − k.
enum CHGroup : int32_t { kMolecular = 0, kOneSplitOff = 1, kTwoSplitOff = 2 };

struct CHOrderEntry {
    int32_t group = 0;
    int32_t row = 0;
};

struct ReferenceTables {
    std::vector<IonRow> CHIons;                   // one row per nominal mass of the range
    std::array<std::vector<IonRow>, 3> CHGroups;  // rows whose h matches a group
    std::vector<CHOrderEntry> CHGroupOrder;       // the groups interleaved row by row
    std::vector<IonRow> CFIons;                   // one row per nominal mass that has a CF ion

    int32_t CHGroupCount(int32_t k) const { return static_cast<int32_t>(CHGroups[k].size()); }
};

// The nominal masses whose reference ions are generated: from ⌊first peak⌋ + 1 to
// ⌊last peak⌋ + 1. Empty without peaks.
struct MassRange {
    int64_t first = 0;
    int64_t last = -1;
};
MassRange ReferenceRange(const PeakResults& peaks);

// The CH ion of one nominal mass by the carbon search; false for masses below 11, which have no
// carbon count.
bool CHIonOf(int64_t m, IonRow& row);
// The CF ion of one nominal mass; false when the mass has none.
bool CFIonOf(int64_t m, IonRow& row);
// The same two by the plain search over c = 1, 2, ..., which costs up to m/12 steps a mass; kept
// for the test that compares the two.
bool CHIonOfPlain(int64_t m, IonRow& row);
bool CFIonOfPlain(int64_t m, IonRow& row);

// Rebuilds the CH rows, the groups and their order from the peaks of the last pass.
void StandartCH(ReferenceTables& tables, const PeakResults& peaks);
// Interleaves the groups: for each row j, group 2, 1, 0 where the group has a row j.
void OrderCHGroups(ReferenceTables& tables);
// Rebuilds the CF rows.
void StandartCF(ReferenceTables& tables, const PeakResults& peaks);

// The reference ion (CH group row or CF row) nearest to a measured mass, when one lies within
// the tolerance (u): the true mass a user would most likely give that peak.
std::optional<double> NearestReferenceMass(const ReferenceTables& tables, double mass,
                                           double tolerance);

// What the check boxes and radio buttons of "Стандартные массы" choose.
struct StandardListChoice {
    bool molecular = true;     // CheckBox1 "молекулярные"
    bool oneSplitOff = false;  // CheckBox2 "с одним отщеплённым"
    bool twoSplitOff = false;  // CheckBox3 "с двумя отщеплёнными"
    bool fullList = false;     // CheckBox4 "полный список"
    bool allExisting = false;  // CheckBox5 "все существующие"
    bool cf = false;           // RadioButton2 "CF" (RadioButton1 "CH" otherwise)
};

// The lines of "Стандартные массы", each starting with the ion mass and a comma:
// - "полный список": every CH row, «30.04698,  C 2 H 6,  молек» (the word only for h = 2c + 2);
// - otherwise "все существующие": the chosen CH group lines and the CF lines together, in
//   ascending mass;
// - otherwise "CF": the CF lines, «68.9952,  C 1 F 3»;
// - otherwise the chosen CH group lines in the group order, «28.03132,  C 2 H 4,  два».
std::vector<std::string> StandardMassLines(const ReferenceTables& tables,
                                           const StandardListChoice& choice,
                                           const NumberFormat& format);

}  // namespace ostrel
