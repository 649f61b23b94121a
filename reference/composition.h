// The elemental composition of every peak of a pass: for each peak the ions of the chosen
// elements within the tolerance of its mass, ranked by how well the mass agrees against the
// peak's own uncertainty and by how well the fitted heights of its heavy-isotope satellites
// (13C at +1.00336 u, 13C2, 34S, 37Cl, 81Br at +2) agree with the heights each formula predicts.
// A peak that is itself such a satellite of another peak's ion is told so.
//
// Numerics: ion masses are exact (long double sums rounded once, reference/elements.h), an
// isotopologue's centre that mass plus the pattern's offset in double; errors, height ratios
// and scores are double. A score is a log-likelihood: −z²/2 for the mass (z the
// error over the centre's standard error and the calibration floor added in quadrature), and for
// each satellite −z²/2 up to 3 σ, growing linearly beyond, so that one peak disturbed by a
// neighbour lowers a formula without silencing its mass. Ties keep the smaller |error|, then the
// Hill text, so the answer is deterministic.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "reference/element_ranges.h"
#include "reference/elements.h"
#include "reference/formula_search.h"

namespace ostrel {

// One peak of a pass, in the order of the results table.
struct ComposePeak {
    double mass = 0;       // the fitted centre (after the calibration), u
    double massError = 0;  // the centre's standard error, u; 0 when unknown
    // The fitted amplitude over the background (the fit's B; the results table's column "B"
    // shows it less the background A).
    double height = 0;
    double heightError = 0;  // its standard error; 0 when unknown
    // The fitted resolving power, whose width M/R tells whether a neighbour blends with a
    // satellite's place; 0 when unknown.
    double resolvingPower = 0;
    // False for problem peaks and nonsense fits (also taken so when the mass or the height is
    // not finite or the height not positive): such a peak gets no formula and is never used as
    // a satellite, but one lying where a satellite should be hides it.
    bool usable = false;
};

// Whether a weak peak is searched beyond the tolerance within three of its own standard errors
// (ComposeOptions::widenByOwnError), for the road's composition and for every caller that does
// not choose: the one place to change it.
inline constexpr bool kWidenWeakPeaksByOwnError = true;

struct ComposeOptions {
    ElementRanges elements = DefaultElementRanges();
    FormulaRules rules;
    double toleranceMmu = 2;  // above 0, at most kMaxToleranceMmu
    // When set, a peak whose uncertainty (its centre's standard error and the calibration floor
    // in quadrature) exceeds a third of the tolerance is searched within three times that
    // uncertainty, up to three times the tolerance: a weak peak known to ±2 mmu may lie 3 mmu from
    // its ion, and a window of a fixed 2 mmu would offer it only the wrong formulas that happen to
    // lie closer. Off, every peak is held to the tolerance.
    bool widenByOwnError = kWidenWeakPeaksByOwnError;
    // What the calibration leaves beside each centre's own error: a well-calibrated spectrum
    // is good to a few tenths of a mmu.
    double calibrationFloorMmu = 0.5;
    // The lowest height the pass shows a peak at (its first non-noise height): a satellite
    // predicted below it is not missed, one predicted twice as high should have been seen.
    // 0: the height of the lowest usable peak.
    double detectionHeight = 0;
    // The relative uncertainty of a satellite's height ratio beside the heights' own errors:
    // the fitted amplitudes of weak satellites agree with the true ones to about 3 %.
    double ratioFloor = 0.05;
    int32_t maxCandidates = 20;  // per peak, the best kept
};

inline constexpr double kMaxToleranceMmu = 50;
// The log-likelihood in favour of "this peak is the satellite of that one" over another ion:
// the satellite must be there at the height its parent predicts, another ion at the same place
// and height would be a coincidence (a height spread over three decades against one known to
// 20 %: about a factor of 20).
inline constexpr double kIsotopologuePrior = 3.0;

// How the satellite of one nominal shift came out.
enum class SatelliteState : int32_t {
    Found,            // a usable peak where the satellite should be; compare the ratios
    NotExpected,      // not found, and predicted below what the pass would show
    Missing,          // not found, though predicted above what the pass would show
    HiddenByProblem,  // a problem peak lies where the satellite should be: not checked
    // A peak far taller than the satellite could be lies there, or a peak at least half as tall
    // as it within one width of its place blends with it: not checked.
    Covered,
};

struct SatelliteCheck {
    int32_t shift = 1;          // +1 or +2 u
    std::string label;          // the main heavy isotope: "13C", "13C2", "37Cl"
    double predictedRatio = 0;  // satellite height / monoisotopic height
    double predictedMass = 0;   // where its centre should lie, u
    SatelliteState state = SatelliteState::NotExpected;
    int32_t peak = -1;         // the satellite's index in the pass when found
    double observedRatio = 0;  // when found
    double observedRatioError = 0;
    double z = 0;       // (observed − predicted) / its uncertainty; for Missing the
                        // predicted height over the detection height in σ
    double placeZ = 0;  // found: (its centre − predicted) / the centres' errors
    double logLikelihood = 0;
    bool consistent = true;  // |z| at most 3 (Missing: the excess at most 3 σ)
};

struct CompositionCandidate {
    Formula formula;
    // 0: this peak is the formula's monoisotopic ion. 1 or 2: this peak is the satellite of
    // peak parentPeak, whose ion is formula, at +1 or +2 u ("13C-C4F9+").
    int32_t isotopeShift = 0;
    std::string isotopeLabel;  // "13C" for an isotopologue
    int32_t parentPeak = -1;
    double ionMass = 0;   // the ion's (or its isotopologue's centre) mass, u
    double errorMmu = 0;  // measured − ion mass
    double errorPpm = 0;
    double ringsPlusDoubleBonds = 0;
    bool evenElectron = false;
    // −z²/2 of the error against the centre's error and the calibration floor; for an
    // isotopologue, of its place against its parent's.
    double massLogLikelihood = 0;
    // For an ion: its satellites at +1 and +2. For an isotopologue: [0] is this peak's height
    // against its parent's prediction, [1] unused.
    std::array<SatelliteCheck, 2> satellites{};
    double score = 0;  // the log-likelihood sum, higher is better
    double share = 0;  // exp(score) over the sum of the peak's candidates
};

struct PeakComposition {
    bool usable = false;
    std::vector<CompositionCandidate> candidates;  // best first; empty: nothing within tolerance
    int32_t foundWithinTolerance = 0;              // before keeping the best maxCandidates
    double windowMmu = 0;  // the window searched: the tolerance, or wider by widenByOwnError
};

// The composition of every peak, one result per peak in the order given. Throws CommandError
// for a tolerance out of its range.
std::vector<PeakComposition> ComposePeaks(std::span<const ComposePeak> peaks,
                                          const ComposeOptions& options);

// The candidate as the user reads it: "C4F9+", or "13C-C4F9+" for a satellite.
std::string CandidateText(const CompositionCandidate& c);

}  // namespace ostrel
