#include "reference/auto_pairing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "fitting/peak_fit.h"
#include "reference/auto_pairing_peaks.h"
#include "reference/calibration_list.h"
#include "reference/reference_sets.h"
#include "reference_tables.h"
#include "results/results_assembly.h"
#include "state/errors.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

// The deviation (reference − measured, mmu) of a mass scale.
struct Scale {
    double offset = 0;     // mmu
    double ppm = 0;        // of the mass
    double curvature = 0;  // mmu/u² about 300 u

    double At(double m) const {
        return offset + ppm * m / 1000 + curvature * (m - 300) * (m - 300);
    }
};

// A results table made from ions: each row's ion ("13C-…" for an isotope peak, "" for a foreign
// or problem row), in ascending mass as the table has them.
struct Table {
    std::vector<AutoCalibrationPeak> peaks;
    std::vector<std::string> ionOf;
    std::vector<bool> foreign;

    // Centre errors drawn from a fixed pattern, of the size the stated error gives.
    void Add(double trueMass, double height, const std::string& ion, const Scale& scale,
             bool statedError = true) {
        static const double pattern[] = {0.8, -0.6, 1.0, -1.2, 0.2, -0.4, 1.2, -1.0, 0.6, 0};
        const double errorMmu = 0.03 * std::sqrt(1e5 / height);
        const double noise = pattern[peaks.size() % 10] * errorMmu;
        peaks.push_back({trueMass - (scale.At(trueMass) + noise) / 1000, height,
                         statedError ? errorMmu / 1000 : 0, true});
        ionOf.push_back(ion);
        foreign.push_back(false);
    }
    void AddIon(const ReferenceIon& ion, double height, const Scale& scale, bool withIsotope,
                bool statedError = true) {
        Add(ion.mass, height, ion.name, scale, statedError);
        if (withIsotope)
            Add(ion.mass + kC13Spacing, height * ion.carbon * kC13PerC12, "13C-" + ion.name, scale,
                statedError);
    }
    void AddForeign(double mass, double height) {
        peaks.push_back({mass, height, 0.00002, true});
        ionOf.push_back("");
        foreign.push_back(true);
    }
    void AddProblem(double mass) {
        peaks.push_back({mass, 1, 0, false});
        ionOf.push_back("");
        foreign.push_back(false);
    }
    void Sort() {
        std::vector<size_t> order(peaks.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return peaks[a].mass < peaks[b].mass; });
        Table sorted;
        for (size_t i : order) {
            sorted.peaks.push_back(peaks[i]);
            sorted.ionOf.push_back(ionOf[i]);
            sorted.foreign.push_back(foreign[i]);
        }
        *this = sorted;
    }
    bool IsIsotope(int32_t row) const { return ionOf[row].rfind("13C-", 0) == 0; }
};

// Relative heights of the PFTBA ions in an EI spectrum, CF2+ to C12F24N+.
const double kPftbaHeights[] = {3000,  200000, 24000, 18000, 90000, 2400, 8000, 120000,
                                22000, 1600,   7000,  6000,  12000, 3000, 5000};

Table PftbaTable(const Scale& scale, bool statedErrors = true, size_t ionCount = 15) {
    Table t;
    const std::vector<ReferenceIon> ions = PftbaIons();
    for (size_t i = 0; i < ionCount; ++i)
        t.AddIon(ions[i], kPftbaHeights[i], scale, true, statedErrors);
    t.AddProblem(75.5);
    t.Sort();
    return t;
}

const NumberFormat kFormat('.');

AutoCalibrationResult Calibrate(const Table& t, const std::vector<ReferenceIon>& ions,
                                AutoCalibrationSettings settings = {}) {
    return AutoCalibrate(t.peaks, ions, settings, kFormat);
}

std::vector<ReferenceIon> Family(const char* which, const Table& t,
                                 const AutoCalibrationSettings& settings = {}) {
    const std::vector<MassInterval> windows = PairingWindows(t.peaks, settings);
    return std::string(which) == "cf" ? CFIonsIn(windows) : CHIonsIn(windows);
}

bool LeftOutAs(const AutoCalibrationResult& r, int32_t row, LeftOutReason reason) {
    return std::any_of(r.leftOut.begin(), r.leftOut.end(),
                       [&](const LeftOutPeak& l) { return l.peak == row && l.reason == reason; });
}

bool Paired(const AutoCalibrationResult& r, int32_t row) {
    return std::any_of(r.pairs.begin(), r.pairs.end(),
                       [&](const AutoCalibrationPair& p) { return p.peak == row; });
}

// Every pair is its peak's own ion, no isotope peak is paired, every ion peak the set holds is
// agreed on (paired, or left out only because the user's fit does not need it), and the curve
// brings each ion peak to its mass.
void ExpectRightPairs(const Table& t, const AutoCalibrationResult& r, double withinMmu,
                      const std::string& what) {
    ASSERT_FALSE(r.Refused()) << what << ": " << r.refusal;
    for (const AutoCalibrationPair& p : r.pairs) {
        EXPECT_EQ(p.ionName, t.ionOf[p.peak]) << what << " row " << p.peak;
        EXPECT_LE(std::fabs(p.residualMmu), withinMmu) << what << " " << p.ionName;
    }
    for (int32_t row = 0; row < static_cast<int32_t>(t.peaks.size()); ++row) {
        if (t.IsIsotope(row)) {
            EXPECT_FALSE(Paired(r, row)) << what << " " << t.ionOf[row];
        }
    }
}

// Every ion peak whose ion the set holds is agreed on: paired, or left out only because the
// user's fit does not need it; and the curve brings it to its mass.
void ExpectAgreed(const Table& t, const AutoCalibrationResult& r, const Scale& scale,
                  const std::vector<ReferenceIon>& set, const std::string& what) {
    for (int32_t row = 0; row < static_cast<int32_t>(t.peaks.size()); ++row) {
        if (t.ionOf[row].empty() || t.IsIsotope(row)) continue;
        const bool inSet = std::any_of(
            set.begin(), set.end(), [&](const ReferenceIon& i) { return i.name == t.ionOf[row]; });
        if (!inSet) {
            EXPECT_FALSE(Paired(r, row)) << what << " " << t.ionOf[row];
            continue;
        }
        EXPECT_TRUE(Paired(r, row) || LeftOutAs(r, row, LeftOutReason::OutsideLineEnds) ||
                    LeftOutAs(r, row, LeftOutReason::TooImprecise))
            << what << " " << t.ionOf[row];
        const double m = t.peaks[row].mass;
        const double curve = r.curve.CurveA * m * m + r.curve.CurveB * m + r.curve.CurveC;
        EXPECT_NEAR(curve, scale.At(m), 0.3) << what << " " << t.ionOf[row];
    }
}

TEST(AutoPairingTest, FindsThePftbaIonsOnScalesFarOff) {
    const Scale scales[] = {{0, 0}, {-45, -40}, {48, 45}, {25, 20}, {-2.5, -10}};
    const std::vector<ReferenceIon> pftba = PftbaIons();
    for (const Scale& scale : scales)
        for (bool stated : {true, false}) {
            const std::string what = "scale " + std::to_string(scale.offset) + " mmu " +
                                     std::to_string(scale.ppm) + " ppm" +
                                     (stated ? "" : ", errors unknown");
            const Table t = PftbaTable(scale, stated);
            const AutoCalibrationResult r = Calibrate(t, pftba);
            ExpectRightPairs(t, r, 0.3, what);
            ExpectAgreed(t, r, scale, pftba, what);
            EXPECT_GE(r.pairs.size(), 3u) << what;
        }
}

// Five ions 60 to 250 u apart on a scale whose ppm part spreads their deviations over 25 mmu: no
// three of them agree on an offset alone, all five on an offset and a ppm.
TEST(AutoPairingTest, FindsTheScalesPpmFromAFewIonsFarApart) {
    const std::vector<ReferenceIon> pftba = PftbaIons();
    for (const Scale& scale : {Scale{-40, 45}, Scale{40, -45}}) {
        Table t;
        for (int i : {1, 4, 8, 12, 14}) t.AddIon(pftba[i], 50000, scale, false);
        const AutoCalibrationResult r = Calibrate(t, pftba);
        ExpectRightPairs(t, r, 0.3, "five ions");
        ExpectAgreed(t, r, scale, pftba, "five ions");
        EXPECT_NEAR(r.votePpm, scale.ppm, 2);
    }
}

TEST(AutoPairingTest, ForeignIonsAreNeverPaired) {
    const Scale scale{25, 20};
    // The fluorocarbon set on PFTBA: its nitrogen ions are foreign.
    const Table pftba = PftbaTable(scale);
    const std::vector<ReferenceIon> cfIons = Family("cf", pftba);
    const AutoCalibrationResult cf = Calibrate(pftba, cfIons);
    ExpectRightPairs(pftba, cf, 0.3, "cf on pftba");
    ExpectAgreed(pftba, cf, scale, cfIons, "cf on pftba");

    // Hydrocarbons with air, the tallest peaks: N2+ has C2H4+ 25 mmu away, within reach of the
    // scale error but not on the curve the hydrocarbons agree on.
    Table t;
    const ReferenceIon n2 = IonOfFormula(ParseFormula("N2")), o2 = IonOfFormula(ParseFormula("O2"));
    for (const char* f : {"C2H3", "C2H5", "C3H5", "C3H7", "C4H7", "C4H9", "C5H11", "C6H13"})
        t.AddIon(IonOfFormula(ParseFormula(f)), 30000, scale, true);
    t.AddForeign(n2.mass - scale.At(n2.mass) / 1000, 1e6);
    t.AddForeign(o2.mass - scale.At(o2.mass) / 1000, 3e5);
    t.Sort();
    const AutoCalibrationResult r = Calibrate(t, Family("ch", t));
    ExpectRightPairs(t, r, 0.3, "ch with air");
    for (int32_t row = 0; row < static_cast<int32_t>(t.peaks.size()); ++row)
        if (t.foreign[row]) {
            EXPECT_FALSE(Paired(r, row));
        }
}

// A shoulder fitted as a peak of its own right on the curve beside C4F9+, and C3F6+ pulled 1.5
// mmu by a neighbour its fit knows nothing of: neither is paired.
TEST(AutoPairingTest, AShoulderAndAPulledPeakAreLeftOut) {
    const Scale scale{25, 20};
    const std::vector<ReferenceIon> pftba = PftbaIons();
    Table t;
    for (size_t i = 0; i < pftba.size(); ++i) t.AddIon(pftba[i], kPftbaHeights[i], scale, true);
    const ReferenceIon& c4f9 = pftba[7];
    t.peaks.push_back({c4f9.mass - scale.At(c4f9.mass) / 1000, 3000, 0.0001, true});
    t.ionOf.push_back("");
    t.foreign.push_back(true);
    const auto c3f6 = std::find(t.ionOf.begin(), t.ionOf.end(), "C3F6+") - t.ionOf.begin();
    t.peaks[c3f6].mass -= 0.0015;
    t.peaks[c3f6].massError = 0.00001;
    t.foreign[c3f6] = true;
    t.Sort();
    const AutoCalibrationResult r = Calibrate(t, pftba);
    ExpectRightPairs(t, r, 0.3, "shoulder");
    bool taken = false, outlier = false;
    for (int32_t row = 0; row < static_cast<int32_t>(t.peaks.size()); ++row) {
        if (!t.foreign[row]) continue;
        EXPECT_FALSE(Paired(r, row)) << row;
        taken |= LeftOutAs(r, row, LeftOutReason::IonTaken);
        outlier |= LeftOutAs(r, row, LeftOutReason::Outlier);
    }
    EXPECT_TRUE(taken);
    EXPECT_TRUE(outlier);
}

// A CH spectrum whose 13C peaks stand 4.47 mmu below the ion one hydrogen up: within a tolerance
// of 5 mmu, only the isotope rule keeps them out.
TEST(AutoPairingTest, IsotopePeaksBesideTheirIonsAreNeverPaired) {
    const Scale scale{-30, 35};
    const struct {
        const char* formula;
        double height;
    } ions[] = {
        {"C2H3", 20000}, {"C2H5", 30000},  {"C3H3", 12000}, {"C3H5", 60000},
        {"C3H6", 8000},  {"C3H7", 80000},  {"C4H7", 30000}, {"C4H9", 100000},
        {"C5H9", 18000}, {"C5H11", 55000}, {"C6H5", 6000},  {"C6H13", 35000},
        {"C7H7", 8000},  {"C8H17", 6000},  {"C9H19", 4000}, {"C10H21", 3000},
    };
    Table t;
    for (const auto& i : ions)
        t.AddIon(IonOfFormula(ParseFormula(i.formula)), i.height, scale, true);
    t.Sort();
    AutoCalibrationSettings settings;
    settings.toleranceMmu = 5;
    const AutoCalibrationResult r = Calibrate(t, Family("ch", t, settings), settings);
    ExpectRightPairs(t, r, 0.3, "ch");
    for (int32_t row = 0; row < static_cast<int32_t>(t.peaks.size()); ++row) {
        if (!t.IsIsotope(row)) continue;
        const auto out = std::find_if(r.leftOut.begin(), r.leftOut.end(),
                                      [&](const LeftOutPeak& l) { return l.peak == row; });
        ASSERT_NE(out, r.leftOut.end()) << t.ionOf[row];
        EXPECT_EQ(out->reason, LeftOutReason::Isotope) << t.ionOf[row];
        ASSERT_GE(out->isotopeOf, 0);
        EXPECT_EQ("13C-" + t.ionOf[out->isotopeOf], t.ionOf[row]);
    }
    // C3H6+ stands one hydrogen above C3H5+, too tall for its isotope: an ion of its own.
    const auto c3h6 = std::find(t.ionOf.begin(), t.ionOf.end(), "C3H6+") - t.ionOf.begin();
    EXPECT_TRUE(Paired(r, static_cast<int32_t>(c3h6)) ||
                LeftOutAs(r, static_cast<int32_t>(c3h6), LeftOutReason::TooImprecise) ||
                LeftOutAs(r, static_cast<int32_t>(c3h6), LeftOutReason::OutsideLineEnds));
}

TEST(AutoPairingTest, RefusesWhenTooFewPairsAgreeOrTheyDisagree) {
    const std::vector<ReferenceIon> pftba = PftbaIons();
    const Scale scale{10, 10};
    Table two;
    two.AddIon(pftba[1], 200000, scale, false);
    two.AddIon(pftba[7], 120000, scale, false);
    Table unusable;
    unusable.AddProblem(69);
    unusable.AddProblem(219);
    Table nowhere;
    for (double m : {100.5, 200.5, 300.5, 400.5}) nowhere.AddForeign(m, 10000);
    // Six ions, no three of them on one scale error.
    Table scattered;
    const double wild[] = {0, 15, -15, 30, -30, 45};
    const int picks[] = {1, 2, 4, 7, 8, 12};
    for (int i = 0; i < 6; ++i) scattered.AddIon(pftba[picks[i]], 50000, Scale{wild[i], 0}, false);
    // Eight ions within the tolerance of one another, but 1.2 mmu off where their fits allow
    // a tenth of that.
    Table spread;
    for (int i = 0; i < 8; ++i) {
        spread.AddIon(pftba[i], 100000, Scale{i % 2 ? 1.2 : -1.2, 0}, false);
        spread.peaks.back().massError = 0.000005;
    }
    const struct {
        const char* what;
        const Table* table;
        const char* message;
    } cases[] = {
        {"two pairs", &two, "согласных с общей поправкой шкалы, 2, а нужно не меньше трёх"},
        {"no usable peak", &unusable, "нет ни одного пригодного пика"},
        {"no ion in reach", &nowhere, "ни один эталонный ион не лежит так близко"},
        {"no three agree", &scattered, "а нужно не меньше трёх"},
        {"they disagree beyond their errors", &spread, "не согласуются между собой"},
    };
    for (const auto& c : cases) {
        const AutoCalibrationResult r = Calibrate(*c.table, pftba);
        EXPECT_TRUE(r.Refused()) << c.what;
        EXPECT_NE(r.refusal.find(c.message), std::string::npos) << c.what << ": " << r.refusal;
        EXPECT_TRUE(r.pairs.empty()) << c.what;
    }
}

TEST(AutoPairingTest, ChoosesTheLineOrTheParabolaByTheData) {
    const std::vector<ReferenceIon> pftba = PftbaIons();
    const Scale line{-2.5, -10}, curved{-2.5, -10, 8e-5};
    Table narrow = PftbaTable(curved, true, 8);  // CF2+ to C4F9+
    narrow.AddForeign(450.5, 20000);
    narrow.AddForeign(600.5, 20000);
    narrow.Sort();
    const struct {
        const char* what;
        Table table;
        std::optional<CurveDegree> forced;
        CurveDegree degree;
        const char* reason;
    } cases[] = {
        {"a straight scale", PftbaTable(line), {}, CurveDegree::Line, "не значима"},
        {"a curved scale", PftbaTable(curved), {}, CurveDegree::Parabola, "значима"},
        {"curved, pairs over the first third", narrow, {}, CurveDegree::Line, "занимают лишь"},
        {"straight, parabola asked", PftbaTable(line), CurveDegree::Parabola, CurveDegree::Parabola,
         "Задана парабола"},
        {"curved, line asked", PftbaTable(curved), CurveDegree::Line, CurveDegree::Line,
         "Задана прямая"},
    };
    for (const auto& c : cases) {
        AutoCalibrationSettings settings;
        settings.degree = c.forced;
        const AutoCalibrationResult r = Calibrate(c.table, pftba, settings);
        ASSERT_FALSE(r.Refused()) << c.what << ": " << r.refusal;
        EXPECT_EQ(r.degree, c.degree) << c.what;
        EXPECT_NE(r.degreeReason.find(c.reason), std::string::npos)
            << c.what << ": " << r.degreeReason;
        EXPECT_EQ(r.curve.CurveA == 0, c.degree == CurveDegree::Line) << c.what;
        for (const AutoCalibrationPair& p : r.pairs) EXPECT_EQ(p.ionName, c.table.ionOf[p.peak]);
    }
}

// The pairs put into the calibration list, as the window and ostrel-batch put them, give the
// curve the pairing reported and move each peak by its reported residual.
TEST(AutoPairingTest, TheCalibrationListOfThePairsGivesTheSameCurve) {
    const std::vector<ReferenceIon> pftba = PftbaIons();
    for (const Scale& scale : {Scale{25, 20}, Scale{-2.5, -10, 8e-5}}) {
        const Table t = PftbaTable(scale);
        const AutoCalibrationResult r = Calibrate(t, pftba);
        ASSERT_FALSE(r.Refused()) << r.refusal;
        std::vector<double> masses;
        for (const AutoCalibrationPeak& p : t.peaks) masses.push_back(p.mass);
        const PeakResults peaks = testing::PeaksAt(masses);
        CalibrationList list;
        for (const AutoCalibrationPair& p : r.pairs) {
            const AddResult added = AddCalibrationPeak(list, p.peak);
            ASSERT_FALSE(added.message);
            GiveTrueMass(list, added.position, ReferenceMassAsListed(p.referenceMass, kFormat));
        }
        ASSERT_TRUE(ProverkaZapol(list));
        PointList points;
        AppendCalibrationPoints(points, KalibrLine(list, peaks));
        CalibrationCurve curve;
        if (r.degree == CurveDegree::Line) {
            PodobratParabolaLine(points, curve);
        } else {
            ParabolaFitState state;
            PodobratParabola(points, curve, state);
        }
        EXPECT_NEAR(curve.CurveA, r.curve.CurveA, 1e-12);
        EXPECT_NEAR(curve.CurveB, r.curve.CurveB, 1e-9);
        EXPECT_NEAR(curve.CurveC, r.curve.CurveC, 1e-7);
        const std::vector<double> moved = RecalculateMasses(masses, curve);
        for (const AutoCalibrationPair& p : r.pairs)
            EXPECT_NEAR((p.referenceMass - moved[p.peak]) * 1000, p.residualMmu, 1e-6);
    }
}

TEST(AutoPairingTest, PrintedLines) {
    AutoCalibrationPair pair;
    pair.peak = 2;
    pair.ionName = "CF3+";
    pair.measuredMass = 68.997888;
    pair.referenceMass = 68.99466108;
    CalibrationCurve curve;
    curve.CurveC = -3;
    const std::vector<std::string> lines = AutoCalibrationLines({&pair, 1}, curve, kFormat);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "K\tМасса\tЭталонная масса\tИон\tДо, mmu\tПосле, mmu");
    EXPECT_EQ(lines[1], "2\t68.997888\t68.994661\tCF3+\t-3.227\t-0.227");
    EXPECT_EQ(AutoCalibrationLines({}, curve, NumberFormat(','))[0], lines[0]);
    pair.measuredMass = 1.5;
    pair.referenceMass = 1.5;
    EXPECT_EQ(AutoCalibrationLines({&pair, 1}, CalibrationCurve{}, NumberFormat(','))[1],
              "2\t1,500000\t1,500000\tCF3+\t0,000\t0,000");
}

TEST(AutoPairingTest, PeaksOfTheLastPassAndWhichAreUsable) {
    PeakResults p = testing::PeaksAt({50, 69, 100, 119, 131, 150, 169, 219, 250});
    for (size_t i = 0; i < p.size(); ++i) p[i].errors[3] = 1e-5 * (i + 1);
    p[1].status = PeakStatus::Problem;  // the fit failed
    p[2].modelB = -20;                  // a fit gone astray to a negative amplitude
    p[3].resolvingPower = 33000;        // ... or to a resolving power eleven times its neighbours'
    p[4].resolvingPower = -2000;
    p[5].errors[3] = std::nan("");
    p[8].iterations = kMaxPeakSteps;  // stopped at the step cap still moving
    p[8].settled = false;
    const std::vector<AutoCalibrationPeak> peaks = AutoCalibrationPeaksOf(p);
    ASSERT_EQ(peaks.size(), 9u);
    const bool usable[] = {true, false, false, false, false, false, true, true, false};
    for (size_t i = 0; i < peaks.size(); ++i) {
        EXPECT_EQ(peaks[i].usable, usable[i]) << i;
        EXPECT_EQ(peaks[i].mass, p[i].centre);
    }
    EXPECT_EQ(peaks[7].height, p[7].height);
    EXPECT_EQ(peaks[7].massError, 8e-5);
}

TEST(AutoPairingTest, SettingsOutOfRangeAreRefused) {
    const Table t = PftbaTable(Scale{});
    const std::vector<ReferenceIon> pftba = PftbaIons();
    for (double tolerance : {0.0, -1.0, 60.0, std::nan("")}) {
        AutoCalibrationSettings s;
        s.toleranceMmu = tolerance;
        EXPECT_THROW(Calibrate(t, pftba, s), CommandError) << tolerance;
    }
    AutoCalibrationSettings s;
    s.maxPpm = -1;
    EXPECT_THROW(Calibrate(t, pftba, s), CommandError);
}

}  // namespace
}  // namespace ostrel
