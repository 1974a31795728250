#include "LoginThrottle.h"

#include <algorithm>
#include <iterator>

namespace vendorcenter::server {
namespace {

// Past this many addresses, windows that are over are dropped, so that
// failures from ever new addresses cannot grow the table without end.
constexpr std::size_t kPruneAbove = 1024;

} // namespace

long long LoginThrottle::secondsBlocked(std::string_view address, Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    const auto found = windows_.find(std::string(address));
    if (found == windows_.end() || found->second.failures < kMaxFailures)
        return 0;
    const auto left = std::chrono::ceil<std::chrono::seconds>(found->second.start + kWindow - now);
    return std::max<long long>(0, left.count());
}

bool LoginThrottle::recordFailure(std::string_view address, Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    if (windows_.size() > kPruneAbove) {
        for (auto it = windows_.begin(); it != windows_.end();) {
            it = it->second.start + kWindow <= now ? windows_.erase(it) : std::next(it);
        }
    }
    Window &window = windows_[std::string(address)];
    if (window.failures == 0 || window.start + kWindow <= now)
        window = Window {now, 0};
    ++window.failures;
    return window.failures == kMaxFailures;
}

std::size_t LoginThrottle::addressesRemembered()
{
    std::lock_guard lock(mutex_);
    return windows_.size();
}

} // namespace vendorcenter::server
