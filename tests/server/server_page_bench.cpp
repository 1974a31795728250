// How long the server page takes for the largest lists the control loads.
#include "Replies.h"
#include "server_page_fixture.h"

#include <benchmark/benchmark.h>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

constexpr int kCenters = 32000;  // half selected: 16,000 rows in each list

// A seeded database with kCenters more centers, half of them selected for vendor 12.
class LargeDatabase {
public:
    LargeDatabase() : path_(directory_.file("large.sqlite")) {
        SqliteStorage::open(path_);
        executeSql(path_,
                   "WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < 1000 + " +
                       std::to_string(kCenters - 1) +
                       ") INSERT INTO Centers SELECT i, 'Distribution Center & Co <' || i || '>', 1 + i % 3, 'City', 1,"
                       " '2026-05-12 14:03:11' FROM n;"
                       "INSERT INTO VendorCenterCrossReference SELECT 12, CenterID, 0.08, CenterID % 2,"
                       " '2026-05-12 14:03:11' FROM Centers WHERE CenterID >= 1000 AND CenterID % 2 = 0;");
        storage_ = SqliteStorage::open(path_);
    }
    SqliteStorage& storage() { return *storage_; }

private:
    TemporaryDirectory directory_;
    std::string path_;
    std::unique_ptr<SqliteStorage> storage_;
};

LargeDatabase& largeDatabase() {
    static LargeDatabase database;
    return database;
}

void BM_SelectedReplyXml16000(benchmark::State& state) {
    constexpr int kRows = 16000;
    std::vector<std::string> names(kRows);
    std::vector<SelectedCenterRow> centers(kRows);
    for (int i = 0; i < kRows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        names[at] = "Smith & Sons <North> " + std::to_string(i);
        centers[at] = {i + 1, names[at], 0.125, i % 2, "2026-05-12 14:03:11"};
    }
    for (auto _ : state) benchmark::DoNotOptimize(selectedCentersReplyXml(12, centers));
}
BENCHMARK(BM_SelectedReplyXml16000)->Unit(benchmark::kMillisecond);

void BM_ActiveQueryAndReply(benchmark::State& state) {
    SqliteStorage& storage = largeDatabase().storage();
    std::size_t rows = 0;
    for (auto _ : state) {
        ActiveCentersReply reply(12);
        rows = 0;
        storage.readActiveCenters(12, [&](const ActiveCenterRow& center) {
            reply.add(center);
            ++rows;
        });
        benchmark::DoNotOptimize(reply.finish());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ActiveQueryAndReply)->Unit(benchmark::kMillisecond);

void BM_SelectedQueryAndReply(benchmark::State& state) {
    SqliteStorage& storage = largeDatabase().storage();
    std::size_t rows = 0;
    for (auto _ : state) {
        SelectedCentersReply reply(12);
        rows = 0;
        storage.readSelectedCenters(12, [&](const SelectedCenterRow& center) {
            reply.add(center);
            ++rows;
        });
        benchmark::DoNotOptimize(reply.finish());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SelectedQueryAndReply)->Unit(benchmark::kMillisecond);

void BM_CountQuery(benchmark::State& state) {
    SqliteStorage& storage = largeDatabase().storage();
    for (auto _ : state) benchmark::DoNotOptimize(countsReplyXml(12, storage.counts(12)));
}
BENCHMARK(BM_CountQuery)->Unit(benchmark::kMicrosecond);

void BM_HttpActiveQueryOnLoopback(benchmark::State& state) {
    SqliteStorage& storage = largeDatabase().storage();
    HttpServer server(storage, [](std::string_view) {});
    const int port = server.bind("127.0.0.1", 0);
    if (port <= 0 || !server.start()) {
        state.SkipWithError("server did not start");
        return;
    }
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto result = client.Get("/VendorCenter.asp?active=1&VendorID=12");
        if (!result || result->status != 200) {
            state.SkipWithError("request failed");
            break;
        }
        bytes = result->body.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_HttpActiveQueryOnLoopback)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
