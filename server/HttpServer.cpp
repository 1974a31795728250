#include "HttpServer.h"

#include "LoginThrottle.h"
#include "RequestHandling.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <semaphore>
#include <utility>

namespace vendorcenter::server {
namespace {

using Clock = std::chrono::steady_clock;

// Password checks run at once at most, so that guesses from many addresses
// cannot take every thread; a check waits this long for its turn.
constexpr std::ptrdiff_t kConcurrentPasswordChecks = 4;
constexpr std::chrono::milliseconds kPasswordCheckWait {500};

// The longest refused body read and dropped rather than closing on it.
constexpr std::uint64_t kLongestDrainedRefusal = 64 * 1024;

std::string printable(std::string_view text)
{
    constexpr std::size_t kLongest = 200;
    std::string out;
    out.reserve(std::min(text.size(), kLongest));
    for (char c : text.substr(0, kLongest)) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte >= 0x7F ? '?' : c;
    }
    if (text.size() > kLongest)
        out += "...";
    return out;
}

void writeToStderr(std::string_view line)
{
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// The numeric form of an address; an IPv4 address mapped into IPv6 as IPv4.
std::string numericAddress(const sockaddr *address)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (address == nullptr)
        return {};
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        const in6_addr &v6 = reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6))
            inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
        else
            inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
    return text;
}

// Acknowledges what has arrived at once. Clients that hold back the end of a
// body until the start is acknowledged (Nagle's algorithm; Qt's does) would
// otherwise wait for the delayed acknowledgement, some 40 ms, in a save.
void acknowledgeNow(int socket)
{
    int yes = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &yes, sizeof yes);
}

// One request, from its request line to the end of its reply.
struct Exchange
{
    explicit Exchange(std::string requestTarget) : target(std::move(requestTarget)) { }

    enum class Body { None, Collect, Drop };

    std::string target; // as received, query included
    std::string method;
    bool routed = false;
    Clock::time_point start;
    int socket = -1;
    Body body = Body::None;
    std::string collected;
    std::uint64_t receivedBytes = 0;
    std::optional<HttpReply> decided; // sent once the body is dropped
    std::optional<std::string> ifMatch; // of a save
    int status = 0;
    std::string serverTiming;
};

MHD_Result queueReply(MHD_Connection *connection, Exchange &exchange, HttpReply reply)
{
    auto *body = new std::string(std::move(reply.body));
    // The body is handed over, not copied: a list reply runs to megabytes.
    MHD_Response *response = MHD_create_response_from_buffer_with_free_callback_cls(
        body->size(), body->data(), [](void *owned) { delete static_cast<std::string *>(owned); }, body);
    if (response == nullptr) {
        delete body;
        return MHD_NO;
    }
    MHD_add_response_header(response, "Content-Type", reply.contentType.c_str());
    if (!reply.serverTiming.empty())
        MHD_add_response_header(response, "Server-Timing", reply.serverTiming.c_str());
    for (const auto &[name, value] : reply.headers)
        MHD_add_response_header(response, name.c_str(), value.c_str());
    // Every reply is data for the control, never a page for a browser: no
    // sniffing it into one, and no cache keeping a vendor's rows.
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Cache-Control", "no-store");
    if (reply.closeConnection)
        MHD_add_response_header(response, "Connection", "close");
    exchange.status = reply.status;
    exchange.serverTiming = std::move(reply.serverTiming);
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result collectHeader(void *into, MHD_ValueKind, const char *name, const char *value)
{
    static_cast<RequestHead *>(into)->headers.emplace_back(name, value == nullptr ? "" : value);
    return MHD_YES;
}

MHD_Result collectArgument(void *into, MHD_ValueKind, const char *name, const char *value)
{
    static_cast<QueryParameters *>(into)->emplace(name, value == nullptr ? "" : value);
    return MHD_YES;
}

} // namespace

struct HttpServer::Impl
{
    Impl(Storage &servedStorage, LogSink logSink) : storage(servedStorage), log(std::move(logSink))
    {
        if (!log)
            log = writeToStderr;
        allowedHosts.push_back("localhost");
    }

    // Without a table every request is let through. Otherwise the answer to
    // an address or account that failed too often (429), to wrong or missing
    // credentials (401) or, when too many passwords are being checked, 503.
    std::optional<HttpReply> refuseAdmission(const RequestHead &head, const std::string &address)
    {
        if (!users)
            return std::nullopt;
        if (const long long seconds = throttle.secondsBlocked(address, LoginThrottle::Clock::now()); seconds > 0)
            return throttledReply(seconds);
        const std::string credentials(headerValue(head, "Authorization").value_or(""));
        // A first request without credentials is how clients learn they need
        // some; only wrong credentials count as a guess.
        if (credentials.empty())
            return credentialsNeededReply();
        const std::string account = LoginThrottle::accountOf(credentials);
        if (const auto refusal = throttle.beginAttempt(address, account, LoginThrottle::Clock::now())) {
            HttpReply refused = throttledReply(refusal->seconds);
            if (refusal->account)
                refused.body = "Too many failed logins to this account; try again later.";
            return refused;
        }
        if (!passwordChecks.try_acquire_for(kPasswordCheckWait)) {
            throttle.endAttempt(address, account, false, LoginThrottle::Clock::now());
            HttpReply busy = failedRequestReply(503);
            busy.body = "The server page is busy checking other logins; try again shortly.";
            busy.headers.emplace_back("Retry-After", "1");
            return busy;
        }
        bool accepted = false;
        try {
            accepted = users->acceptsAuthorization(credentials);
        } catch (...) { }
        passwordChecks.release();
        const auto [addressBlocked, accountBlocked] =
            throttle.endAttempt(address, account, !accepted, LoginThrottle::Clock::now());
        if (addressBlocked) {
            log("refusing " + printable(address) + " for " + std::to_string(LoginThrottle::kWindow.count())
                + " s: " + std::to_string(LoginThrottle::kMaxFailures) + " failed logins within a minute");
        }
        if (accountBlocked) {
            log("refusing logins as " + printable(account) + " for "
                + std::to_string(LoginThrottle::kAccountWindow.count())
                + " s: " + std::to_string(LoginThrottle::kAccountMaxFailures) + " failed logins within "
                + std::to_string(LoginThrottle::kAccountWindow.count() / 60) + " minutes");
        }
        if (accepted)
            return std::nullopt;
        return credentialsNeededReply();
    }

    // The client's address: the peer's, or for a trusted balancer the last
    // one it added to X-Forwarded-For.
    std::string clientAddress(MHD_Connection *connection, const RequestHead &head) const
    {
        const MHD_ConnectionInfo *client = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        std::string peer = numericAddress(client != nullptr ? client->client_addr : nullptr);
        const auto forwarded = headerValue(head, "X-Forwarded-For");
        if (!forwarded || std::ranges::find(trustedProxies, peer) == trustedProxies.end())
            return peer;
        std::string_view last = forwarded->substr(forwarded->rfind(',') + 1);
        last = last.substr(std::min(last.size(), last.find_first_not_of(' ')));
        last = last.substr(0, last.find_last_not_of(' ') + 1);
        const std::string candidate(last);
        in6_addr parsed {};
        if (inet_pton(AF_INET, candidate.c_str(), &parsed) == 1 || inet_pton(AF_INET6, candidate.c_str(), &parsed) == 1)
            return candidate;
        return peer;
    }

    std::optional<HttpReply> begin(MHD_Connection *connection, Exchange &exchange, RequestHead &head);
    MHD_Result answerHead(
        MHD_Connection *connection, Exchange &exchange, const char *url, const char *version, const char *method);
    MHD_Result receive(Exchange &exchange, const char *data, std::size_t *size);
    MHD_Result finish(MHD_Connection *connection, Exchange &exchange);

    void logCompleted(const Exchange &exchange)
    {
        const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - exchange.start).count();
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1f ms", milliseconds);
        std::string line = printable(exchange.method) + " " + printable(exchange.target) + " "
            + std::to_string(exchange.status) + " " + duration;
        if (!exchange.serverTiming.empty())
            line += " (" + exchange.serverTiming + ")";
        log(line);
    }

    Storage &storage;
    LogSink log;
    std::optional<UserTable> users;
    LoginThrottle throttle;
    HttpLimits limits;
    std::vector<std::string> allowedHosts;
    std::vector<std::string> trustedProxies;
    std::counting_semaphore<> passwordChecks {kConcurrentPasswordChecks};
    int listeningSocket = -1;
    bool ipv6 = false;
    MHD_Daemon *daemon = nullptr;
    std::mutex stateMutex;
    bool stopRequested = false;
};

// Called once the head is in, before any of the body. The reply is queued
// now only where the body is not to be read: the connection then closes. A
// reply queued at once to a request without a body would close it too, so
// that one waits for the next call.
MHD_Result HttpServer::Impl::answerHead(
    MHD_Connection *connection, Exchange &exchange, const char *url, const char *version, const char *method)
{
    exchange.routed = true;
    exchange.start = Clock::now();
    exchange.method = method;
    const MHD_ConnectionInfo *fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    exchange.socket = fd != nullptr ? fd->connect_fd : -1;

    RequestHead head;
    head.method = exchange.method;
    head.path = url;
    head.http10 = std::strcmp(version, MHD_HTTP_VERSION_1_0) == 0;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, collectHeader, &head);
    std::optional<HttpReply> reply = begin(connection, exchange, head);
    if (!reply)
        return MHD_YES; // the body is collected
    if (announcesBody(head)) {
        // A refused body of a few bytes, announced by its length and not waited
        // on with 100-continue, is read and dropped so that the connection
        // serves the retry with credentials.
        const auto length = headerValue(head, "Content-Length");
        const bool drainable = !reply->closeConnection && length && !headerValue(head, "Expect")
            && std::strtoull(std::string(*length).c_str(), nullptr, 10) <= kLongestDrainedRefusal;
        if (!drainable) {
            reply->closeConnection = true;
            return queueReply(connection, exchange, std::move(*reply));
        }
    }
    exchange.body = Exchange::Body::Drop;
    exchange.decided = std::move(reply);
    return MHD_YES;
}

std::optional<HttpReply> HttpServer::Impl::begin(MHD_Connection *connection, Exchange &exchange, RequestHead &head)
{
    HostAllowList hosts {allowedHosts, {}};
    sockaddr_storage local {};
    socklen_t localLength = sizeof local;
    if (exchange.socket >= 0 && getsockname(exchange.socket, reinterpret_cast<sockaddr *>(&local), &localLength) == 0)
        hosts.localAddress = numericAddress(reinterpret_cast<const sockaddr *>(&local));
    if (auto refused = screenRequest(head, hosts))
        return refused;

    const bool read = head.method == "GET" || head.method == "HEAD";
    if (head.path == kHealthPath && read) {
        bool healthy = true;
        try {
            storage.counts(0);
        } catch (...) {
            healthy = false;
        }
        return healthReply(healthy);
    }
    if (head.path != kPagePath)
        return notFoundReply();
    if (!read && head.method != "POST")
        return methodNotAllowedReply();

    // Credentials are decided on the head alone: nothing of a stranger's body
    // is read, and no 100 Continue invites it.
    if (auto refused = refuseAdmission(head, clientAddress(connection, head)))
        return refused;

    if (read) {
        QueryParameters parameters;
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, collectArgument, &parameters);
        HttpReply reply = answerQuery(storage, parameters, ServerTiming(exchange.start));
        if (!reply.diagnostic.empty())
            log("query failed: " + printable(reply.diagnostic));
        return reply;
    }

    const auto length = headerValue(head, "Content-Length");
    const std::uint64_t declared = length ? std::strtoull(std::string(*length).c_str(), nullptr, 10) : 0;
    if (declared > kMaxSaveBodyBytes) {
        HttpReply refused = tooLargeSaveReply();
        refused.closeConnection = true;
        return refused;
    }
    // Several If-Match lines are one list of tags, as HTTP reads them.
    for (const auto &[name, value] : head.headers) {
        if (strcasecmp(name.data(), "If-Match") == 0)
            exchange.ifMatch = exchange.ifMatch ? *exchange.ifMatch + ", " + std::string(value) : std::string(value);
    }
    exchange.body = Exchange::Body::Collect;
    exchange.collected.reserve(declared);
    acknowledgeNow(exchange.socket);
    return std::nullopt;
}

MHD_Result HttpServer::Impl::receive(Exchange &exchange, const char *data, std::size_t *size)
{
    acknowledgeNow(exchange.socket);
    exchange.receivedBytes += *size;
    if (exchange.body == Exchange::Body::Collect && exchange.receivedBytes > kMaxSaveBodyBytes) {
        // A chunked body that grew too large: the rest is dropped.
        exchange.collected = std::string();
        exchange.body = Exchange::Body::Drop;
        exchange.decided = tooLargeSaveReply();
    }
    if (exchange.body == Exchange::Body::Collect)
        exchange.collected.append(data, *size);
    *size = 0;
    // Dropped a while so that the client gets to read the answer, but not
    // without end.
    return exchange.receivedBytes <= 4 * kMaxSaveBodyBytes ? MHD_YES : MHD_NO;
}

MHD_Result HttpServer::Impl::finish(MHD_Connection *connection, Exchange &exchange)
{
    if (exchange.decided)
        return queueReply(connection, exchange, std::move(*exchange.decided));
    ServerTiming timing(exchange.start);
    timing.mark("read");
    HttpReply reply = answerSave(storage, exchange.collected, currentLocalTimestamp(), timing, exchange.ifMatch);
    exchange.collected = std::string();
    if (!reply.diagnostic.empty())
        log("save failed: " + printable(reply.diagnostic));
    return queueReply(connection, exchange, std::move(reply));
}

HttpServer::HttpServer(Storage &storage, LogSink log) : impl_(std::make_unique<Impl>(storage, std::move(log))) { }

HttpServer::~HttpServer()
{
    stop();
    if (impl_->listeningSocket >= 0)
        ::close(impl_->listeningSocket);
}

void HttpServer::requireCredentials(UserTable users)
{
    impl_->users = std::move(users);
}

void HttpServer::allowHost(const std::string &name)
{
    impl_->allowedHosts.push_back(name);
}

void HttpServer::trustProxy(const std::string &address)
{
    // In the form the peer's address is written in.
    sockaddr_in6 v6 {};
    sockaddr_in v4 {};
    if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        impl_->trustedProxies.push_back(numericAddress(reinterpret_cast<const sockaddr *>(&v6)));
    } else if (inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        impl_->trustedProxies.push_back(numericAddress(reinterpret_cast<const sockaddr *>(&v4)));
    }
}

void HttpServer::setLimits(const HttpLimits &limits)
{
    impl_->limits = limits;
}

int HttpServer::bind(const std::string &host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int bound = -1;
    for (const addrinfo *candidate = found; candidate != nullptr && bound < 0; candidate = candidate->ai_next) {
        const int fd = ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        if (fd < 0)
            continue;
        int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, candidate->ai_addr, candidate->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
            ::close(fd);
            continue;
        }
        sockaddr_storage address {};
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
        bound = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6 &>(address).sin6_port
                                                    : reinterpret_cast<sockaddr_in &>(address).sin_port);
        impl_->ipv6 = address.ss_family == AF_INET6;
        impl_->listeningSocket = fd;
    }
    freeaddrinfo(found);
    if (bound > 0)
        impl_->allowedHosts.push_back(host);
    return bound;
}

bool HttpServer::start()
{
    std::lock_guard lock(impl_->stateMutex);
    if (impl_->daemon != nullptr)
        return true;
    if (impl_->stopRequested || impl_->listeningSocket < 0)
        return false;

    const auto answer = [](void *self, MHD_Connection *connection, const char *url, const char *method,
                            const char *version, const char *uploadData, std::size_t *uploadSize,
                            void **context) -> MHD_Result {
        Impl &impl = *static_cast<Impl *>(self);
        auto &exchange = *static_cast<Exchange *>(*context);
        try {
            if (!exchange.routed)
                return impl.answerHead(connection, exchange, url, version, method);
            if (*uploadSize > 0)
                return impl.receive(exchange, uploadData, uploadSize);
            return impl.finish(connection, exchange);
        } catch (...) {
            HttpReply failed = failedRequestReply(500);
            failed.closeConnection = true;
            return queueReply(connection, exchange, std::move(failed));
        }
    };
    // Called with the request line, before the headers: the exchange starts
    // here, with the target as it was sent.
    const auto requestLine = [](void *, const char *uri, MHD_Connection *) -> void * {
        return new Exchange(uri == nullptr ? "" : uri);
    };
    const auto completed = [](void *self, MHD_Connection *, void **context, MHD_RequestTerminationCode) {
        auto *exchange = static_cast<Exchange *>(*context);
        if (exchange != nullptr && exchange->status != 0)
            static_cast<Impl *>(self)->logCompleted(*exchange);
        delete exchange;
        *context = nullptr;
    };

    const HttpLimits &limits = impl_->limits;
    // ITC lets stop() quiesce the thread pool before it closes the connections.
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC;
    if (impl_->ipv6)
        flags |= MHD_USE_IPv6;
    impl_->daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, static_cast<MHD_AccessHandlerCallback>(answer),
        impl_.get(), MHD_OPTION_LISTEN_SOCKET, impl_->listeningSocket, MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(std::max(1u, limits.workerThreads)), MHD_OPTION_CONNECTION_LIMIT, limits.maxConnections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits.maxConnectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(limits.idleTimeout.count()), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        limits.connectionMemoryBytes, MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_URI_LOG_CALLBACK,
        static_cast<void *(*)(void *, const char *, MHD_Connection *)>(requestLine), nullptr,
        MHD_OPTION_NOTIFY_COMPLETED, static_cast<MHD_RequestCompletedCallback>(completed), impl_.get(), MHD_OPTION_END);
    return impl_->daemon != nullptr;
}

void HttpServer::stop()
{
    MHD_Daemon *daemon = nullptr;
    {
        std::lock_guard lock(impl_->stateMutex);
        impl_->stopRequested = true;
        std::swap(daemon, impl_->daemon);
    }
    if (daemon == nullptr)
        return;
    // Stops taking connections first, then closes the open ones. Quiesced,
    // the listening socket is handed back to be closed here; otherwise the
    // daemon closes it. Either way it is no longer ours to close.
    const MHD_socket listening = MHD_quiesce_daemon(daemon);
    MHD_stop_daemon(daemon);
    if (listening != MHD_INVALID_SOCKET)
        ::close(listening);
    impl_->listeningSocket = -1;
}

bool HttpServer::isRunning() const
{
    std::lock_guard lock(impl_->stateMutex);
    return impl_->daemon != nullptr;
}

} // namespace vendorcenter::server
