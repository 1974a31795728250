#include "server_page_fixture.h"
#include "server_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

using namespace vendorcenter::server::testing;
using namespace std::chrono_literals;

namespace {

const std::string kPassword = "s3cret P\xC3\xA4ss";

std::string run(const std::vector<std::string>& arguments, int expectedExitCode, const std::string& input = {}) {
    ServerProcess process(VENDORCENTER_SERVER_BINARY, arguments, "/dev/null", input);
    EXPECT_TRUE(process.started());
    std::string output = process.firstLine(10s).value_or("");
    EXPECT_EQ(process.exitCode(10s), expectedExitCode) << arguments.front();
    return output;
}

}  // namespace

class EndSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndSignal, AnnouncesItsPortServesAndEndsCleanly) {
    TemporaryDirectory directory;
    const std::string database = directory.file("demo.sqlite");
    ServerProcess server(VENDORCENTER_SERVER_BINARY, {"--listen", "127.0.0.1:0", "--database", database});
    const int port = server.listeningPort(15s);
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);
    const auto document = readByPosition(counts->body);
    EXPECT_EQ(textOf(childAt(childAt(childAt(document->root(), 0), 0), 0)), "1");
    EXPECT_TRUE(std::filesystem::exists(database));

    server.signal(GetParam());
    EXPECT_EQ(server.exitCode(10s), 0);
}

INSTANTIATE_TEST_SUITE_P(ServerBinary, EndSignal, ::testing::Values(SIGTERM, SIGINT));

TEST(ServerBinary, HelpVersionAndArgumentsItCannotUse) {
    EXPECT_EQ(run({"--version"}, 0), "vendorcenter-server 2.0.9");
    EXPECT_NE(run({"--help"}, 0).find("/VendorCenter.asp"), std::string::npos);

    TemporaryDirectory directory;
    const std::string errors = directory.file("stderr.txt");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--listen", "nowhere"}, {"--frobnicate"}, {"--database"}}) {
        ServerProcess bad(VENDORCENTER_SERVER_BINARY, arguments, errors);
        EXPECT_EQ(bad.exitCode(10s), 2) << arguments.front();
        const std::string written = contentsOf(errors);
        EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    }
    run({"--listen", "127.0.0.1:0", "--database", directory.file("missing/dir/db.sqlite")}, 1);
}

TEST(ServerBinary, UsersFilesFromHashPasswordAndOlderOnesOpenTheDoor) {
    TemporaryDirectory directory;
    const std::string line = run({"--hash-password", "clerk"}, 0, kPassword + "\n");
    const std::string usersFile = directory.file("users");
    std::ofstream(usersFile) << "# clerks of the purchasing office\n"
                             << line << "\nold:0123456789abcdef:" << std::string(64, '0') << "\n";

    const std::string errors = directory.file("stderr.txt");
    ServerProcess server(VENDORCENTER_SERVER_BINARY,
                         {"--listen", "127.0.0.1:0", "--database", directory.file("db.sqlite"), "--users", usersFile},
                         errors);
    const int port = server.listeningPort(15s);
    ASSERT_GT(port, 0);
    const std::string warning = contentsOf(errors);
    EXPECT_NE(warning.find("warning"), std::string::npos);
    EXPECT_NE(warning.find(": old\n"), std::string::npos) << warning;
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    client.set_basic_auth("clerk", kPassword.c_str());
    auto counts = client.Get("/VendorCenter.asp?count=1&VendorID=12");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->status, 200);

    std::ofstream(directory.file("broken")) << "clerk:nohash\n";
    for (const std::string& users : {directory.file("broken"), directory.file("missing")}) {
        run({"--listen", "127.0.0.1:0", "--database", directory.file("db2.sqlite"), "--users", users}, 1);
    }
}
