#include "BasicAuth.h"
#include "HttpServer.h"
#include "ServerPageFixture.h"
#include "ServerProcess.h"
#include "storage/SqliteStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <fstream>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

const std::string kPassword = "s3cret P\xC3\xA4ss";

// Passes everything on and counts what reached the database.
class CountingStorage final : public Storage {
public:
    explicit CountingStorage(Storage& inner) : inner_(inner) {}
    VendorCounts counts(std::int32_t vendorId) override {
        ++reads;
        return inner_.counts(vendorId);
    }
    void readActiveCenters(std::int32_t vendorId, const ActiveCenterSink& each) override {
        ++reads;
        inner_.readActiveCenters(vendorId, each);
    }
    void readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink& each) override {
        ++reads;
        inner_.readSelectedCenters(vendorId, each);
    }
    ApplyResult apply(const std::vector<Statement>& statements, std::string_view timestamp) override {
        ++applies;
        return inner_.apply(statements, timestamp);
    }

    std::atomic<int> reads{0};
    std::atomic<int> applies{0};

private:
    Storage& inner_;
};

class ServerWithUsers : public ::testing::Test {
protected:
    void SetUp() override {
        databasePath_ = directory_.file("vendorcenter.sqlite");
        sqlite_ = SqliteStorage::open(databasePath_);
        counting_ = std::make_unique<CountingStorage>(*sqlite_);
        server_ = std::make_unique<HttpServer>(*counting_, [](std::string_view) {});
        auto users = UserTable::parse(userLine("clerk", kPassword) + "\n");
        ASSERT_TRUE(users.users);
        server_->requireCredentials(std::move(*users.users));
        port_ = server_->bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        ASSERT_TRUE(server_->start());
    }
    void TearDown() override { server_->stop(); }

    std::unique_ptr<httplib::Client> client() const {
        auto made = std::make_unique<httplib::Client>("127.0.0.1", port_);
        made->set_connection_timeout(5);
        made->set_read_timeout(10);
        made->set_write_timeout(10);
        return made;
    }

    TemporaryDirectory directory_;
    std::string databasePath_;
    std::unique_ptr<SqliteStorage> sqlite_;
    std::unique_ptr<CountingStorage> counting_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
};

}  // namespace

TEST_F(ServerWithUsers, QueriesWithoutValidCredentialsAre401AndReadNothing) {
    const std::vector<std::pair<std::string, std::string>> wrongCredentials = {
        {"", ""}, {"clerk", "wrong"}, {"clerk", ""}, {"nobody", kPassword}, {"CLERK", kPassword}};
    for (const std::string kind : {"count", "active", "selected"}) {
        const std::string target = "/VendorCenter.asp?" + kind + "=1&VendorID=12";
        auto anonymous = client()->Get(target.c_str());
        ASSERT_TRUE(anonymous);
        EXPECT_EQ(anonymous->status, 401);
        EXPECT_EQ(anonymous->get_header_value("WWW-Authenticate"), kAuthenticateChallenge);
        EXPECT_EQ(anonymous->body.find('<'), std::string::npos) << "no XML without credentials";

        for (const auto& [user, password] : wrongCredentials) {
            auto wrong = client();
            wrong->set_basic_auth(user.c_str(), password.c_str());
            auto result = wrong->Get(target.c_str());
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, 401) << user << ":" << password;
        }
        auto garbled = client()->Get(target.c_str(), httplib::Headers{{"Authorization", "Basic %%%"}});
        ASSERT_TRUE(garbled);
        EXPECT_EQ(garbled->status, 401);
    }
    EXPECT_EQ(counting_->reads, 0);

    auto clerk = client();
    clerk->set_basic_auth("clerk", kPassword.c_str());
    auto counts = clerk->Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);
    EXPECT_EQ(counting_->reads, 1);
}

TEST_F(ServerWithUsers, PostsWithoutValidCredentialsAre401AndApplyNothing) {
    const auto before = TestDatabase::create(StorageKind::Sqlite, directory_)->crossReferences();
    const std::string body = saveBody({kInsert7});

    // One keep-alive connection: the refused post must leave it fit for the
    // retry with credentials, as a browser-like client makes it.
    httplib::Client connection("127.0.0.1", port_);
    connection.set_keep_alive(true);
    connection.set_read_timeout(10);
    auto refused = connection.Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    EXPECT_EQ(refused->get_header_value("WWW-Authenticate"), kAuthenticateChallenge);
    connection.set_basic_auth("clerk", "not the password");
    auto wrong = connection.Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 401);
    EXPECT_EQ(counting_->applies, 0);
    EXPECT_EQ(TestDatabase::create(StorageKind::Sqlite, directory_)->crossReferences(), before);

    connection.set_basic_auth("clerk", kPassword.c_str());
    auto accepted = connection.Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200) << accepted->body;
    EXPECT_EQ(counting_->applies, 1);
    EXPECT_EQ(TestDatabase::create(StorageKind::Sqlite, directory_)->crossReferences().size(), before.size() + 1);
}

TEST(ServerBinaryWithUsers, HashPasswordLineOpensTheDoorAndABadFileStopsTheStart) {
    TemporaryDirectory directory;
    ServerProcess hasher(VENDORCENTER_SERVER_BINARY, {"--hash-password", "clerk"}, "/dev/null", kPassword + "\n");
    ASSERT_TRUE(hasher.started());
    const auto line = hasher.firstLine(std::chrono::seconds(10));
    ASSERT_TRUE(line);
    EXPECT_EQ(hasher.exitCode(std::chrono::seconds(10)), 0);
    const std::string usersFile = directory.file("users");
    std::ofstream(usersFile) << "# clerks of the purchasing office\n" << *line << "\n";

    ServerProcess server(VENDORCENTER_SERVER_BINARY,
                         {"--listen", "127.0.0.1:0", "--database", directory.file("db.sqlite"), "--users", usersFile});
    ASSERT_TRUE(server.started());
    const int port = server.listeningPort(std::chrono::seconds(15));
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    auto anonymous = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->status, 401);
    client.set_basic_auth("clerk", kPassword.c_str());
    auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);

    std::ofstream(directory.file("broken")) << "clerk:nohash\n";
    for (const std::string& users : {directory.file("broken"), directory.file("missing")}) {
        ServerProcess refused(VENDORCENTER_SERVER_BINARY,
                              {"--listen", "127.0.0.1:0", "--database", directory.file("db2.sqlite"), "--users", users});
        ASSERT_TRUE(refused.started());
        EXPECT_EQ(refused.exitCode(std::chrono::seconds(10)), 1) << users;
    }
}
