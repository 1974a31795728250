// UTF-8 is told from Latin-1 sequence by sequence.
#include "TextHelpers.h"

#include <gtest/gtest.h>

TEST(TextHelpers, Utf8IsCheckedSequenceBySequence)
{
    const std::pair<std::string_view, bool> cases[] = {{"", true}, {"Z\xC3\xBCrich", true}, {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true}, {"\xF4\x8F\xBF\xBF", true}, {"\xC2\x80", true}, {"\xE0\xA0\x80", true},
        {"\xF0\x90\x80\x80", true}, {"\xF5\x80\x80\x80", false}, {"caf\xE9", false}, {"\xC3", false},
        {"\xE2\x82", false}, {"\xF0\x9F\x98", false}, {"\xC3\x28", false}, {"\x80", false}, {"\xC1\xBF", false}};
    for (const auto &[text, valid] : cases)
        EXPECT_EQ(vendorcenter::server::isUtf8(text), valid) << ::testing::PrintToString(text);
}
