#include "core/Failure.h"
#include "core/Formats.h"

#include <gtest/gtest.h>

using namespace vendorcenter;
using namespace vendorcenter::formats;

namespace {

class Formats : public ::testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

int failureNumber(const std::function<void()> &step)
{
    try {
        step();
    } catch (const Failure &failure) {
        return failure.number();
    }
    return 0;
}

} // namespace

TEST_F(Formats, SixteenBitCountsRoundHalvesToEven)
{
    EXPECT_EQ(toInt16("4.6"), 5);
    EXPECT_EQ(toInt16("4.5"), 4);
    EXPECT_EQ(toInt16("5.5"), 6);
    EXPECT_EQ(toInt16("-32768"), -32768);
    EXPECT_EQ(toInt16(" 12 "), 12);
    EXPECT_EQ(failureNumber([] { toInt16("32768"); }), Failure::Overflow);
    EXPECT_EQ(failureNumber([] { toInt16("32767.6"); }), Failure::Overflow);
    EXPECT_EQ(failureNumber([] { toInt16(""); }), Failure::TypeMismatch);
    EXPECT_EQ(failureNumber([] { toInt16("five"); }), Failure::TypeMismatch);
}

TEST_F(Formats, FixedDecimalsNeverGroupDigits)
{
    EXPECT_EQ(fixed(8, 2), "8.00");
    EXPECT_EQ(fixed(12.5, 1), "12.5");
    EXPECT_EQ(fixed(10, 1), "10.0");
    EXPECT_EQ(fixed(99.999, 2), "100.00");
    EXPECT_EQ(fixed(12345.5, 2), "12345.50");
}

TEST_F(Formats, RegionalSettingsDecideTheDecimalSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(fixed(8, 2), "8,00");
    EXPECT_EQ(readNumber("12,5").value_or(-1), 12.5);
    EXPECT_TRUE(isUserDecimal(QString("-5,25")));
    EXPECT_FALSE(isUserDecimal(QString("5,2,5")));
    EXPECT_EQ(sqlNumber(0.125), "0.125") << "statements always use a point";
}

// Replies from a server page that writes a point must read the same for a
// user whose decimal separator is a comma, and never as a grouped thousand.
TEST_F(Formats, ReplyNumbersReadUnderEveryRegionalSetting)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(readReplyNumber("0.125").value_or(-1), 0.125);
    EXPECT_EQ(readReplyNumber("0,125").value_or(-1), 0.125);
    EXPECT_EQ(toInt16("4,5"), 4);
    EXPECT_FALSE(readReplyNumber("1.234,5").has_value());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(readReplyNumber("0.125").value_or(-1), 0.125);
    EXPECT_FALSE(readReplyNumber("1,234").has_value());
    EXPECT_FALSE(readReplyNumber("").has_value());
}

TEST_F(Formats, PlainDecimalsAreSignDigitsAndOneSeparator)
{
    for (const char *yes : {"5", "5.", ".5", "-5.25", "+7", "007"})
        EXPECT_TRUE(isUserDecimal(QString(yes))) << yes;
    for (const char *no : {"", ".", "-", "abc", "1e3", "1,000", " 5", "5 ", "1.2.3"})
        EXPECT_FALSE(isUserDecimal(QString(no))) << no;
}

TEST_F(Formats, BooleansAreWordsOrNumbers)
{
    EXPECT_TRUE(toBoolean("TRUE"));
    EXPECT_FALSE(toBoolean("false"));
    EXPECT_TRUE(toBoolean("1"));
    EXPECT_TRUE(toBoolean("-1"));
    EXPECT_FALSE(toBoolean("0"));
    EXPECT_EQ(failureNumber([] { toBoolean("yes"); }), Failure::TypeMismatch);
    EXPECT_EQ(failureNumber([] { toBoolean(""); }), Failure::TypeMismatch);
}

TEST_F(Formats, SqlNumbersArePlainWithFifteenSignificantDigits)
{
    EXPECT_EQ(sqlNumber(8.00 / 100), "0.08");
    EXPECT_EQ(sqlNumber(12.50 / 100), "0.125");
    EXPECT_EQ(sqlNumber(0.0), "0");
    EXPECT_EQ(sqlNumber(1.0), "1");
    EXPECT_EQ(sqlNumber(7.35 / 100), "0.0735");
    EXPECT_EQ(sqlNumber(-0.05), "-0.05");
    EXPECT_EQ(sqlNumber(0.00001), "0.00001") << "never exponent notation";
    EXPECT_EQ(sqlNumber(1e16), "10000000000000000");
    EXPECT_EQ(sqlNumber(1.0 / 3), "0.333333333333333");
}
