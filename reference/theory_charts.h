// The mass-defect charts "Теория CH" and "Теория CF": the saw of each family of reference ions
// with the measured peaks over it, the hover marks, and the text files of the CH saw and the CH
// ion list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "processing/peak_result.h"

namespace ostrel {

class NumberFormat;
struct PeakComposition;
struct ReferenceTables;

// One chart series, its points in ascending x (points of equal x in the order they were made).
struct TheorySeries {
    std::vector<double> x, y;
    std::vector<int32_t> peak;  // measured series: the peak each point was made from

    int32_t Count() const { return static_cast<int32_t>(x.size()); }
};

// The four series of the two charts; the window draws them as Series9, Series10 ("Теория CH")
// and Series12, Series13 ("Теория CF").
struct TheoryCharts {
    TheorySeries chSaw;    // (mass, (mass − ⌊mass⌋)·1000) per CH row
    TheorySeries chPeaks;  // the peaks but the problem peaks, the same way
    TheorySeries cfSaw;    // (mass, (mass − n)·1000) per CF row, n the nearest whole mass
    TheorySeries cfPeaks;  // every peak at its nominal mass n: (n, (M − n)·1000)
};

void CreateTeoriaCH(TheoryCharts& charts, const ReferenceTables& tables, const PeakResults& peaks);
void CreateTeoriaCF(TheoryCharts& charts, const ReferenceTables& tables, const PeakResults& peaks);

// The mark of a measured point: «M = 43.055», «R = 5210», «V = 15230» joined by CR.
std::string MarkText(const PeakResult& peak, const NumberFormat& format);
// The same with the best formula of the peak's composition as a last line, «C4F9+ (-0.21 mmu)»,
// when the peak has one (composition may be null: not composed).
std::string MarkText(const PeakResult& peak, const PeakComposition* composition,
                     const NumberFormat& format);

inline constexpr const char* kSawTheoryTitle = "Сохранить пилу CH (теория)";
inline constexpr const char* kSawTheoryFileName = "CH_t.txt";
inline constexpr const char* kSawTheoryHeading = "Пила CH (теория)";
inline constexpr const char* kSawPeaksTitle = "Сохранить пилу CH (практика)";
inline constexpr const char* kSawPeaksFileName = "CH_p.txt";
inline constexpr const char* kSawPeaksHeading = "Пила CH (практика)";
inline constexpr const char* kCHListTitle = "Сохранить список CH для Excel";
inline constexpr const char* kCHListFileName = "СписокCH.txt";
inline constexpr const char* kCHListFilter = "TXT (*.txt)|*.TXT|Все (*.*)|*.*";

// A saw file: the quoted heading, two lines "", then "%.0f<TAB>%.0f" per point.
std::string SawFileText(std::string_view heading, const TheorySeries& series,
                        const NumberFormat& format, std::string_view lineEnd);
void WriteSawFile(const std::string& path, std::string_view heading, const TheorySeries& series,
                  const NumberFormat& format);

inline constexpr const char* kCHListHtmlTitle = "Сохранить список CH";
inline constexpr const char* kCHListHtmlFileName = "СписокCH.htm";
inline constexpr const char* kCHListHtmlFilter = "HTML (*.htm)|*.HTM|Все (*.*)|*.*";

// One line per CH row: mass, TAB, «C 2 H 6», and TAB «молек» for h = 2c + 2.
std::vector<std::string> CHListLines(const ReferenceTables& tables, const NumberFormat& format);
void WriteCHList(const std::string& path, const ReferenceTables& tables,
                 const NumberFormat& format);

// "Список CH" > "HTML": the same rows as a table of a page titled "Список CH", its encoding
// declared, the columns of the text list under a header row.
std::vector<std::string> CHListHtmlLines(const ReferenceTables& tables, const NumberFormat& format);
void WriteCHListHtml(const std::string& path, const ReferenceTables& tables,
                     const NumberFormat& format);

}  // namespace ostrel
