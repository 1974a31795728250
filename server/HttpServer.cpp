#include "HttpServer.h"

#include "LoginThrottle.h"
#include "RequestHandling.h"

#include <httplib.h>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace vendorcenter::server {
namespace {

constexpr const char *kPagePath = R"(/VendorCenter\.asp)";
constexpr std::size_t kWorkerThreads = 16;

// The request start, set before routing and read by the logger on the same thread.
thread_local std::chrono::steady_clock::time_point requestStart;

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

int portOf(const sockaddr_storage &address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return -1;
}

// The socket of the request's connection, found by its two ports (the
// library does not hand it to handlers), or -1.
int connectionSocket(const httplib::Request &request)
{
    DIR *descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr)
        return -1;
    int found = -1;
    while (const dirent *entry = readdir(descriptors)) {
        const int fd = std::atoi(entry->d_name);
        sockaddr_storage local {}, peer {};
        socklen_t localLength = sizeof local, peerLength = sizeof peer;
        if (fd > 2 && getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) == 0
            && portOf(local) == request.local_port
            && getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) == 0
            && portOf(peer) == request.remote_port) {
            found = fd;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

// Acknowledges what has arrived at once. Clients that hold back the end of a
// body until the start is acknowledged (Nagle's algorithm; Qt's does) would
// otherwise wait for the delayed acknowledgement, some 40 ms, in a save.
void acknowledgeNow(int socket)
{
    if (socket < 0)
        return;
    int yes = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &yes, sizeof yes);
}

// The body is handed over, not copied: a list reply runs to megabytes.
void send(httplib::Response &response, HttpReply reply)
{
    response.status = reply.status;
    response.body = std::move(reply.body);
    response.set_header("Content-Type", reply.contentType);
    if (!reply.serverTiming.empty())
        response.set_header("Server-Timing", reply.serverTiming);
}

void askForCredentials(httplib::Response &response)
{
    response.status = 401;
    response.set_header("WWW-Authenticate", std::string(kAuthenticateChallenge));
    response.set_content("Credentials are needed for the server page.", std::string(kTextContentType).c_str());
}

void refuseWhileThrottled(httplib::Response &response, long long seconds)
{
    response.status = 429;
    response.set_header("Retry-After", std::to_string(seconds));
    response.set_content(
        "Too many failed logins from this address; try again later.", std::string(kTextContentType).c_str());
}

} // namespace

struct HttpServer::Impl
{
    Impl(Storage &servedStorage, LogSink logSink) : storage(servedStorage), log(std::move(logSink))
    {
        if (!log)
            log = writeToStderr;
    }

    // Without a table every request is let through. Otherwise answers 429
    // to an address that failed too often, 401 to wrong or missing
    // credentials, and returns false for both.
    bool admit(const httplib::Request &request, httplib::Response &response)
    {
        if (!users)
            return true;
        const auto now = LoginThrottle::Clock::now();
        if (const long long seconds = throttle.secondsBlocked(request.remote_addr, now); seconds > 0) {
            refuseWhileThrottled(response, seconds);
            return false;
        }
        const std::string credentials = request.get_header_value("Authorization");
        if (users->acceptsAuthorization(credentials))
            return true;
        // A first request without credentials is how clients learn they need
        // some; only wrong credentials count as a guess.
        if (!credentials.empty() && throttle.recordFailure(request.remote_addr, now)) {
            log("refusing " + printable(request.remote_addr) + " for " + std::to_string(LoginThrottle::kWindow.count())
                + " s: " + std::to_string(LoginThrottle::kMaxFailures) + " failed logins within a minute");
        }
        askForCredentials(response);
        return false;
    }

    Storage &storage;
    LogSink log;
    std::optional<UserTable> users;
    LoginThrottle throttle;
    httplib::Server server;
    std::atomic<bool> stopRequested {false};
};

HttpServer::HttpServer(Storage &storage, LogSink log) : impl_(std::make_unique<Impl>(storage, std::move(log)))
{
    httplib::Server &server = impl_->server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // The reply goes out as a header write and a body write; with Nagle's
    // algorithm the body then waits for the client's delayed ACK, some 40 ms
    // on every request of a kept-alive connection.
    server.set_tcp_nodelay(true);
    // One over the limit, so that the handler sees an oversized body and says why.
    server.set_payload_max_length(kMaxSaveBodyBytes + 1);
    // Every reply is data for the control, never a page for a browser: no
    // sniffing it into one, and no cache keeping a vendor's rows.
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}, {"Cache-Control", "no-store"}});

    Impl *impl = impl_.get();
    server.Get(kPagePath, [impl](const httplib::Request &request, httplib::Response &response) {
        if (!impl->admit(request, response))
            return;
        QueryParameters parameters(request.params.begin(), request.params.end());
        HttpReply reply = answerQuery(impl->storage, parameters);
        if (!reply.diagnostic.empty())
            impl->log("query failed: " + printable(reply.diagnostic));
        send(response, std::move(reply));
    });
    // The body is read here rather than by the library, which refuses form
    // bodies over 8 KiB; the control posts up to some 8 MiB.
    server.Post(kPagePath,
        [impl](
            const httplib::Request &request, httplib::Response &response, const httplib::ContentReader &readContent) {
            ServerTiming timing(requestStart);
            std::string body;
            body.reserve(
                std::min<std::uint64_t>(request.get_header_value<std::uint64_t>("Content-Length"), kMaxSaveBodyBytes));
            bool tooLarge = false;
            std::size_t received = 0;
            const int socket = connectionSocket(request);
            acknowledgeNow(socket);
            const bool complete = readContent([&](const char *data, std::size_t length) {
                acknowledgeNow(socket);
                received += length;
                if (tooLarge || received > kMaxSaveBodyBytes) {
                    // Drain a while so that the client gets to read the answer, but
                    // not without end.
                    tooLarge = true;
                    body.clear();
                    return received <= 4 * kMaxSaveBodyBytes;
                }
                body.append(data, length);
                return true;
            });
            timing.mark("read");
            // Checked once the body has been read, so that the connection stays
            // in step for the client's retry with credentials.
            if (!impl->admit(request, response))
                return;
            const bool declaredTooLarge = request.get_header_value<std::uint64_t>("Content-Length") > kMaxSaveBodyBytes;
            if (tooLarge || declaredTooLarge) {
                send(response, tooLargeSaveReply());
                return;
            }
            if (!complete) {
                response.status = 400;
                response.set_content("The changes could not be read completely.\nNothing was saved.",
                    std::string(kTextContentType).c_str());
                return;
            }
            HttpReply reply = answerSave(impl->storage, body, currentLocalTimestamp(), timing);
            if (!reply.diagnostic.empty())
                impl->log("save failed: " + printable(reply.diagnostic));
            send(response, std::move(reply));
        });
    // For load balancers: needs no credentials and tells nothing but whether
    // the database answers.
    server.Get("/healthz", [impl](const httplib::Request &, httplib::Response &response) {
        bool healthy = true;
        try {
            impl->storage.counts(0);
        } catch (...) {
            healthy = false;
        }
        response.status = healthy ? 200 : 503;
        response.set_content(healthy ? "ok" : "unavailable", std::string(kTextContentType).c_str());
    });
    const auto notAllowed = [](const httplib::Request &, httplib::Response &response) {
        response.status = 405;
        response.set_header("Allow", "GET, HEAD, POST");
        response.set_content("Only GET and POST are served here.", std::string(kTextContentType).c_str());
    };
    server.Put(kPagePath, notAllowed);
    server.Patch(kPagePath, notAllowed);
    server.Delete(kPagePath, notAllowed);
    server.Options(kPagePath, notAllowed);

    server.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        if (!response.body.empty())
            return;
        std::string message;
        switch (response.status) {
        case 404:
            message = "Not found: the server page is /VendorCenter.asp.";
            break;
        case 413:
            message = tooLargeSaveReply().body;
            break;
        default:
            message = "The request could not be served.";
            break;
        }
        response.set_content(message, std::string(kTextContentType).c_str());
    });
    server.set_exception_handler([](const httplib::Request &, httplib::Response &response, std::exception_ptr) {
        response.status = 500;
        response.set_content("The request could not be served.", std::string(kTextContentType).c_str());
    });
    server.set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        requestStart = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_logger([impl](const httplib::Request &request, const httplib::Response &response) {
        const auto elapsed = std::chrono::steady_clock::now() - requestStart;
        const double milliseconds = std::chrono::duration<double, std::milli>(elapsed).count();
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1f ms", milliseconds);
        std::string line = printable(request.method) + " " + printable(request.target) + " "
            + std::to_string(response.status) + " " + duration;
        if (const std::string phases = response.get_header_value("Server-Timing"); !phases.empty())
            line += " (" + phases + ")";
        impl->log(line);
    });
}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::requireCredentials(UserTable users)
{
    impl_->users = std::move(users);
}

int HttpServer::bind(const std::string &host, int port)
{
    // The packaged cpp-httplib listens with a backlog of 5, which drops
    // connections when many clients arrive at once. Remember the listening
    // socket and listen again with the system's limit (Linux raises the
    // backlog of a socket that listens already).
    auto listening = std::make_shared<socket_t>(-1);
    impl_->server.set_socket_options([listening](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        *listening = sock;
    });
    const int bound =
        port == 0 ? impl_->server.bind_to_any_port(host) : (impl_->server.bind_to_port(host.c_str(), port) ? port : -1);
    if (bound > 0 && *listening >= 0)
        ::listen(*listening, SOMAXCONN);
    return bound;
}

bool HttpServer::run()
{
    if (impl_->stopRequested)
        return true;
    return impl_->server.listen_after_bind();
}

bool HttpServer::start()
{
    thread_ = std::thread([this] { run(); });
    // The socket is bound already, so clients queue meanwhile; this only waits
    // for the accept loop, bounded so a failed start cannot hang the caller.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!impl_->server.is_running()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void HttpServer::stop()
{
    impl_->stopRequested = true;
    // stop() only takes effect on a running accept loop; wait briefly for a
    // loop that is just starting.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (thread_.joinable() && !impl_->server.is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    impl_->server.stop();
    if (thread_.joinable())
        thread_.join();
}

bool HttpServer::isRunning() const
{
    return impl_->server.is_running();
}

} // namespace vendorcenter::server
