#include "reference/reference_list_file.h"

#include <algorithm>
#include <cmath>

#include "state/cp1251.h"
#include "state/errors.h"
#include "state/file_io.h"
#include "state/number_format.h"

namespace ostrel {

namespace {

// The masses the program's reference tables allow.
constexpr double kLargestListedMass = 100000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool StartsLikeNumber(std::string_view text) {
    const char c = text.front();
    return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == '+';
}

[[noreturn]] void Refuse(size_t lineNumber, std::string_view line, const std::string& why) {
    throw CommandError("Список эталонных ионов, строка " + std::to_string(lineNumber) + " «" +
                       std::string(line) + "» не прочитана: " + why);
}

ReferenceIon IonOfLine(size_t lineNumber, std::string_view line) {
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    const std::string_view first = line.substr(0, end);
    const std::string_view rest = Trimmed(line.substr(end));
    if (!StartsLikeNumber(first)) {
        if (!rest.empty())
            Refuse(lineNumber, line,
                   "после формулы в строке ничего не должно быть (имя пишется после массы).");
        try {
            return IonOfFormula(ParseFormula(first));
        } catch (const CommandError& e) {
            // The formula reader names the text too; the line already stands in the message.
            const std::string what = e.what();
            const size_t colon = what.find(": ");
            Refuse(lineNumber, line, colon == std::string::npos ? what : what.substr(colon + 2));
        }
    }
    std::string number(first);
    std::replace(number.begin(), number.end(), ',', '.');
    double mass = 0;
    try {
        mass = NumberFormat('.').ParseReal(number);
    } catch (const CommandError&) {
        Refuse(lineNumber, line,
               "ожидалась формула иона (C4F9+), масса (218.98508) или масса и имя.");
    }
    if (!std::isfinite(mass) || mass <= 0 || mass > kLargestListedMass)
        Refuse(lineNumber, line, "масса должна быть больше 0 и не больше 100000.");
    ReferenceIon ion;
    ion.mass = mass;
    ion.name = rest.empty() ? std::string(first) : std::string(rest);
    // The name stands in tab-separated texts: its tabs become blanks.
    std::replace(ion.name.begin(), ion.name.end(), '\t', ' ');
    if (!rest.empty()) {
        try {
            ion.carbon = ParseFormula(rest)[Element::C];
        } catch (const CommandError&) {
            ion.carbon = -1;  // a name that is not a formula: the carbon count stays unknown
        }
    }
    return ion;
}

}  // namespace

std::vector<ReferenceIon> ReadReferenceList(std::string_view text) {
    std::vector<ReferenceIon> ions;
    size_t lineNumber = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        ++lineNumber;
        std::string_view line = text.substr(at, end - at);
        // CR LF, LF and CR all end a line.
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        line = Trimmed(line);
        if (line.empty()) continue;
        ions.push_back(IonOfLine(lineNumber, line));
    }
    if (ions.empty())
        throw CommandError(
            "В списке эталонных ионов нет ни одного иона: в каждой строке нужна формула иона "
            "(C4F9+), масса (218.98508) или масса и имя.");
    std::stable_sort(ions.begin(), ions.end(),
                     [](const ReferenceIon& a, const ReferenceIon& b) { return a.mass < b.mass; });
    return ions;
}

std::vector<ReferenceIon> ReadReferenceListFile(const std::string& path) {
    return ReadReferenceList(Cp1251ToUtf8(ReadWholeFile(path)));
}

}  // namespace ostrel
