#include "processing/height_suggestion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "batch/batch_runner.h"
#include "processing/last_pass.h"
#include "processing/preliminary.h"
#include "processing/stage_builders.h"
#include "state/errors.h"
#include "state/program_state.h"

namespace ostrel {
namespace {

// Zone heights of smoothed noise: Rayleigh-distributed with the given scale, from the engine's
// raw numbers so that every standard library gives the same heights.
std::vector<int32_t> NoiseHeights(int count, double scale, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int32_t> h;
    for (int i = 0; i < count; ++i) {
        const double u = (rng() + 0.5) / 4294967296.0;
        h.push_back(static_cast<int32_t>(scale * std::sqrt(-2 * std::log(u))));
    }
    return h;
}

// A zone table from heights in mass order, sorted as the preliminary processing leaves it.
ZoneTable SortedZones(const std::vector<int32_t>& alongMass) {
    ZoneTable z;
    for (size_t i = 0; i < alongMass.size(); ++i) {
        z.ZoneHeight.push_back(alongMass[i]);
        z.ZoneCenter.push_back(20 + 0.1 * i);
        z.ZoneTopIndex.push_back(static_cast<int32_t>(2 * i + 1));
    }
    OtsortVysota(z);
    return z;
}

// Every zone below the suggestion is noise, every zone at or above it a peak.
void ExpectSplit(const ZoneTable& zones, const HeightSuggestion& s, int32_t highestNoise,
                 int32_t lowestPeak) {
    EXPECT_GT(s.height, highestNoise);
    EXPECT_LE(s.height, lowestPeak);
    ASSERT_GE(s.zone, 0);
    EXPECT_EQ(zones.ZoneHeight[s.zone], s.height);
    EXPECT_TRUE(s.zone == 0 || zones.ZoneHeight[s.zone - 1] < s.height);  // the first such line
    EXPECT_EQ(s.line, s.zone < zones.ZoneCount() - 1 ? s.zone : -1);
}

TEST(HeightSuggestionTest, NoZoneOneZoneAndEqualHeights) {
    const HeightSuggestion none = SuggestFirstPeakHeight(ZoneTable{});
    EXPECT_EQ(none.height, 0);
    EXPECT_EQ(none.zone, -1);
    EXPECT_EQ(none.line, -1);

    // The single zone is the highest, which the list does not show.
    const HeightSuggestion one = SuggestFirstPeakHeight(SortedZones({42}));
    EXPECT_EQ(one.height, 42);
    EXPECT_EQ(one.zone, 0);
    EXPECT_EQ(one.line, -1);

    // Nothing tells noise from peaks: every zone is kept, from the first line.
    for (int count : {5, 500}) {
        const HeightSuggestion equal =
            SuggestFirstPeakHeight(SortedZones(std::vector<int32_t>(count, 7)));
        EXPECT_EQ(equal.height, 7) << count;
        EXPECT_EQ(equal.line, 0) << count;
    }
    const HeightSuggestion zeros = SuggestFirstPeakHeight(SortedZones(std::vector<int32_t>(80, 0)));
    EXPECT_EQ(zeros.height, 0);
    EXPECT_EQ(zeros.line, 0);
}

TEST(HeightSuggestionTest, ClearGapAboveTheNoise) {
    const struct {
        int noise;  // few zones are judged by the gap, many by the noise level
        std::vector<int32_t> peaks;
    } cases[] = {
        {12, {9000, 60000, 250000}},
        {1500, {15000, 22000, 40000, 90000, 90000, 400000, 2000000, 75000000}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> heights = NoiseHeights(c.noise, 1000, 1);
        const int32_t highestNoise = *std::max_element(heights.begin(), heights.end());
        for (size_t k = 0; k < c.peaks.size(); ++k)
            heights.insert(heights.begin() + (k + 1) * heights.size() / (c.peaks.size() + 1),
                           c.peaks[k]);
        const ZoneTable zones = SortedZones(heights);
        const HeightSuggestion s = SuggestFirstPeakHeight(zones);
        ExpectSplit(zones, s, highestNoise, c.peaks[0]);
        EXPECT_EQ(s.line, c.noise);
    }
}

TEST(HeightSuggestionTest, PureNoiseKeepsOnlyItsHighestZone) {
    const ZoneTable zones = SortedZones(NoiseHeights(3000, 1000, 2));
    const HeightSuggestion s = SuggestFirstPeakHeight(zones);
    EXPECT_EQ(s.height, zones.ZoneHeight.back());
    EXPECT_EQ(s.line, -1);
    // Few zones without a clear jump: nothing tells noise from peaks.
    const HeightSuggestion few = SuggestFirstPeakHeight(SortedZones({100, 120, 110, 140, 130}));
    EXPECT_EQ(few.height, 100);
    EXPECT_EQ(few.line, 0);
}

TEST(HeightSuggestionTest, TheNoisiestStretchSetsTheHeight) {
    // A steep baseline: four times the noise over the first third of the masses; the weak peaks
    // stand in the quiet part, 25 times its noise scale but only 6 times the loud part's.
    std::vector<int32_t> heights = NoiseHeights(600, 4000, 3);
    const int32_t highestNoise = *std::max_element(heights.begin(), heights.end());
    const std::vector<int32_t> quiet = NoiseHeights(1200, 1000, 4);
    for (size_t i = 0; i < quiet.size(); ++i) {
        heights.push_back(quiet[i]);
        if (i % 100 == 50) heights.push_back(25000 + static_cast<int32_t>(i));
    }
    const ZoneTable zones = SortedZones(heights);
    ExpectSplit(zones, SuggestFirstPeakHeight(zones), highestNoise, 25050);
}

TEST(HeightSuggestionTest, AStretchCrowdedWithPeaksDoesNotRaiseTheHeight) {
    // 150 neighbouring zones of a crowded cluster (one whole group and parts of its neighbours)
    // among quiet noise with a few weak peaks.
    std::vector<int32_t> heights = NoiseHeights(1500, 1000, 5);
    const int32_t highestNoise = *std::max_element(heights.begin(), heights.end());
    for (int i = 0; i < 150; ++i) heights.insert(heights.begin() + 700, 30000 + 1000 * i);
    for (int i = 0; i < 5; ++i) heights.insert(heights.begin() + 100 + 250 * i, 12000 + i);
    const ZoneTable zones = SortedZones(heights);
    ExpectSplit(zones, SuggestFirstPeakHeight(zones), highestNoise, 12000);
}

TEST(HeightSuggestionTest, SequencesOfDifferentLengthsAreRefused) {
    ZoneTable zones = SortedZones({1, 2, 3});
    zones.ZoneTopIndex.pop_back();
    EXPECT_THROW(SuggestFirstPeakHeight(zones), CommandError);
}

// "Открыть..." and the zone list of "Предварительная" with the default settings.
void LoadSortedZones(ProgramState& state, const std::string& file) {
    OpenSpectrum(state, file);
    BuildStage1(state);
    BuildStage2(state);
    BuildStage3(state);
    BuildStage4(state);
    OtsortVysota(state.Stages.Zones);
}

struct TruePeak {
    std::string kind;
    double centre;
    double fwhm;
};

std::vector<TruePeak> ReadTruth(const std::string& path) {
    std::ifstream in(path);
    std::vector<TruePeak> peaks;
    std::string line;
    std::getline(in, line);  // label,kind,true_mass,centre,height,fwhm,...
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) f.push_back(cell);
        if (f.size() >= 6) peaks.push_back({f[1], std::stod(f[3]), std::stod(f[5])});
    }
    return peaks;
}

// The road at the suggested height: every main ion is found, within half its FWHM, and no
// fitted peak lies away from every true one.
TEST(HeightSuggestionTest, ExampleSpectraYieldTheirMainPeaks) {
    for (const std::string name : {"pftba_R3000", "hydrocarbon_R3000"}) {
        const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/" + name + ".txt";
        ProgramState state;
        LoadSortedZones(state, file);
        const HeightSuggestion s = SuggestFirstPeakHeight(state.Stages.Zones);
        ASSERT_GE(s.line, 0) << name;

        state.FirstPeakHeight = s.height;
        BuildSlope(state);
        PeakFitState fit;
        ASSERT_EQ(RunLastPass(state.Points, state.Stages.Stage1, state.Stages.Slope, fit,
                              state.Format, state.Peaks, {}),
                  "");
        std::vector<double> masses;  // fitted centres; a failed fit has none
        for (const PeakResult& p : state.Peaks)
            if (!p.IsProblem()) masses.push_back(p.centre);
        const std::vector<TruePeak> truth =
            ReadTruth(std::string(OSTREL_EXAMPLES_DIR) + "/" + name + "_truth.csv");
        ASSERT_FALSE(truth.empty());
        const auto near = [](double mass, const TruePeak& p) {
            return std::fabs(mass - p.centre) <= 0.5 * p.fwhm;
        };
        for (const TruePeak& p : truth) {
            if (p.kind != "main") continue;
            EXPECT_TRUE(
                std::any_of(masses.begin(), masses.end(), [&](double m) { return near(m, p); }))
                << name << " misses the ion at " << p.centre;
        }
        for (double m : masses)
            EXPECT_TRUE(std::any_of(truth.begin(), truth.end(),
                                    [&](const TruePeak& p) { return near(m, p); }))
                << name << " found a peak at " << m << " where there is none";
    }
}

// The suggested height of every example and shared spectrum, as the window puts it into the
// height field after "Предварительная" with the default settings: any change of the noise level
// or of its factor moves them. (The shared spectra lie beside the sources; a copy without them
// holds the examples alone.)
TEST(HeightSuggestionTest, TheSuggestedHeightsOfTheSpectraStay) {
    const struct {
        std::string file;
        int32_t height;
    } cases[] = {
        {std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt", 178311},
        {std::string(OSTREL_EXAMPLES_DIR) + "/hydrocarbon_R3000.txt", 45673},
        {std::string(OSTREL_EXAMPLES_DIR) + "/pftba_R3000.txt", 22525},
        {std::string(OSTREL_SHARED_DATA_DIR) + "/doublets_R10000.txt", 11581},
        {std::string(OSTREL_SHARED_DATA_DIR) + "/fiedler2009_01.txt", 408},
        {std::string(OSTREL_SHARED_DATA_DIR) + "/mix_R2000.txt", 13899},
    };
    for (const auto& c : cases) {
        if (!std::ifstream(c.file)) continue;
        ProgramState state;
        LoadSortedZones(state, c.file);
        EXPECT_EQ(SuggestFirstPeakHeight(state.Stages.Zones).height, c.height) << c.file;
    }
}

// "zones FILE --suggest": the height alone, as the window would write it into the height field.
TEST(BatchSuggestTest, PrintsOnlyTheSuggestedHeight) {
    const std::string file = std::string(OSTREL_EXAMPLES_DIR) + "/small_hydrocarbon.txt";
    ProgramState state;
    LoadSortedZones(state, file);
    const std::string expected =
        std::to_string(SuggestFirstPeakHeight(state.Stages.Zones).height) + "\n";

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"zones", file, "--suggest"},
                                               {"zones", "--suggest", file, "--kolusred", "150"},
                                               {"zones", file, "--kolusred", "150", "--suggest"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunBatch(args, out, err), 0) << err.str();
        EXPECT_EQ(out.str(), expected);
        EXPECT_TRUE(err.str().empty());
    }
    EXPECT_EQ(expected.find_first_not_of("0123456789"), expected.size() - 1);

    std::ostringstream out, err;
    EXPECT_EQ(RunBatch({"zones", file + ".missing", "--suggest"}, out, err), 1);
    EXPECT_TRUE(out.str().empty());
    const std::string message = err.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    EXPECT_EQ(RunBatch({"peaks", file, "--height", "5", "--suggest"}, out, err), 2);
}

}  // namespace
}  // namespace ostrel
