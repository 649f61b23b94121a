// The road of one small spectrum, as the window walks it: load, "Предварительная", a height from
// the zone list, "Последняя", the results, the reference lists and theory charts, a calibration
// from the first peaks, one peak again, the HTML page. Every faster form on the way is checked
// against the plain form it replaces, bit for bit.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "fitting/calibration_curve.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/shown_values.h"
#include "processing/preliminary.h"
#include "processing/processing_routines.h"
#include "reference/calibration_list.h"
#include "reference/reference_ions.h"
#include "reference/theory_charts.h"
#include "results/fitted_curves.h"
#include "results/html_report.h"
#include "results/results_table.h"
#include "state/errors.h"
#include "state/points_file.h"
#include "state/program_state.h"
#include "state/spectrum_road.h"

namespace ostrel::fuzz {

namespace {

// Small spectra keep each input quick; the reader's own target takes files of any length.
constexpr size_t kMostPoints = 4000;
constexpr double kWidestRange = 2000;  // u

struct Choices {
    int32_t kolUsred;  // -1 .. 6
    uint8_t zoneLine;  // 255: the suggested height, else a share of the zone list
    uint8_t calibration;
    uint8_t singlePeak;
};

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Every field of every record, bit for bit.
bool SamePeaks(const PeakResults& a, const PeakResults& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const PeakResult &p = a[i], &q = b[i];
        const std::vector<double> pv = {
            p.leftX,  p.rightX, p.centre,    p.resolvingPower, p.height,    p.background, p.stdErr,
            p.modelA, p.modelB, p.errors[0], p.errors[1],      p.errors[2], p.errors[3]};
        const std::vector<double> qv = {
            q.leftX,  q.rightX, q.centre,    q.resolvingPower, q.height,    q.background, q.stdErr,
            q.modelA, q.modelB, q.errors[0], q.errors[1],      q.errors[2], q.errors[3]};
        if (!SameBits(pv, qv) || p.zone != q.zone || p.iterations != q.iterations ||
            p.points != q.points || p.status != q.status || p.problem != q.problem)
            return false;
    }
    return true;
}

// The smoothing sweep against SmoothPass after SmoothPass; the zone sort against the bubble sort.
std::string CheckPreliminaryForms(const ProgramState& state) {
    PointList plain{state.Points.PointX, state.Points.PointY};
    for (int i = 0; i < 3; ++i) SmoothPass(plain, plain);
    if (!SameBits(plain.Y, state.Stages.Stage1.Y)) return "stage 1 differs from three plain passes";
    const int64_t more = state.KolUsred >= 0 ? int64_t{state.KolUsred} + 1 : 0;
    for (int64_t i = 0; i < 1 + more; ++i) SmoothPass(plain, plain);
    if (!SameBits(plain.Y, state.Stages.Averaged.Y))
        return "the averaged curve differs from the plain passes";
    ZoneTable bubble = BuildZoneTable(state.Stages.Stage4);
    BubbleSortZones(bubble);
    const ZoneTable& sorted = state.Stages.Zones;
    if (bubble.ZoneHeight != sorted.ZoneHeight || bubble.ZoneTopIndex != sorted.ZoneTopIndex ||
        !SameBits(bubble.ZoneCenter, sorted.ZoneCenter))
        return "the zone sort differs from the bubble sort";
    return "";
}

// The height "Последняя" gets: the suggestion, or ">>" on a line of the zone list.
std::string HeightText(const ProgramState& state, const std::vector<std::string>& lines,
                       uint8_t choice, std::string& fault) {
    const HeightSuggestion s = SuggestFirstPeakHeight(state.Stages.Zones);
    const int32_t lineCount = static_cast<int32_t>(lines.size());
    if (s.line < -1 || s.line >= lineCount) fault = "the suggested line lies outside the list";
    if (s.line >= 0 && HeightFromZoneLine(lines[s.line], state.Format) != std::to_string(s.height))
        fault = "the suggested line does not carry the suggested height";
    if (choice == 255 || lines.empty()) return std::to_string(s.height);
    const int32_t line = choice * lineCount / 255 % lineCount;
    const ZoneView view = ComputeZoneView(state, line);
    if (view.firstPoint < 0 || view.lastPoint >= state.Points.PointCount() ||
        view.markerIndex < 0 || view.markerIndex > view.lastPoint - view.firstPoint ||
        view.firstStage4 < 0 || view.lastStage4 >= state.Stages.Stage4.Count())
        fault = "the zone view reaches outside its lists";
    return HeightFromZoneLine(lines[line], state.Format);
}

// One peak again on "Отдельный пик", with the plain sums and the scanning search beside it.
std::string CheckSinglePeak(const ProgramState& state, const SpectrumRoad& road, int32_t k) {
    PeakFitState fast;
    PeakFitState plain;
    plain.Cur.FitPeakNumber = k + 1;
    FitLog fastLog, plainLog;
    const SinglePeakResult r = road.FitOnePeak(k, fast, fastLog);
    SetCurrentPeak(plain.Cur, state.Points, state.Stages.Slope, state.Peaks[k].zone, false);
    const FitData data{state.Points.PointX, state.Points.PointY, state.Stages.Stage1.X,
                       state.Stages.Stage1.Y, false};
    FitPeak(plain, data, true, plain.Cur.CurFon, plain.Cur.CurLeftX, plain.Cur.CurTopY,
            plain.Cur.CurCenterX, state.Format, plainLog, PeakSumForm::Plain);
    if (fastLog.iterations != plainLog.iterations || fastLog.problems != plainLog.problems)
        return "the single peak's log differs from the plain sums' log";
    if (PeakReportLines(1, fast.Cur, state.Format) != PeakReportLines(1, plain.Cur, state.Format))
        return "the peak window found by halving differs from the scanned one";
    if (r.SinglePeakLeftIndex < 0 || r.SinglePeakRightIndex >= state.Points.PointCount())
        return "the single peak's points reach outside the spectrum";
    std::string fault = FirstUnsoundLine("the single peak's iterations", fastLog.iterations);
    if (fault.empty())
        fault = FirstUnsoundLine("the single peak's problem lines", fastLog.problems);
    return fault;
}

std::string CheckTheory(const ProgramState& state) {
    const TheoryCharts& t = state.Theory;
    for (const TheorySeries* s : {&t.chSaw, &t.chPeaks, &t.cfSaw, &t.cfPeaks}) {
        if (!AllFinite(s->x) || !AllFinite(s->y)) return "a theory point is not finite";
        for (int32_t i = 1; i < s->Count(); ++i)
            if (s->x[i] < s->x[i - 1]) return "a theory series out of ascending x";
    }
    for (const TheorySeries* s : {&t.chPeaks, &t.cfPeaks}) {
        std::vector<std::string> marks;
        for (int32_t peak : s->peak) marks.push_back(MarkText(state.Peaks[peak], state.Format));
        if (std::string fault = FirstUnsoundLine("a hover mark", marks); !fault.empty())
            return fault;
    }
    return "";
}

std::string CheckLists(const ProgramState& state) {
    const NumberFormat& f = state.Format;
    std::vector<std::string> cells;
    const ResultsGrid grid = ResultsTable(state.Peaks, f);
    for (int32_t r = 0; r < grid.RowCount(); ++r)
        for (int32_t c = 0; c < grid.ColCount(); ++c) cells.push_back(grid.Cell(c, r));
    std::string fault = FirstUnsoundLine("the results table", cells);
    if (fault.empty()) fault = FirstUnsoundLine("all masses", MassListLines(state.Peaks, f));
    if (fault.empty()) fault = FirstUnsoundLine("the CH list", CHListLines(state.Reference, f));
    for (int boxes = 0; boxes < 64 && fault.empty(); boxes += 7) {
        const StandardListChoice choice{(boxes & 1) != 0, (boxes & 2) != 0,  (boxes & 4) != 0,
                                        (boxes & 8) != 0, (boxes & 16) != 0, (boxes & 32) != 0};
        fault =
            FirstUnsoundLine("the standard masses", StandardMassLines(state.Reference, choice, f));
    }
    const CurvePoints curves = FittedCurves(state.Peaks);
    if (fault.empty() && (!AllFinite(curves.x) || !AllFinite(curves.y)))
        fault = "a fitted curve point is not finite";
    return fault;
}

// The first peaks of "Все массы" with true masses from "Стандартные массы" or typed, the curve,
// the recalculation. A refusal must leave the curve as it was.
std::string CheckCalibration(ProgramState& state, SpectrumRoad& road, uint8_t choice) {
    const NumberFormat& f = state.Format;
    StandardListChoice listChoice;
    listChoice.allExisting = (choice & 2) != 0;
    const std::vector<std::string> standard = StandardMassLines(state.Reference, listChoice, f);
    const int32_t wanted = 2 + (choice >> 2) % 4;
    for (int32_t k = 0;
         k < static_cast<int32_t>(state.Peaks.size()) && state.Calibration.CalibCount() < wanted;
         ++k) {
        if (state.Peaks[k].IsProblem()) continue;
        const AddResult added = AddCalibrationPeak(state.Calibration, k);
        if (added.message) return "a peak taken twice into the calibration list";
        const int32_t n = state.Calibration.CalibCount();
        if (!standard.empty() && (n + (choice >> 4)) % 2 == 0) {
            GiveStandardMass(state.Calibration, added.position,
                             standard[(n * 7 + choice) % standard.size()], f);
            continue;
        }
        const std::string typed = f.Shortest(std::round(state.Peaks[k].centre) + 0.001 * n);
        if (!ManualMassTextAccepted(typed)) {
            RemoveCalibrationLine(state.Calibration, added.position);
            break;
        }
        if (GiveTypedMass(state.Calibration, added.position, typed, f))
            return "a typed mass was taken for an empty text";
    }
    if (state.Calibration.CalibCount() == 0 || !ProverkaZapol(state.Calibration)) return "";
    if (std::string fault = FirstUnsoundLine("the calibration list",
                                             CalibrationLines(state.Calibration, state.Peaks, f));
        !fault.empty())
        return fault;
    road.MakeCalibrationPoints();
    if (!AllFinite(state.CalibPoints.X) || !AllFinite(state.CalibPoints.Y))
        return "a calibration point is not finite";
    const CalibrationCurve before = state.Curve;
    PointList drawn;
    try {
        drawn = choice & 1 ? road.FitCalibrationParabola() : road.FitCalibrationLine();
    } catch (const CommandError&) {
        if (std::memcmp(&before, &state.Curve, sizeof before) != 0)
            return "a refused curve changed the coefficients";
        return "";
    }
    const CalibrationCurve& c = state.Curve;
    if (!std::isfinite(c.CurveA) || !std::isfinite(c.CurveB) || !std::isfinite(c.CurveC))
        return "a curve with coefficients that are not finite";
    if (!AllFinite(drawn.X) || !AllFinite(drawn.Y)) return "a drawn curve point is not finite";
    if (drawn.Count() > kCurveSamplesMax) return "a curve of more samples than drawn at most";
    const std::vector<double> measured = state.Points.PointX;
    try {
        road.Recalculate();
    } catch (const CommandError&) {
        if (!SameBits(state.Points.PointX, measured)) return "a refused recalculation moved masses";
        return "";
    }
    const std::vector<double>& moved = state.Points.PointX;
    if (!AllFinite(moved)) return "a recalculated mass is not finite";
    for (size_t i = 1; i < moved.size(); ++i)
        if (measured[i] >= measured[i - 1] && moved[i] < moved[i - 1])
            return "the recalculation reversed the mass order";
    return "";
}

std::string WalkRoad(ProgramState& state, SpectrumRoad& road, const Choices& choices) {
    // "Предварительная".
    PreliminaryResult preliminary;
    try {
        preliminary = road.Preliminary(ParseKolUsred(std::to_string(choices.kolUsred)));
    } catch (const CommandError&) {
        return "";
    }
    if (std::string fault = CheckPreliminaryForms(state); !fault.empty()) return fault;
    const std::vector<std::string>& zoneLines = preliminary.zoneLines;
    if (zoneLines != ZoneListLines(state.Stages.Zones, state.Format))
        return "the zone list differs from the sorted zone table";
    if (std::string fault = FirstUnsoundLine("the zone list", zoneLines); !fault.empty())
        return fault;

    // ">>" and "Последняя", on one thread and on two.
    std::string fault;
    const std::string height = HeightText(state, zoneLines, choices.zoneLine, fault);
    if (!fault.empty()) return fault;
    int32_t firstPeakHeight = 0;
    try {
        firstPeakHeight = ParseFirstPeakHeight(height);
    } catch (const CommandError&) {
        return "the height of a zone line is refused";
    }
    road.StartLastPass(firstPeakHeight);
    try {
        road.BuildSlopeAtHeight();
    } catch (const CommandError&) {
        // Without zones the height is refused; a height of the zone list always has its zone.
        return state.Stages.Zones.ZoneCount() == 0 ? "" : "the height of a zone leaves no zone";
    }
    std::vector<std::string> shown;
    LastPassHooks hooks;
    hooks.reportPeak = [&](int32_t k, const CurrentPeak& cur) {
        for (std::string& line : PeakReportLines(k + 1, cur, state.Format))
            shown.push_back(std::move(line));
    };
    hooks.problemLines = [&](const std::vector<std::string>& lines) {
        shown.insert(shown.end(), lines.begin(), lines.end());
    };
    PassOutcome one = SpectrumRoad::FitPeaks(road.PassInputNow(), hooks, {PassThreads::One});
    std::vector<std::string> shownOnOne;
    shownOnOne.swap(shown);
    const PassOutcome two = SpectrumRoad::FitPeaks(road.PassInputNow(), hooks, {PassThreads::Two});
    if (two.failure != one.failure || !SamePeaks(two.peaks, one.peaks) || shown != shownOnOne ||
        two.counters.problemCount != one.counters.problemCount ||
        two.counters.peakNumber != one.counters.peakNumber)
        return "the pass on two cores differs from the pass on one";
    if (fault = FirstUnsoundLine("the pass reports", shown); !fault.empty()) return fault;
    if (!one.failure.empty()) return "";  // the window shows the message and the peaks so far

    // The refinement, when chosen: the same records on one thread and on two, every one of them
    // with a table row, a list line and a curve that show no value that is not a number.
    PassOutcome refined = SpectrumRoad::FitPeaks(road.PassInputNow(), {}, {PassThreads::One, true});
    if (!SamePeaks(refined.peaks,
                   SpectrumRoad::FitPeaks(road.PassInputNow(), {}, {PassThreads::Two, true}).peaks))
        return "the refinement on two cores differs from the refinement on one";
    for (const PeakResult& p : refined.peaks)
        if (p.origin != PeakOrigin::Pass &&
            !(std::isfinite(p.centre) && std::isfinite(p.resolvingPower) &&
              std::isfinite(p.height) && std::isfinite(p.stdErr)))
            return "a refined peak with a value that is not a number";
    if (choices.singlePeak & 1) {
        // The rest of the road then walks the refined peaks.
        one = std::move(refined);
    }

    // What "Последняя" ends with.
    try {
        road.AcceptPass(std::move(one));
    } catch (const CommandError&) {
        return "";
    }
    if (fault = CheckLists(state); !fault.empty()) return fault;
    if (fault = CheckTheory(state); !fault.empty()) return fault;
    const ResultsGrid grid = ResultsTable(state.Peaks, state.Format);
    for (HtmlLook look : {HtmlLook::Plain, HtmlLook::Improved}) {
        ColumnChoice chosen;
        for (size_t c = 0; c < chosen.size(); ++c) chosen[c] = (choices.calibration >> c % 8) & 1;
        ColumnWidths widths;
        widths.fill(64);
        if (fault = FirstUnsoundLine("the HTML page",
                                     HtmlReportLines(grid, state.CurveTitle, look, chosen, widths));
            !fault.empty())
            return fault;
    }
    if (!state.Peaks.empty()) {
        try {
            fault = CheckSinglePeak(state, road,
                                    choices.singlePeak % static_cast<int32_t>(state.Peaks.size()));
        } catch (const CommandError&) {
        }
        if (!fault.empty()) return fault;
    }
    return CheckCalibration(state, road, choices.calibration);
}

}  // namespace

std::string CheckRoad(std::string_view bytes) {
    if (bytes.size() < 4) return "";
    const Choices choices{static_cast<uint8_t>(bytes[0]) % 8 - 1, static_cast<uint8_t>(bytes[1]),
                          static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[3])};
    LoadedSpectrum loaded;
    try {
        loaded = ParseSpectrumText(bytes.substr(4), "road.txt");
    } catch (const CommandError&) {
        return "";
    }
    if (loaded.x.size() > kMostPoints) return "";
    // A spectrum over thousands of u makes reference tables of thousands of rows, a second a
    // run under the sanitizers; the core tests hold those tables to their bound.
    const auto [lowest, highest] = std::minmax_element(loaded.x.begin(), loaded.x.end());
    if (*highest - *lowest > kWidestRange) return "";
    ProgramState state;
    state.Format.SetSeparator('.');
    SpectrumRoad road(state);
    road.Open(std::move(loaded));
    state.CurveTitle = "road";  // titles are the reader's check; here they would only mislead
    try {
        return WalkRoad(state, road, choices);
    } catch (const CommandError& e) {
        return std::string("a command of the road refused where it should not: ") + e.what();
    }
}

}  // namespace ostrel::fuzz
