#include "HttpServer.h"
#include "ServerPageFixture.h"
#include "UserTable.h"
#include "storage/SqliteStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

namespace {

const std::string kPassword = "s3cret P\xC3\xA4ss";
const std::string kCountQuery = "/VendorCenter.asp?count=1&VendorID=12";

// Passes everything on, counts what reached the database, and fails on demand.
struct CountingStorage final : Storage
{
    explicit CountingStorage(Storage &storage) : inner(storage) { }
    VendorCounts counts(std::int32_t vendorId) override
    {
        ++reads;
        if (down)
            throw StorageUnavailable("the database is down");
        return inner.counts(vendorId);
    }
    void readActiveCenters(std::int32_t vendorId, const ActiveCenterSink &each) override
    {
        ++reads;
        inner.readActiveCenters(vendorId, each);
    }
    void readSelectedCenters(std::int32_t vendorId, const SelectedCenterSink &each) override
    {
        ++reads;
        inner.readSelectedCenters(vendorId, each);
    }
    ApplyResult apply(const std::vector<Statement> &statements, std::string_view timestamp) override
    {
        ++applies;
        return inner.apply(statements, timestamp);
    }

    Storage &inner;
    std::atomic<int> reads {0}, applies {0};
    std::atomic<bool> down {false};
};

class ServerWithUsers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sqlite_ = SqliteStorage::open(directory_.file("vendorcenter.sqlite"));
        counting_ = std::make_unique<CountingStorage>(*sqlite_);
        server_ = std::make_unique<HttpServer>(*counting_, [this](std::string_view line) {
            if (line.find("refusing") != std::string_view::npos)
                refusals_.push_back(std::string(line));
        });
        server_->requireCredentials(*UserTable::parse(userLine("clerk", kPassword)).users);
        port_ = server_->bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        ASSERT_TRUE(server_->start());
    }
    httplib::Result get(const std::string &target, const std::string &password = {})
    {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(10);
        if (!password.empty())
            client.set_basic_auth("clerk", password.c_str());
        return client.Get(target.c_str());
    }

    TemporaryDirectory directory_;
    std::vector<std::string> refusals_; // written by the server's threads, read once it stopped
    std::unique_ptr<SqliteStorage> sqlite_;
    std::unique_ptr<CountingStorage> counting_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
};

} // namespace

TEST_F(ServerWithUsers, QueriesWithoutValidCredentialsAre401AndReadNothing)
{
    for (const std::string kind : {"count", "active", "selected"}) {
        const std::string target = "/VendorCenter.asp?" + kind + "=1&VendorID=12";
        for (const std::string &password : {std::string(), std::string("wrong")}) {
            auto refused = get(target, password);
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->status, 401) << password;
            EXPECT_EQ(refused->get_header_value("WWW-Authenticate"), kAuthenticateChallenge);
            EXPECT_EQ(refused->body.find('<'), std::string::npos) << "no XML without credentials";
        }
    }
    EXPECT_EQ(counting_->reads, 0);
    auto counts = get(kCountQuery, kPassword);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);
    EXPECT_EQ(counting_->reads, 1);
}

TEST_F(ServerWithUsers, PostsWithoutValidCredentialsAre401AndApplyNothing)
{
    // One keep-alive connection: the refused post must leave it fit for the
    // retry with credentials, as a browser-like client makes it.
    httplib::Client connection("127.0.0.1", port_);
    connection.set_keep_alive(true);
    connection.set_read_timeout(10);
    const std::string body = saveBody({kInsert7});
    for (const std::string &password : {std::string("not the password"), kPassword}) {
        connection.set_basic_auth("clerk", password.c_str());
        auto result = connection.Post("/VendorCenter.asp", body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, password == kPassword ? 200 : 401) << result->body;
        EXPECT_EQ(counting_->applies, password == kPassword ? 1 : 0);
    }
}

TEST_F(ServerWithUsers, FiveWrongPasswordsShutTheAddressOutForTheMinute)
{
    for (int guess = 0; guess < 5; ++guess) {
        auto wrong = get(kCountQuery, "guess " + std::to_string(guess));
        ASSERT_TRUE(wrong);
        EXPECT_EQ(wrong->status, 401);
    }
    httplib::Client poster("127.0.0.1", port_);
    poster.set_basic_auth("clerk", kPassword.c_str());
    auto post = poster.Post("/VendorCenter.asp", saveBody({kInsert7}), "application/x-www-form-urlencoded");
    auto query = get(kCountQuery, kPassword);
    for (const auto *refused : {&post, &query}) {
        ASSERT_TRUE(*refused);
        EXPECT_EQ((*refused)->status, 429);
        const int retryAfter = std::stoi((*refused)->get_header_value("Retry-After"));
        EXPECT_GT(retryAfter, 50);
        EXPECT_LE(retryAfter, 60);
    }
    EXPECT_EQ(counting_->reads, 0);
    EXPECT_EQ(counting_->applies, 0);
    auto health = get("/healthz");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);
    server_->stop();
    ASSERT_EQ(refusals_.size(), 1u);
    EXPECT_NE(refusals_.front().find("127.0.0.1"), std::string::npos) << refusals_.front();
}

TEST_F(ServerWithUsers, HealthNeedsNoCredentialsAndSaysOnlyWhetherTheDatabaseAnswers)
{
    for (const bool down : {false, true}) {
        counting_->down = down;
        auto health = get("/healthz");
        ASSERT_TRUE(health);
        EXPECT_EQ(health->status, down ? 503 : 200);
        EXPECT_EQ(health->body, down ? "unavailable" : "ok");
    }
    EXPECT_EQ(counting_->reads, 2);
}
