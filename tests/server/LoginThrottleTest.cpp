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
