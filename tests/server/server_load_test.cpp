// Many clients at once on loopback: queries and saves for the same and for
// different vendors. Every request must succeed, and the database afterwards
// must hold exactly what the acknowledged saves said, each applied once.
#include "storage/DemoSeed.h"
#include "HttpServer.h"
#include "server_page_fixture.h"
#include "storage/SqliteStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

constexpr int kClients = 16;
constexpr int kRequestsPerClient = 200;
constexpr auto kTimeLimit = std::chrono::seconds(60);

using Pair = std::pair<long long, long long>;  // vendor, center

struct Expected {
    double fee = 0;
    long long duty = 0;
};

struct ClientOutcome {
    std::map<Pair, std::optional<Expected>> owned;  // what this client's acknowledged saves left
    std::vector<double> latenciesMs;
    int queries = 0;
    int posts = 0;
    std::vector<std::string> failures;
};

std::string insertText(const Pair& pair, const std::string& fee, long long duty) {
    return "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,"
           "RecordLastUpdated) VALUES (" + std::to_string(pair.first) + "," + std::to_string(pair.second) + "," + fee +
           "," + std::to_string(duty) + ",GETDATE() ) ";
}

std::string updateText(const Pair& pair, const std::string& fee, long long duty) {
    return "UPDATE VendorCenterCrossReference SET CenterHandlingFee= " + fee + ", DutyBrokerageFee= " +
           std::to_string(duty) + ", RecordLastUpdated = GETDATE()  WHERE CenterID = " + std::to_string(pair.second) +
           " AND vendorID = " + std::to_string(pair.first);
}

std::string deleteText(const Pair& pair) {
    return "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=" + std::to_string(pair.first) + " AND CenterID IN(" +
           std::to_string(pair.second) + ")";
}

// One client: a keep-alive connection, a fixed random mix of the three
// queries and saves of 1 to 3 changes to the pairs it owns.
void runClient(int index, int port, ClientOutcome& outcome, std::chrono::steady_clock::time_point deadline) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(5);
    client.set_read_timeout(15);
    client.set_write_timeout(15);
    std::mt19937 random(static_cast<unsigned>(index) * 7919u + 1u);
    std::vector<Pair> pairs;
    for (const auto& [pair, _] : outcome.owned) pairs.push_back(pair);
    const auto& vendors = demoSeed().vendors;

    for (int i = 0; i < kRequestsPerClient && std::chrono::steady_clock::now() < deadline; ++i) {
        const auto started = std::chrono::steady_clock::now();
        const int kind = static_cast<int>(random() % 4);
        if (kind < 3) {
            static const char* const kQueries[] = {"count", "active", "selected"};
            const auto vendor = vendors[random() % vendors.size()].vendorId;
            const std::string target =
                std::string("/VendorCenter.asp?") + kQueries[kind] + "=1&VendorID=" + std::to_string(vendor);
            auto result = client.Get(target.c_str());
            if (!result || result->status != 200 || !readByPosition(result->body)->parsed) {
                outcome.failures.push_back(target + ": " + (result ? std::to_string(result->status) : "no answer"));
            }
            ++outcome.queries;
        } else {
            std::vector<std::string> statements;
            std::map<Pair, std::optional<Expected>> after = outcome.owned;
            std::shuffle(pairs.begin(), pairs.end(), random);
            const std::size_t changes = 1 + random() % 3;
            std::set<long long> vendorsTouched;
            for (std::size_t c = 0; c < changes; ++c) {
                const Pair& pair = pairs[c];
                vendorsTouched.insert(pair.first);
                // A fee of its own for every change, so that a change applied
                // twice or lost shows in the final fees.
                const std::string fee = "0." + std::to_string(10000 + index * 1000 + i);
                const long long duty = static_cast<long long>(random() % 2);
                if (!after[pair]) {
                    statements.push_back(insertText(pair, fee, duty));
                    after[pair] = Expected{std::stod(fee), duty};
                } else if (random() % 2 == 0) {
                    statements.push_back(updateText(pair, fee, duty));
                    after[pair] = Expected{std::stod(fee), duty};
                } else {
                    statements.push_back(deleteText(pair));
                    after[pair] = std::nullopt;
                }
            }
            std::string expectedReply = std::to_string(changes) + (changes == 1 ? " change saved" : " changes saved");
            if (vendorsTouched.size() == 1) expectedReply += " for vendor " + std::to_string(*vendorsTouched.begin());
            expectedReply += ".";

            auto result = client.Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
            if (result && result->status == 200) {
                outcome.owned = std::move(after);  // acknowledged: now it counts
                if (result->body != expectedReply) outcome.failures.push_back("save said: " + result->body);
            } else {
                outcome.failures.push_back("save: " + (result ? std::to_string(result->status) + " " + result->body
                                                               : std::string("no answer")));
            }
            ++outcome.posts;
        }
        outcome.latenciesMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
    }
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

}  // namespace

TEST(ServerUnderLoad, SixteenClientsMixingQueriesAndSavesLoseAndRepeatNothing) {
    TemporaryDirectory directory;
    const std::string databasePath = directory.file("vendorcenter.sqlite");
    auto storage = SqliteStorage::open(databasePath);
    HttpServer server(*storage, [](std::string_view) {});
    const int port = server.bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    ASSERT_TRUE(server.start());

    // Every (vendor, center) pair belongs to one client; all clients work on
    // all vendors.
    std::vector<ClientOutcome> outcomes(kClients);
    const auto seeded = storedCrossReferences(databasePath);
    const auto& centers = demoSeed().centers;
    for (std::size_t c = 0; c < centers.size(); ++c) {
        for (const auto& vendor : demoSeed().vendors) {
            const Pair pair{vendor.vendorId, centers[c].centerId};
            std::optional<Expected> now;
            for (const auto& row : seeded) {
                if (row.vendorId == pair.first && row.centerId == pair.second) now = Expected{row.handlingFee, row.dutyBrokerageFee};
            }
            outcomes[c % kClients].owned[pair] = now;
        }
    }

    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + kTimeLimit;
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back(runClient, i, port, std::ref(outcomes[static_cast<std::size_t>(i)]), deadline);
    }
    for (auto& client : clients) client.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    server.stop();

    std::vector<double> latencies;
    int queries = 0;
    int posts = 0;
    std::size_t failed = 0;
    std::map<Pair, Expected> expected;
    for (const auto& outcome : outcomes) {
        for (const auto& failure : outcome.failures) ADD_FAILURE() << failure;
        failed += outcome.failures.size();
        latencies.insert(latencies.end(), outcome.latenciesMs.begin(), outcome.latenciesMs.end());
        queries += outcome.queries;
        posts += outcome.posts;
        for (const auto& [pair, state] : outcome.owned) {
            if (state) expected[pair] = *state;
        }
    }
    const int requests = queries + posts;
    EXPECT_EQ(requests, kClients * kRequestsPerClient) << "the time limit cut the run short";

    std::map<Pair, Expected> stored;
    for (const auto& row : storedCrossReferences(databasePath)) {
        stored[{row.vendorId, row.centerId}] = Expected{row.handlingFee, row.dutyBrokerageFee};
    }
    ASSERT_EQ(stored.size(), expected.size());
    for (const auto& [pair, want] : expected) {
        const auto found = stored.find(pair);
        ASSERT_NE(found, stored.end()) << pair.first << "/" << pair.second;
        EXPECT_EQ(found->second.fee, want.fee) << pair.first << "/" << pair.second;
        EXPECT_EQ(found->second.duty, want.duty) << pair.first << "/" << pair.second;
    }

    std::printf("server page load: %d requests (%d queries, %d saves) from %d clients in %.2f s, %.0f requests/s, "
                "p50 %.2f ms, p99 %.2f ms, %zu failed\n",
                requests, queries, posts, kClients, seconds, requests / seconds, percentile(latencies, 0.5),
                percentile(latencies, 0.99), failed);
}
