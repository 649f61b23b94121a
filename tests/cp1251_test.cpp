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
    EXPECT_EQ(Utf8ToCp1251("a\x80\xBF"
                           "b"),
              "a??b");  // continuation bytes without a lead
}

TEST(Cp1251Test, MalformedUtf8IsMadeValid) {
    const struct {
        std::string text, valid;
    } cases[] = {
        {"Спектр €", "Спектр €"},                  // two- and three-byte forms stay
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // a four-byte form too
        {"a\x80"
         "b",
         "a?b"},        // a stray continuation byte
        {"\xD0", "?"},  // a sequence cut off
        {"\xD0"
         "a",
         "?a"},                        // a lead byte without its continuation
        {"\xC0\xAF", "??"},            // an overlong form of '/'
        {"\xE0\x80\xAF", "???"},       // and its three-byte one
        {"\xED\xA0\x80", "???"},       // a surrogate
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\xFF\xFE", "??"},
    };
    for (const auto& c : cases) EXPECT_EQ(ValidUtf8(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace ostrel
