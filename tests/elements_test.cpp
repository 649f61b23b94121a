#include "reference/elements.h"

#include <gtest/gtest.h>

#include "state/errors.h"

namespace ostrel {
namespace {

TEST(ElementsTest, IonMassesAreTheAtomsLessTheElectron) {
    // Reference values: monoisotopic sums less 0.000548579909 u.
    struct Case {
        const char* formula;
        double ion;
    } cases[] = {
        {"CF3", 68.99466108},   {"C4F9", 218.98508040},   {"C9F20N", 501.97058982},
        {"C4H9", 57.06987671},  {"C2F4", 99.99306430},    {"C12F24N", 613.96420270},
        {"CH2Cl", 48.98395416}, {"C6H5Br", 155.95691368}, {"SiC3H9", 73.04680324},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(IonMass(ParseFormula(c.formula)), c.ion, 5e-8) << c.formula;
    EXPECT_DOUBLE_EQ(NeutralMass(ParseFormula("C")), 12.0);
}

TEST(ElementsTest, HillOrderAndCharge) {
    struct Case {
        const char* in;
        const char* hill;
    } cases[] = {
        {"C4F9+", "C4F9"}, {"F32N2C22H", "C22HF32N2"},
        {"NH", "HN"},      {"ClC2H5", "C2H5Cl"},
        {"SiC", "CSi"},    {"OS", "OS"},
        {"BrH", "BrH"},    {"C1H1", "CH"},
    };
    for (const Case& c : cases) EXPECT_EQ(HillText(ParseFormula(c.in)), c.hill) << c.in;
    EXPECT_EQ(IonText(ParseFormula("C22HF32N2")), "C22HF32N2+");
}

TEST(ElementsTest, RingsPlusDoubleBondsTellTheElectronParity) {
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("CF3")), 0.5);
    EXPECT_TRUE(IsEvenElectronIon(ParseFormula("CF3")));
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("C2F4")), 1);
    EXPECT_FALSE(IsEvenElectronIon(ParseFormula("C2F4")));
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("C6H6")), 4);
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("C4H9")), 0.5);
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("C9F20N")), 0.5);
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("CF4")), 0);
    EXPECT_EQ(RingsPlusDoubleBonds(ParseFormula("C2H7")), -0.5);
}

TEST(ElementsTest, UnreadableFormulasAreRefusedWithTheirText) {
    for (const char* bad : {"", "+", "c4", "C4Xx", "C2C3", "C0", "4C", "C-1", "C 4", "C999999"}) {
        try {
            ParseFormula(bad);
            ADD_FAILURE() << bad;
        } catch (const CommandError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
}  // namespace ostrel
