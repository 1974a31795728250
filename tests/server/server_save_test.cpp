#include "server_page_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vendorcenter::server::testing;

namespace {

const StoredCrossReference* find(const std::vector<StoredCrossReference>& rows, long long vendor, long long center) {
    for (const auto& row : rows) {
        if (row.vendorId == vendor && row.centerId == center) return &row;
    }
    return nullptr;
}

}  // namespace

using ServerSaves = ServerPageOnEachStorage;
INSTANTIATE_TEST_SUITE_P(OnEachStorage, ServerSaves, ::testing::ValuesIn(storageKindsUnderTest()), storageKindName);

TEST_P(ServerSaves, TheControlsExampleBodyIsAppliedInOneGo) {
    const std::string body =
        "SQL=INSERT+INTO+VendorCenterCrossReference+%28VendorID%2CCenterID%2CCenterHandlingFee%2CDutyBrokerageFee%2C"
        "RecordLastUpdated%29+VALUES+%2812%2C7%2C0.08%2C1%2CGETDATE%28%29+%29+&"
        "SQL=UPDATE+VendorCenterCrossReference+SET+CenterHandlingFee%3D+0.05%2C+DutyBrokerageFee%3D+0%2C+"
        "RecordLastUpdated+%3D+GETDATE%28%29++WHERE+CenterID+%3D+9+AND+vendorID+%3D+12&"
        "SQL=DELETE+FROM+VENDORCENTERCROSSREFERENCE+WHERE+VendorID%3D12+AND+CenterID+IN%283%2C5%29&";
    ASSERT_EQ(body, saveBody({kInsert7, kUpdate9, kDelete3And5}));
    const auto before = storedRows();

    auto result = post(body);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200) << result->body;
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(result->body, "4 changes saved for vendor 12.");

    const auto after = storedRows();
    const auto* inserted = find(after, 12, 7);
    ASSERT_NE(inserted, nullptr);
    EXPECT_DOUBLE_EQ(inserted->handlingFee, 0.08);
    EXPECT_EQ(inserted->dutyBrokerageFee, 1);
    EXPECT_EQ(inserted->recordLastUpdated.size(), 19u);  // 'YYYY-MM-DD HH:MM:SS'
    EXPECT_EQ(inserted->recordLastUpdated[4], '-');
    const auto* updated = find(after, 12, 9);
    ASSERT_NE(updated, nullptr);
    EXPECT_DOUBLE_EQ(updated->handlingFee, 0.05);
    EXPECT_EQ(updated->dutyBrokerageFee, 0);
    EXPECT_EQ(updated->recordLastUpdated, inserted->recordLastUpdated);
    EXPECT_EQ(find(after, 12, 3), nullptr);
    EXPECT_EQ(find(after, 12, 5), nullptr);
    EXPECT_EQ(after.size(), before.size() - 1);
    // Other vendors untouched.
    for (const auto& row : before) {
        if (row.vendorId != 12) {
            EXPECT_NE(find(after, row.vendorId, row.centerId), nullptr);
        }
    }

    // The lists follow: 7 selected now, 3 and 5 back among the active ones.
    const auto selected = query("selected", "12");
    ASSERT_TRUE(selected && selected->parsed);
    EXPECT_EQ(textOf(childAt(selected->root(), 1)), "3");
    EXPECT_EQ(textOf(childAt(childAt(childAt(selected->root(), 2), 0), 0)), "7");
    EXPECT_EQ(textOf(childAt(childAt(childAt(selected->root(), 2), 1), 2)), "0.05");
}

TEST_P(ServerSaves, PairsThatExistOrDoNotAreSkippedAndReported) {
    const auto before = storedRows();
    auto result = post(saveBody({insertStatement(12, 3, "0.5", 0), deleteStatement(12, 7),
                                 "UPDATE VendorCenterCrossReference SET CenterHandlingFee= 0.05, DutyBrokerageFee= 0, "
                                 "RecordLastUpdated = GETDATE()  WHERE CenterID = 8 AND vendorID = 12",
                                 insertStatement(12, 8, "0.125", 1)}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200) << result->body;
    EXPECT_EQ(result->body,
              "1 change saved for vendor 12.\n"
              "Center 3 was already selected for vendor 12; not added again.\n"
              "Center 7 was not selected for vendor 12; nothing to remove.\n"
              "Center 8 is not selected for vendor 12; its fee was not changed.");

    const auto after = storedRows();
    EXPECT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(*find(after, 12, 3), *find(before, 12, 3));  // not duplicated, not overwritten
    ASSERT_NE(find(after, 12, 8), nullptr);
}

TEST_P(ServerSaves, HostileBodiesChangeNothing) {
    const std::string valid = "SQL=" + formEncode(kInsert7) + "&";
    const std::vector<std::pair<std::string, int>> bodies = {
        {saveBody({"DROP TABLE VendorCenterCrossReference"}), 400},
        {saveBody({kDelete3And5 + "; DROP TABLE Vendors"}), 400},
        {saveBody({kDelete3And5 + ";"}), 400},
        {saveBody({kDelete3And5 + " -- and more"}), 400},
        {saveBody({"DELETE FROM VENDORCENTERCROSSREFERENCE /* x */ WHERE VendorID=12 AND CenterID IN(3,5)"}), 400},
        {saveBody({"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE VendorID=12 AND CenterID IN(3,5) OR 1=1"}), 400},
        {saveBody({"UPDATE VendorCenterCrossReference SET CenterHandlingFee= '0.05', DutyBrokerageFee= 0, "
                   "RecordLastUpdated = GETDATE()  WHERE CenterID = 9 AND vendorID = 12"}),
         400},
        {saveBody({"DELETE FROM Vendors WHERE VendorID=12 AND CenterID IN(3,5)"}), 400},
        {saveBody({"DELETE FROM VendorCenterCrossReference"}), 400},
        {saveBody({"INSERT INTO VendorCenterCrossReference (CenterID,VendorID,CenterHandlingFee,DutyBrokerageFee,"
                   "RecordLastUpdated) VALUES (12,7,0.08,1,GETDATE() ) "}),
         400},
        {saveBody({insertStatement(12, 7, "0.08", 2)}), 400},
        {saveBody({insertStatement(12, 7, "1e3", 1)}), 400},
        {saveBody({deleteStatement(12, 3).replace(deleteStatement(12, 3).find("IN(3)"), 5, "IN(2147483648)")}), 400},
        // A good statement before a bad one is not applied either.
        {saveBody({kDelete3And5, "DROP TABLE Centers"}), 400},
        {valid + "SQL=DELETE%G1&", 400},
        {valid + "SQL=%4", 400},
        {valid + "Other=1&", 400},
        {valid + "SQL=&", 400},
        {"", 400},
        {"&", 400},
        // Names that do not exist roll back what came before them.
        {saveBody({kDelete3And5, insertStatement(12, 9999, "0.08", 1)}), 422},
        {saveBody({kUpdate9, insertStatement(77, 7, "0.08", 1)}), 422},
    };
    const auto before = storedRows();
    for (const auto& [body, status] : bodies) {
        auto result = post(body);
        ASSERT_TRUE(result) << body;
        EXPECT_EQ(result->status, status) << body << "\n" << result->body;
        EXPECT_FALSE(result->body.empty()) << body;
        EXPECT_EQ(storedRows(), before) << body;
    }
    // The database itself is still whole.
    EXPECT_TRUE(query("count", "12"));
}

TEST_P(ServerSaves, RefusalsNameTheStatementAndWhy) {
    auto empty = post("&");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->body, "Nothing to save");

    auto refused = post(saveBody({kInsert7, kDelete3And5 + "; DROP TABLE Vendors"}));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(refused->body.rfind("Statement 2 (\"DELETE FROM VENDORCENTERCROSSREFERENCE WHERE", 0), 0u) << refused->body;
    EXPECT_NE(refused->body.find("\";\""), std::string::npos) << refused->body;
    EXPECT_NE(refused->body.find("Nothing was saved."), std::string::npos);

    auto unknown = post(saveBody({kInsert7, insertStatement(12, 9999, "0.08", 1)}));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 422);
    EXPECT_NE(unknown->body.find("Statement 2"), std::string::npos) << unknown->body;
    EXPECT_NE(unknown->body.find("center 9999 does not exist"), std::string::npos) << unknown->body;
}

TEST_P(ServerSaves, ADatabaseFailureMidwayRollsBackTheEarlierStatements) {
    database_->refuseInsertsOfCenter(11);
    const auto before = storedRows();
    auto result = post(saveBody({kUpdate9, kDelete3And5, insertStatement(12, 11, "0.08", 1), kInsert7}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 500) << result->body;
    EXPECT_EQ(storedRows(), before);

    // The next post on the same connections goes through.
    auto next = post(saveBody({kInsert7}));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200) << next->body;
}

TEST_P(ServerSaves, OversizedBodiesAnswer413AndChangeNothing) {
    const auto before = storedRows();
    std::string body = saveBody({kDelete3And5});
    const std::string filler = saveBody({kInsert7});
    while (body.size() <= 16u * 1024u * 1024u) body += filler;
    auto result = post(body);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 413);
    EXPECT_EQ(storedRows(), before);

    // Sent in chunks, without a length announced up front.
    std::size_t offset = 0;
    auto chunked = client_->Post(
        "/VendorCenter.asp",
        [&](std::size_t, httplib::DataSink& sink) {
            if (offset >= body.size()) {
                sink.done();
                return true;
            }
            const std::size_t length = std::min<std::size_t>(64 * 1024, body.size() - offset);
            sink.write(body.data() + offset, length);
            offset += length;
            return true;
        },
        "application/x-www-form-urlencoded");
    ASSERT_TRUE(chunked);
    EXPECT_EQ(chunked->status, 413);
    EXPECT_EQ(storedRows(), before);
}

TEST_P(ServerSaves, AFullSizedSaveOfTheControlIsTaken) {
    // The control sends at most 32,767 statements: about 8 MiB encoded.
    std::vector<std::string> statements;
    for (int i = 0; i < 32767; ++i) statements.push_back(i % 2 == 0 ? kInsert7 : deleteStatement(12, 7));
    const std::string body = saveBody(statements);
    auto result = post(body);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200) << result->body.substr(0, 200);
    EXPECT_EQ(result->body.rfind("32767 changes saved for vendor 12.", 0), 0u);
    EXPECT_NE(find(storedRows(), 12, 7), nullptr);
}

TEST_P(ServerSaves, ConcurrentPostsAndQueriesAreEachAppliedOnce) {
    constexpr int kClients = 6;
    constexpr int kRounds = 15;
    constexpr int kCenters[kClients] = {4, 6, 15, 16, 19, 20};
    std::atomic<int> failures{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port_);
            client.set_connection_timeout(5);
            client.set_read_timeout(20);
            const int vendor = c % 2 == 0 ? 14 : 21;
            const int center = kCenters[c];  // a center of its own per client
            for (int round = 0; round < kRounds; ++round) {
                const std::string statement = round % 2 == 0 ? insertStatement(vendor, center, "0.08", 1)
                                                             : deleteStatement(vendor, center);
                auto saved = client.Post("/VendorCenter.asp", saveBody({statement}), "application/x-www-form-urlencoded");
                if (!saved || saved->status != 200 || saved->body != "1 change saved for vendor " + std::to_string(vendor) + ".") {
                    ++failures;
                }
                auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=" + std::to_string(vendor));
                if (!counts || counts->status != 200) ++failures;
            }
        });
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(failures.load(), 0);

    // Every client ended on an INSERT (odd number of rounds): one row each.
    const auto after = storedRows();
    for (int c = 0; c < kClients; ++c) {
        EXPECT_NE(find(after, c % 2 == 0 ? 14 : 21, kCenters[c]), nullptr) << c;
    }
}

TEST_P(ServerSaves, SavedDataOutlivesTheServerAndIsNotSeededAgain) {
    auto result = post(saveBody({kDelete3And5}));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    TearDown();

    auto reopened = database_->open();
    std::vector<std::int64_t> selected;
    reopened->readSelectedCenters(12, [&](const auto& center) { selected.push_back(center.centerId); });
    EXPECT_EQ(selected, (std::vector<std::int64_t>{9, 17}));
}
