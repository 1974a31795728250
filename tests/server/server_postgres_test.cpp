// The server page on PostgreSQL: the same replies as on SQLite, and what
// happens when the database goes away and comes back.
#include "postgres_cluster.h"
#include "RequestHandling.h"
#include "server_page_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

const std::string kPassword = "s3cret-Pa55";  // the fixture's, see connectionText()


PostgresCluster& cluster() { return *PostgresCluster::shared(); }

// Starts the cluster again at the end of a test that stopped it, passed or not.
struct RestartsTheCluster {
    ~RestartsTheCluster() { cluster().startServer(); }
};

}  // namespace

class ServerOnPostgreSQL : public ServerPageTest {
protected:
    StorageKind storageKind() const override { return StorageKind::PostgreSQL; }

    void expectNoPasswordInTheLog() {
        for (const std::string& line : serverLog()) EXPECT_EQ(line.find(kPassword), std::string::npos) << line;
    }
};

TEST_F(ServerOnPostgreSQL, Answers503WhileTheDatabaseIsDownAndServesAgainOnceItIsBack) {
    ASSERT_EQ(get("/VendorCenter.asp?count=1&VendorID=12")->status, 200);
    const auto before = storedRows();
    {
        RestartsTheCluster restart;
        cluster().stopServer();
        for (const char* kind : {"count", "active", "selected"}) {
            auto down = get(std::string("/VendorCenter.asp?") + kind + "=1&VendorID=12");
            ASSERT_TRUE(down) << kind;
            EXPECT_EQ(down->status, 503) << kind;
            EXPECT_EQ(down->body, "The database cannot be reached just now. Try again shortly.");
        }
        auto refused = post(saveBody({kInsert7}));
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 503);
        EXPECT_EQ(refused->body, "The database cannot be reached just now. Try again shortly.\nNothing was saved.");
    }
    EXPECT_EQ(storedRows(), before);

    // The very next requests reconnect; no restart of the server page.
    auto counts = query("count", "12");
    ASSERT_TRUE(counts && counts->parsed);
    auto saved = post(saveBody({kInsert7}));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(saved->body, "1 change saved for vendor 12.");
    EXPECT_EQ(storedRows().size(), before.size() + 1);
    expectNoPasswordInTheLog();
}

TEST_F(ServerOnPostgreSQL, APostCutOffByAShutdownMidwayLeavesNothingBehind) {
    // The third statement's INSERT waits inside the database long enough to
    // shut the database down under it.
    database_->execute(
        "CREATE FUNCTION linger() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_sleep(5); RETURN NEW; END $$;"
        "CREATE TRIGGER linger BEFORE INSERT ON VendorCenterCrossReference FOR EACH ROW WHEN (NEW.CenterID = 11)"
        " EXECUTE FUNCTION linger();");
    const auto before = storedRows();
    auto pending = std::async(std::launch::async, [&] {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(30);
        return client.Post("/VendorCenter.asp", saveBody({kUpdate9, kDelete3And5, insertStatement(12, 11, "0.08", 1), kInsert7}),
                           "application/x-www-form-urlencoded");
    });
    {
        RestartsTheCluster restart;
        bool lingering = false;
        for (int i = 0; i < 200 && !lingering; ++i) {
            lingering = !cluster().rows("postgres", "SELECT 1 FROM pg_stat_activity WHERE wait_event = 'PgSleep'").empty();
            if (!lingering) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ASSERT_TRUE(lingering);
        cluster().stopServer();
        ASSERT_EQ(pending.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        auto result = pending.get();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 503) << result->body;
        EXPECT_NE(result->body.find("Nothing was saved."), std::string::npos) << result->body;
    }
    EXPECT_EQ(storedRows(), before);
    expectNoPasswordInTheLog();
}

TEST_F(ServerOnPostgreSQL, ConnectionsCutByTheDatabaseAreReplacedWithoutAFailedRequest) {
    // Fill the pool, then have the database end every connection of the page.
    for (int i = 0; i < 3; ++i) ASSERT_EQ(get("/VendorCenter.asp?active=1&VendorID=12")->status, 200);
    const auto before = storedRows();
    database_->execute(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vendorcenter-server'");

    auto saved = post(saveBody({kInsert7, kDelete3And5}));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(saved->body, "3 changes saved for vendor 12.");
    EXPECT_EQ(storedRows().size(), before.size() - 1);  // once: 7 added, 3 and 5 gone
    EXPECT_EQ(get("/VendorCenter.asp?selected=1&VendorID=12")->status, 200);
}

// The same data on both storages gives the same replies, byte for byte.
TEST(SameRepliesOnSQLiteAndPostgreSQL, EveryQueryAndSaveAnswersAlike) {
    TemporaryDirectory directory;
    struct Page {
        std::unique_ptr<TestDatabase> database;
        std::unique_ptr<Storage> storage;
        std::unique_ptr<HttpServer> server;
        std::unique_ptr<httplib::Client> client;
    };
    Page pages[2];
    for (int i = 0; i < 2; ++i) {
        Page& page = pages[i];
        page.database = makeTestDatabase(i == 0 ? StorageKind::Sqlite : StorageKind::PostgreSQL, directory);
        if (!page.database) GTEST_SKIP();
        page.storage = page.database->open();
        page.server = std::make_unique<HttpServer>(*page.storage, [](std::string_view) {});
        const int port = page.server->bind("127.0.0.1", 0);
        ASSERT_GT(port, 0);
        ASSERT_TRUE(page.server->start());
        page.client = std::make_unique<httplib::Client>("127.0.0.1", port);
        page.client->set_read_timeout(20);
    }

    // Names and dates that test the escaping and the date forms; ids up to the
    // largest the control sends.
    std::string data =
        "INSERT INTO Vendors(VendorID, VendorName, DutyDefault) VALUES (40, 'Grand & <Co>', 1), (41, 'Nobody', 0),"
        " (2147483647, 'Largest', 1), (-3, 'Negative', 0);"
        "INSERT INTO Centers(CenterID, CenterName, CountryID, City, Active, DateUpdated) VALUES"
        " (100, 'A & B <C> \"quoted\" ''apostrophe''', 2, NULL, 1, '2026-05-12 14:03:11'),"
        " (101, '   ', 2, 'Z\xC3\xBCrich', 1, NULL),"
        " (102, '', 3, '', 1, ''),"
        " (103, 'Date only', 1, 'X', 1, '2026-05-12'),"
        " (104, 'Not a date', 1, 'Y', 1, 'yesterday'),"
        " (105, 'Letter T', -2, 'Z', 1, '2026-05-12T14:03:11'),"
        " (106, 'Inactive', 2, 'Q', 0, '2026-01-01 00:00:00'),"
        " (107, 'Tab\tand line\nbreak', 2, ']]>', 1, '2026-01-01 00:00:00'),"
        " (99999, 'Five digits', 2, 'Far', 1, '2026-02-03 04:05:06'),"
        " (2147483647, 'Largest id', 1, 'Edge', 1, '2026-02-03 04:05:06');";
    for (int center = 200; center < 400; ++center) {
        data += "INSERT INTO Centers(CenterID, CenterName, CountryID, City, Active, DateUpdated) VALUES (" +
                std::to_string(center) + ", 'Center " + std::to_string(center) + "', " + std::to_string(center % 4) +
                ", 'City', " + std::to_string(center % 7 == 0 ? 0 : 1) + ", '2026-03-0" + std::to_string(center % 9 + 1) +
                " 10:00:00');";
    }
    data +=
        "INSERT INTO VendorCenterCrossReference VALUES (40, 100, 0.5, 1, '2026-05-12 14:03:11'),"
        " (40, 101, 0.25, 0, '2026-05-12'), (40, 102, 0, 1, 'odd'), (40, 106, 1, 1, '2026-01-01 00:00:00'),"
        " (2147483647, 2147483647, 0.75, 1, '2026-02-03 04:05:06');";
    for (const Page& page : pages) page.database->execute(data);

    const std::vector<std::vector<std::string>> posts = {
        {insertStatement(40, 103, "0.1", 1), insertStatement(40, 104, "0.3", 0), insertStatement(40, 105, "0.07", 1),
         insertStatement(40, 107, "0.075", 0), insertStatement(40, 99999, "0.123456789012345", 1)},
        {insertStatement(12, 200, "0.0001", 1), insertStatement(12, 201, "1", 0), insertStatement(12, 202, "0", 1),
         insertStatement(12, 203, "0.30000000000000004", 0), insertStatement(12, 204, "12.5", 1),
         insertStatement(12, 205, "-0.05", 0), insertStatement(12, 206, "0.99999999999999999", 1)},
        {updateStatement(12, 9, "0.085", 0), updateStatement(12, 8, "0.1", 1), insertStatement(12, 3, "0.5", 1),
         "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(5,6,17)"},
        {insertStatement(2147483647, 100, "0.2", 1), insertStatement(-3, 101, "0.2", 0)},
        {insertStatement(41, 300, "0.08", 1), insertStatement(41, 77777, "0.08", 1)},
        {insertStatement(77, 300, "0.08", 1)},
        {kDelete3And5 + "; DROP TABLE Vendors"},
        {"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=30 AND CenterID IN(10,10,11)"},
    };
    const std::string from = currentLocalTimestamp();
    for (const auto& statements : posts) {
        auto first = pages[0].client->Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
        auto second = pages[1].client->Post("/VendorCenter.asp", saveBody(statements), "application/x-www-form-urlencoded");
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->status, second->status) << statements.front();
        EXPECT_EQ(first->body, second->body) << statements.front();
    }
    // GETDATE() is the moment of each post; give both the same moment.
    const std::string to = currentLocalTimestamp();
    for (const Page& page : pages) {
        page.database->execute("UPDATE VendorCenterCrossReference SET RecordLastUpdated = '2031-01-01 00:00:00'"
                               " WHERE RecordLastUpdated >= '" + from + "' AND RecordLastUpdated <= '" + to + "'");
    }
    EXPECT_EQ(pages[0].database->crossReferences(), pages[1].database->crossReferences());

    int compared = 0;
    for (const char* vendor : {"12", "14", "21", "30", "40", "41", "2147483647", "-3", "999", "0", "-2147483648"}) {
        for (const char* kind : {"count", "active", "selected"}) {
            const std::string target = std::string("/VendorCenter.asp?") + kind + "=1&VendorID=" + vendor;
            auto first = pages[0].client->Get(target);
            auto second = pages[1].client->Get(target);
            ASSERT_TRUE(first && second) << target;
            EXPECT_EQ(first->status, 200) << target;
            EXPECT_EQ(first->status, second->status) << target;
            EXPECT_EQ(first->get_header_value("Content-Type"), second->get_header_value("Content-Type")) << target;
            EXPECT_EQ(first->body, second->body) << target;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 33);
    for (Page& page : pages) page.server->stop();
}
