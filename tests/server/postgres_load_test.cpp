// Many clerks at once on PostgreSQL: every request answered, every
// acknowledged change applied exactly once.
#include "storage/DemoSeed.h"
#include "postgres_cluster.h"
#include "server_page_fixture.h"
#include "server_process.h"
#include "StatementParser.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <array>
#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <set>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

constexpr int kClients = 64;
constexpr int kSharedPairs = 4;

struct Pair {
    int vendor;
    int center;
};

std::string insertStatement(const Pair& pair, const std::string& fee, int duty) { return vendorcenter::server::testing::insertStatement(pair.vendor, pair.center, fee, duty); }

std::string updateStatement(const Pair& pair, const std::string& fee, int duty) { return vendorcenter::server::testing::updateStatement(pair.vendor, pair.center, fee, duty); }

std::string deleteStatement(const Pair& pair) { return vendorcenter::server::testing::deleteStatement(pair.vendor, pair.center); }

// The number of changes a save reply reports, or -1 when it is no save reply.
int changesReported(const std::string& body) {
    if (body.rfind("No changes saved", 0) == 0) return 0;
    const std::size_t blank = body.find(' ');
    if (blank == std::string::npos || body.compare(blank, 7, " change") != 0) return -1;
    return std::stoi(body.substr(0, blank));
}

struct Expected {
    bool present = false;
    double fee = 0.0;
    int duty = 0;
};

}  // namespace

TEST(PostgreSQLUnderLoad, SixtyFourClientsMixingQueriesAndPostsAreEachAppliedOnce) {
    // The server page runs as its own process, as it does in production.
    PostgresCluster* cluster = PostgresCluster::shared();
    if (cluster == nullptr) GTEST_SKIP();
    cluster->createDatabase("loadtest");
    TemporaryDirectory directory;
    const std::string stderrPath = directory.file("server.log");
    ServerProcess server(VENDORCENTER_SERVER_BINARY,
                         {"--listen", "127.0.0.1:0", "--database", cluster->uri("loadtest", "load-Pa55")}, stderrPath);
    ASSERT_TRUE(server.started());
    const int port = server.listeningPort(std::chrono::seconds(30));
    ASSERT_GT(port, 0) << contentsOf(stderrPath);

    // Each client owns one vendor/center pair that nobody else touches; a few
    // shared pairs are added and removed by everyone at once.
    const DemoSeed& seed = demoSeed();
    std::set<std::pair<int, int>> seeded;
    for (const auto& row : seed.crossReferences) seeded.insert({row.vendorId, row.centerId});
    std::vector<Pair> free;
    for (const auto& center : seed.centers) {
        for (const auto& vendor : seed.vendors) {
            if (!seeded.count({vendor.vendorId, center.centerId})) free.push_back({vendor.vendorId, center.centerId});
        }
    }
    ASSERT_GE(free.size(), std::size_t{kClients + kSharedPairs});
    const std::vector<Pair> own(free.begin(), free.begin() + kClients);
    const std::vector<Pair> shared(free.begin() + kClients, free.begin() + kClients + kSharedPairs);

    std::array<Expected, kClients> expected;
    std::array<std::atomic<int>, kSharedPairs> sharedInserts{};
    std::array<std::atomic<int>, kSharedPairs> sharedDeletes{};
    std::atomic<int> failures{0};
    std::atomic<int> requests{0};
    std::mutex messageMutex;
    std::vector<std::string> messages;
    auto fail = [&](const std::string& message) {
        ++failures;
        std::lock_guard lock(messageMutex);
        if (messages.size() < 10) messages.push_back(message);
    };

    const auto started = std::chrono::steady_clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_connection_timeout(10);
            client.set_read_timeout(60);
            client.set_write_timeout(30);
            const Pair mine = own[c];
            const int rounds = 10 + c % 3;  // clients end on an INSERT, an UPDATE or a DELETE
            for (int round = 0; round < rounds; ++round) {
                // Own pair: INSERT, UPDATE, DELETE in turn, each must be applied.
                const std::string fee = "0." + std::to_string(1000 + c * 16 + round);
                const int duty = (c + round) % 2;
                std::string ownStatement;
                switch (round % 3) {
                case 0: ownStatement = insertStatement(mine, fee, duty); break;
                case 1: ownStatement = updateStatement(mine, fee, duty); break;
                default: ownStatement = deleteStatement(mine); break;
                }
                // Shared pair: half the clients add it, half remove it.
                const int sharedIndex = (c + round) % kSharedPairs;
                const bool sharedInsert = (c + round / kSharedPairs) % 2 == 0;
                const std::string sharedStatement =
                    sharedInsert ? insertStatement(shared[sharedIndex], "0.05", 0) : deleteStatement(shared[sharedIndex]);

                // Now and then both go in one post.
                std::vector<std::vector<std::string>> posts;
                if (round % 4 == 3) {
                    posts = {{ownStatement, sharedStatement}};
                } else {
                    posts = {{ownStatement}, {sharedStatement}};
                }
                for (const auto& statements : posts) {
                    auto saved = client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
                    ++requests;
                    if (!saved || saved->status != 200) {
                        fail("post failed: " + (saved ? std::to_string(saved->status) + " " + saved->body
                                                       : "no answer, " + httplib::to_string(saved.error())));
                        continue;
                    }
                    const bool hasOwn = statements.front() == ownStatement;
                    const bool hasShared = statements.back() == sharedStatement;
                    const int changes = changesReported(saved->body);
                    const int sharedApplied = changes - (hasOwn ? 1 : 0);
                    if (changes < 0 || sharedApplied < 0 || sharedApplied > (hasShared ? 1 : 0)) {
                        fail("unexpected reply: " + saved->body);
                        continue;
                    }
                    if (hasShared && sharedApplied == 1) ++(sharedInsert ? sharedInserts : sharedDeletes)[sharedIndex];
                }
                switch (round % 3) {
                case 0: expected[c] = {true, *parsePlainDecimal(fee), duty}; break;
                case 1: expected[c] = {true, *parsePlainDecimal(fee), duty}; break;
                default: expected[c] = {}; break;
                }

                for (const char* kind : {"count", "active", "selected"}) {
                    if (kind[0] == "cas"[round % 3]) continue;  // two of the three queries each round
                    auto answer = client.Get(std::string("/VendorCenter.asp?") + kind + "=1&VendorID=" + std::to_string(mine.vendor));
                    ++requests;
                    if (!answer || answer->status != 200 || !readByPosition(answer->body)->parsed) {
                        fail(std::string("query failed: ") + kind + " " +
                             (answer ? std::to_string(answer->status) : "no answer, " + httplib::to_string(answer.error())));
                    }
                }
            }
        });
    }
    for (auto& client : clients) client.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "[ measured ] " << requests.load() << " requests from " << kClients << " clients in " << seconds << " s ("
              << static_cast<int>(requests.load() / seconds) << " requests/s)\n";
    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCode(std::chrono::seconds(20)), 0);
    EXPECT_EQ(contentsOf(stderrPath).find("load-Pa55"), std::string::npos);

    EXPECT_EQ(failures.load(), 0);
    for (const std::string& message : messages) ADD_FAILURE() << message;
    EXPECT_GE(requests.load(), 2500);

    std::map<std::pair<long long, long long>, StoredCrossReference> stored;
    for (const auto& row : cluster->rows("loadtest",
                                         "SELECT VendorID, CenterID, CenterHandlingFee, DutyBrokerageFee, RecordLastUpdated"
                                         " FROM VendorCenterCrossReference")) {
        stored[{std::stoll(*row[0]), std::stoll(*row[1])}] = {std::stoll(*row[0]), std::stoll(*row[1]), std::stod(*row[2]),
                                                              std::stoll(*row[3]), *row[4]};
    }

    std::size_t expectedRows = seed.crossReferences.size();
    for (const auto& row : seed.crossReferences) {
        const auto found = stored.find({row.vendorId, row.centerId});
        ASSERT_NE(found, stored.end());
        EXPECT_EQ(found->second.handlingFee, row.handlingFee);
        EXPECT_EQ(found->second.recordLastUpdated, row.recordLastUpdated);
    }
    for (int c = 0; c < kClients; ++c) {
        const auto found = stored.find({own[c].vendor, own[c].center});
        EXPECT_EQ(found != stored.end(), expected[c].present) << "client " << c;
        if (found != stored.end() && expected[c].present) {
            EXPECT_EQ(found->second.handlingFee, expected[c].fee) << "client " << c;
            EXPECT_EQ(found->second.dutyBrokerageFee, expected[c].duty) << "client " << c;
        }
        expectedRows += expected[c].present ? 1 : 0;
    }
    for (int s = 0; s < kSharedPairs; ++s) {
        // Adds and removals of one pair alternate, whatever the order of the clients.
        const int present = sharedInserts[s] - sharedDeletes[s];
        EXPECT_TRUE(present == 0 || present == 1) << "shared pair " << s << ": " << sharedInserts[s] << " added, "
                                                  << sharedDeletes[s] << " removed";
        EXPECT_EQ(stored.count({shared[s].vendor, shared[s].center}), static_cast<std::size_t>(present)) << "shared pair " << s;
        expectedRows += present == 1 ? 1 : 0;
        EXPECT_GT(sharedInserts[s] + sharedDeletes[s], 1) << "shared pair " << s;
    }
    EXPECT_EQ(stored.size(), expectedRows);
}
