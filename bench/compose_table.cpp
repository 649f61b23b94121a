// The composition of every peak of a results table as `ostrel-batch peaks` prints it, for the
// measurement against ground truth (bench/compose_quality.py): the rankings the program does not
// offer (by mass alone, without the ratio rules, held to the tolerance) on the same table.
// `ostrel-batch compose` composes the pass's own records instead.
//
// Usage: compose_table PEAKS.tsv [--elements C1-100,H0-200,...] [--tolerance MMU]
//                      [--floor MMU] [--detection H] [--fixed] [--mass-only] [--no-ratios]
//                      [--detail]
// Prints the header and one line per table row, tab separated, as `compose` will.
// --mass-only ranks the candidates by |error| alone (the same rules, no satellites);
// --no-ratios leaves the element ratio rules out (rings plus double bonds only); --fixed holds
// every peak to the tolerance (widenByOwnError off).
// --detail adds, under each line, every candidate with its score and satellite checks.
//
// The height is the fit's amplitude over the background: the column "B" shows the amplitude less
// the background A, so the amplitude is B + A. The table does not hold the height's standard
// error, so it is estimated here: the residuals' standard deviation ("Std Err" times "B"; "0.00"
// taken as 0.005) times 0.4, about 1/sqrt of the effective points of a peak's top over ten to
// twenty points a FWHM with the inflation of the other three parameters. A row is not usable
// when its mass is "Ошибка" or the fit is nonsense: an amplitude or resolving power R not
// positive, R off the table's median by more than a factor of 3, residuals above the amplitude,
// or the centre known worse than 10 mmu. --detection passes the pass's first non-noise height.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "reference/composition.h"
#include "reference/composition_text.h"
#include "state/errors.h"
#include "state/number_format.h"
#include "table_cells.h"

namespace ostrel::bench {
namespace {

struct Row {
    std::string m, mass;
    double power = 0;
    ComposePeak peak;
};

bool Number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != text.c_str() && *end == '\0' && std::isfinite(value);
}

std::vector<Row> ReadTable(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw CommandError("cannot read " + path);
    std::string line;
    std::getline(in, line);  // the headers
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> c = ostrel::bench::TabCells(line);
        if (c.size() < 10) continue;
        Row r;
        r.m = c[0];
        r.mass = c[1];
        double mass = 0, error = 0, lessBackground = 0, background = 0, stdErr = 0, power = 0;
        const bool fitted = Number(c[1], mass) && Number(c[2], error) && Number(c[5], power) &&
                            Number(c[7], background) && Number(c[8], lessBackground) &&
                            Number(c[9], stdErr);
        r.power = fitted ? power : 0;
        if (fitted) {
            r.peak.mass = mass;
            r.peak.massError = error;
            const double height = lessBackground + background;
            const double residual = std::max(std::fabs(stdErr), 0.005) * std::fabs(lessBackground);
            r.peak.height = height;
            r.peak.heightError = 0.4 * residual;
            r.peak.resolvingPower = power;
            r.peak.usable = height > 0 && power > 0 && residual <= height && error < 0.010;
        } else {
            double m = 0;
            r.peak.mass = Number(c[0], m) ? m : NAN;  // a problem row: only its nominal mass
        }
        rows.push_back(r);
    }
    std::vector<double> powers;
    for (const Row& r : rows)
        if (r.peak.usable) powers.push_back(r.power);
    if (!powers.empty()) {
        std::nth_element(powers.begin(), powers.begin() + powers.size() / 2, powers.end());
        const double median = powers[powers.size() / 2];
        for (Row& r : rows)
            if (r.peak.usable && (r.power > 3 * median || r.power < median / 3))
                r.peak.usable = false;
    }
    return rows;
}

std::string StateText(const SatelliteCheck& s, const NumberFormat& f) {
    std::string t = SatelliteCheckText(s, f);
    if (s.state == SatelliteState::Found || s.state == SatelliteState::Missing)
        t += " z=" + f.Fixed(s.z, 1);
    return t;
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: compose_table PEAKS.tsv [--elements E] [--tolerance MMU] "
                     "[--floor MMU] [--detection H] [--fixed] [--mass-only] [--no-ratios] "
                     "[--detail]\n";
        return 2;
    }
    const NumberFormat format('.');
    ComposeOptions options;
    bool massOnly = false, detail = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--elements" && more)
            options.elements = ParseElementRanges(argv[++i]);
        else if (a == "--tolerance" && more)
            options.toleranceMmu = format.ParseReal(argv[++i]);
        else if (a == "--floor" && more)
            options.calibrationFloorMmu = format.ParseReal(argv[++i]);
        else if (a == "--detection" && more)
            options.detectionHeight = format.ParseReal(argv[++i]);
        else if (a == "--fixed")
            options.widenByOwnError = false;
        else if (a == "--no-ratios")
            options.rules.maxPerCarbon.fill(kMaxAtomCount);
        else if (a == "--mass-only")
            massOnly = true;
        else if (a == "--detail")
            detail = true;
        else {
            std::cerr << "unknown option " << a << "\n";
            return 2;
        }
    }
    const std::vector<Row> rows = ReadTable(argv[1]);
    std::vector<ComposePeak> peaks;
    for (const Row& r : rows) peaks.push_back(r.peak);
    std::vector<PeakComposition> result = ComposePeaks(peaks, options);
    if (massOnly) {
        for (PeakComposition& pc : result) {
            auto& list = pc.candidates;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [](const auto& c) { return c.isotopeShift != 0; }),
                       list.end());
            std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
                return std::fabs(a.errorMmu) < std::fabs(b.errorMmu);
            });
        }
    }
    const auto print = [](const std::vector<std::string>& cells) {
        for (size_t k = 0; k < cells.size(); ++k) std::cout << (k ? "\t" : "") << cells[k];
        std::cout << "\n";
    };
    print(CompositionHeaderCells());
    for (size_t i = 0; i < rows.size(); ++i) {
        print(CompositionLineCells(rows[i].m, rows[i].mass, result[i], format));
        if (!detail) continue;
        for (const CompositionCandidate& c : result[i].candidates) {
            std::cout << "    " << CandidateText(c) << " err=" << format.Fixed(c.errorMmu, 2)
                      << " ppm=" << format.Fixed(c.errorPpm, 2)
                      << " dbe=" << format.Fixed(c.ringsPlusDoubleBonds, 1)
                      << " score=" << format.Fixed(c.score, 2)
                      << " share=" << format.Fixed(c.share, 3) << " | "
                      << StateText(c.satellites[0], format);
            if (c.isotopeShift == 0) std::cout << " | " << StateText(c.satellites[1], format);
            std::cout << "\n";
        }
    }
    return 0;
}

}  // namespace
}  // namespace ostrel::bench

int main(int argc, char** argv) {
    try {
        return ostrel::bench::Run(argc, argv);
    } catch (const ostrel::CommandError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
}
