#include "reference/element_ranges.h"

#include <gtest/gtest.h>

#include <string>

#include "state/errors.h"

namespace ostrel {
namespace {

TEST(ElementRangesTest, TheDefaultTextAndBlanks) {
    EXPECT_EQ(ParseElementRanges("C1-100,H0-200,N0-4,O0-6,F0-45,S0-2"), DefaultElementRanges());
    EXPECT_EQ(ElementRangesText(DefaultElementRanges()), "C1-100,H0-200,N0-4,O0-6,F0-45,S0-2");
    const ElementRanges r = ParseElementRanges(" Cl0-3 , C2-10,\tBr1-1 ");
    EXPECT_EQ(r[Element::C].min, 2);
    EXPECT_EQ(r[Element::C].max, 10);
    EXPECT_EQ(r[Element::Cl].max, 3);
    EXPECT_EQ(r[Element::Br].min, 1);
    // An element not named is absent.
    EXPECT_EQ(r[Element::H].max, 0);
    EXPECT_EQ(r[Element::F].max, 0);
    EXPECT_EQ(ElementRangesText(r), "C2-10,Cl0-3,Br1-1");
}

TEST(ElementRangesTest, UnreadableRangesAreRefusedWithTheirText) {
    struct Case {
        const char* text;
        const char* why;
    } cases[] = {
        {"", "не указан ни один элемент"},
        {"  ", "не указан ни один элемент"},
        {"C1-100,Xe0-2", "неизвестный элемент"},
        {"C1-100,B0-2", "неизвестный элемент"},
        {"c1-100", "неизвестный элемент"},
        {"C1-100,C0-5", "указан дважды"},
        {"C10-1", "больше наибольшего"},
        {"C1-", "ожидался диапазон"},
        {"C-5", "ожидался диапазон"},
        {"C5", "ожидался диапазон"},
        {"C1-1000", "ожидался диапазон"},
        {"C1_10", "ожидался диапазон"},
        {"C1-10x", "ожидался диапазон"},
        {"C1-10,", "пустой элемент"},
        {"C1-10,,H0-2", "пустой элемент"},
    };
    for (const Case& c : cases) {
        try {
            ParseElementRanges(c.text);
            ADD_FAILURE() << c.text;
        } catch (const CommandError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(std::string("\"") + c.text + "\""), std::string::npos)
                << message;
            EXPECT_NE(message.find(c.why), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace ostrel
