#pragma once

#include "UserTable.h"
#include "storage/Storage.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace vendorcenter::server {

using LogSink = std::function<void(std::string_view line)>;

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

    // Binds the listening socket; port 0 picks a free one. Returns the bound
    // port, or -1 when the address cannot be bound.
    int bind(const std::string &host, int port);

    // Serves until stop(); returns false when serving could not start.
    bool run();

    // Serves on a thread of its own and returns once it accepts connections.
    bool start();

    // Safe from any thread; joins the thread of start().
    void stop();

    bool isRunning() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
};

} // namespace vendorcenter::server
