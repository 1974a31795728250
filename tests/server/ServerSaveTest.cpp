#include "ServerPageFixture.h"

#include <regex>
#include <set>
#include <thread>

using namespace vendorcenter::server::testing;

// A save sent with the If-Match of the selected list it was made from is applied only while
// the list still has that tag, whoever changed it: a clerk cannot overwrite another's save.
class ServerSave : public ServerPageTest
{
protected:
    std::string tagOf(const std::string &vendor)
    {
        const auto selected = get("/VendorCenter.asp?selected=1&VendorID=" + vendor);
        return selected ? selected->get_header_value("ETag") : "";
    }
};
VC_ON_EACH_STORAGE(ServerSave);

static const StoredCrossReference *find(
    const std::vector<StoredCrossReference> &rows, long long vendor, long long center)
{
    const auto found =
        std::ranges::find_if(rows, [&](auto &row) { return row.vendorId == vendor && row.centerId == center; });
    return found == rows.end() ? nullptr : &*found;
}

TEST_P(ServerSave, TheControlsExampleIsAppliedInOneGo)
{
    const auto before = storedRows();
    auto result = post(saveBody({kInsert7, kUpdate9, kDelete3And5}));
    EXPECT_EQ(reply(result), std::pair(200, std::string("4 changes saved for vendor 12.")));
    EXPECT_TRUE(std::regex_match(result->get_header_value("Server-Timing"),
        std::regex(R"(read;dur=[\d.]+, decode;dur=[\d.]+, parse;dur=[\d.]+, apply;dur=[\d.]+, reply;dur=[\d.]+)")));
    // Every row a post writes gets the one moment it was applied at.
    const auto after = storedRows();
    const auto *inserted = find(after, 12, 7);
    const auto *updated = find(after, 12, 9);
    ASSERT_TRUE(inserted && updated);
    EXPECT_TRUE(std::regex_match(inserted->recordLastUpdated, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(updated->recordLastUpdated, inserted->recordLastUpdated);
    for (const auto &row : before)
        EXPECT_TRUE(row.vendorId == 12 || find(after, row.vendorId, row.centerId));
}

TEST_P(ServerSave, PairsThatExistOrDoNotAreSkippedAndReported)
{
    auto result = post(saveBody({insertStatement(12, 3, "0.5", 0), deleteStatement(12, 7),
        updateStatement(12, 8, "0.05", 0), insertStatement(12, 8, "0.125", 1)}));
    EXPECT_EQ(reply(result),
        std::pair(200,
            std::string("1 change saved for vendor 12.\n"
                        "Center 3 was already selected for vendor 12; not added again.\n"
                        "Center 7 was not selected for vendor 12; nothing to remove.\n"
                        "Center 8 is not selected for vendor 12; its fee was not changed.")));
    // Past 40 skips the rest are only counted: the reply stays a screenful.
    for (const auto &[ids, lines, ending] :
        {std::tuple {40, 40, "nothing to remove."}, {32767, 41, "\n... and 32727 more changes were skipped."}}) {
        std::string removal = "DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(7";
        for (int i = 1; i < ids; ++i)
            removal += ",7";
        const auto [status, body] = reply(post(saveBody({removal + ")"})));
        EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), lines) << ids;
        EXPECT_TRUE(status == 200 && body.ends_with(ending)) << body.substr(0, 300);
    }
}

TEST_P(ServerSave, RefusedBodiesChangeNothingAndSayWhy)
{
    // Every INSERT of center 11 fails inside the database.
    database_->execute(GetParam() == StorageKind::Sqlite
            ? "CREATE TRIGGER refuse BEFORE INSERT ON VendorCenterCrossReference WHEN NEW.CenterID = 11"
              " BEGIN SELECT RAISE(ABORT, 'refused'); END;"
            : "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'refused'; END $$;"
              "CREATE TRIGGER refuse BEFORE INSERT ON VendorCenterCrossReference FOR EACH ROW"
              " WHEN (NEW.CenterID = 11) EXECUTE FUNCTION refuse();");
    const std::string valid = saveBody({kInsert7});
    const std::tuple<std::string, int, std::string> cases[] = {// body, status, part of the reply
        {saveBody({kInsert7, kDelete3And5 + "; DROP TABLE Vendors"}), 400,
            "Statement 2 (\"DELETE FROM VENDORCENTERCROSS"},
        {valid + "Other=1&", 400, "The changes could not be read: field 2 is not named SQL."},
        {"", 400, "Nothing to save"},
        // A failure inside the database midway rolls back the statements before it; the same connections serve on.
        {saveBody({kUpdate9, kDelete3And5, insertStatement(12, 11, "0.08", 1), kInsert7}), 500,
            "The database could not save the changes.\nNothing was saved."},
        // Names that do not exist roll back what came before them.
        {saveBody({kInsert7, insertStatement(12, 9999, "0.08", 1)}), 422, "Statement 2 (\"INSERT INTO"},
        {saveBody({kUpdate9, insertStatement(77, 7, "0.08", 1)}), 422, "names vendor 77 does not exist."},
        {saveBody(std::vector<std::string>(32768, kUpdate9)), 400, "32768 statements, more than the 32767 taken"}};
    const auto before = storedRows();
    for (const auto &[body, status, part] : cases) {
        auto result = post(body);
        ASSERT_TRUE(result) << body;
        EXPECT_EQ(result->status, status) << body << "\n" << result->body;
        EXPECT_NE(result->body.find(part), std::string::npos) << result->body;
        EXPECT_TRUE(part == "Nothing to save" || result->body.ends_with("\nNothing was saved.")) << result->body;
        EXPECT_EQ(storedRows(), before) << body;
    }
}

TEST_P(ServerSave, AFullSizedSaveOfTheControlIsTakenAndALargerBodyAnswers413)
{
    // At most 32,767 statements: about 8 MiB encoded. The same pair in turn
    // added and removed is the costliest shape for the database.
    std::vector<std::string> statements;
    for (int i = 0; i < 32767; ++i)
        statements.push_back(i % 2 == 0 ? kInsert7 : deleteStatement(12, 7));
    EXPECT_EQ(reply(post(saveBody(statements))), std::pair(200, std::string("32767 changes saved for vendor 12.")));
    const auto before = storedRows();
    EXPECT_TRUE(find(before, 12, 7));
    std::string body = saveBody({kDelete3And5});
    while (body.size() <= 16u * 1024u * 1024u)
        body += saveBody({kInsert7});
    // Sent in chunks, without a length announced up front (the announced
    // length is refused before the body comes, as the attack tests show).
    std::size_t offset = 0;
    auto chunked = client_->Post(
        "/VendorCenter.asp",
        [&](std::size_t, httplib::DataSink &sink) {
            const std::size_t length = std::min<std::size_t>(64 * 1024, body.size() - offset);
            offset += length;
            return length == 0 ? (sink.done(), true) : sink.write(body.data() + offset - length, length);
        },
        "application/x-www-form-urlencoded");
    EXPECT_EQ(reply(chunked),
        std::pair(413, std::string("The changes are too large to be sent at once.\nNothing was saved.")));
    EXPECT_EQ(storedRows(), before);
}

TEST_P(ServerSave, TheSelectedListsTagChangesWithItsRowsAndNothingElse)
{
    const std::string loaded = tagOf("12"), of14 = tagOf("14");
    EXPECT_TRUE(std::regex_match(loaded, std::regex(R"("12-[0-9a-f]{32}")"))) << loaded;
    EXPECT_FALSE(get("/VendorCenter.asp?active=1&VendorID=12")->has_header("ETag"));
    ASSERT_EQ(post(saveBody({updateStatement(14, 2, "0.5", 1)}))->status, 200);
    EXPECT_EQ(tagOf("12"), loaded); // another vendor's save
    EXPECT_NE(tagOf("14"), of14);
    database_->execute("UPDATE Centers SET CenterName = 'Renamed' WHERE CenterID = 3"); // beside the page
    EXPECT_NE(tagOf("12"), loaded);
}

TEST_P(ServerSave, ASaveWithIfMatchIsAppliedOnlyToTheListAsItWasLoaded)
{
    const std::string stale = tagOf("12");
    database_->execute(
        "UPDATE VendorCenterCrossReference SET CenterHandlingFee = 0.5 WHERE VendorID = 12 AND CenterID = 3");
    const std::string current = tagOf("12"), of14 = tagOf("14");
    const std::string oneTag = "If-Match must hold one tag, as the ETag of the selected list gave it";
    const std::tuple<httplib::Headers, int, std::string> cases[] = {// headers, status, start of the reply
        {{{"If-Match", stale}}, 412,
            "Someone else saved changes to vendor 12 after these lists were loaded. Load them again to see the "
            "changes."},
        {{{"If-Match", "*"}}, 400, oneTag}, {{{"If-Match", "W/" + current}}, 400, oneTag},
        {{{"If-Match", current + ", " + current}}, 400, oneTag},
        {{{"If-Match", current}, {"If-Match", current}}, 400, oneTag},
        {{{"If-Match", "\"012" + current.substr(3)}}, 400, oneTag},
        {{{"If-Match", current.substr(0, current.size() - 2) + "A\""}}, 400, oneTag},
        {{{"If-Match", current.substr(0, current.size() - 1) + "0"}}, 400, oneTag}, // no closing quote
        {{{"If-Match", of14}}, 400, "The If-Match tag is for vendor 14, but the changes are for vendor 12."}};
    const auto before = storedRows();
    for (const auto &[headers, status, start] : cases) {
        const auto [answered, body] = reply(post(saveBody({kInsert7}), headers));
        EXPECT_EQ(answered, status) << headers.begin()->second;
        EXPECT_TRUE(body.starts_with(start) && body.ends_with("\nNothing was saved.")) << body;
    }
    EXPECT_EQ(storedRows(), before);
    EXPECT_EQ(reply(post(saveBody({kInsert7}), {{"If-Match", " " + current + " "}})),
        std::pair(200, std::string("1 change saved for vendor 12.")));
}

TEST_P(ServerSave, OfTwoSavesFromOneLoadOnlyTheFirstIsApplied)
{
    const httplib::Headers loaded = {{"If-Match", tagOf("12")}};
    std::vector<int> statuses(2);
    std::vector<std::thread> clerks;
    for (int clerk = 0; clerk < 2; ++clerk) {
        clerks.emplace_back([&, clerk] {
            httplib::Client client("127.0.0.1", port_);
            const auto saved = client.Post("/VendorCenter.asp", loaded,
                saveBody({updateStatement(12, 9, clerk == 0 ? "0.25" : "0.75", 0)}),
                "application/x-www-form-urlencoded");
            statuses[clerk] = saved ? saved->status : 0;
        });
    }
    for (std::thread &clerk : clerks)
        clerk.join();
    EXPECT_EQ(std::multiset<int>(statuses.begin(), statuses.end()), (std::multiset<int> {200, 412}));
    EXPECT_EQ(find(storedRows(), 12, 9)->handlingFee, statuses[0] == 200 ? 0.25 : 0.75);
}
