// Two server pages on one PostgreSQL database behind nginx, with one page
// killed and started again while 64 clients query and save. Runs under
// pg_virtualenv, which hands over a throwaway cluster in PGHOST, PGPORT,
// PGUSER, PGPASSWORD and PGDATABASE.
#include "server_page_fixture.h"
#include "server_process.h"
#include "storage/OpenStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 64;
constexpr int kFirstVendor = 1000;  // one vendor of its own per client
constexpr std::chrono::milliseconds kRunTime = 3s;

int freePort() {
    const int socketFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(socketFd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(socketFd);
    return ntohs(address.sin_port);
}

// Rows of one query, the first field of each; throws with the server's message.
std::vector<std::string> sql(const std::string& conninfo, const std::string& statement) {
    std::unique_ptr<PGconn, decltype(&PQfinish)> connection(PQconnectdb(conninfo.c_str()), &PQfinish);
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection.get(), statement.c_str()), &PQclear);
    const auto status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(PQerrorMessage(connection.get()));
    std::vector<std::string> rows;
    for (int row = 0; row < PQntuples(result.get()); ++row) rows.emplace_back(PQgetvalue(result.get(), row, 0));
    return rows;
}

std::string nginxConfig(const std::string& directory, int port, int pageA, int pageB) {
    return "daemon off;\nmaster_process off;\npid " + directory + "/nginx.pid;\nerror_log " + directory +
           "/error.log warn;\nevents { worker_connections 1024; }\nhttp {\n  access_log off;\n" +
           "  client_body_temp_path " + directory + "/body;\n  proxy_temp_path " + directory + "/proxy;\n" +
           "  fastcgi_temp_path " + directory + "/fastcgi;\n  uwsgi_temp_path " + directory + "/uwsgi;\n" +
           "  scgi_temp_path " + directory + "/scgi;\n  upstream pages {\n" +
           "    server 127.0.0.1:" + std::to_string(pageA) + " max_fails=1 fail_timeout=1s;\n" +
           "    server 127.0.0.1:" + std::to_string(pageB) + " max_fails=1 fail_timeout=1s;\n  }\n" +
           "  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n    location / {\n" +
           "      proxy_pass http://pages;\n" +
           "      # The other page gets a request this one could not take; without\n" +
           "      # non_idempotent a POST that reached a page is never sent again.\n" +
           "      proxy_next_upstream error timeout;\n    }\n  }\n}\n";
}

struct ClientTally {
    int queries = 0, failedQueries = 0;
    std::vector<int> acknowledged, unacknowledged;  // centers posted
    std::vector<std::string> wrongReplies;
};

}  // namespace

TEST(ScaleOut, TwoPagesBehindNginxApplyEveryAcknowledgedSaveOnceThroughAKill) {
    if (std::getenv("PGHOST") == nullptr || access("/usr/sbin/nginx", X_OK) != 0) {
        GTEST_SKIP() << "needs nginx and a PostgreSQL cluster from pg_virtualenv";
    }
    sql("dbname=" + std::string(std::getenv("PGDATABASE")), "CREATE DATABASE vendorcenter_scaleout");
    const std::string uri = "postgresql://" + std::string(std::getenv("PGUSER")) + "@" + std::getenv("PGHOST") + ":" +
                            std::getenv("PGPORT") + "/vendorcenter_scaleout";
    openStorage(uri);  // the schema and the demo data, and enough to post for a while
    sql("dbname=vendorcenter_scaleout", "INSERT INTO Vendors SELECT v, 'Load ' || v, 0 FROM generate_series(" +
                                            std::to_string(kFirstVendor) + ", " +
                                            std::to_string(kFirstVendor + kClients - 1) + ") v");
    sql("dbname=vendorcenter_scaleout", "INSERT INTO Centers (CenterID, CenterName, CountryID) "
                                        "SELECT c, 'Load ' || c, 1 FROM generate_series(1000, 1999) c");
    const std::vector<std::string> centerTexts = sql("dbname=vendorcenter_scaleout", "SELECT CenterID FROM Centers ORDER BY 1");

    TemporaryDirectory directory;
    const int pagePorts[2] = {freePort(), freePort()};
    const auto startPage = [&](int page) {
        auto process = std::make_unique<ServerProcess>(
            VENDORCENTER_SERVER_BINARY, std::vector<std::string>{"--listen", "127.0.0.1:" + std::to_string(pagePorts[page]),
                                                                 "--database", uri});
        EXPECT_EQ(process->listeningPort(20s), pagePorts[page]);
        return process;
    };
    std::unique_ptr<ServerProcess> pages[2] = {startPage(0), startPage(1)};
    const int nginxPort = freePort();
    std::ofstream(directory.file("nginx.conf")) << nginxConfig(directory.path(), nginxPort, pagePorts[0], pagePorts[1]);
    ServerProcess nginx("/usr/sbin/nginx", {"-p", directory.path(), "-c", directory.file("nginx.conf"), "-e",
                                            directory.file("error.log")});
    httplib::Client probe("127.0.0.1", nginxPort);
    const auto readyBy = Clock::now() + 10s;
    while (!probe.Get("/healthz") && Clock::now() < readyBy) std::this_thread::sleep_for(20ms);

    const auto start = Clock::now();
    std::vector<ClientTally> tallies(kClients);
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client) {
        clients.emplace_back([&, client] {
            ClientTally& tally = tallies[client];
            const std::string vendor = std::to_string(kFirstVendor + client);
            httplib::Client connection("127.0.0.1", nginxPort);
            connection.set_read_timeout(10);
            for (std::size_t next = 0; next < centerTexts.size() && Clock::now() - start < kRunTime; ++next) {
                ++tally.queries;
                auto counts = connection.Get("/VendorCenter.asp?count=1&VendorID=" + vendor);
                if (!counts || counts->status != 200) ++tally.failedQueries;
                const int center = std::stoi(centerTexts[next]);
                auto saved = connection.Post("/VendorCenter.asp", saveBody({insertStatement(kFirstVendor + client, center, "0.05", 1)}),
                                             "application/x-www-form-urlencoded");
                if (!saved || saved->status != 200) {
                    tally.unacknowledged.push_back(center);
                } else {
                    tally.acknowledged.push_back(center);
                    // A post applied a second time would answer that the center is selected already.
                    if (saved->body != "1 change saved for vendor " + vendor + ".") tally.wrongReplies.push_back(saved->body);
                }
            }
        });
    }
    const auto secondsSince = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
    std::this_thread::sleep_until(start + kRunTime / 3);
    pages[0]->killHard();
    const double killedAt = secondsSince(start);
    std::this_thread::sleep_until(start + kRunTime / 2);
    pages[0] = startPage(0);
    const double backAt = secondsSince(start);
    for (std::thread& client : clients) client.join();
    const double seconds = secondsSince(start);

    int queries = 0, failedQueries = 0, acknowledged = 0, unacknowledged = 0, unacknowledgedApplied = 0;
    for (int client = 0; client < kClients; ++client) {
        const ClientTally& tally = tallies[client];
        EXPECT_TRUE(tally.wrongReplies.empty()) << tally.wrongReplies.front();
        const auto stored = sql("dbname=vendorcenter_scaleout", "SELECT CenterID FROM VendorCenterCrossReference WHERE VendorID = " +
                                                                    std::to_string(kFirstVendor + client));
        std::set<int> storedCenters;
        for (const std::string& center : stored) storedCenters.insert(std::stoi(center));
        for (const int center : tally.acknowledged) EXPECT_EQ(storedCenters.erase(center), 1u) << client << "/" << center;
        for (const int center : tally.unacknowledged) unacknowledgedApplied += static_cast<int>(storedCenters.erase(center));
        EXPECT_TRUE(storedCenters.empty()) << "rows no client posted";
        queries += tally.queries;
        failedQueries += tally.failedQueries;
        acknowledged += static_cast<int>(tally.acknowledged.size());
        unacknowledged += static_cast<int>(tally.unacknowledged.size());
    }
    EXPECT_EQ(failedQueries, 0);
    EXPECT_GT(acknowledged, kClients);
    EXPECT_GT(seconds, std::chrono::duration<double>(kRunTime).count()) << "the clients ran out of centers before the end";
    std::printf("scale-out: %d requests (%d queries, %d saves) from %d clients through nginx to 2 pages in %.2f s, "
                "%.0f requests/s; one page killed at %.1f s and back at %.1f s; %d failed queries; %d saves acknowledged, "
                "each applied once; %d not acknowledged, %d of them applied\n",
                queries + acknowledged + unacknowledged, queries, acknowledged + unacknowledged, kClients, seconds,
                (queries + acknowledged + unacknowledged) / seconds, killedAt, backAt, failedQueries, acknowledged,
                unacknowledged, unacknowledgedApplied);
}
