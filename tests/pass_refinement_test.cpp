// The refinement on the road: its records as the pass's, and the choice in ostrel-batch.
#include "processing/pass_refinement.h"

#include <gtest/gtest.h>

#include "batch_run.h"
#include "measured_cases.h"
#include "results/peak_doubts.h"
#include "state/spectrum_road.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;

// Three pass records; the refinement leaves the first, fits the second again and splits the
// third.
TEST(RefinedResultsTest, RefinedPeaksBecomeRecordsAsThePassesAre) {
    Spectrum s;
    for (int i = 0; i <= 300; ++i) {
        s.PointX.push_back(100 + 0.001 * i);
        s.PointY.push_back(50 + i % 3);
    }
    PeakResults pass(3);
    for (int k = 0; k < 3; ++k) {
        pass[k].leftX = s.PointX[100 * k];
        pass[k].rightX = s.PointX[100 * k + 99];
        pass[k].zone = 2 * k;
        pass[k].centre = s.PointX[100 * k + 50];
        pass[k].resolvingPower = 5000;
        pass[k].modelA = 50;
        pass[k].modelB = 1000;
        pass[k].height = 950;
        pass[k].iterations = 7;
    }
    pass[1].status = PeakStatus::Problem;
    PeakRefinement refinement;
    refinement.peaks.resize(3);
    refinement.peaks[1].kind = RefinedKind::Refitted;
    refinement.peaks[1].components = {{-3, 400, 4900, 100.15, {1, 2, 3, 4}}};
    refinement.peaks[1].iterations = 12;
    refinement.peaks[2].kind = RefinedKind::Split;
    refinement.peaks[2].components = {{51, 700, 5010, 100.24, {}}, {51, 300, 5010, 100.26, {}}};
    refinement.peaks[2].group = 0;
    const PeakResults refined = RefinedResults(s, pass, refinement);
    ASSERT_EQ(refined.size(), 4u);
    EXPECT_EQ(refined[0].origin, PeakOrigin::Pass);
    EXPECT_EQ(refined[0].centre, pass[0].centre);
    const PeakResult& again = refined[1];
    EXPECT_EQ(again.origin, PeakOrigin::Refitted);
    EXPECT_FALSE(again.IsProblem());
    EXPECT_EQ(again.centre, 100.15);
    EXPECT_EQ(again.height, 403);     // B − A, as the table shows a fit
    EXPECT_EQ(again.background, 50);  // A is not positive: the window's lowest point
    EXPECT_EQ(again.zone, 2);         // the pass's window and zone stay
    EXPECT_EQ(again.leftX, pass[1].leftX);
    EXPECT_EQ(again.iterations, 12);
    EXPECT_EQ(again.errors[3], 4);
    EXPECT_GT(again.stdErr, 0);
    EXPECT_EQ(again.group, -1);
    for (int c : {2, 3}) {
        EXPECT_EQ(refined[c].origin, PeakOrigin::Component);
        EXPECT_EQ(refined[c].group, 2);  // the index of the group's first record
        EXPECT_EQ(refined[c].zone, 4);
    }
    EXPECT_LT(refined[2].centre, refined[3].centre);
    const RefinementCounts counts = CountsOf(refined);
    EXPECT_EQ(counts.refitted, 1);
    EXPECT_EQ(counts.components, 2);
    EXPECT_EQ(counts.problems, 0);
    EXPECT_EQ(RefinementText(refined, 0), "");
    EXPECT_NE(RefinementText(refined, 3).find("строки 3–4"), std::string::npos);
    EXPECT_EQ(RefinementGroupLines(refined, 2, NumberFormat('.')).size(), 3u);
}

// Off, the pass is as it was; on, the PFTBA example's one problem peak (13C-CF2+ at 51) is
// found, and the other rows stay as the pass left them.
TEST(RefinedPassTest, TheChoiceRefinesAndOffChangesNothing) {
    const std::string file = ::ostrel::testing::ExampleFile("pftba_R3000.txt");
    ProgramState plain, refined;
    for (ProgramState* s : {&plain, &refined}) {
        s->Format.SetSeparator('.');
        SpectrumRoad road(*s);
        road.Open(file);
        road.Preliminary(PreliminarySettings{});
        PassOptions options;
        options.refine = s == &refined;
        const PassCounters counters = road.LastPass(22525, options);
        EXPECT_EQ(counters.refined, options.refine);
    }
    EXPECT_FALSE(plain.PeaksRefined);
    EXPECT_TRUE(refined.PeaksRefined);
    ASSERT_EQ(plain.Peaks.size(), refined.Peaks.size());
    int problems = 0, again = 0;
    for (size_t i = 0; i < plain.Peaks.size(); ++i) {
        problems += plain.Peaks[i].IsProblem();
        if (refined.Peaks[i].origin == PeakOrigin::Pass) {
            EXPECT_EQ(refined.Peaks[i].centre, plain.Peaks[i].centre) << i;
            continue;
        }
        ++again;
        EXPECT_TRUE(plain.Peaks[i].IsProblem()) << i;
        EXPECT_NEAR(refined.Peaks[i].centre, 51.0057, 0.005) << i;
        EXPECT_TRUE(IsUsableFit(refined.Peaks[i]));
    }
    EXPECT_EQ(problems, 1);
    EXPECT_EQ(again, 1);
}

TEST(RefinedPassTest, BatchTakesTheChoiceOnEverySubcommandOfThePass) {
    const std::string file = ::ostrel::testing::ExampleFile("pftba_R3000.txt");
    const BatchRun plain = Batch({"peaks", file, "--height", "22525"});
    const BatchRun refined = Batch({"peaks", file, "--height", "22525", "--refine"});
    ASSERT_EQ(refined.status, 0) << refined.err;
    EXPECT_NE(plain.out, refined.out);
    EXPECT_EQ(std::count(plain.out.begin(), plain.out.end(), '\n'),
              std::count(refined.out.begin(), refined.out.end(), '\n'));
    EXPECT_NE(plain.out.find("\n51\tОшибка\t"), std::string::npos);  // the problem row
    EXPECT_EQ(refined.out.find("\tОшибка\t", refined.out.find('\n')), std::string::npos);
    EXPECT_NE(refined.err.find("refined: 1 fitted again"), std::string::npos) << refined.err;
    const BatchRun html = Batch({"html", file, "--height", "22525", "--look", "0", "--refine"});
    EXPECT_NE(html.out.find(kRefinedPassNote), std::string::npos);
    EXPECT_EQ(Batch({"html", file, "--height", "22525", "--look", "0"}).out.find(kRefinedPassNote),
              std::string::npos);
    for (const char* subcommand : {"chlist", "theory", "compose"})
        EXPECT_EQ(Batch({subcommand, file, "--height", "22525", "--refine"}).status, 0)
            << subcommand;
    EXPECT_EQ(Batch({"zones", file, "--refine"}).status, 2);  // no pass: no such option
}

}  // namespace
}  // namespace ostrel
