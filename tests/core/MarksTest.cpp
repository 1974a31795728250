#include "core/Marks.h"

#include <gtest/gtest.h>

using namespace vendorcenter::marks;

// Only a plain flag is unmarked; the flag is the leading number alone.
TEST(Marks, FlagsAndMarks)
{
    for (const char *plain : {"0", "1", " 1 "})
        EXPECT_TRUE(isUnmarked(plain)) << plain;
    for (const char *marked : {"1N", "0U", "1D", "1DU", "", "   ", "1E", "1D2", "N"})
        EXPECT_FALSE(isUnmarked(marked)) << '"' << marked << '"';
    for (const auto &[duty, flag] : {std::pair{"1DU", "1"}, {"0N", "0"}, {"1D2", "1"}, {"1E5", "1"}, {"", "0"}, {" 01U", "1"}})
        EXPECT_EQ(flagOf(duty), flag) << duty;
    for (const char *refused : {"", "1n", "1N"})
        EXPECT_FALSE(dutyOnAdd(refused).has_value()) << refused;
    for (const char *refused : {"", "1u"})
        EXPECT_FALSE(dutyOnRemove(refused).has_value()) << refused;
}

TEST(Marks, SortKeysPadNumbersToFourDigits)
{
    for (const auto &[id, key] : {std::pair{"7", "0007"}, {"12345", "12345"}, {"AB-7", "AB-7"}, {"", ""}, {"0007", "0007"}})
        EXPECT_EQ(sortKeyFor(id), key) << id;
}
