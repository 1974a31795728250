#pragma once

#include "UserTable.h"
#include "storage/Storage.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vendorcenter::server {

using LogSink = std::function<void(std::string_view line)>;

// What one client, and all of them, may take of the server page at once. An
// open connection costs memory only (up to connectionMemoryBytes for its
// request line and headers), never a thread of its own.
struct HttpLimits
{
    unsigned maxConnections = 1024;
    unsigned maxConnectionsPerAddress = 256;
    // A connection that sends and takes nothing this long is closed.
    std::chrono::seconds idleTimeout {30};
    // Request line, headers and read buffer of one connection; a longer head
    // is refused without being read further.
    std::size_t connectionMemoryBytes = 32 * 1024;
    // The threads that serve all connections between them.
    unsigned workerThreads = 8;
};

// The server page over HTTP: routes /VendorCenter.asp to the query and save
// handling and logs one line per request.
class HttpServer
{
public:
    // `log` receives one line per request; by default they go to stderr.
    explicit HttpServer(Storage &storage, LogSink log = {});
    ~HttpServer();

    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // From now on every query and save must carry HTTP Basic credentials of
    // one of `users`; others are answered 401 and touch nothing. Call before
    // serving starts.
    void requireCredentials(UserTable users);

    // Requests may name this host, beside localhost, the listen host and the
    // address they came in on; others are answered 421. Call before serving.
    void allowHost(const std::string &name);

    // Requests from this address come from a balancer: the client is the
    // last address of their X-Forwarded-For. Call before serving.
    void trustProxy(const std::string &address);

    // Call before bind().
    void setLimits(const HttpLimits &limits);

    // Binds the listening socket; port 0 picks a free one. Returns the bound
    // port, or -1 when the address cannot be bound.
    int bind(const std::string &host, int port);

    // Serves on threads of its own and returns once it accepts connections.
    bool start();

    // Safe from any thread.
    void stop();

    bool isRunning() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vendorcenter::server
