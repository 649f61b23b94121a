#include "reference/elements.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "state/errors.h"

namespace ostrel {

const std::array<ElementInfo, kElementCount> kElements = {{
    {"C", 12.0, 4},
    {"H", 1.00782503207, 1},
    {"N", 14.0030740048, 3},
    {"O", 15.99491461956, 2},
    {"F", 18.99840322, 1},
    {"S", 31.97207100, 2},
    {"Cl", 34.96885268, 1},
    {"Br", 78.9183371, 1},
    {"Si", 27.9769265325, 4},
    {"P", 30.97376163, 3},
}};

namespace {

long double SumOfAtoms(const Formula& f) {
    long double sum = 0;
    for (int32_t e = 0; e < kElementCount; ++e)
        sum += static_cast<long double>(kElements[e].mass) * f.count[e];
    return sum;
}

}  // namespace

double NeutralMass(const Formula& f) {
    return static_cast<double>(SumOfAtoms(f));
}

double IonMass(const Formula& f) {
    return static_cast<double>(SumOfAtoms(f) - kElectronMass);
}

double RingsPlusDoubleBonds(const Formula& f) {
    int64_t twice = 2;  // twice the value, so that it stays whole
    for (int32_t e = 0; e < kElementCount; ++e)
        twice += static_cast<int64_t>(f.count[e]) * (kElements[e].valence - 2);
    return static_cast<double>(twice) / 2;
}

bool IsEvenElectronIon(const Formula& f) {
    const double dbe = RingsPlusDoubleBonds(f);
    return dbe != std::floor(dbe);
}

std::string HillText(const Formula& f) {
    std::vector<int32_t> order;
    const bool carbon = f[Element::C] > 0;
    if (carbon) {
        order.push_back(static_cast<int32_t>(Element::C));
        if (f[Element::H] > 0) order.push_back(static_cast<int32_t>(Element::H));
    }
    std::vector<int32_t> rest;
    for (int32_t e = 0; e < kElementCount; ++e) {
        if (f.count[e] <= 0) continue;
        if (carbon &&
            (e == static_cast<int32_t>(Element::C) || e == static_cast<int32_t>(Element::H)))
            continue;
        rest.push_back(e);
    }
    std::sort(rest.begin(), rest.end(), [](int32_t a, int32_t b) {
        return std::string_view(kElements[a].symbol) < std::string_view(kElements[b].symbol);
    });
    order.insert(order.end(), rest.begin(), rest.end());
    std::string text;
    for (int32_t e : order) {
        text += kElements[e].symbol;
        if (f.count[e] != 1) text += std::to_string(f.count[e]);
    }
    return text;
}

std::string IonText(const Formula& f) {
    return HillText(f) + "+";
}

Formula ParseFormula(std::string_view text) {
    const auto refuse = [&](const std::string& why) -> Formula {
        throw CommandError("Формула \"" + std::string(text) + "\" не прочитана: " + why + ".");
    };
    std::string_view rest = text;
    if (!rest.empty() && rest.back() == '+') rest.remove_suffix(1);
    if (rest.empty()) return refuse("нет ни одного элемента");
    Formula f;
    std::array<bool, kElementCount> seen{};
    size_t i = 0;
    while (i < rest.size()) {
        if (!std::isupper(static_cast<unsigned char>(rest[i])))
            return refuse("ожидался символ элемента в позиции " + std::to_string(i + 1));
        size_t end = i + 1;
        if (end < rest.size() && std::islower(static_cast<unsigned char>(rest[end]))) ++end;
        const std::string_view symbol = rest.substr(i, end - i);
        int32_t element = -1;
        for (int32_t e = 0; e < kElementCount; ++e)
            if (symbol == kElements[e].symbol) element = e;
        if (element < 0) return refuse("неизвестный элемент " + std::string(symbol));
        if (seen[element]) return refuse("элемент " + std::string(symbol) + " указан дважды");
        seen[element] = true;
        int64_t count = 0;
        size_t digits = end;
        while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) {
            count = count * 10 + (rest[digits] - '0');
            if (count > 100000)
                return refuse("слишком большое число атомов " + std::string(symbol));
            ++digits;
        }
        if (digits == end) count = 1;
        if (count == 0) return refuse("ноль атомов " + std::string(symbol));
        f.count[element] = static_cast<int32_t>(count);
        i = digits;
    }
    return f;
}

}  // namespace ostrel
