#include "LoginThrottle.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;
using namespace std::chrono_literals;

const LoginThrottle::Clock::time_point kStart {1000s};

TEST(LoginThrottle, TheFifthFailureWithinAMinuteBlocksUntilTheMinuteIsOver)
{
    LoginThrottle throttle;
    for (int failure = 0; failure + 1 < LoginThrottle::kMaxFailures; ++failure) {
        EXPECT_FALSE(throttle.recordFailure("10.0.0.1", kStart + failure * 10s));
        EXPECT_EQ(throttle.secondsBlocked("10.0.0.1", kStart + failure * 10s), 0);
    }
    EXPECT_TRUE(throttle.recordFailure("10.0.0.1", kStart + 50s));
    EXPECT_EQ(throttle.secondsBlocked("10.0.0.1", kStart + 50s), 10);
    EXPECT_EQ(throttle.secondsBlocked("10.0.0.1", kStart + 59s + 500ms), 1); // rounded up
    EXPECT_EQ(throttle.secondsBlocked("10.0.0.2", kStart + 50s), 0);
    EXPECT_EQ(throttle.secondsBlocked("10.0.0.1", kStart + 60s), 0);
    // A new minute starts from nothing.
    EXPECT_FALSE(throttle.recordFailure("10.0.0.1", kStart + 60s));
    EXPECT_EQ(throttle.secondsBlocked("10.0.0.1", kStart + 61s), 0);
}

TEST(LoginThrottle, FailuresFurtherApartThanAMinuteNeverBlockAndAreForgotten)
{
    LoginThrottle throttle;
    for (int failure = 0; failure < 3 * LoginThrottle::kMaxFailures; ++failure)
        EXPECT_FALSE(throttle.recordFailure("::1", kStart + failure * 15s)) << failure;
    for (int address = 0; address < 3000; ++address)
        throttle.recordFailure(std::to_string(address), kStart + 5min);
    EXPECT_EQ(throttle.addressesRemembered(), 3000u); // "::1" was over and dropped
    throttle.recordFailure("10.2.0.1", kStart + 6min); // the very end of their minute
    EXPECT_EQ(throttle.addressesRemembered(), 1u);
}

TEST(LoginThrottle, AddressesOfOneIPv6NetworkAndNamesOfOneAccountCountTogether)
{
    const std::pair<const char *, const char *> keys[] = {{"10.0.0.1", "10.0.0.1"},
        {"2001:db8:1:2:aaaa::1", "2001:db8:1:2::/64"}, {"2001:db8:1:2:ffff:ffff:ffff:ffff", "2001:db8:1:2::/64"},
        {"2001:db8:1:3::1", "2001:db8:1:3::/64"}, {"::1", "::/64"}};
    for (const auto &[address, key] : keys)
        EXPECT_EQ(LoginThrottle::addressKey(address), key);
    const std::pair<const char *, const char *> accounts[] = {{"Basic Y2xlcms6Z3Vlc3M=", "clerk"}, // clerk:guess
        {"basic   Y2xlcms6Z3Vlc3M=  ", "clerk"}, {"Basic Y2xlcms=", "clerk"}, {"Basic !!!", ""}, {"Bearer x", ""},
        {"Basic", ""}, {"", ""}};
    for (const auto &[header, account] : accounts)
        EXPECT_EQ(LoginThrottle::accountOf(header), account) << header;
}

// Attempts count from before the password is checked: parallel guesses
// cannot all be checked while the first ones run.
TEST(LoginThrottle, AttemptsInFlightCountAndAccountsHaveTheirOwnLimit)
{
    LoginThrottle throttle;
    for (int attempt = 0; attempt < LoginThrottle::kMaxFailures; ++attempt)
        EXPECT_FALSE(throttle.beginAttempt("10.0.0.1", "clerk", kStart)) << attempt;
    const auto busy = throttle.beginAttempt("10.0.0.1", "clerk", kStart);
    ASSERT_TRUE(busy);
    EXPECT_EQ(std::pair(busy->seconds, busy->account), std::pair(1LL, false));
    // Those that succeed give their place back.
    for (int attempt = 0; attempt < LoginThrottle::kMaxFailures; ++attempt)
        EXPECT_EQ(throttle.endAttempt("10.0.0.1", "clerk", false, kStart), std::pair(false, false));
    EXPECT_FALSE(throttle.beginAttempt("10.0.0.1", "clerk", kStart));
    throttle.endAttempt("10.0.0.1", "clerk", false, kStart);

    // From ever new addresses, the account is refused at its limit, until its window is over.
    int blockedAt = 0;
    for (int guess = 1; guess <= LoginThrottle::kAccountMaxFailures; ++guess) {
        const std::string address = "10.1.0." + std::to_string(guess);
        ASSERT_FALSE(throttle.beginAttempt(address, "clerk", kStart + guess * 1s));
        if (throttle.endAttempt(address, "clerk", true, kStart + guess * 1s).second)
            blockedAt = guess;
    }
    EXPECT_EQ(blockedAt, LoginThrottle::kAccountMaxFailures);
    const auto refused = throttle.beginAttempt("10.2.0.1", "clerk", kStart + 100s);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->account);
    EXPECT_EQ(refused->seconds, (LoginThrottle::kAccountWindow - 99s).count());
    EXPECT_FALSE(throttle.beginAttempt("10.2.0.1", "other", kStart + 100s));
    EXPECT_FALSE(throttle.beginAttempt("10.2.0.1", "clerk", kStart + 1s + LoginThrottle::kAccountWindow));
    static_assert(LoginThrottle::kAccountMaxFailures * (3600 / LoginThrottle::kAccountWindow.count()) < 100);
}
