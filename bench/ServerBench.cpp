// The server page at the largest lists: the two list queries over HTTP on
// loopback, and a save post applied to SQLite beside the plain SQLite inserts
// it is judged against.

#include "BenchSizes.h"

#include "HttpServer.h"
#include "ServerPageFixture.h"
#include "storage/SelectedListTag.h"
#include "storage/SqliteStorage.h"

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

constexpr int kVendorWithLists = 12; // half of the added centers are selected for it
constexpr int kVendorThatSaves = 14; // none of the added centers are selected for it
constexpr int kFirstAddedCenter = 1000;
// The saves post INSERTs of centers from 1000 up, so their database holds as
// many added centers as the largest save.
int largestSave = 32000;

template<typename Operation>
double secondsOf(Operation &&operation)
{
    const auto start = std::chrono::steady_clock::now();
    operation();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The demo database plus `centers` active centers from 1000 up, every second
// one selected for vendor 12, served on a free loopback port.
class ServedDatabase
{
public:
    explicit ServedDatabase(int centers) : path_(directory_.file("bench.sqlite"))
    {
        SqliteStorage::open(path_);
        if (centers > 0) {
            executeSql(path_,
                "WITH RECURSIVE n(i) AS (SELECT " + std::to_string(kFirstAddedCenter)
                    + " UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kFirstAddedCenter + centers - 1)
                    + ") INSERT INTO Centers SELECT i, 'Distribution Center & Co <' || i || '>',"
                      " 1 + i % 3, 'City', 1, '2026-05-12 14:03:11' FROM n;"
                      "INSERT INTO VendorCenterCrossReference SELECT "
                    + std::to_string(kVendorWithLists)
                    + ", CenterID, 0.08, CenterID % 2, '2026-05-12 14:03:11' FROM Centers"
                      " WHERE CenterID >= "
                    + std::to_string(kFirstAddedCenter) + " AND CenterID % 2 = 0;");
        }
        storage_ = SqliteStorage::open(path_);
        server_ = std::make_unique<HttpServer>(*storage_, [](std::string_view) {});
        port_ = server_->bind("127.0.0.1", 0);
        if (port_ <= 0 || !server_->start())
            throw std::runtime_error("the server page did not start");
        client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
        client_->set_connection_timeout(5);
        client_->set_read_timeout(60);
        client_->set_write_timeout(60);
        client_->set_keep_alive(true);
        // The client writes a post's head and body apart; with Nagle on, a
        // small body waits for the page's delayed ACK (40 ms) and the post
        // would measure the TCP stack instead of the page.
        client_->set_tcp_nodelay(true);
    }

    ~ServedDatabase()
    {
        client_.reset();
        server_->stop();
    }

    httplib::Client &client() { return *client_; }
    const std::string &path() const { return path_; }

    void forgetSavedCenters()
    {
        executeSql(path_,
            "DELETE FROM VendorCenterCrossReference WHERE VendorID = " + std::to_string(kVendorThatSaves)
                + " AND CenterID >= " + std::to_string(kFirstAddedCenter));
    }

private:
    TemporaryDirectory directory_;
    std::string path_;
    std::unique_ptr<SqliteStorage> storage_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;
};

// One database per size, kept for the whole run.
ServedDatabase &databaseWith(int centers)
{
    static std::map<int, std::unique_ptr<ServedDatabase>> databases;
    std::unique_ptr<ServedDatabase> &database = databases[centers];
    if (!database)
        database = std::make_unique<ServedDatabase>(centers);
    return *database;
}

// What the control's network stack (Qt 6) offers to take; cpp-httplib answers
// a text reply with brotli when br is among them.
constexpr const char *kControlAcceptEncoding = "zstd, br, gzip, deflate";

void timeQuery(benchmark::State &state, int centers, const char *kind, const char *acceptEncoding)
{
    ServedDatabase &database = databaseWith(centers);
    const std::string target =
        std::string("/VendorCenter.asp?") + kind + "=1&VendorID=" + std::to_string(kVendorWithLists);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const httplib::Result result =
            database.client().Get(target.c_str(), httplib::Headers {{"Accept-Encoding", acceptEncoding}});
        if (!result || result->status != 200) {
            state.SkipWithError("the query failed");
            return;
        }
        bytes = result->body.size();
    }
    state.counters["reply_bytes"] = static_cast<double>(bytes);
}

void BM_ServerActiveQuery(benchmark::State &state, int rows)
{
    timeQuery(state, rows, "active", kControlAcceptEncoding);
}

void BM_ServerSelectedQuery(benchmark::State &state, int rows)
{
    timeQuery(state, rows, "selected", kControlAcceptEncoding);
}

// The same queries answered uncompressed: what the page costs without its compressor.
void BM_ServerActiveQueryIdentity(benchmark::State &state, int rows)
{
    timeQuery(state, rows, "active", "identity");
}

void BM_ServerSelectedQueryIdentity(benchmark::State &state, int rows)
{
    timeQuery(state, rows, "selected", "identity");
}

std::string insertStatement(int centerId, int vendorId = kVendorThatSaves)
{
    return "INSERT INTO VendorCenterCrossReference (VendorID,CenterID,CenterHandlingFee,DutyBrokerageFee,"
           "RecordLastUpdated) VALUES ("
        + std::to_string(vendorId) + "," + std::to_string(centerId) + ",0.08," + std::to_string(centerId % 2)
        + ",GETDATE() ) ";
}

// A post of `statements` INSERTs, as the control sends them, applied in one transaction.
void BM_ServerSavePost(benchmark::State &state, int statements)
{
    ServedDatabase &database = databaseWith(largestSave);
    std::vector<std::string> texts;
    for (int i = 0; i < statements; ++i)
        texts.push_back(insertStatement(kFirstAddedCenter + i));
    const std::string body = saveBody(texts);
    database.forgetSavedCenters();
    for (auto _ : state) {
        bool applied = false;
        state.SetIterationTime(secondsOf([&] {
            const httplib::Result result =
                database.client().Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
            applied = result && result->status == 200;
        }));
        if (!applied) {
            state.SkipWithError("the post was refused");
            return;
        }
        database.forgetSavedCenters();
    }
    state.counters["body_bytes"] = static_cast<double>(body.size());
}

// The tag's own cost in a selected-list reply: the hash over `rows` rows as
// the page feeds it, beside the whole query above.
void BM_SelectedListTag(benchmark::State &state, int rows)
{
    const std::string name = "Distribution Center & Co <12345>";
    for (auto _ : state) {
        SelectedListTag tag(kVendorWithLists);
        for (int i = 0; i < rows; ++i)
            tag.add({kFirstAddedCenter + 2 * i, name, 0.08, i % 2, "2026-05-12 14:03:11"});
        benchmark::DoNotOptimize(tag.finish());
    }
}

// A post of `statements` INSERTs onto vendor 12, whose list holds half of the
// added centers: with the tag of its last load (recomputed over every one of
// those rows in the save's transaction), or without, as before.
void timeSaveOntoTheLargeList(benchmark::State &state, int statements, bool guarded)
{
    ServedDatabase &database = databaseWith(largestSave);
    std::vector<std::string> texts;
    for (int i = 0; i < statements; ++i)
        texts.push_back(insertStatement(kFirstAddedCenter + 2 * i + 1, kVendorWithLists));
    const std::string body = saveBody(texts);
    const auto forget = [&] {
        executeSql(database.path(),
            "DELETE FROM VendorCenterCrossReference WHERE VendorID = " + std::to_string(kVendorWithLists)
                + " AND CenterID >= " + std::to_string(kFirstAddedCenter) + " AND CenterID % 2 = 1");
    };
    forget();
    httplib::Headers headers;
    if (guarded) {
        const httplib::Result list =
            database.client().Get("/VendorCenter.asp?selected=1&VendorID=" + std::to_string(kVendorWithLists));
        headers.emplace("If-Match", list ? list->get_header_value("ETag") : "");
    }
    for (auto _ : state) {
        bool applied = false;
        state.SetIterationTime(secondsOf([&] {
            const httplib::Result result =
                database.client().Post("/VendorCenter.asp", headers, body, "application/x-www-form-urlencoded");
            applied = result && result->status == 200;
        }));
        if (!applied) {
            state.SkipWithError("the post was refused");
            return;
        }
        forget();
    }
}

void BM_ServerSavePostOntoLargeList(benchmark::State &state, int statements)
{
    timeSaveOntoTheLargeList(state, statements, false);
}

void BM_ServerSavePostOntoLargeListIfMatch(benchmark::State &state, int statements)
{
    timeSaveOntoTheLargeList(state, statements, true);
}

// The floor: the same rows as prepared INSERTs in one transaction, straight
// into the same database with the settings the server page uses.
void BM_SqliteInsertFloor(benchmark::State &state, int statements)
{
    ServedDatabase &database = databaseWith(largestSave);
    database.forgetSavedCenters();
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(database.path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        state.SkipWithError("cannot open the database");
        return;
    }
    sqlite3_exec(db, "PRAGMA foreign_keys = ON; PRAGMA busy_timeout = 5000;", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
        "INSERT INTO VendorCenterCrossReference(VendorID, CenterID, CenterHandlingFee,"
        " DutyBrokerageFee, RecordLastUpdated) VALUES (?1, ?2, ?3, ?4, ?5)",
        -1, &insert, nullptr);
    bool failed = false;
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] {
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            for (int i = 0; i < statements; ++i) {
                const int centerId = kFirstAddedCenter + i;
                sqlite3_bind_int64(insert, 1, kVendorThatSaves);
                sqlite3_bind_int64(insert, 2, centerId);
                sqlite3_bind_double(insert, 3, 0.08);
                sqlite3_bind_int64(insert, 4, centerId % 2);
                sqlite3_bind_text(insert, 5, "2026-05-12 14:03:11", -1, SQLITE_STATIC);
                failed |= sqlite3_step(insert) != SQLITE_DONE;
                sqlite3_reset(insert);
            }
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }));
        database.forgetSavedCenters();
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    if (failed)
        state.SkipWithError("an insert failed");
}

void registerSized(
    const char *name, void (*run)(benchmark::State &, int), const std::vector<int> &sizes, bool smoke, bool manualTime)
{
    for (const int rows : sizes) {
        auto *bench = benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(rows)).c_str(),
            [run, rows](benchmark::State &state) { run(state, rows); });
        bench->Unit(benchmark::kMillisecond);
        if (manualTime)
            bench->UseManualTime();
        if (smoke)
            bench->Iterations(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = vcbench::takeSmokeFlag(argc, argv);
    const std::vector<int> sizes = vcbench::listSizes(smoke);
    std::vector<int> saveSizes = sizes;
    if (!smoke) {
        saveSizes.push_back(10000);
        std::sort(saveSizes.begin(), saveSizes.end());
        // The page refuses a post without statements: the fixed cost of a save is one statement.
        saveSizes.front() = 1;
    }
    largestSave = saveSizes.back();
    registerSized("BM_ServerActiveQuery", BM_ServerActiveQuery, sizes, smoke, false);
    registerSized("BM_ServerSelectedQuery", BM_ServerSelectedQuery, sizes, smoke, false);
    registerSized("BM_ServerActiveQueryIdentity", BM_ServerActiveQueryIdentity, sizes, smoke, false);
    registerSized("BM_ServerSelectedQueryIdentity", BM_ServerSelectedQueryIdentity, sizes, smoke, false);
    registerSized("BM_ServerSavePost", BM_ServerSavePost, saveSizes, smoke, true);
    registerSized("BM_SqliteInsertFloor", BM_SqliteInsertFloor, saveSizes, smoke, true);
    // The largest list holds every second added center: half are free to add onto it.
    const std::vector<int> guardedSizes = smoke ? std::vector<int> {largestSave / 2} : std::vector<int> {1, 10000};
    registerSized("BM_ServerSavePostOntoLargeList", BM_ServerSavePostOntoLargeList, guardedSizes, smoke, true);
    registerSized(
        "BM_ServerSavePostOntoLargeListIfMatch", BM_ServerSavePostOntoLargeListIfMatch, guardedSizes, smoke, true);
    registerSized("BM_SelectedListTag", BM_SelectedListTag, sizes, smoke, false);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
