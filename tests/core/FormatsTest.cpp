#include "core/Formats.h"
#include "core/Failure.h"

#include <gtest/gtest.h>

#include <cfenv>

using namespace vendorcenter;
using namespace vendorcenter::formats;

TEST(Formats, CountsAreSixteenBitsAndRoundHalvesToEven)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // What a conversion gives, or minus the number of the Failure it throws.
    const auto outcome = [](auto convert, const char *text) {
        try {
            return int(convert(text));
        } catch (const Failure &failure) {
            return -failure.number();
        }
    };
    for (const auto &[text, count] : {std::pair {"4.6", 5}, {"4.5", 4}, {"5.5", 6}, {"-32768", -32768}, {" 12 ", 12},
             {"32768", -6}, {"32767.6", -6}, {"", -13}, {"five", -13}})
        EXPECT_EQ(outcome(toInt16, text), count) << text;
    std::fesetround(FE_UPWARD); // a host's own rounding mode rounds no count, and stays
    EXPECT_EQ(toInt16("4.5"), 4);
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    std::fesetround(FE_TONEAREST);
    for (const auto &[text, flag] :
        {std::pair {"TRUE", 1}, {"1", 1}, {"-1", 1}, {"false", 0}, {"0", 0}, {"yes", -13}, {"", -13}})
        EXPECT_EQ(outcome(toBoolean, text), flag) << text;
}

// Statements write a point under every regional setting, with at most 15
// significant digits and never an exponent.
TEST(Formats, SqlNumbersArePlain)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const auto &[value, text] :
        {std::pair {8.00 / 100, "0.08"}, {12.50 / 100, "0.125"}, {0.0, "0"}, {1.0, "1"}, {7.35 / 100, "0.0735"},
            {-0.05, "-0.05"}, {0.00001, "0.00001"}, {1e16, "10000000000000000"}, {1.0 / 3, "0.333333333333333"}})
        EXPECT_EQ(sqlNumber(value), text);
    EXPECT_EQ(fixed(12345.5, 2), "12345,50") << "no digit grouping";
    EXPECT_EQ(readReplyNumber("0.125").value_or(-1), 0.125) << "a point reads under a comma setting";
    EXPECT_FALSE(readReplyNumber("1.234,5").has_value()) << "replies never group digits";
}
