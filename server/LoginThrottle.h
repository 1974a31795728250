#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vendorcenter::server {

// Makes guessing passwords slow: once an address has failed to authenticate
// kMaxFailures times within a minute of its first failure, it is refused
// until that minute is over. Safe to call from several request threads.
class LoginThrottle
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxFailures = 5;
    static constexpr std::chrono::seconds kWindow {60};

    // Whole seconds until the address may try again (rounded up); 0 when it may now.
    long long secondsBlocked(std::string_view address, Clock::time_point now);

    // Counts a failed authentication; true when this one blocks the address.
    bool recordFailure(std::string_view address, Clock::time_point now);

    std::size_t addressesRemembered();

private:
    struct Window
    {
        Clock::time_point start;
        int failures = 0;
    };

    std::mutex mutex_;
    std::unordered_map<std::string, Window> windows_;
};

} // namespace vendorcenter::server
