#include "core/Marks.h"

#include <gtest/gtest.h>

using namespace vendorcenter::marks;

namespace {

struct MoveCase
{
    const char *before;
    const char *after;
};

} // namespace

TEST(DutyMarks, PlainFlagsAreUnmarkedAndEverySuffixMarks)
{
    EXPECT_TRUE(isUnmarked("0"));
    EXPECT_TRUE(isUnmarked("1"));
    EXPECT_TRUE(isUnmarked(" 1 "));
    for (const char *marked : {"1N", "0U", "1D", "1DU", "", "   ", "1E", "1D2", "N"})
        EXPECT_FALSE(isUnmarked(marked)) << '"' << marked << '"';
}

TEST(DutyMarks, LastLetterIgnoresSurroundingBlanks)
{
    EXPECT_EQ(lastLetter("1DU "), QChar('U'));
    EXPECT_EQ(lastLetter(" 1N"), QChar('N'));
    EXPECT_TRUE(lastLetter("  ").isNull());
}

TEST(DutyMarks, FlagOfReadsTheLeadingNumberOnly)
{
    EXPECT_EQ(flagOf("1DU"), "1");
    EXPECT_EQ(flagOf("0N"), "0");
    EXPECT_EQ(flagOf("1D2"), "1"); // never an exponent
    EXPECT_EQ(flagOf("1E5"), "1");
    EXPECT_EQ(flagOf(""), "0");
    EXPECT_EQ(flagOf(" 01U"), "1");
}

// Every transition of a center between the lists, as the state table has it.
TEST(DutyMarks, MovingInFollowsTheStateTable)
{
    for (const MoveCase &c : {MoveCase{"1", "1N"}, {"0", "0N"}, {"1D", "1"}, {"0D", "0"}, {"1DU", "1U"}, {"0DU", "0U"}})
        EXPECT_EQ(dutyOnAdd(c.before).value_or("<none>"), c.after) << c.before;
    EXPECT_FALSE(dutyOnAdd("").has_value());
    EXPECT_FALSE(dutyOnAdd("1n").has_value()) << "marks are compared with their case";
    EXPECT_FALSE(dutyOnAdd("1N").has_value()) << "a new row cannot stand in the other list";
}

TEST(DutyMarks, MovingOutFollowsTheStateTable)
{
    for (const MoveCase &c : {MoveCase{"1", "1D"}, {"0", "0D"}, {"1N", "1"}, {"0N", "0"}, {"1U", "1DU"}, {"0U", "0DU"}})
        EXPECT_EQ(dutyOnRemove(c.before).value_or("<none>"), c.after) << c.before;
    EXPECT_FALSE(dutyOnRemove("").has_value());
    EXPECT_FALSE(dutyOnRemove("1u").has_value());
}

TEST(DutyMarks, RoundTripsReturnToTheLoadedText)
{
    for (const char *loaded : {"0", "1"}) {
        EXPECT_EQ(dutyOnAdd(*dutyOnRemove(loaded)), loaded) << "out and back in";
        EXPECT_EQ(dutyOnRemove(*dutyOnAdd(loaded)), loaded) << "in and back out";
    }
    // A fee change survives a trip out and back in as an update.
    EXPECT_EQ(dutyOnAdd(*dutyOnRemove("1U")), "1U");
}

TEST(SortKey, PadsNumbersToFourDigitsAndKeepsOtherIds)
{
    EXPECT_EQ(sortKeyFor("7"), "0007");
    EXPECT_EQ(sortKeyFor("12"), "0012");
    EXPECT_EQ(sortKeyFor("12345"), "12345");
    EXPECT_EQ(sortKeyFor("AB-7"), "AB-7");
    EXPECT_EQ(sortKeyFor(""), "");
    EXPECT_EQ(sortKeyFor(sortKeyFor("7")), "0007") << "a row that goes back and forth keeps its key";
}

TEST(Stamps, UseMonthDayYearAndTheTwentyFourHourClock)
{
    const QDateTime when(QDate(2026, 12, 5), QTime(14, 3, 9));
    EXPECT_EQ(stampDateTime(when), "12/05/2026 14:03:09");
    EXPECT_EQ(stampDate(when.date()), "12/05/2026");
}
