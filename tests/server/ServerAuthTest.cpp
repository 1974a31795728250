#include "ServerPageFixture.h"
#include "UserTable.h"

#include <fcntl.h>
#include <unistd.h>

using namespace vendorcenter::server;
using namespace vendorcenter::server::testing;

const std::string kCountQuery = "/VendorCenter.asp?count=1&VendorID=12";

class ServerWithUsers : public ServerPageTest
{
protected:
    void configure(HttpServer &server) override
    {
        server.requireCredentials(*UserTable::parse(userLine("clerk", kPassword)).users);
    }
    // On one keep-alive connection: a refused request must leave it fit for
    // the retry with credentials, as a browser-like client makes it.
    httplib::Result request(const std::string &target, const std::string &password = {}, bool save = false)
    {
        client_->set_keep_alive(true);
        client_->set_basic_auth(password.empty() ? "" : "clerk", password.c_str());
        return save ? post(saveBody({kInsert7})) : get(target);
    }
    // From now on every read and write of the server page fails: a request
    // that reaches the database can no longer answer 401 or 429.
    void breakTheDatabase() const { database_->execute("DROP TABLE VendorCenterCrossReference"); }
};
INSTANTIATE_TEST_SUITE_P(OnSQLite, ServerWithUsers, ::testing::Values(StorageKind::Sqlite), storageKindName);

// Health needs no credentials and says only whether the database answers.
// The first request of a browser comes without credentials: it is not a wrong
// guess, and the right password does not forgive the wrong ones before it.
TEST_P(ServerWithUsers, RequestsWithoutValidCredentialsAre401AndFiveWrongPasswordsShutTheAddressOut)
{
    EXPECT_EQ(request("/VendorCenter.asp", kPassword, true)->status, 200);
    EXPECT_EQ(reply(request("/healthz")), std::pair(200, std::string("ok")));
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
    // After four wrong passwords the right one still gets through, the fifth wrong one shuts the door.
    EXPECT_GE(request(kCountQuery, kPassword)->status, 500);
    EXPECT_EQ(request(kCountQuery, "wrong")->status, 401);
    for (const bool save : {true, false}) {
        auto refused = request(save ? "/VendorCenter.asp" : kCountQuery, kPassword, save);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 429);
        const int retryAfter = std::stoi(refused->get_header_value("Retry-After"));
        EXPECT_TRUE(retryAfter > 50 && retryAfter <= 60) << retryAfter;
    }
    EXPECT_EQ(reply(request("/healthz")), std::pair(503, std::string("unavailable")));
    server_->stop();
    std::erase_if(log_, [](const std::string &line) { return line.find("refusing") == std::string::npos; });
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_.front().find("127.0.0.1"), std::string::npos) << log_.front();
}

static long openDescriptors()
{
    const std::filesystem::directory_iterator all("/proc/self/fd");
    return std::distance(begin(all), end(all));
}

// A port it cannot bind, a port bound and never served, a server page started
// and stopped: each gives back what it opened, and closes nothing else.
// Stopping closes the open connections first, which leaves them waiting on the
// page's own port for a while: a restart must still get that port.
TEST_P(ServerWithUsers, ClosesEveryDescriptorItOpenedAndNoOtherOneAndStartsAgainOnItsPort)
{
    const auto noLog = [](std::string_view) {};
    const long before = openDescriptors();
    EXPECT_EQ(HttpServer(*storage_, noLog).bind("127.0.0.1", port_), -1); // in use
    EXPECT_EQ(openDescriptors(), before);
    auto server = std::make_unique<HttpServer>(*storage_, noLog);
    const int port = server->bind("127.1", 0); // a name of the loopback address
    ASSERT_GT(port, 0);
    ASSERT_TRUE(server->start() && server->start());
    // The name it was told to listen on is a Host it answers.
    const httplib::Headers named {{"Host", "127.1:" + std::to_string(port)}};
    EXPECT_EQ(httplib::Client("127.0.0.1", port).Get("/healthz", named)->status, 200);
    server->stop();
    // The lowest free number, the listening socket's until now, goes to another file.
    const int unrelated = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    server.reset();
    EXPECT_NE(::fcntl(unrelated, F_GETFD), -1) << "a stopped server page closed a file not its own";
    ::close(unrelated);
    EXPECT_EQ(openDescriptors(), before);
    // On IPv6 too, the address a client reached the page at is a Host it answers.
    HttpServer onIPv6(*storage_, noLog);
    if (const int v6 = onIPv6.bind("::", 0); v6 > 0 && onIPv6.start()) {
        const httplib::Headers own {{"Host", "[::1]:" + std::to_string(v6)}};
        EXPECT_EQ(httplib::Client("::1", v6).Get("/healthz", own)->status, 200);
    }

    ASSERT_TRUE(request("/healthz"));
    server_->stop();
    // Bound but never started, a server page gives its port back when it goes.
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(HttpServer(*storage_, noLog).bind("127.0.0.1", port_), port_) << round;
}
