#include "reference/formula_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "reference/element_ranges.h"
#include "state/errors.h"

namespace ostrel {
namespace {

std::set<std::string> Texts(const std::vector<Formula>& formulas) {
    std::set<std::string> texts;
    for (const Formula& f : formulas) texts.insert(IonText(f));
    return texts;
}

std::set<std::string> Search(const char* ion, const ElementRanges& ranges, double tolerance) {
    const FormulaSearch search(ranges, FormulaRules{}, 1000);
    std::vector<Formula> found;
    search.Find(IonMass(ParseFormula(ion)), tolerance, found);
    return Texts(found);
}

// The expected sets come from a brute-force count over every N, O, S and F count and every
// carbon with its nearest hydrogen count, under the same rules.
TEST(FormulaSearchTest, KnownIonsWithTheDefaultElementsWithin2Mmu) {
    const ElementRanges d = DefaultElementRanges();
    EXPECT_EQ(Search("CF3", d, 0.002), (std::set<std::string>{"CF3+"}));
    EXPECT_EQ(Search("C4H9", d, 0.002), (std::set<std::string>{"C4H9+"}));
    EXPECT_EQ(Search("C4F9", d, 0.002),
              (std::set<std::string>{"C4F9+", "C4H3F4N2O2S+", "C4H6F3N2OS2+", "C6H4FN2O4S+",
                                     "C6H5NO6S+", "C6HF2N2O5+", "C7H2F3N2OS+", "C7H5F2N2S2+",
                                     "C9F5O+", "C9FN2O4+", "C9H3N2O3S+"}));
    // The same nominal mass 100, 37.7 mmu apart: each is found at its own mass only.
    EXPECT_EQ(Search("C2F4", d, 0.002), (std::set<std::string>{"C2F4+", "C7O+"}));
    EXPECT_EQ(Search("C8H4", d, 0.002), (std::set<std::string>{"C3H3FN3+", "C5H5FO+", "C8H4+"}));
}

TEST(FormulaSearchTest, AnElementNotNamedIsAbsentAndHydrogenMayBe) {
    const ElementRanges cnf = ParseElementRanges("C1-100,N0-4,F0-45");
    EXPECT_EQ(Search("C9F20N", cnf, 0.002), (std::set<std::string>{"C9F20N+"}));
    EXPECT_EQ(Search("C3F7", cnf, 0.002), (std::set<std::string>{"C3F7+"}));
    // C4H9+ has no formula without hydrogen.
    EXPECT_TRUE(Search("C4H9", cnf, 0.002).empty());
    // Bare carbon: C3+ with carbon alone.
    EXPECT_EQ(Search("C3", ParseElementRanges("C1-10"), 0.002), (std::set<std::string>{"C3+"}));
}

TEST(FormulaSearchTest, RingsPlusDoubleBondsAndRatioRules) {
    struct Case {
        const char* formula;
        bool allowed;
    } cases[] = {
        {"CF3", true},    {"C2F5", true},  {"C3F7", true},     {"C9F20N", true}, {"C12F24N", true},
        {"CF4", false},   {"C3", true},    {"C6H", true},      {"CH4", true},    {"CH5", false},
        {"C2H7", true},   {"C2H8", false}, {"C3H9", true},     {"C3H10", false}, {"CO2", true},
        {"CS2", true},    {"CH3S", true},  {"C2H6FN3", false}, {"CN", true},     {"C2N2", true},
        {"CH3N2", false}, {"CCl3", true},  {"C3H9Si", true},   {"CH4P", true},   {"C6H5", true},
        {"C2F7", false},  {"N2", true},    {"H3O", true},
    };
    const FormulaRules rules;
    for (const Case& c : cases)
        EXPECT_EQ(FollowsRules(ParseFormula(c.formula), rules), c.allowed) << c.formula;
    // DBE at least −0.5: C2H7+ (−0.5) is the limit, whatever the ratios.
    FormulaRules loose;
    loose.maxPerCarbon.fill(100);
    EXPECT_TRUE(FollowsRules(ParseFormula("C2H7"), loose));
    EXPECT_FALSE(FollowsRules(ParseFormula("C2H8"), loose));
    EXPECT_FALSE(FollowsRules(ParseFormula("CF6"), loose));
}

// A small deterministic generator for the masses of the comparison.
uint32_t Next(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

TEST(FormulaSearchTest, FastSearchFindsWhatThePlainSearchFinds) {
    ElementRanges all =
        ParseElementRanges("C0-10,H0-20,N0-2,O0-2,F0-6,S0-1,Cl0-1,Br0-1,Si0-1,P0-1");
    ElementRanges someCarbon = ParseElementRanges("C2-9,H3-12,N0-3,F0-8,O0-1");
    for (const ElementRanges* ranges : {&all, &someCarbon}) {
        const FormulaRules rules;
        const FormulaSearch search(*ranges, rules, 700);
        uint32_t state = 7;
        for (int k = 0; k < 8; ++k) {
            // The ion of a formula of the ranges, moved by up to ±3 mmu, and a mass anywhere.
            Formula f;
            for (int32_t e = 0; e < kElementCount; ++e) {
                const AtomCountRange r = ranges->range[e];
                f.count[e] = r.min + static_cast<int32_t>(Next(state) % (r.max - r.min + 1));
            }
            const double near =
                IonMass(f) + (static_cast<double>(Next(state) % 6001) - 3000) * 1e-6;
            const double anywhere = 20 + (Next(state) % 600000) * 1e-3;
            for (double mass : {near, anywhere}) {
                for (double tolerance : {0.002, 0.010}) {
                    std::vector<Formula> fast;
                    search.Find(mass, tolerance, fast);
                    EXPECT_EQ(Texts(fast),
                              Texts(FindFormulasPlain(mass, tolerance, *ranges, rules)))
                        << mass << " " << tolerance;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ostrel
