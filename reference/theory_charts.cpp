#include "reference/theory_charts.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "reference/composition_text.h"
#include "reference/reference_ions.h"
#include "results/html_report.h"
#include "state/cp1251.h"
#include "state/file_io.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

using L = long double;

// The chart keeps its points in ascending x; points of one x keep the order they came in.
void SortByX(TheorySeries& s) {
    std::vector<size_t> order(s.x.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return s.x[a] < s.x[b]; });
    TheorySeries sorted;
    for (size_t i : order) {
        sorted.x.push_back(s.x[i]);
        sorted.y.push_back(s.y[i]);
        if (!s.peak.empty()) sorted.peak.push_back(s.peak[i]);
    }
    s = std::move(sorted);
}

double DefectBelow(double mass) {
    return static_cast<double>((L(mass) - std::floor(mass)) * 1000);
}

double DefectFromNearest(double mass, double nearest) {
    return static_cast<double>((L(mass) - nearest) * 1000);
}

std::string LinesText(const std::vector<std::string>& lines, std::string_view lineEnd) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

}  // namespace

void CreateTeoriaCH(TheoryCharts& charts, const ReferenceTables& tables, const PeakResults& peaks) {
    TheorySeries saw, measured;
    for (const IonRow& row : tables.CHIons) {
        saw.x.push_back(row.mass);
        saw.y.push_back(DefectBelow(row.mass));
    }
    for (size_t i = 0; i < peaks.size(); ++i) {
        if (peaks[i].IsProblem()) continue;
        measured.x.push_back(peaks[i].centre);
        measured.y.push_back(DefectBelow(peaks[i].centre));
        measured.peak.push_back(static_cast<int32_t>(i));
    }
    SortByX(saw);
    SortByX(measured);
    charts.chSaw = std::move(saw);
    charts.chPeaks = std::move(measured);
}

void CreateTeoriaCF(TheoryCharts& charts, const ReferenceTables& tables, const PeakResults& peaks) {
    TheorySeries saw, measured;
    for (const IonRow& row : tables.CFIons) {
        saw.x.push_back(row.mass);
        saw.y.push_back(DefectFromNearest(row.mass, std::nearbyint(row.mass)));
    }
    for (size_t i = 0; i < peaks.size(); ++i) {
        const double n = std::nearbyint(peaks[i].centre);
        measured.x.push_back(n);
        measured.y.push_back(DefectFromNearest(peaks[i].centre, n));
        measured.peak.push_back(static_cast<int32_t>(i));
    }
    SortByX(saw);
    SortByX(measured);
    charts.cfSaw = std::move(saw);
    charts.cfPeaks = std::move(measured);
}

std::string MarkText(const PeakResult& peak, const NumberFormat& f) {
    return "M = " + f.Fixed(peak.centre, 3) + "\rR = " + f.Fixed(peak.resolvingPower, 0) +
           "\rV = " + f.Fixed(peak.height, 0);
}

std::string MarkText(const PeakResult& peak, const PeakComposition* composition,
                     const NumberFormat& f) {
    std::string text = MarkText(peak, f);
    const std::string formula = composition ? CompositionMarkLine(*composition, f) : std::string();
    if (!formula.empty()) text += "\r" + formula;
    return text;
}

std::string SawFileText(std::string_view heading, const TheorySeries& series, const NumberFormat& f,
                        std::string_view lineEnd) {
    std::string quoted = "\"";
    quoted.append(heading).push_back('"');
    std::vector<std::string> lines = {quoted, "\"\"", "\"\""};
    for (int32_t i = 0; i < series.Count(); ++i)
        lines.push_back(f.Fixed(series.x[i], 0) + "\t" + f.Fixed(series.y[i], 0));
    return LinesText(lines, lineEnd);
}

void WriteSawFile(const std::string& path, std::string_view heading, const TheorySeries& series,
                  const NumberFormat& format) {
    WriteFileReplacing(path, Utf8ToCp1251(SawFileText(heading, series, format, "\r\n")));
}

std::vector<std::string> CHListLines(const ReferenceTables& tables, const NumberFormat& f) {
    std::vector<std::string> lines;
    lines.reserve(tables.CHIons.size());
    for (const IonRow& row : tables.CHIons)
        lines.push_back(f.Shortest(row.mass) + "\tC " + f.Shortest(row.c) + " H " +
                        f.Shortest(row.n) + (row.n == 2 * row.c + 2 ? "\tмолек" : ""));
    return lines;
}

void WriteCHList(const std::string& path, const ReferenceTables& tables,
                 const NumberFormat& format) {
    WriteFileReplacing(path, Utf8ToCp1251(LinesText(CHListLines(tables, format), "\r\n")));
}

std::vector<std::string> CHListHtmlLines(const ReferenceTables& tables, const NumberFormat& f) {
    std::vector<std::string> lines = {
        "<HTML>",
        "  <HEAD>",
        "    <TITLE>Список CH</TITLE>",
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">",
        "  </HEAD>",
        "<BODY TEXT=#000000 bgColor=#FFFFFF leftMargin=5 topMargin=5>",
        "<TABLE BORDER=1 BORDERCOLOR=#000000 CELLPADDING=3>",
        "  <TR><TH>Масса</TH><TH>Ион</TH><TH></TH></TR>"};
    for (const IonRow& row : tables.CHIons) {
        const std::string ion = "C " + f.Shortest(row.c) + " H " + f.Shortest(row.n);
        const char* molecular = row.n == 2 * row.c + 2 ? "молек" : "";
        lines.push_back("  <TR><TD>" + f.Shortest(row.mass) + "</TD><TD>" + HtmlEscape(ion) +
                        "</TD><TD>" + molecular + "</TD></TR>");
    }
    lines.insert(lines.end(), {"</TABLE>", "</BODY>", "</HTML>"});
    return lines;
}

void WriteCHListHtml(const std::string& path, const ReferenceTables& tables,
                     const NumberFormat& format) {
    WriteFileReplacing(path, Utf8ToCp1251(LinesText(CHListHtmlLines(tables, format), "\r\n")));
}

}  // namespace ostrel
