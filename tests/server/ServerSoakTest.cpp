// Many clients at once, and kill -9 in the middle of a save. Short runs that
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

using Pair = std::pair<long long, long long>;  // vendor, center
using Fee = std::optional<std::pair<double, long long>>;  // fee and duty flag, or no row

constexpr int kClients = 16;
constexpr int kRequestsPerClient = 100;
constexpr std::size_t kSharedPairs = 4;

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

using ServerSoak = ServerPageTest;
VC_ON_EACH_STORAGE(ServerSoak);

// Every (vendor, center) pair but a few belongs to one client, so the end
// state is known fee for fee (each change carries a fee of its own); the few
// shared pairs are added and removed by everyone at once and must alternate.
TEST_P(ServerSoak, ManyClientsMixingQueriesAndSavesLoseAndRepeatNothing) {
    std::vector<std::map<Pair, Fee>> owned(kClients);
    std::map<Pair, std::map<Pair, Fee>*> ownerOf;
    std::vector<Pair> shared;
    const auto& centers = demoSeed().centers;
    for (std::size_t i = 0; i < centers.size(); ++i) {
        for (const auto& vendor : demoSeed().vendors) {
            const Pair pair{vendor.vendorId, centers[i].centerId};
            if (vendor.vendorId == 12 && centers[i].centerId > 30) {
                shared.push_back(pair);
            } else {
                ownerOf[pair] = &owned[i % kClients];
                (*ownerOf[pair])[pair] = std::nullopt;
            }
        }
    }
    ASSERT_EQ(shared.size(), kSharedPairs);
    std::array<std::atomic<int>, kSharedPairs> sharedBalance{};  // rows there: applied inserts less applied deletes
    for (const auto& row : storedRows()) {
        const Pair pair{row.vendorId, row.centerId};
        const auto sharedAt = std::find(shared.begin(), shared.end(), pair);
        if (sharedAt != shared.end()) {
            ++sharedBalance[static_cast<std::size_t>(sharedAt - shared.begin())];
        } else {
            (*ownerOf.at(pair))[pair] = std::pair(row.handlingFee, row.dutyBrokerageFee);
        }
    }

    std::vector<std::vector<double>> latencies(kClients);
    std::vector<std::string> failures;
    std::mutex failureMutex;
    auto fail = [&](const std::string& what) {
        std::lock_guard lock(failureMutex);
        failures.push_back(what);
    };
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port_);
            client.set_keep_alive(true);
            client.set_read_timeout(60);
            std::mt19937 random(static_cast<unsigned>(c) * 7919u + 1u);
            auto& mine = owned[static_cast<std::size_t>(c)];
            std::vector<Pair> pairs;
            for (const auto& [pair, fee] : mine) pairs.push_back(pair);
            for (int i = 0; i < kRequestsPerClient; ++i) {
                const auto begun = std::chrono::steady_clock::now();
                if (random() % 4 != 0) {
                    static const char* const kQueries[] = {"count", "active", "selected"};
                    const std::string target = std::string("/VendorCenter.asp?") + kQueries[random() % 3] +
                                               "=1&VendorID=" + std::to_string(pairs[random() % pairs.size()].first);
                    auto result = client.Get(target);
                    if (!result || result->status != 200 || !readByPosition(result->body)) fail(target);
                } else {
                    std::shuffle(pairs.begin(), pairs.end(), random);
                    const long long changes = 1 + random() % 3;
                    std::vector<std::string> statements;
                    std::map<Pair, Fee> after = mine;
                    for (long long k = 0; k < changes; ++k) {
                        const Pair& pair = pairs[static_cast<std::size_t>(k)];
                        const std::string fee = "0." + std::to_string(10000 + c * 1000 + i);
                        const long long duty = random() % 2;
                        if (after[pair] && random() % 2 == 0) {
                            statements.push_back(deleteStatement(pair.first, pair.second));
                            after[pair] = std::nullopt;
                        } else {
                            statements.push_back(after[pair] ? updateStatement(pair.first, pair.second, fee, int(duty))
                                                             : insertStatement(pair.first, pair.second, fee, int(duty)));
                            after[pair] = std::pair(std::stod(fee), duty);
                        }
                    }
                    const std::size_t sharedIndex = random() % kSharedPairs;
                    const bool adds = random() % 2 == 0;
                    const Pair& sharedPair = shared[sharedIndex];
                    statements.push_back(adds ? insertStatement(sharedPair.first, sharedPair.second, "0.05", 0)
                                              : deleteStatement(sharedPair.first, sharedPair.second));
                    auto result = client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
                    const long long reported = result && result->status == 200 ? std::atoll(result->body.c_str()) : -1;
                    if (reported == changes || reported == changes + 1) {
                        mine = std::move(after);  // acknowledged: now it counts
                        sharedBalance[sharedIndex] += reported == changes ? 0 : adds ? 1 : -1;
                    } else {
                        fail("save: " + (result ? std::to_string(result->status) + " " + result->body : "no answer"));
                    }
                }
                latencies[static_cast<std::size_t>(c)].push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count());
            }
        });
    }
    for (auto& client : clients) client.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const std::string& failure : failures) ADD_FAILURE() << failure;

    std::map<Pair, Fee> stored;
    for (const auto& row : storedRows()) stored[{row.vendorId, row.centerId}] = std::pair(row.handlingFee, row.dutyBrokerageFee);
    for (const auto& mine : owned) {
        for (const auto& [pair, fee] : mine) {
            EXPECT_EQ(stored.count(pair) ? stored[pair] : std::nullopt, fee) << pair.first << "/" << pair.second;
        }
    }
    for (std::size_t s = 0; s < kSharedPairs; ++s) {
        EXPECT_EQ(static_cast<int>(stored.count(shared[s])), sharedBalance[s].load()) << "shared pair " << s;
    }
    std::vector<double> all;
    for (const auto& client : latencies) all.insert(all.end(), client.begin(), client.end());
    std::printf("server page load (%s): %zu requests from %d clients in %.2f s, %.0f requests/s, p50 %.2f ms, "
                "p99 %.2f ms, %zu failed\n",
                storageKindName({GetParam(), 0}).c_str(), all.size(), kClients, seconds,
                static_cast<double>(all.size()) / seconds, percentile(all, 0.5), percentile(all, 0.99), failures.size());
}

// kill -9 of the real binary in the middle of a large save, then a restart on
// the same file: the database is intact and the save there in full or not at all.
TEST(ServerCrash, KillDuringALargeSaveLeavesItWhollyAppliedOrNotAtAll) {
    constexpr int kStatements = 30'000;
    constexpr int kFirstBulkCenter = 100'000;
    TemporaryDirectory directory;
    const auto database = TestDatabase::create(StorageKind::Sqlite, directory);
    database->open().reset();  // schema and demo data
    database->execute("WITH RECURSIVE n(i) AS (SELECT " + std::to_string(kFirstBulkCenter) + " UNION ALL SELECT i + 1 FROM n"
                      " WHERE i < " + std::to_string(kFirstBulkCenter + kStatements - 1) + ") INSERT INTO Centers(CenterID,"
                      " CenterName, CountryID, Active) SELECT i, 'Bulk ' || i, 1, 1 FROM n;"
                      "INSERT INTO Vendors(VendorID, VendorName) VALUES (40, 'A'), (41, 'B'), (42, 'C');");
    auto largeSave = [&](int vendorId) {
        std::vector<std::string> statements;
        for (int i = 0; i < kStatements; ++i) statements.push_back(insertStatement(vendorId, kFirstBulkCenter + i, "0.08", 1));
        return saveBody(statements);
    };
    auto bulkRows = [&](int vendorId) {
        return *database->rows("SELECT count(*) FROM VendorCenterCrossReference WHERE CenterID >= " +
                               std::to_string(kFirstBulkCenter) + " AND VendorID = " + std::to_string(vendorId))[0][0];
    };
    auto walSize = [&] {
        struct stat info {};
        return stat((database->connectionText() + "-wal").c_str(), &info) == 0 ? info.st_size : -1;
    };
    auto post = [](int port, const std::string& body) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(60);
        return client.Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
    };
    auto start = [&] {
        auto server = std::make_unique<ServerProcess>(
            VENDORCENTER_SERVER_BINARY, std::vector<std::string>{"--listen", "127.0.0.1:0", "--database", database->connectionText()});
        return std::pair(std::move(server), server->listeningPort(std::chrono::seconds(15)));
    };

    // Killed as soon as the write-ahead log moves, 150 ms into the save, and
    // once its reply is there: an acknowledged save must be kept.
    const std::pair<int, int> rounds[] = {{40, -1}, {41, 150}, {42, 0}};  // vendor, kill after ms
    std::string kept;
    const auto started = std::chrono::steady_clock::now();
    for (const auto& [vendorId, killAfterMs] : rounds) {
        auto [server, port] = start();
        ASSERT_GT(port, 0) << "the server page did not start";
        const std::string body = largeSave(vendorId);
        const auto walBefore = walSize();
        std::thread poster([&, port = port] { post(port, body); });
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        if (killAfterMs == 0) {
            poster.join();
        } else if (killAfterMs < 0) {
            while (walSize() == walBefore && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(std::chrono::microseconds(200));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        }
        server->killHard();
        if (poster.joinable()) poster.join();
        std::tie(server, port) = start();  // opening the file recovers from the log
        ASSERT_GT(port, 0) << "the server page did not start again after the kill";
        EXPECT_EQ(*database->rows("PRAGMA integrity_check")[0][0], "ok");
        EXPECT_TRUE(database->rows("PRAGMA foreign_key_check").empty());
        const std::string rows = bulkRows(vendorId);
        EXPECT_TRUE((rows == "0" && killAfterMs != 0) || rows == std::to_string(kStatements)) << vendorId << ": " << rows;
        kept += " vendor " + std::to_string(vendorId) + (rows == "0" ? " none," : " all,");
    }
    // What was lost can be sent again and arrives whole.
    auto [server, port] = start();
    auto resent = post(port, largeSave(40));
    ASSERT_TRUE(resent);
    EXPECT_EQ(resent->status, 200);
    EXPECT_EQ(bulkRows(40), std::to_string(kStatements));
    kept.pop_back();
    std::printf("server page crash: %zu rounds of kill -9 from inside a save of %d statements, each restarted on the same "
                "file (%.1f s in all): integrity ok every time; saves kept:%s\n",
                std::size(rounds), kStatements,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), kept.c_str());
}
