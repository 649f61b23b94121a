#include "reference/composition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "reference/composition_text.h"
#include "reference/isotopes.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

// A peak at the exact ion mass of a formula (plus shift), known to 0.1 mmu, with a height
// error of 1 %.
ComposePeak Peak(double mass, double height) {
    ComposePeak p;
    p.mass = mass;
    p.massError = 0.0001;
    p.height = height;
    p.heightError = 0.01 * height;
    p.resolvingPower = 3000;
    p.usable = true;
    return p;
}

ComposePeak IonPeak(const char* formula, double height, double shiftMmu = 0) {
    return Peak(IonMass(ParseFormula(formula)) + shiftMmu / 1000, height);
}

// The +1 satellite of an ion at the height and place its formula predicts.
ComposePeak SatellitePeak(const char* formula, double parentHeight) {
    const Formula f = ParseFormula(formula);
    const IsotopePattern p = PredictIsotopes(f);
    return Peak(IonMass(f) + p.shift[1].offset, parentHeight * p.shift[1].ratio);
}

TEST(CompositionTest, AnIonAndItsSatellite) {
    const std::vector<ComposePeak> pass = {IonPeak("CF3", 200000), SatellitePeak("CF3", 200000),
                                           IonPeak("C2F4", 24000, 0.3)};
    const std::vector<PeakComposition> r = ComposePeaks(pass, ComposeOptions{});
    ASSERT_EQ(r.size(), 3u);
    ASSERT_FALSE(r[0].candidates.empty());
    const CompositionCandidate& cf3 = r[0].candidates.front();
    EXPECT_EQ(CandidateText(cf3), "CF3+");
    EXPECT_EQ(cf3.ringsPlusDoubleBonds, 0.5);
    EXPECT_TRUE(cf3.evenElectron);
    EXPECT_NEAR(cf3.errorMmu, 0, 1e-6);
    EXPECT_EQ(cf3.satellites[0].state, SatelliteState::Found);
    EXPECT_EQ(cf3.satellites[0].peak, 1);
    EXPECT_TRUE(cf3.satellites[0].consistent);
    // The satellite is told as such, not given a formula of its own.
    ASSERT_FALSE(r[1].candidates.empty());
    const CompositionCandidate& sat = r[1].candidates.front();
    EXPECT_EQ(CandidateText(sat), "13C-CF3+");
    EXPECT_EQ(sat.isotopeShift, 1);
    EXPECT_EQ(sat.parentPeak, 0);
    EXPECT_NEAR(sat.errorMmu, 0, 1e-6);
    // C2F4+: the odd-electron ion; its satellite predicted below the weakest peak shown.
    const CompositionCandidate& c2f4 = r[2].candidates.front();
    EXPECT_EQ(CandidateText(c2f4), "C2F4+");
    EXPECT_EQ(c2f4.ringsPlusDoubleBonds, 1);
    EXPECT_FALSE(c2f4.evenElectron);
    EXPECT_NEAR(c2f4.errorMmu, 0.3, 1e-6);
    EXPECT_NEAR(c2f4.errorPpm, 0.3e-3 / 99.99306430 * 1e6, 1e-6);
    EXPECT_EQ(c2f4.satellites[0].state, SatelliteState::NotExpected);
}

// C4F9+ and C6HF2N2O5+ lie 0.28 mmu apart: at a mass between them only the satellite, 0.043 of
// the height for four carbons against 0.074 for six (with 15N2 and 17O5), tells them apart.
TEST(CompositionTest, TheSatelliteDecidesBetweenFormulasOfNearlyTheSameMass) {
    const double between = (IonMass(ParseFormula("C4F9")) + IonMass(ParseFormula("C6HF2N2O5"))) / 2;
    for (const char* truth : {"C4F9", "C6HF2N2O5"}) {
        ComposePeak ion = Peak(between, 120000);
        ComposePeak satellite = SatellitePeak(truth, 120000);
        satellite.mass += between - IonMass(ParseFormula(truth));
        const std::vector<ComposePeak> pass = {ion, satellite};
        const std::vector<PeakComposition> r = ComposePeaks(pass, ComposeOptions{});
        ASSERT_GE(r[0].candidates.size(), 2u);
        EXPECT_EQ(CandidateText(r[0].candidates.front()), IonText(ParseFormula(truth)));
        EXPECT_GT(r[0].candidates.front().share, 0.9);
        EXPECT_EQ(CandidateText(r[1].candidates.front()), "13C-" + IonText(ParseFormula(truth)));
        // By mass alone the two are a toss-up.
        const CompositionCandidate* other = nullptr;
        for (const auto& c : r[0].candidates)
            if (HillText(c.formula) == (std::string(truth) == "C4F9" ? "C6HF2N2O5" : "C4F9"))
                other = &c;
        ASSERT_NE(other, nullptr);
        EXPECT_NEAR(other->massLogLikelihood, r[0].candidates.front().massLogLikelihood, 0.2);
        EXPECT_FALSE(other->satellites[0].consistent);
    }
}

TEST(CompositionTest, AbsentSatellitesAndProblemPeaks) {
    ComposePeak problem = Peak(IonMass(ParseFormula("C4F9")) + kC13Spacing, 1);
    problem.usable = false;
    const std::vector<ComposePeak> pass = {
        IonPeak("C4H9", 100000),         // its satellite of 4300 should show: missing
        IonPeak("C4F9", 120000),         // a problem peak where its satellite should be
        problem, IonPeak("C3F7", 2000),  // its satellite of 65 lies below the weakest peak shown
    };
    ComposeOptions o;
    o.detectionHeight = 1000;
    const std::vector<PeakComposition> r = ComposePeaks(pass, o);
    EXPECT_EQ(r[0].candidates.front().satellites[0].state, SatelliteState::Missing);
    EXPECT_FALSE(r[0].candidates.front().satellites[0].consistent);
    EXPECT_LT(r[0].candidates.front().score, -4);
    EXPECT_EQ(r[1].candidates.front().satellites[0].state, SatelliteState::HiddenByProblem);
    EXPECT_EQ(r[1].candidates.front().satellites[0].logLikelihood, 0);
    EXPECT_FALSE(r[2].usable);
    EXPECT_TRUE(r[2].candidates.empty());
    EXPECT_EQ(r[3].candidates.front().satellites[0].state, SatelliteState::NotExpected);
    EXPECT_TRUE(r[3].candidates.front().satellites[0].consistent);
    // Non-finite or non-positive values make a peak unusable whatever its flag says.
    std::vector<ComposePeak> odd = {IonPeak("CF3", -5), IonPeak("CF3", NAN), IonPeak("CF3", 10)};
    odd[2].massError = INFINITY;
    for (const PeakComposition& pc : ComposePeaks(odd, o)) EXPECT_FALSE(pc.usable);
    // Masses no formula of the ranges reaches, as a fit gone astray gives them.
    const std::vector<ComposePeak> astray = {Peak(-3, 100), Peak(1e20, 100), Peak(5e3, 100)};
    for (const PeakComposition& pc : ComposePeaks(astray, o)) {
        EXPECT_TRUE(pc.usable);
        EXPECT_TRUE(pc.candidates.empty());
    }
}

// A weak peak known to ±1.5 mmu lying 2.5 mmu from its ion: a fixed 2 mmu window offers only
// the wrong formulas that happen to lie closer.
TEST(CompositionTest, APoorlyKnownCentreWidensItsWindow) {
    ComposePeak weak = IonPeak("C11H23", 16, 2.5);
    weak.massError = 0.0015;
    const std::vector<ComposePeak> pass = {IonPeak("C4H9", 800), weak};
    ComposeOptions o;
    o.elements = ParseElementRanges("C1-100,H0-200,N0-4,F0-45");
    const PeakComposition wide = ComposePeaks(pass, o)[1];
    ASSERT_FALSE(wide.candidates.empty());
    EXPECT_EQ(CandidateText(wide.candidates.front()), "C11H23+");
    EXPECT_NEAR(wide.windowMmu, 3 * std::hypot(1.5, 0.5), 1e-9);
    o.widenByOwnError = false;
    const PeakComposition fixed = ComposePeaks(pass, o)[1];
    EXPECT_EQ(fixed.windowMmu, 2);
    for (const CompositionCandidate& c : fixed.candidates) {
        EXPECT_LE(std::fabs(c.errorMmu), 2);
        EXPECT_NE(CandidateText(c), "C11H23+");
    }
    // The strong peak keeps the tolerance either way.
    EXPECT_EQ(ComposePeaks(pass, ComposeOptions{})[0].windowMmu, 2);
}

TEST(CompositionTest, ToleranceOutOfRangeIsRefused) {
    const std::vector<ComposePeak> pass = {IonPeak("CF3", 1000)};
    for (double t : {0.0, -1.0, 50.5, static_cast<double>(NAN)}) {
        ComposeOptions o;
        o.toleranceMmu = t;
        EXPECT_THROW(ComposePeaks(pass, o), CommandError) << t;
    }
    ComposeOptions o;
    o.toleranceMmu = 50;
    EXPECT_NO_THROW(ComposePeaks(pass, o));
}

TEST(CompositionTest, CellsOfOneLine) {
    const NumberFormat f('.');
    EXPECT_EQ(CompositionHeaderCells(),
              (std::vector<std::string>{"M", "Масса", "Формула", "Ошибка, mmu", "DBE",
                                        "Другие формулы"}));
    // C8H4+ measured 0.5 mmu high: C8H4+ first, then C5H5FO+ (−0.64) and C3H3FN3+ (0.70).
    const std::vector<ComposePeak> pass = {IonPeak("C8H4", 5000, 0.5)};
    const PeakComposition pc = ComposePeaks(pass, ComposeOptions{})[0];
    EXPECT_EQ(CompositionLineCells("100", "100.031301", pc, f),
              (std::vector<std::string>{"100", "100.031301", "C8H4+", "0.50", "7.0",
                                        "C5H5FO+(-0.64) C3H3FN3+(0.70)"}));
    // At most five others.
    PeakComposition many = pc;
    many.candidates.resize(8, pc.candidates.back());
    EXPECT_EQ(CompositionLineCells("100", "x", many, f)[5],
              "C5H5FO+(-0.64) C3H3FN3+(0.70) C3H3FN3+(0.70) C3H3FN3+(0.70) C3H3FN3+(0.70)");
    // A problem row and a row without candidates: only M and Масса.
    const std::vector<std::string> empty{"51", "Ошибка", "", "", "", ""};
    EXPECT_EQ(CompositionLineCells("51", "Ошибка", PeakComposition{}, f), empty);
    PeakComposition none;
    none.usable = true;
    EXPECT_EQ(CompositionLineCells("51", "Ошибка", none, f), empty);
}

}  // namespace
}  // namespace ostrel
