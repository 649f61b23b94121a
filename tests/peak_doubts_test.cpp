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
    p.leftX = 68.95;
    p.rightX = 69.05;
    p.resolvingPower = 3000;
    p.height = 15230;
    p.background = 10;
    p.modelA = 10;
    p.modelB = 15240;
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
        {"a negative amplitude",
         [](PeakResult& p) {
             p.modelB = -3525.4;
             p.height = p.modelB - p.modelA;
         },
         FitDoubt::AmplitudeNotPositive, "амплитуда ≤ 0"},
        {"a zero amplitude", [](PeakResult& p) { p.modelB = 0; }, FitDoubt::AmplitudeNotPositive,
         "амплитуда ≤ 0"},
        {"a negative resolving power", [](PeakResult& p) { p.resolvingPower = -1237; },
         FitDoubt::ResolvingPowerNotPositive, "R ≤ 0"},
        {"a centre beyond its window", [](PeakResult& p) { p.centre = 69.2; },
         FitDoubt::CentreOutsideWindow, "центр вне окна"},
        {"a resolving power known worse than its value", [](PeakResult& p) { p.errors[2] = 3000; },
         FitDoubt::Undetermined, "не определён"},
        {"the step cap, still moving",
         [](PeakResult& p) {
             p.iterations = kMaxPeakSteps;
             p.settled = false;
         },
         FitDoubt::StepCap, "не сошёлся"},
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
    // A fitted peak of height exactly 1, or a weak one whose B − A is below 0, is a fitted peak.
    for (double height : {1.0, -5.0}) {
        PeakResult p = Fitted();
        p.height = height;
        EXPECT_TRUE(IsUsableFit(p)) << height;
    }
    // A fit of a tall peak that settled at the step cap is marked, and used all the same.
    PeakResult capped = Fitted();
    capped.iterations = kMaxPeakSteps;
    EXPECT_EQ(DoubtOf(capped), FitDoubt::SettledAtCap);
    EXPECT_TRUE(IsUsableFit(capped));
    EXPECT_NE(DoubtText(capped, f).find("годен"), std::string::npos);
}

TEST(PeakDoubtsTest, TheProblemListIsHeadedByTheDoubtfulPeaksInTableOrder) {
    const NumberFormat f('.');
    PeakResults peaks(4, Fitted());
    peaks[1].modelB = -3515.4;
    peaks[1].height = -3525.4;
    peaks[1].centre = 150.996;
    peaks[1].leftX = 150.9;
    peaks[1].rightX = 151.1;
    peaks[3].status = PeakStatus::Problem;
    peaks[3].problem = FitProblem::TooFewPoints;
    peaks[3].centre = 51.05;
    EXPECT_EQ(DoubtfulPeakLines(peaks, f), (std::vector<std::string>{"2 пик, 151.0: амплитуда ≤ 0",
                                                                     "4 пик, 51.0: не подобран"}));
    EXPECT_NE(DoubtText(peaks[3], f).find("4 точки или меньше"), std::string::npos);
    EXPECT_EQ(PeakLabelText(peaks[0], f), "68.9952");
    // "Все массы" (and so the calibration line it starts) shows no height for a problem peak.
    EXPECT_EQ(MassListLine(peaks[3], f), "51.0,  Ошибка");
    EXPECT_EQ(MassListLine(peaks[1], f), "151.0,  -3525");
}

}  // namespace
}  // namespace ostrel
