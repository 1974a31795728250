#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;

TEST(CommandLine, DefaultsAndGivenValues) {
    const auto defaults = parseCommandLine({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->host, "127.0.0.1");
    EXPECT_EQ(defaults.options->port, 8080);
    EXPECT_EQ(defaults.options->database, "vendorcenter.sqlite");

    const auto given = parseCommandLine({"--listen", "0.0.0.0:0", "--database=/tmp/x.sqlite"});
    ASSERT_TRUE(given.options) << given.error;
    EXPECT_EQ(given.options->host, "0.0.0.0");
    EXPECT_EQ(given.options->port, 0);
    EXPECT_EQ(given.options->database, "/tmp/x.sqlite");

    const auto ipv6 = parseCommandLine({"--listen", "[::1]:9000"});
    ASSERT_TRUE(ipv6.options) << ipv6.error;
    EXPECT_EQ(ipv6.options->host, "::1");
    EXPECT_EQ(serverAddress("::1", 9000), "http://[::1]:9000");
    EXPECT_EQ(serverAddress("127.0.0.1", 8080), "http://127.0.0.1:8080");
}

TEST(CommandLine, BadArgumentsAreRefused) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--listen"}, {"--listen", "8080"}, {"--listen", "host:port"},
                                               {"--listen", "host:70000"}, {"--listen", ":80"}, {"--database"},
                                               {"--verbose"}, {"::1:80"}}) {
        EXPECT_FALSE(parseCommandLine(arguments).options) << arguments.front();
    }
}

TEST(CommandLine, OnlyLoopbackAddressesCountAsLocal) {
    for (const char* host : {"127.0.0.1", "127.1.2.3", "localhost", "::1", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    }
    for (const char* host : {"0.0.0.0", "::", "192.168.1.10", "10.0.0.1", "example.org", "128.0.0.1"}) {
        EXPECT_FALSE(isLoopbackHost(host)) << host;
    }
}
