#include "state/cp1251.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Cp1251Test, ConvertsBothWays) {
    const std::string bytes = "\xD1\xEF\xE5\xEA\xF2\xF0 \xB8\xA8 \xB9 ok";  // Спектр ёЁ № ok
    const std::string text = "Спектр ёЁ № ok";
    EXPECT_EQ(Cp1251ToUtf8(bytes), text);
    EXPECT_EQ(Utf8ToCp1251(text), bytes);
}

TEST(Cp1251Test, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251Test, UnmappableAndMalformedTextBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a\xE2\x82\xAC"
                           "b"),
              "a\x88"
              "b");  // the euro sign exists
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD"
                           "b"),
              "a?b");                        // a CJK character does not
    EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");  // truncated sequence
}

}  // namespace
}  // namespace ostrel
