// Many clients at once, kill -9 in the middle of a save, and two pages behind
// nginx with one killed midway: short runs that print their figures; the long
// ones are in docs/reliability.md. The PostgreSQL cases run under pg_virtualenv.
#include "ServerPageFixture.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>
#include <thread>

using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFirstVendor = 1000; // one vendor of its own per client

static double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Load
{
    std::set<std::pair<long, long>> acknowledged, unacknowledged, stored;
    int queries = 0, failures = 0; // queries that failed, saves acknowledged with the wrong reply
    double seconds = 0;
};

// Each client asks for the counts of a vendor of its own and adds it the next
// center, until `until` or the centers run out: a save applied twice would
// answer that the center is selected already, a lost one be missing.
static Load loadFromClients(const TestDatabase &database, int port, int clients, Clock::duration runTime)
{
    std::string vendors = "INSERT INTO Vendors VALUES (" + std::to_string(kFirstVendor) + ", 'Load', 0)";
    for (int vendor = kFirstVendor + 1; vendor < kFirstVendor + clients; ++vendor)
        vendors += ", (" + std::to_string(vendor) + ", 'Load', 0)";
    database.execute(vendors);
    const auto centers = database.rows("SELECT CenterID FROM Centers ORDER BY 1");
    Load load;
    std::mutex mutex;
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (long vendor = kFirstVendor; vendor < kFirstVendor + clients; ++vendor) {
        threads.emplace_back([&, vendor] {
            httplib::Client connection("127.0.0.1", port);
            connection.set_read_timeout(30);
            for (std::size_t next = 0; next < centers.size() && Clock::now() - start < runTime; ++next) {
                auto counts = connection.Get("/VendorCenter.asp?count=1&VendorID=" + std::to_string(vendor));
                const long center = std::stol(*centers[next][0]);
                auto saved = connection.Post("/VendorCenter.asp",
                    saveBody({insertStatement(vendor, center, "0.05", 1)}), "application/x-www-form-urlencoded");
                std::lock_guard lock(mutex);
                ++load.queries;
                load.failures += !counts || counts->status != 200 || !readByPosition(counts->body);
                const bool acknowledged = saved && saved->status == 200;
                (acknowledged ? load.acknowledged : load.unacknowledged).insert({vendor, center});
                load.failures +=
                    acknowledged && saved->body != "1 change saved for vendor " + std::to_string(vendor) + ".";
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    load.seconds = secondsSince(start);
    for (const auto &row : database.crossReferences()) {
        if (row.vendorId >= kFirstVendor)
            load.stored.insert({row.vendorId, row.centerId});
    }
    EXPECT_TRUE(std::ranges::includes(load.stored, load.acknowledged)) << "acknowledged saves lost";
    for (const auto &pair : load.stored)
        EXPECT_TRUE(load.acknowledged.count(pair) + load.unacknowledged.count(pair)) << "a row no client posted";
    EXPECT_EQ(load.failures, 0);
    return load;
}

using ServerSoak = ServerPageTest;
VC_ON_EACH_STORAGE(ServerSoak);

TEST_P(ServerSoak, ManyClientsQueryingAndSavingAtOnceLoseAndRepeatNothing)
{
    const Load load = loadFromClients(*database_, port_, 16, 1h);
    EXPECT_TRUE(load.unacknowledged.empty());
    std::printf("server page load (%s): %d requests from 16 clients in %.2f s, %.0f requests/s\n",
        storageKindName({GetParam(), 0}).c_str(), 2 * load.queries, load.seconds, 2 * load.queries / load.seconds);
}

// Two server pages on one PostgreSQL database behind nginx, one killed and
// started again while 64 clients query and save, and the other holding 64
// silent connections and 24 that send a header line now and then: the load
// loses nothing, /healthz keeps answering and the memory stays bounded.
TEST(ScaleOutOnPostgreSQL, TwoPagesBehindNginxApplyEveryAcknowledgedSaveOnceThroughAKill)
{
    TemporaryDirectory directory;
    const auto database = TestDatabase::create(StorageKind::Postgres, directory);
    if (!database || access("/usr/sbin/nginx", X_OK) != 0)
        GTEST_SKIP() << "needs nginx and a PostgreSQL cluster from pg_virtualenv";
    database->open().reset(); // the schema and the demo data, and enough to post for a while
    database->execute("INSERT INTO Centers (CenterID, CenterName, CountryID) SELECT c, 'Load ' || c, 1"
                      " FROM generate_series(1000, 1999) c");
    // On free ports at first, the same after the restart.
    const auto startPage = [&](int port) {
        return std::make_unique<RunningPage>(database->connectionText(), std::vector<std::string> {}, port);
    };
    std::unique_ptr<RunningPage> pages[2] = {startPage(0), startPage(0)};
    const int pagePorts[2] = {pages[0]->port, pages[1]->port};
    const auto [nginx, nginxPort] = startNginx(directory, {pagePorts[0], pagePorts[1]});
    httplib::Client probe("127.0.0.1", nginxPort);
    // The lists' tag is the data's: round robin, each page takes the tag of the other.
    const char *const selected = "/VendorCenter.asp?selected=1&VendorID=12",
                      *const form = "application/x-www-form-urlencoded";
    const httplib::Headers guard = {{"If-Match", probe.Get(selected)->get_header_value("ETag")}};
    EXPECT_EQ(probe.Get(selected)->get_header_value("ETag"), guard.begin()->second);
    const std::string save = saveBody({updateStatement(12, 9, "0.5", 1)});
    EXPECT_EQ(probe.Post("/VendorCenter.asp", guard, save, form)->status, 200);
    EXPECT_EQ(probe.Post("/VendorCenter.asp", guard, save, form)->status, 412);

    const long idleKiB = pages[1]->process.residentKiB();
    std::vector<std::unique_ptr<RawConnection>> idle, slow;
    for (int i = 0; i < 64; ++i)
        idle.push_back(std::make_unique<RawConnection>(pagePorts[1]));
    for (int i = 0; i < 24; ++i) {
        slow.push_back(std::make_unique<RawConnection>(pagePorts[1]));
        slow.back()->send("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    }
    std::atomic<bool> loading = true;
    long peakKiB = idleKiB;
    std::vector<double> healthMs;
    std::thread watcher([&] {
        for (int round = 0; loading; ++round) {
            if (round % 10 == 0) {
                for (auto &connection : slow)
                    connection->send("X-Slow: " + std::to_string(round) + "\r\n");
            }
            const auto started = Clock::now();
            RawConnection health(pagePorts[1]);
            health.send("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            const std::string reply = health.readReply(10s);
            const bool answered = statusOf(reply) == 200 && bodyOf(reply) == "ok";
            healthMs.push_back(
                answered ? std::chrono::duration<double, std::milli>(Clock::now() - started).count() : 1e9);
            peakKiB = std::max(peakKiB, pages[1]->process.residentKiB());
            std::this_thread::sleep_for(100ms);
        }
    });
    constexpr auto kRunTime = 3s;
    std::thread killer([&] {
        std::this_thread::sleep_for(kRunTime / 3);
        pages[0]->process.killHard();
        std::this_thread::sleep_for(kRunTime / 6);
        pages[0] = startPage(pagePorts[0]);
    });
    const Load load = loadFromClients(*database, nginxPort, 64, kRunTime);
    killer.join();
    loading = false;
    watcher.join();
    EXPECT_GT(load.seconds, 3.0) << "the clients ran out of centers";
    std::ranges::sort(healthMs);
    ASSERT_FALSE(healthMs.empty());
    // A correctness bound: answered at all, long before any client would give up.
    EXPECT_LT(healthMs.back(), 5000.0);
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's shadow and quarantine are no measure of the page's own memory.
    EXPECT_LT(peakKiB - idleKiB, 64 * 1024);
#endif
    std::printf("scale-out: %d requests from 64 clients through nginx to 2 pages in %.2f s, %.0f requests/s, one page "
                "killed at 1 s and back at 1.5 s; %zu saves acknowledged, each applied once; %zu not acknowledged, "
                "%zu of them applied; beside 64 idle and 24 slow connections on the other page, /healthz median "
                "%.1f ms, slowest %.1f ms of %zu; its resident memory %ld KiB idle, at most %ld KiB more\n",
        2 * load.queries, load.seconds, 2 * load.queries / load.seconds, load.acknowledged.size(),
        load.unacknowledged.size(), load.stored.size() - load.acknowledged.size(), healthMs[healthMs.size() / 2],
        healthMs.back(), healthMs.size(), idleKiB, peakKiB - idleKiB);
}

// kill -9 of the real binary during a large save, then a restart on the same
// file: the database is intact and the save there in full or not at all.
TEST(ServerCrash, KillDuringALargeSaveLeavesItWhollyAppliedOrNotAtAll)
{
    constexpr int kStatements = 30'000;
    TemporaryDirectory directory;
    const auto database = TestDatabase::create(StorageKind::Sqlite, directory);
    database->open().reset(); // schema and demo data
    database->execute(
        "WITH RECURSIVE n(i) AS (SELECT 100000 UNION ALL SELECT i + 1 FROM n WHERE i < 129999)"
        " INSERT INTO Centers(CenterID, CenterName, CountryID, Active) SELECT i, 'Bulk ' || i, 1, 1 FROM n;"
        " INSERT INTO Vendors VALUES (40, 'A', 0), (41, 'B', 0), (42, 'C', 0);");
    const auto post = [&](int port, int vendorId) {
        std::vector<std::string> statements;
        for (int i = 0; i < kStatements; ++i)
            statements.push_back(insertStatement(vendorId, 100'000 + i, "0.08", 1));
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(60);
        return client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
    };
    const auto rowsOf = [&](int vendorId) {
        return *database->rows(
            "SELECT count(*) FROM VendorCenterCrossReference WHERE VendorID = " + std::to_string(vendorId))[0][0];
    };
    auto walSize = [&, error = std::error_code()]() mutable {
        return std::filesystem::file_size(database->connectionText() + "-wal", error);
    };

    // Killed as soon as the write-ahead log moves, 150 ms into the save, and
    // once the reply is there: an acknowledged save must be kept. The later
    // rounds open the file the last one was killed on, recovering from its log.
    const auto started = Clock::now();
    for (const auto &[vendorId, killAfterMs] : {std::pair {40, -1}, {41, 150}, {42, 0}}) {
        RunningPage server(database->connectionText());
        ASSERT_GT(server.port, 0);
        const auto walBefore = walSize();
        std::thread poster([&, vendor = vendorId] { post(server.port, vendor); });
        if (killAfterMs == 0)
            poster.join();
        for (const auto limit = Clock::now() + 5s; killAfterMs < 0 && walSize() == walBefore && Clock::now() < limit;)
            std::this_thread::sleep_for(200us);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(killAfterMs, 0)));
        server.process.killHard();
        if (poster.joinable())
            poster.join();
        EXPECT_EQ(*database->rows("PRAGMA integrity_check")[0][0], "ok");
        EXPECT_TRUE(database->rows("PRAGMA foreign_key_check").empty());
        const std::string rows = rowsOf(vendorId);
        EXPECT_TRUE((rows == "0" && killAfterMs != 0) || rows == std::to_string(kStatements))
            << vendorId << ": " << rows;
    }
    std::printf("server page crash: 3 rounds of kill -9 in a save of %d statements (%.1f s): integrity ok\n",
        kStatements, secondsSince(started));
}
