#include "results/peak_doubts.h"

#include <gtest/gtest.h>

#include <limits>

#include "results/results_table.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

PeakResult Fitted() {
    PeakResult p;
    p.centre = 68.9952;
    p.resolvingPower = 3000;
    p.height = 15230;
    p.background = 10;
    p.stdErr = 5;
    p.errors = {0.1, 0.2, 1.5, 0.0001};
    p.iterations = 7;
    p.points = 41;
    return p;
}

// The numbers stay as computed; the record only says whether an automatic use may take it, and
// why not.
TEST(PeakDoubtsTest, EveryKindOfNonsenseFitIsKnownWithItsReason) {
    const NumberFormat f('.');
    const struct {
        const char* what;
        void (*spoil)(PeakResult&);
        FitDoubt doubt;
        const char* brief;
    } cases[] = {
        {"a good fit", [](PeakResult&) {}, FitDoubt::None, ""},
        {"a problem peak",
         [](PeakResult& p) {
             p.status = PeakStatus::Problem;
             p.problem = FitProblem::ZeroCofactor;
             p.height = 1;
         },
         FitDoubt::None, "не подобран"},  // known by its status
        {"a negative height", [](PeakResult& p) { p.height = -3525.4; },
         FitDoubt::HeightNotPositive, "B ≤ 0"},
        {"a zero height", [](PeakResult& p) { p.height = 0; }, FitDoubt::HeightNotPositive,
         "B ≤ 0"},
        {"a negative resolving power", [](PeakResult& p) { p.resolvingPower = -1237; },
         FitDoubt::ResolvingPowerNotPositive, "R ≤ 0"},
        {"the step cap", [](PeakResult& p) { p.iterations = kMaxPeakSteps; }, FitDoubt::StepCap,
         "не сошёлся"},
        {"a value that is not a number",
         [](PeakResult& p) { p.errors[3] = std::numeric_limits<double>::quiet_NaN(); },
         FitDoubt::NotFinite, "не числа"},
    };
    for (const auto& tc : cases) {
        PeakResult p = Fitted();
        tc.spoil(p);
        const bool usable = std::string(tc.brief).empty();
        EXPECT_EQ(DoubtOf(p), tc.doubt) << tc.what;
        EXPECT_EQ(IsUsableFit(p), usable) << tc.what;
        EXPECT_EQ(DoubtBrief(p), tc.brief) << tc.what;
        EXPECT_EQ(DoubtText(p, f).empty(), usable) << tc.what;
    }
    // A fitted peak of height exactly 1 is a fitted peak.
    PeakResult one = Fitted();
    one.height = 1;
    EXPECT_TRUE(IsUsableFit(one));
}

TEST(PeakDoubtsTest, TheProblemListIsHeadedByTheDoubtfulPeaksInTableOrder) {
    const NumberFormat f('.');
    PeakResults peaks(4, Fitted());
    peaks[1].height = -3525.4;
    peaks[1].centre = 150.996;
    peaks[3].status = PeakStatus::Problem;
    peaks[3].problem = FitProblem::TooFewPoints;
    peaks[3].centre = 51.05;
    EXPECT_EQ(DoubtfulPeakLines(peaks, f),
              (std::vector<std::string>{"2 пик, 151.0: B ≤ 0", "4 пик, 51.0: не подобран"}));
    EXPECT_NE(DoubtText(peaks[3], f).find("4 точки или меньше"), std::string::npos);
    EXPECT_EQ(PeakLabelText(peaks[0], f), "68.9952");
    // "Все массы" (and so the calibration line it starts) shows no height for a problem peak.
    EXPECT_EQ(MassListLine(peaks[3], f), "51.0,  Ошибка");
    EXPECT_EQ(MassListLine(peaks[1], f), "151.0,  -3525");
}

}  // namespace
}  // namespace ostrel
