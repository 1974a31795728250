// Many clients at once, and kill -9 in the middle of a save: short runs that
// print their figures; the long ones are in docs/reliability.md.
#include "ServerPageFixture.h"
#include "ServerProcess.h"
#include "storage/DemoSeed.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

using Pair = std::pair<long long, long long>; // vendor, center
using Fee = std::optional<std::pair<double, long long>>; // fee and duty flag; none without a row
using Clock = std::chrono::steady_clock;

std::map<Pair, Fee> feesIn(const std::vector<StoredCrossReference> &rows)
{
    std::map<Pair, Fee> fees;
    for (const auto &row : rows)
        fees[{row.vendorId, row.centerId}] = std::pair(row.handlingFee, row.dutyBrokerageFee);
    return fees;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

using ServerSoak = ServerPageTest;
VC_ON_EACH_STORAGE(ServerSoak);

// Each pair but four belongs to one client, so the end state is known fee for
// fee (every change carries a fee of its own); the four are added and removed
// by everyone at once, so each must be there exactly when its applied adds
// outnumber its applied removals.
TEST_P(ServerSoak, ManyClientsMixingQueriesAndSavesLoseAndRepeatNothing)
{
    constexpr std::size_t kClients = 16;
    constexpr int kRequests = 100; // per client; a quarter of them saves
    std::vector<Pair> owned, shared; // owned[i] belongs to client i % kClients
    for (const auto &center : demoSeed().centers) {
        for (const auto &vendor : demoSeed().vendors)
            (vendor.vendorId == 12 && center.centerId > 30 ? shared : owned)
                .emplace_back(vendor.vendorId, center.centerId);
    }
    auto stored = feesIn(storedRows());
    std::vector<Fee> expected;
    for (const Pair &pair : owned)
        expected.push_back(stored[pair]);
    std::array<std::atomic<int>, 4> sharedRows {};
    ASSERT_EQ(shared.size(), sharedRows.size());
    for (std::size_t s = 0; s < shared.size(); ++s)
        sharedRows[s] = stored[shared[s]] ? 1 : 0;

    std::atomic<int> failures {0};
    const auto started = Clock::now();
    std::vector<std::thread> clients;
    for (std::size_t c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port_);
            client.set_read_timeout(60);
            std::mt19937 random(static_cast<unsigned>(c) * 7919u + 1u);
            std::vector<std::size_t> mine;
            for (std::size_t i = c; i < owned.size(); i += kClients)
                mine.push_back(i);
            for (int request = 0; request < kRequests; ++request) {
                if (random() % 4 != 0) {
                    auto result = client.Get(std::string("/VendorCenter.asp?")
                        + std::array {"count", "active", "selected"}[random() % 3]
                        + "=1&VendorID=" + std::to_string(owned[mine[random() % mine.size()]].first));
                    failures += !result || result->status != 200 || !readByPosition(result->body);
                    continue;
                }
                std::shuffle(mine.begin(), mine.end(), random);
                const long long changes = 1 + random() % 3;
                std::vector<std::string> statements;
                std::vector<Fee> after;
                for (long long k = 0; k < changes; ++k) {
                    const auto [vendor, center] = owned[mine[k]];
                    const std::string fee = "0." + std::to_string(10000 + c * 1000 + request);
                    const int duty = static_cast<int>(random() % 2);
                    const bool remove = expected[mine[k]] && random() % 2 == 0;
                    statements.push_back(remove ? deleteStatement(vendor, center)
                            : expected[mine[k]] ? updateStatement(vendor, center, fee, duty)
                                                : insertStatement(vendor, center, fee, duty));
                    after.push_back(remove ? Fee() : Fee(std::pair(std::stod(fee), duty)));
                }
                const std::size_t s = random() % shared.size();
                const bool add = random() % 2 == 0;
                statements.push_back(add ? insertStatement(shared[s].first, shared[s].second, "0.05", 0)
                                         : deleteStatement(shared[s].first, shared[s].second));
                auto result =
                    client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
                const long long reported = result && result->status == 200 ? std::atoll(result->body.c_str()) : -1;
                if (reported != changes && reported != changes + 1) {
                    ++failures;
                    continue;
                }
                for (long long k = 0; k < changes; ++k)
                    expected[mine[k]] = after[k]; // acknowledged: now it counts
                if (reported > changes)
                    sharedRows[s] += add ? 1 : -1;
            }
        });
    }
    for (auto &client : clients)
        client.join();
    EXPECT_EQ(failures.load(), 0);
    stored = feesIn(storedRows());
    for (std::size_t i = 0; i < owned.size(); ++i)
        EXPECT_EQ(stored[owned[i]], expected[i]) << owned[i].first << "/" << owned[i].second;
    for (std::size_t s = 0; s < shared.size(); ++s)
        EXPECT_EQ(stored[shared[s]] ? 1 : 0, sharedRows[s].load()) << s;
    std::printf("server page load (%s): %zu requests from %zu clients in %.2f s\n",
        storageKindName({GetParam(), 0}).c_str(), kClients * kRequests, kClients, secondsSince(started));
}

// kill -9 of the real binary during a large save, then a restart on the same
// file: the database is intact and the save there in full or not at all.
TEST(ServerCrash, KillDuringALargeSaveLeavesItWhollyAppliedOrNotAtAll)
{
    constexpr int kStatements = 30'000, kFirstBulkCenter = 100'000;
    TemporaryDirectory directory;
    const auto database = TestDatabase::create(StorageKind::Sqlite, directory);
    database->open().reset(); // schema and demo data
    database->execute(
        "WITH RECURSIVE n(i) AS (SELECT 100000 UNION ALL SELECT i + 1 FROM n WHERE i < 129999)"
        " INSERT INTO Centers(CenterID, CenterName, CountryID, Active) SELECT i, 'Bulk ' || i, 1, 1 FROM n;"
        " INSERT INTO Vendors VALUES (40, 'A', 0), (41, 'B', 0), (42, 'C', 0);");
    auto post = [&](int port, int vendorId) {
        std::vector<std::string> statements;
        for (int i = 0; i < kStatements; ++i)
            statements.push_back(insertStatement(vendorId, kFirstBulkCenter + i, "0.08", 1));
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(60);
        return client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
    };
    auto bulkRows = [&](int vendorId) {
        return *database->rows(
            "SELECT count(*) FROM VendorCenterCrossReference WHERE CenterID >= 100000 AND VendorID = "
            + std::to_string(vendorId))[0][0];
    };
    auto walSize = [&] {
        struct stat info
        { };
        return stat((database->connectionText() + "-wal").c_str(), &info) == 0 ? info.st_size : -1;
    };
    const std::vector<std::string> arguments = {"--listen", "127.0.0.1:0", "--database", database->connectionText()};

    // Killed as soon as the write-ahead log moves, 150 ms into the save, and
    // once the reply is there: an acknowledged save must be kept.
    const std::pair<int, int> rounds[] = {{40, -1}, {41, 150}, {42, 0}}; // vendor, kill after ms
    const auto started = Clock::now();
    for (const auto &[vendorId, killAfterMs] : rounds) {
        ServerProcess server(VENDORCENTER_SERVER_BINARY, arguments);
        const int port = server.listeningPort(std::chrono::seconds(15));
        ASSERT_GT(port, 0) << "the server page did not start (again)";
        const auto walBefore = walSize();
        std::thread poster([&, vendor = vendorId] { post(port, vendor); });
        if (killAfterMs == 0)
            poster.join();
        for (const auto limit = Clock::now() + std::chrono::seconds(5);
             killAfterMs < 0 && walSize() == walBefore && Clock::now() < limit;) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(killAfterMs, 0)));
        server.killHard();
        if (poster.joinable())
            poster.join();
        EXPECT_EQ(*database->rows("PRAGMA integrity_check")[0][0], "ok");
        EXPECT_TRUE(database->rows("PRAGMA foreign_key_check").empty());
        const std::string rows = bulkRows(vendorId);
        EXPECT_TRUE((rows == "0" && killAfterMs != 0) || rows == std::to_string(kStatements))
            << vendorId << ": " << rows;
    }
    // Opening the file recovers from the log; what was lost can be sent again and arrives whole.
    ServerProcess server(VENDORCENTER_SERVER_BINARY, arguments);
    auto resent = post(server.listeningPort(std::chrono::seconds(15)), 40);
    ASSERT_TRUE(resent);
    EXPECT_EQ(resent->status, 200);
    EXPECT_EQ(bulkRows(40), std::to_string(kStatements));
    std::printf("server page crash: 3 rounds of kill -9 in a save of %d statements (%.1f s): integrity ok\n",
        kStatements, secondsSince(started));
}
