// What differs between the storages: on PostgreSQL a database that goes away and
// comes back (its password never in the log), conflicts and locks. That both
// answer alike is checked by the query and save tests, run on each.
#include "ServerPageFixture.h"

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

class StorageOnPostgreSQL : public ServerPageTest
{
protected:
    void TearDown() override
    {
        server_.reset(); // stops it: the log is complete
        for (const std::string &line : log_)
            EXPECT_EQ(line.find(std::getenv("PGPASSWORD")), std::string::npos) << line;
    }
};
INSTANTIATE_TEST_SUITE_P(Only, StorageOnPostgreSQL, ::testing::Values(StorageKind::Postgres), storageKindName);

TEST_P(StorageOnPostgreSQL, ConnectionsCutOrADatabaseDownAreMetWithoutARestart)
{
    const std::string ours = " FROM pg_stat_activity WHERE application_name = 'vendorcenter-server'";
    for (const char *kind : {"count", "active", "selected"})
        ASSERT_TRUE(query(kind, "12"));
    EXPECT_EQ(database_->rows("SELECT pid" + ours).size(), 1u); // requests in turn share one connection
    const auto before = storedRows();
    // Connections the database cut are replaced without a failed request; the save is applied once.
    database_->execute("SELECT pg_terminate_backend(pid)" + ours);
    EXPECT_EQ(post(saveBody({kInsert7, kDelete3And5}))->body, "3 changes saved for vendor 12.");
    ASSERT_EQ(storedRows().size(), before.size() - 1);
    {
        // Stopped fast, connections break at once; started again whether the test passed or not.
        const auto cluster = [](const std::string &action) {
            EXPECT_EQ(std::system(("pg_ctlcluster \"$PGVERSION\" regress " + action).c_str()), 0);
        };
        const std::shared_ptr<void> restart(nullptr, [&](void *) { cluster("start"); });
        cluster("stop -m fast");
        const std::string unreachable = "The database cannot be reached just now. Try again shortly.";
        for (const char *kind : {"count", "active", "selected"})
            EXPECT_EQ(
                reply(get(std::string("/VendorCenter.asp?") + kind + "=1&VendorID=12")), std::pair(503, unreachable));
        EXPECT_EQ(reply(post(saveBody({kUpdate9}))), std::pair(503, unreachable + "\nNothing was saved."));
    }
    // The very next requests reconnect, without a restart of the server page.
    EXPECT_TRUE(query("count", "12"));
    EXPECT_EQ(post(saveBody({kUpdate9}))->body, "1 change saved for vendor 12.");
    EXPECT_EQ(storedRows().size(), before.size() - 1);
}

// Two posts that lock the same rows in opposite orders: the database rolls one
// back, and it runs again, a few times at most.
TEST_P(StorageOnPostgreSQL, ConflictsAreRetriedAFewTimesThenReported)
{
    database_->execute(
        "CREATE SEQUENCE tries; CREATE FUNCTION conflict() RETURNS trigger LANGUAGE plpgsql AS $$"
        " DECLARE n bigint := nextval('tries'); BEGIN IF NEW.CenterID = 11 OR n % 4 <> 0 THEN"
        " RAISE EXCEPTION 'conflict' USING ERRCODE = (ARRAY['40P01', '40001', '40P01', '23505'])[n % 4 + 1];"
        " END IF; RETURN NEW; END $$; CREATE TRIGGER conflict BEFORE INSERT ON VendorCenterCrossReference"
        " FOR EACH ROW EXECUTE FUNCTION conflict();");
    const auto before = storedRows();
    EXPECT_EQ(post(saveBody({kInsert7}))->body, "1 change saved for vendor 12."); // the fourth try
    EXPECT_EQ(storedRows().size(), before.size() + 1);
    EXPECT_EQ(reply(post(saveBody({insertStatement(12, 11, "0.08", 1)}))),
        std::pair(500, std::string("The database could not save the changes.\nNothing was saved.")));
    EXPECT_EQ(database_->rows("SELECT last_value FROM tries")[0][0], "9"); // five tries, no more
}

// A post naming 200,000 centers that do not exist is refused at the first of
// them, before anything is locked: one lock per pair would fill the table of
// locks every user of a PostgreSQL cluster shares.
TEST_P(StorageOnPostgreSQL, APostOfMadeUpCentersIsRefusedBeforeAnythingIsLocked)
{
    std::vector<std::string> statements(8, "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(");
    for (int center = 0; center < 200'000; ++center)
        statements[center / 25'000] += std::to_string(1'000'000 + center) + (center % 25'000 == 24'999 ? ")" : ",");
    const auto before = storedRows();
    const auto [status, body] = reply(post(saveBody(statements)));
    EXPECT_EQ(status, 422);
    EXPECT_TRUE(body.ends_with("\") names center 1000000 does not exist.\nNothing was saved.")) << body;
    EXPECT_EQ(storedRows(), before);
}

// A post holds one lock for each bucket of its vendors, none for its pairs.
TEST_P(StorageOnPostgreSQL, APostLocksItsVendorsNotItsPairs)
{
    database_->execute("CREATE TABLE held(locks text); CREATE FUNCTION held() RETURNS trigger LANGUAGE plpgsql AS $$"
                       " BEGIN INSERT INTO held SELECT string_agg(classid || '/' || objid, ' ' ORDER BY objid)"
                       " FROM pg_locks WHERE locktype = 'advisory' AND pid = pg_backend_pid(); RETURN NULL; END $$;"
                       " CREATE TRIGGER held AFTER INSERT ON VendorCenterCrossReference FOR EACH STATEMENT"
                       " EXECUTE FUNCTION held();");
    const auto saved = post(saveBody({insertStatement(30, 3, "0.1", 1), kInsert7, kDelete3And5, kUpdate9}));
    EXPECT_EQ(saved->body, "5 changes saved.");
    EXPECT_EQ(database_->rows("SELECT locks FROM held"), TestDatabase::Rows {{"738106503/12 738106503/30"}});
}
