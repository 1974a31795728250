#include "LoginThrottle.h"

#include <arpa/inet.h>
#include <nettle/base64.h>

#include <algorithm>
#include <iterator>

namespace vendorcenter::server {
namespace {

// Past this many addresses or accounts, windows that are over are dropped, so
// that failures from ever new addresses or names cannot grow the table
// without end.
constexpr std::size_t kPruneAbove = 1024;

// Longer user names are counted under their start: no user file holds them.
constexpr std::size_t kLongestAccount = 256;

template<class Windows>
void pruneOver(Windows &windows, std::chrono::seconds length, LoginThrottle::Clock::time_point now)
{
    if (windows.size() <= kPruneAbove)
        return;
    for (auto it = windows.begin(); it != windows.end();) {
        const bool over = it->second.inFlight == 0 && it->second.start + length <= now;
        it = over ? windows.erase(it) : std::next(it);
    }
}

} // namespace

long long LoginThrottle::secondsLeft(
    Windows &windows, const std::string &key, int maxFailures, std::chrono::seconds length, Clock::time_point now)
{
    const auto found = windows.find(key);
    if (found == windows.end())
        return 0;
    Window &window = found->second;
    if (window.failures > 0 && window.start + length <= now) {
        window.failures = 0; // that window is over
    }
    if (window.failures + window.inFlight < maxFailures)
        return 0;
    if (window.failures < maxFailures)
        return 1; // attempts in flight may yet fail
    const auto left = std::chrono::ceil<std::chrono::seconds>(window.start + length - now);
    return std::max<long long>(1, left.count());
}

bool LoginThrottle::countFailure(
    Windows &windows, const std::string &key, int maxFailures, std::chrono::seconds length, Clock::time_point now)
{
    pruneOver(windows, length, now);
    Window &window = windows[key];
    if (window.failures == 0 || window.start + length <= now) {
        window.start = now;
        window.failures = 0;
    }
    ++window.failures;
    return window.failures == maxFailures;
}

void LoginThrottle::endInFlight(Windows &windows, const std::string &key)
{
    const auto found = windows.find(key);
    if (found != windows.end() && found->second.inFlight > 0)
        --found->second.inFlight;
}

std::optional<LoginThrottle::Refusal> LoginThrottle::beginAttempt(
    std::string_view address, std::string_view account, Clock::time_point now)
{
    const std::string addressName = addressKey(address);
    const std::string accountName(account.substr(0, kLongestAccount));
    std::lock_guard lock(mutex_);
    if (const long long seconds = secondsLeft(addresses_, addressName, kMaxFailures, kWindow, now); seconds > 0)
        return Refusal {seconds, false};
    if (const long long seconds = secondsLeft(accounts_, accountName, kAccountMaxFailures, kAccountWindow, now);
        seconds > 0) {
        return Refusal {seconds, true};
    }
    pruneOver(addresses_, kWindow, now);
    pruneOver(accounts_, kAccountWindow, now);
    ++addresses_[addressName].inFlight;
    ++accounts_[accountName].inFlight;
    return std::nullopt;
}

std::pair<bool, bool> LoginThrottle::endAttempt(
    std::string_view address, std::string_view account, bool failed, Clock::time_point now)
{
    const std::string addressName = addressKey(address);
    const std::string accountName(account.substr(0, kLongestAccount));
    std::lock_guard lock(mutex_);
    endInFlight(addresses_, addressName);
    endInFlight(accounts_, accountName);
    if (!failed)
        return {false, false};
    return {countFailure(addresses_, addressName, kMaxFailures, kWindow, now),
        countFailure(accounts_, accountName, kAccountMaxFailures, kAccountWindow, now)};
}

long long LoginThrottle::secondsBlocked(std::string_view address, Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    return secondsLeft(addresses_, addressKey(address), kMaxFailures, kWindow, now);
}

bool LoginThrottle::recordFailure(std::string_view address, Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    return countFailure(addresses_, addressKey(address), kMaxFailures, kWindow, now);
}

std::size_t LoginThrottle::addressesRemembered()
{
    std::lock_guard lock(mutex_);
    return addresses_.size();
}

std::string LoginThrottle::addressKey(std::string_view address)
{
    in6_addr v6 {};
    const std::string text(address);
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1)
        return text;
    // One household or one cloud machine gets a whole /64: its addresses are one guesser.
    std::fill(std::begin(v6.s6_addr) + 8, std::end(v6.s6_addr), 0);
    char prefix[INET6_ADDRSTRLEN] = "";
    inet_ntop(AF_INET6, &v6, prefix, sizeof prefix);
    return std::string(prefix) + "/64";
}

std::string LoginThrottle::accountOf(std::string_view authorization)
{
    const std::size_t start = authorization.find_first_not_of(' ');
    if (start == std::string_view::npos || authorization.size() - start < 6)
        return {};
    authorization.remove_prefix(start);
    const std::string_view scheme = authorization.substr(0, 6);
    if (!std::ranges::equal(scheme, std::string_view("basic "), [](char a, char b) { return (a | 0x20) == b; }))
        return {};
    const std::string_view encoded = authorization.substr(6, authorization.find_last_not_of(' ') - 5);
    std::string decoded(BASE64_DECODE_LENGTH(encoded.size()), '\0');
    base64_decode_ctx context;
    base64_decode_init(&context);
    std::size_t length = decoded.size();
    if (base64_decode_update(
            &context, &length, reinterpret_cast<std::uint8_t *>(decoded.data()), encoded.size(), encoded.data())
            != 1
        || base64_decode_final(&context) != 1) {
        return {};
    }
    decoded.resize(length);
    return decoded.substr(0, decoded.find(':'));
}

} // namespace vendorcenter::server
