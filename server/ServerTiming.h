#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace vendorcenter::server {

// Where a request's time went, as a Server-Timing header value
// ("decode;dur=1.2, parse;dur=3.4"): browsers' and proxies' tools show it, and
// the server's log line repeats it. Each mark closes the phase since the last.
class ServerTiming
{
public:
    using Clock = std::chrono::steady_clock;

    explicit ServerTiming(Clock::time_point start = Clock::now()) : last_(start) { }

    void mark(std::string_view phase)
    {
        const Clock::time_point now = Clock::now();
        char duration[32];
        std::snprintf(
            duration, sizeof duration, ";dur=%.1f", std::chrono::duration<double, std::milli>(now - last_).count());
        if (!header_.empty())
            header_ += ", ";
        header_.append(phase).append(duration);
        last_ = now;
    }

    const std::string &header() const { return header_; }

private:
    Clock::time_point last_;
    std::string header_;
};

} // namespace vendorcenter::server
