// The automatic calibration's pairing on a results table that `ostrel-batch peaks` printed:
// standard output is what `ostrel-batch autocal` prints (the header, one line per pair, then
// `a=A b=B c=C`, the curve made from the table's masses); standard error tells the fit, why it
// was chosen, the agreed curve and the peaks left out. A refusal goes to standard error with
// exit status 1.
//
// Usage: autocal_pairs TABLE --refs pftba|cf|ch|LIST [--tolerance MMU] [--fit line|parabola]
//
// The rows are taken as AutoCalibrationPeaksOf takes the last pass's peaks: "Масса", "B" (the
// height), "R" and "Ошибка" (the error of the centre); "Ошибка" in the mass column marks a problem
// peak.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "fitting/peak_fit.h"
#include "processing/last_pass.h"
#include "reference/auto_pairing.h"
#include "reference/auto_pairing_peaks.h"
#include "reference/reference_choice.h"
#include "state/errors.h"
#include "state/number_format.h"
#include "table_cells.h"

namespace {

using namespace ostrel;

bool Number(const std::string& text, double& value) {
    try {
        value = NumberFormat('.').ParseReal(text);
        return true;
    } catch (const CommandError&) {
        return false;
    }
}

// The rows of the table as the last pass's records: a problem row ("Ошибка") is a problem peak.
std::vector<AutoCalibrationPeak> ReadTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw CommandError("Не удалось открыть таблицу " + path);
    std::string line;
    std::getline(in, line);  // the header
    PeakResults peaks;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> c = ostrel::bench::TabCells(line);
        double mass = 0, error = 0, r = 0, height = 0, iterations = 0;
        const bool fitted = c.size() > 10 && Number(c[1], mass) && Number(c[2], error) &&
                            Number(c[5], r) && Number(c[8], height) && Number(c[10], iterations);
        PeakResult& p = peaks.emplace_back();
        p.centre = mass;
        p.height = height;
        p.resolvingPower = r;
        p.errors[3] = error;
        p.iterations = static_cast<int32_t>(iterations);
        if (!fitted) p.status = PeakStatus::Problem;
    }
    return AutoCalibrationPeaksOf(peaks);
}

const char* ReasonText(LeftOutReason r) {
    switch (r) {
        case LeftOutReason::Isotope:
            return "isotope";
        case LeftOutReason::Outlier:
            return "outlier";
        case LeftOutReason::IonTaken:
            return "ion-taken";
        case LeftOutReason::OutsideLineEnds:
            return "outside-line-ends";
        case LeftOutReason::TooImprecise:
            return "too-imprecise";
    }
    return "";
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: autocal_pairs TABLE --refs pftba|cf|ch|LIST [--tolerance MMU] "
                     "[--fit line|parabola]\n";
        return 2;
    }
    const std::string table = argv[1];
    std::string refs;
    AutoCalibrationSettings settings;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--refs") {
            refs = value;
        } else if (option == "--tolerance") {
            settings.toleranceMmu = NumberFormat('.').ParseReal(value);
        } else if (option == "--fit") {
            if (value != "line" && value != "parabola") throw CommandError("--fit line|parabola");
            settings.degree = value == "line" ? CurveDegree::Line : CurveDegree::Parabola;
        } else {
            throw CommandError("unknown option " + option);
        }
    }
    if (refs.empty()) throw CommandError("--refs is required");
    const std::vector<AutoCalibrationPeak> peaks = ReadTable(table);
    const std::vector<ReferenceIon> ions = ReferenceIonsFor(refs, PairingWindows(peaks, settings));
    const NumberFormat f('.');
    const AutoCalibrationResult r = AutoCalibrate(peaks, ions, settings, f);
    if (r.Refused()) {
        std::cerr << r.refusal << "\n";
        return 1;
    }
    for (const std::string& line : AutoCalibrationLines(r.pairs, r.curve, f))
        std::cout << line << "\n";
    std::cout << "a=" << f.Shortest(r.curve.CurveA) << " b=" << f.Shortest(r.curve.CurveB)
              << " c=" << f.Shortest(r.curve.CurveC) << "\n";
    std::cerr << "fit " << (r.degree == CurveDegree::Line ? "line" : "parabola") << "\n"
              << "reason " << r.degreeReason << "\n"
              << "vote offset " << f.Fixed(r.voteOffsetMmu, 3) << " mmu, " << f.Fixed(r.votePpm, 3)
              << " ppm\n"
              << "agreed a=" << f.Shortest(r.agreed.CurveA) << " b=" << f.Shortest(r.agreed.CurveB)
              << " c=" << f.Shortest(r.agreed.CurveC) << (r.agreedCurved ? " (parabola)" : "")
              << ", curvature p " << f.Shortest(r.curvatureP) << ", scatter "
              << f.Fixed(r.scatter, 3) << ", expected error " << f.Fixed(r.expectedErrorMmu, 4)
              << " mmu, ions " << ions.size() << "\n";
    if (r.spread)
        std::cerr << "spread floor " << f.Fixed(r.spread->floor, 4) << " mmu, factor "
                  << f.Fixed(r.spread->factor, 3) << "\n";
    std::cerr << "pairs";
    for (const AutoCalibrationPair& p : r.pairs)
        std::cerr << " " << p.peak << "=" << f.Fixed(p.referenceMass, 10);
    std::cerr << "\n";
    for (const LeftOutPeak& l : r.leftOut)
        std::cerr << "left out " << l.peak << " " << ReasonText(l.reason) << " ion "
                  << (l.ion >= 0 ? ions[l.ion].name : "-") << " dev " << f.Fixed(l.deviationMmu, 3)
                  << " off " << f.Fixed(l.offCurveMmu, 3)
                  << (l.isotopeOf >= 0 ? " of " + std::to_string(l.isotopeOf) : "") << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const CommandError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
