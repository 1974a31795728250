#include "ServerPageFixture.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <signal.h>

#include <chrono>
#include <filesystem>

using namespace vendorcenter::server::testing;

TEST(ServerBinary, AnnouncesItsPortServesAndEndsCleanlyOnSigterm) {
    TemporaryDirectory directory;
    const std::string database = directory.file("demo.sqlite");
    ServerProcess server(VENDORCENTER_SERVER_BINARY, {"--listen", "127.0.0.1:0", "--database", database});
    ASSERT_TRUE(server.started());

    const auto line = server.firstLine(std::chrono::seconds(15));
    ASSERT_TRUE(line);
    const int port = portOfListeningLine(*line);
    ASSERT_GT(port, 0) << *line;

    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);
    const auto document = readByPosition(counts->body);
    ASSERT_TRUE(document);
    EXPECT_EQ(textAt(document->document_element(), {0, 0, 0}), "1");
    EXPECT_TRUE(std::filesystem::exists(database));

    server.signal(SIGTERM);
    EXPECT_EQ(server.exitCode(std::chrono::seconds(10)), 0);
}

TEST(ServerBinary, EndsCleanlyOnSigintToo) {
    TemporaryDirectory directory;
    ServerProcess server(VENDORCENTER_SERVER_BINARY, {"--listen=127.0.0.1:0", "--database=" + directory.file("db.sqlite")});
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(server.firstLine(std::chrono::seconds(15)));
    server.signal(SIGINT);
    EXPECT_EQ(server.exitCode(std::chrono::seconds(10)), 0);
}

TEST(ServerBinary, HelpAndBadArguments) {
    ServerProcess help(VENDORCENTER_SERVER_BINARY, {"--help"});
    ASSERT_TRUE(help.started());
    const auto usage = help.firstLine(std::chrono::seconds(10));
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->rfind("Usage: vendorcenter-server", 0), 0u);
    EXPECT_EQ(help.exitCode(std::chrono::seconds(10)), 0);

    ServerProcess bad(VENDORCENTER_SERVER_BINARY, {"--listen", "nowhere"});
    ASSERT_TRUE(bad.started());
    EXPECT_EQ(bad.exitCode(std::chrono::seconds(10)), 2);

    TemporaryDirectory directory;
    ServerProcess unopenable(VENDORCENTER_SERVER_BINARY,
                             {"--listen", "127.0.0.1:0", "--database", directory.file("missing/dir/db.sqlite")});
    ASSERT_TRUE(unopenable.started());
    EXPECT_EQ(unopenable.exitCode(std::chrono::seconds(10)), 1);
}
