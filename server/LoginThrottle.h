#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vendorcenter::server {

// Makes guessing passwords slow, by address and by account. Once an address
// (an IPv6 one by its /64) has failed to authenticate kMaxFailures times
// within a minute of its first failure, it is refused until that minute is
// over; once an account has failed kAccountMaxFailures times within
// kAccountWindow, logins to it are refused until that window is over, which
// keeps every account below 100 failures an hour however many addresses
// guess. An attempt counts from before its password is checked, so that
// parallel guesses cannot all slip through while the first ones are being
// checked. Safe to call from several request threads.
class LoginThrottle
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxFailures = 5;
    static constexpr std::chrono::seconds kWindow {60};
    static constexpr int kAccountMaxFailures = 15;
    static constexpr std::chrono::seconds kAccountWindow {600};

    struct Refusal
    {
        long long seconds = 0; // until the next attempt may be made, at least 1
        bool account = false; // the account is refused, rather than the address
    };

    // Takes one attempt of `address` on `account` (empty: unknown) before
    // the password is checked; a refusal when either may not try now.
    std::optional<Refusal> beginAttempt(std::string_view address, std::string_view account, Clock::time_point now);

    // Ends an attempt begun. A failure counts for both; returns what this
    // failure blocked from now on (address, account), for the log.
    std::pair<bool, bool> endAttempt(
        std::string_view address, std::string_view account, bool failed, Clock::time_point now);

    // Whole seconds until the address may try again (rounded up); 0 when it may now.
    long long secondsBlocked(std::string_view address, Clock::time_point now);

    // Counts a failed authentication; true when this one blocks the address.
    bool recordFailure(std::string_view address, Clock::time_point now);

    std::size_t addressesRemembered();

    // What failures are counted under: the address, or for IPv6 its /64.
    static std::string addressKey(std::string_view address);

    // The user name of an "Authorization: Basic ..." value; empty when there is none.
    static std::string accountOf(std::string_view authorization);

private:
    struct Window
    {
        Clock::time_point start;
        int failures = 0;
        int inFlight = 0;
    };
    using Windows = std::unordered_map<std::string, Window>;

    static long long secondsLeft(
        Windows &windows, const std::string &key, int maxFailures, std::chrono::seconds length, Clock::time_point now);
    static bool countFailure(
        Windows &windows, const std::string &key, int maxFailures, std::chrono::seconds length, Clock::time_point now);
    static void endInFlight(Windows &windows, const std::string &key);

    std::mutex mutex_;
    Windows addresses_;
    Windows accounts_;
};

} // namespace vendorcenter::server
