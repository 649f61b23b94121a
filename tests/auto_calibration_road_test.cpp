// The automatic calibration on the road: the pairing fills the calibration list for the user's
// review, the written road goes on from it, and ostrel-batch autocal walks the same road.
#include <gtest/gtest.h>

#include <sstream>

#include "batch_run.h"
#include "measured_cases.h"
#include "reference/auto_pairing.h"
#include "reference/reference_sets.h"
#include "state/errors.h"
#include "state/spectrum_road.h"
#include "temp_dir.h"

namespace ostrel {
namespace {

using ::ostrel::testing::Batch;
using ::ostrel::testing::BatchRun;

class AutoCalibrationRoadTest : public ::testing::Test {
  protected:
    ProgramState state;
    SpectrumRoad road{state};
    const std::string file = ::ostrel::testing::ExampleFile("pftba_R3000.txt");

    void SetUp() override {
        state.Format.SetSeparator('.');
        road.Open(file);
        road.Preliminary(PreliminarySettings{});
        road.LastPass(22525);
    }
};

TEST_F(AutoCalibrationRoadTest, ThePairsFillTheListAndTheWrittenRoadGoesOnFromThem) {
    // A list made by hand before is replaced, as "Очистить список" would.
    AddCalibrationPeak(state.Calibration, 1);
    state.CalibPoints = {{50}, {1}};
    const AutoCalibrationResult pairing = road.PairAutomatically("pftba", {});
    ASSERT_FALSE(pairing.Refused()) << pairing.refusal;
    ASSERT_GE(pairing.pairs.size(), 3u);
    ASSERT_EQ(state.Calibration.CalibCount(), static_cast<int32_t>(pairing.pairs.size()));
    EXPECT_EQ(state.CalibPoints.Count(), 0);
    ASSERT_TRUE(state.AutoPairing);
    std::vector<std::string> names;
    for (const ReferenceIon& ion : PftbaIons()) names.push_back(ion.name);
    for (size_t i = 0; i < pairing.pairs.size(); ++i) {
        const AutoCalibrationPair& p = pairing.pairs[i];
        EXPECT_NE(std::find(names.begin(), names.end(), p.ionName), names.end()) << p.ionName;
        const CalibrationEntry& e = state.Calibration.entries[i];
        EXPECT_EQ(e.peak, p.peak);
        ASSERT_TRUE(e.trueMass);
        EXPECT_EQ(e.trueMass->text, state.Format.Fixed(p.referenceMass, 6));
        // The file's masses are the neutral sums 2 mmu + 10 ppm too high: every pair deviates by
        // about that and the electron.
        EXPECT_NEAR(p.deviationMmu, -(2.549 + 0.01 * p.referenceMass), 0.6) << p.ionName;
    }
    // The user's own fit of the proposed degree gives the curve the pairing reported.
    road.MakeCalibrationPoints();
    if (pairing.degree == CurveDegree::Line)
        road.FitCalibrationLine();
    else
        road.FitCalibrationParabola();
    EXPECT_EQ(state.Curve.CurveA, pairing.curve.CurveA);
    EXPECT_EQ(state.Curve.CurveB, pairing.curve.CurveB);
    EXPECT_EQ(state.Curve.CurveC, pairing.curve.CurveC);
    ASSERT_TRUE(state.LastFit);
    road.Recalculate();
    EXPECT_FALSE(state.AutoPairing);  // gone with the list
    EXPECT_TRUE(state.LastFit);       // the page still says how the curve fitted
}

TEST_F(AutoCalibrationRoadTest, ARefusalOrAnUnreadableListChangesNothing) {
    AddCalibrationPeak(state.Calibration, 2);
    // The hydrocarbon ions do not agree with a fluorocarbon spectrum.
    const AutoCalibrationResult refused = road.PairAutomatically("ch", {});
    EXPECT_TRUE(refused.Refused());
    EXPECT_EQ(state.Calibration.CalibCount(), 1);
    EXPECT_FALSE(state.AutoPairing);
    ::ostrel::testing::TempDir dir;
    const std::string list = dir.Write("ions.txt", "CF3\r\n# a comment\r\nC4F9+\r\nnot an ion\r\n");
    EXPECT_THROW(road.PairAutomatically(list, {}), CommandError);
    EXPECT_THROW(road.PairAutomatically(dir.File("missing.txt"), {}), CommandError);
    AutoCalibrationSettings wide;
    wide.toleranceMmu = 0;
    EXPECT_THROW(road.PairAutomatically("pftba", wide), CommandError);
    EXPECT_EQ(state.Calibration.CalibCount(), 1);
}

// autocal prints the pairs and the curve of the window's road; calibrate with the same pairs and
// masses gives the same curve.
TEST_F(AutoCalibrationRoadTest, BatchAutocalAgreesWithTheRoadAndWithCalibrate) {
    const BatchRun r = Batch({"autocal", file, "--height", "22525", "--refs", "pftba"});
    ASSERT_EQ(r.status, 0) << r.err;
    const AutoCalibrationResult pairing = road.PairAutomatically("pftba", {});
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "K\tМасса\tЭталонная масса\tИон\tДо, mmu\tПосле, mmu");
    std::vector<std::string> calibrate = {
        "calibrate", file,    "--height",
        "22525",     "--fit", pairing.degree == CurveDegree::Line ? "line" : "parabola"};
    for (const AutoCalibrationPair& p : pairing.pairs) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.substr(0, line.find('\t')), std::to_string(p.peak));
        EXPECT_NE(line.find("\t" + p.ionName + "\t"), std::string::npos) << line;
        calibrate.push_back("--pair");
        calibrate.push_back(std::to_string(p.peak) + "=" + state.Format.Fixed(p.referenceMass, 6));
    }
    std::string curve;
    ASSERT_TRUE(std::getline(lines, curve));
    EXPECT_EQ(curve.rfind("a=", 0), 0u) << curve;
    EXPECT_FALSE(std::getline(lines, line));
    const BatchRun c = Batch(calibrate);
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(c.out.substr(0, c.out.find('\n')), curve);

    const BatchRun refused = Batch({"autocal", file, "--height", "22525", "--refs", "ch"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("Автоматическая калибровка не выполнена", 0), 0u) << refused.err;
    EXPECT_EQ(Batch({"autocal", file, "--height", "22525"}).status, 2);  // --refs is needed
    EXPECT_EQ(Batch({"autocal", file, "--height", "22525", "--refs", "pftba", "--fit", "x"}).status,
              1);
}

}  // namespace
}  // namespace ostrel
