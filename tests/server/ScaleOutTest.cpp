// Two server pages on one PostgreSQL database behind nginx, with one page
// killed and started again while 64 clients query and save. Runs under
// pg_virtualenv, which hands over a throwaway cluster in PGHOST, PGPORT,
// PGUSER, PGPASSWORD and PGDATABASE.
#include "ServerPageFixture.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 64;
constexpr int kFirstVendor = 1000; // one vendor of its own per client
constexpr std::chrono::milliseconds kRunTime = 3s;

int freePort()
{
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(socketFd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

// nginx in front of the two pages, round robin, run by the current user with
// its files under its prefix (-p).
std::string nginxConfig(int port, int pageA, int pageB)
{
    return R"(daemon off; master_process off; pid nginx.pid; error_log error.log warn;
events { worker_connections 1024; }
http {
    access_log off; client_body_temp_path body; proxy_temp_path proxy;
    fastcgi_temp_path fastcgi; uwsgi_temp_path uwsgi; scgi_temp_path scgi;
    upstream pages {
        server 127.0.0.1:)"
        + std::to_string(pageA) + R"( max_fails=1 fail_timeout=1s;
        server 127.0.0.1:)"
        + std::to_string(pageB) + R"( max_fails=1 fail_timeout=1s;
    }
    server {
        listen 127.0.0.1:)"
        + std::to_string(port) + R"(;
        # A request a page could not take goes to the other; without non_idempotent,
        # a POST that reached a page is never sent again.
        location / { proxy_pass http://pages; proxy_next_upstream error timeout; }
    }
})";
}

} // namespace

TEST(ScaleOut, TwoPagesBehindNginxApplyEveryAcknowledgedSaveOnceThroughAKill)
{
    TemporaryDirectory directory;
    const auto database = TestDatabase::create(StorageKind::Postgres, directory);
    if (!database || access("/usr/sbin/nginx", X_OK) != 0)
        GTEST_SKIP() << "needs nginx and a PostgreSQL cluster from pg_virtualenv";
    database->open().reset(); // the schema and the demo data, and enough to post for a while
    database->execute("INSERT INTO Vendors SELECT v, 'Load ' || v, 0 FROM generate_series("
        + std::to_string(kFirstVendor) + ", " + std::to_string(kFirstVendor + kClients - 1) + ") v;"
        + "INSERT INTO Centers (CenterID, CenterName, CountryID) SELECT c, 'Load ' || c, 1 FROM generate_series(1000, "
          "1999) c");
    std::vector<std::string> centers;
    for (const auto &row : database->rows("SELECT CenterID FROM Centers ORDER BY 1"))
        centers.push_back(*row[0]);
    const std::string &uri = database->connectionText();
    int pagePorts[2] = {0, 0}; // free ones at first, the same after the restart
    const auto startPage = [&](int page) {
        auto process = std::make_unique<ServerProcess>(VENDORCENTER_SERVER_BINARY,
            std::vector<std::string> {"--listen", "127.0.0.1:" + std::to_string(pagePorts[page]), "--database", uri});
        pagePorts[page] = process->listeningPort(20s);
        EXPECT_GT(pagePorts[page], 0);
        return process;
    };
    std::unique_ptr<ServerProcess> pages[2] = {startPage(0), startPage(1)};
    const int nginxPort = freePort();
    std::ofstream(directory.file("nginx.conf")) << nginxConfig(nginxPort, pagePorts[0], pagePorts[1]);
    ServerProcess nginx("/usr/sbin/nginx",
        {"-p", directory.path(), "-c", directory.file("nginx.conf"), "-e", directory.file("error.log")});
    httplib::Client probe("127.0.0.1", nginxPort);
    const auto readyBy = Clock::now() + 10s;
    while (!probe.Get("/healthz") && Clock::now() < readyBy)
        std::this_thread::sleep_for(20ms);

    // Each client saves new centers for a vendor of its own, so that a save
    // applied twice would answer that the center is selected already.
    std::mutex mutex;
    std::set<std::pair<int, int>> acknowledged, unacknowledged;
    std::vector<std::string> wrongReplies;
    std::atomic<int> queries {0}, failedQueries {0};
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int vendor = kFirstVendor; vendor < kFirstVendor + kClients; ++vendor) {
        clients.emplace_back([&, vendor] {
            httplib::Client connection("127.0.0.1", nginxPort);
            connection.set_read_timeout(10);
            for (std::size_t next = 0; next < centers.size() && Clock::now() - start < kRunTime; ++next) {
                ++queries;
                auto counts = connection.Get("/VendorCenter.asp?count=1&VendorID=" + std::to_string(vendor));
                if (!counts || counts->status != 200)
                    ++failedQueries;
                const int center = std::stoi(centers[next]);
                auto saved = connection.Post("/VendorCenter.asp",
                    saveBody({insertStatement(vendor, center, "0.05", 1)}), "application/x-www-form-urlencoded");
                std::lock_guard lock(mutex);
                (saved && saved->status == 200 ? acknowledged : unacknowledged).insert({vendor, center});
                if (saved && saved->status == 200
                    && saved->body != "1 change saved for vendor " + std::to_string(vendor) + ".") {
                    wrongReplies.push_back(saved->body);
                }
            }
        });
    }
    const auto secondsSince = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::this_thread::sleep_until(start + kRunTime / 3);
    pages[0]->killHard();
    const double killedAt = secondsSince();
    std::this_thread::sleep_until(start + kRunTime / 2);
    pages[0] = startPage(0);
    const double backAt = secondsSince();
    for (std::thread &client : clients)
        client.join();
    const double seconds = secondsSince();

    std::set<std::pair<int, int>> storedPairs;
    for (const auto &row : database->rows("SELECT VendorID, CenterID FROM VendorCenterCrossReference WHERE VendorID >= "
             + std::to_string(kFirstVendor)))
        storedPairs.insert({std::stoi(*row[0]), std::stoi(*row[1])});
    std::size_t unacknowledgedApplied = 0;
    for (const auto &pair : storedPairs)
        unacknowledgedApplied += unacknowledged.count(pair);
    EXPECT_TRUE(std::includes(storedPairs.begin(), storedPairs.end(), acknowledged.begin(), acknowledged.end()));
    EXPECT_EQ(storedPairs.size(), acknowledged.size() + unacknowledgedApplied) << "rows no client posted";
    EXPECT_TRUE(wrongReplies.empty()) << wrongReplies.front();
    EXPECT_EQ(failedQueries, 0);
    EXPECT_GT(seconds, std::chrono::duration<double>(kRunTime).count()) << "the clients ran out of centers";
    const std::size_t saves = acknowledged.size() + unacknowledged.size();
    std::printf("scale-out: %zu requests (%d queries, %zu saves) from %d clients through nginx to 2 pages in %.2f s, "
                "%.0f requests/s; one page killed at %.1f s and back at %.1f s; %d failed queries; %zu saves "
                "acknowledged, each applied once; %zu not acknowledged, %zu of them applied\n",
        queries + saves, queries.load(), saves, kClients, seconds, static_cast<double>(queries + saves) / seconds,
        killedAt, backAt, failedQueries.load(), acknowledged.size(), unacknowledged.size(), unacknowledgedApplied);
}
