// Keywords in any letter case, and the UTF-8 the server page checks and writes.
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vendorcenter::server;

TEST(TextHelpers, OnlyTheCaseOfAsciiLettersIsIgnored)
{
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {{"INSERT", "insert", true},
        {"Basic", "bASIC", true}, {"password", "PassWord", true}, {"AZaz09_", "azAZ09_", true}, {"", "", true},
        {"insert", "inserts", false}, {"inserts", "insert", false},
        {"@[`{", "`{@[", false}, // the neighbours of the letters are not letters
        {"\xC3\x89", "\xC3\xA9", false}, // nor is anything past ASCII
        {"delete", "delate", false}};
    for (const auto &[a, b, equal] : cases)
        EXPECT_EQ(equalsIgnoringCase(a, b), equal) << a << " " << b;
}

TEST(TextHelpers, Utf8IsCheckedSequenceBySequence)
{
    const std::tuple<std::string_view, bool> cases[] = {{"", true}, {"plain", true}, {"Z\xC3\xBCrich", true},
        {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true}, {"\xF4\x8F\xBF\xBF", true}, {"\xC2\x80", true},
        {"\xDF\xBF", true}, {"\xEF\xBF\xBF", true}, {"\xFC", false}, {"caf\xE9", false}, {"\xC3", false},
        {"\xE2\x82", false}, {"\xF0\x9F\x98", false}, {"\xC3\x28", false}, {"\xE2\x28\xA1", false},
        {"\xE2\x82\x28", false}, {"\xF0\x9F\x98\x28", false}, {"\x80", false}, {"\xBF", false}, {"\xC0\xAF", false},
        {"\xC1\xBF", false}, {"\xF5\x80\x80\x80", false}, {"\xFF", false}};
    for (const auto &[text, valid] : cases)
        EXPECT_EQ(isUtf8(text), valid) << ::testing::PrintToString(text);
}

TEST(TextHelpers, CodePointsAndLatin1AreWrittenAsUtf8)
{
    const std::tuple<char32_t, std::string_view> points[] = {{U'A', "A"}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"},
        {0xE9, "\xC3\xA9"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"}, {0x20AC, "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"}, {0x10000, "\xF0\x90\x80\x80"}, {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
    for (const auto &[code, utf8] : points) {
        std::string out = "<";
        appendUtf8(out, code);
        EXPECT_EQ(out, "<" + std::string(utf8)) << static_cast<unsigned>(code);
    }
    EXPECT_EQ(latin1AsUtf8(std::string_view("caf\xE9 \x80\xFF\x00!", 10)),
        std::string("caf\xC3\xA9 \xC2\x80\xC3\xBF\x00!", 13));
}
