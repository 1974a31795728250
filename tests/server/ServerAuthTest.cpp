#include "HttpServer.h"
#include "ServerPageFixture.h"
#include "UserTable.h"
#include "storage/SqliteStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

const std::string kCountQuery = "/VendorCenter.asp?count=1&VendorID=12";

class ServerWithUsers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server_.requireCredentials(*UserTable::parse(userLine("clerk", kPassword)).users);
        port_ = server_.bind("127.0.0.1", 0);
        ASSERT_TRUE(port_ > 0 && server_.start());
        client_.emplace("127.0.0.1", port_);
        client_->set_keep_alive(true);
    }
    // On one keep-alive connection: a refused request must leave it fit for
    // the retry with credentials, as a browser-like client makes it.
    httplib::Result request(const std::string &target, const std::string &password = {}, bool save = false)
    {
        client_->set_basic_auth(password.empty() ? "" : "clerk", password.c_str());
        return save ? client_->Post(target, saveBody({kInsert7}), "application/x-www-form-urlencoded")
                    : client_->Get(target);
    }
    // From now on every read and write of the server page fails: a request
    // that reaches the database can no longer answer 401 or 429.
    void breakTheDatabase() const { executeSql(directory_.file("db.sqlite"), "DROP TABLE VendorCenterCrossReference"); }

    TemporaryDirectory directory_;
    std::vector<std::string> refusals_; // written by the server's threads, read once it stopped
    std::unique_ptr<SqliteStorage> storage_ = SqliteStorage::open(directory_.file("db.sqlite"));
    HttpServer server_ {*storage_, [this](std::string_view line) {
                            if (line.find("refusing") != std::string_view::npos)
                                refusals_.emplace_back(line);
                        }};
    int port_ = 0;
    std::optional<httplib::Client> client_;
};

TEST_F(ServerWithUsers, RequestsWithoutValidCredentialsAre401AndReachNoData)
{
    EXPECT_EQ(request("/VendorCenter.asp", kPassword, true)->status, 200);
    breakTheDatabase();
    for (const std::string target : {"count", "active", "selected", "save"}) {
        for (const std::string &password : {std::string(), std::string("wrong")}) {
            auto refused =
                request(target == "save" ? "/VendorCenter.asp" : "/VendorCenter.asp?" + target + "=1&VendorID=12",
                    password, target == "save");
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->status, 401) << target << password;
            EXPECT_EQ(refused->get_header_value("WWW-Authenticate"), kAuthenticateChallenge);
            EXPECT_EQ(refused->get_header_value("Cache-Control"), "no-store");
            EXPECT_EQ(refused->body.find('<'), std::string::npos) << "no XML without credentials";
        }
    }
    EXPECT_GE(request(kCountQuery, kPassword)->status, 500);
}

TEST_F(ServerWithUsers, FiveWrongPasswordsShutTheAddressOutForTheMinute)
{
    breakTheDatabase();
    for (int guess = 0; guess < 5; ++guess)
        EXPECT_EQ(request(kCountQuery, "guess " + std::to_string(guess))->status, 401);
    for (const bool save : {true, false}) {
        auto refused = request(save ? "/VendorCenter.asp" : kCountQuery, kPassword, save);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 429);
        const int retryAfter = std::stoi(refused->get_header_value("Retry-After"));
        EXPECT_TRUE(retryAfter > 50 && retryAfter <= 60) << retryAfter;
    }
    server_.stop();
    ASSERT_EQ(refusals_.size(), 1u);
    EXPECT_NE(refusals_.front().find("127.0.0.1"), std::string::npos) << refusals_.front();
}

// The first request of a browser comes without credentials; it is not a wrong guess.
TEST_F(ServerWithUsers, FourWrongPasswordsAndRequestsWithoutCredentialsDoNotShutTheDoor)
{
    for (int guess = 0; guess < 8; ++guess)
        EXPECT_EQ(request(kCountQuery, guess % 2 == 0 ? "guess" : "")->status, 401);
    EXPECT_EQ(request(kCountQuery, kPassword)->status, 200);
}

TEST_F(ServerWithUsers, HealthNeedsNoCredentialsAndSaysOnlyWhetherTheDatabaseAnswers)
{
    for (const bool broken : {false, true}) {
        if (broken)
            breakTheDatabase();
        auto health = request("/healthz");
        ASSERT_TRUE(health);
        EXPECT_EQ(health->status, broken ? 503 : 200);
        EXPECT_EQ(health->body, broken ? "unavailable" : "ok");
    }
}

// Stopping closes the open connections first, which leaves them waiting on the
// page's own port for a while: a restart must still get that port.
TEST_F(ServerWithUsers, StartsAgainOnItsPortRightAfterStopping)
{
    ASSERT_TRUE(request("/healthz"));
    server_.stop();
    // Bound but never started, a server page gives its port back when it goes.
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(HttpServer(*storage_, [](std::string_view) {}).bind("127.0.0.1", port_), port_) << round;
}

static long openDescriptors()
{
    const std::filesystem::directory_iterator all("/proc/self/fd");
    return std::distance(begin(all), end(all));
}

// A port it cannot bind, a port bound and never served, a server page started
// and stopped: each gives back what it opened, and closes nothing else.
TEST_F(ServerWithUsers, ClosesEveryDescriptorItOpenedAndNoOtherOne)
{
    const auto noLog = [](std::string_view) {};
    const long before = openDescriptors();
    EXPECT_EQ(HttpServer(*storage_, noLog).bind("127.0.0.1", port_), -1); // in use
    EXPECT_EQ(openDescriptors(), before);
    auto server = std::make_unique<HttpServer>(*storage_, noLog);
    ASSERT_GT(server->bind("127.0.0.1", 0), 0);
    ASSERT_TRUE(server->start() && server->start());
    server->stop();
    // The lowest free number, the listening socket's until now, goes to another file.
    const int unrelated = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    server.reset();
    EXPECT_NE(::fcntl(unrelated, F_GETFD), -1) << "a stopped server page closed a file not its own";
    ::close(unrelated);
    EXPECT_EQ(openDescriptors(), before);
}
