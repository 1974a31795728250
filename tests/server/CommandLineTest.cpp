#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;

TEST(CommandLine, DefaultsAndGivenValues)
{
    const auto defaults = parseCommandLine({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(serverAddress(defaults.options->host, defaults.options->port), "http://127.0.0.1:8080");
    EXPECT_EQ(defaults.options->database + defaults.options->usersFile, "vendorcenter.sqlite");
    EXPECT_FALSE(defaults.options->hashPasswordUser || defaults.options->showHelp || defaults.options->showVersion);

    const auto given = parseCommandLine({"--listen", "0.0.0.0:0", "--database=/tmp/x.sqlite", "--users", "u.txt",
        "--listen=[::1]:9000", "--version", "--hash-password", "clerk"});
    ASSERT_TRUE(given.options) << given.error;
    EXPECT_EQ(serverAddress(given.options->host, given.options->port), "http://[::1]:9000"); // the last --listen
    EXPECT_EQ(std::tuple(given.options->database, given.options->usersFile, *given.options->hashPasswordUser),
        std::tuple("/tmp/x.sqlite", "u.txt", "clerk"));
    EXPECT_TRUE(given.options->showVersion);
    EXPECT_TRUE(parseCommandLine({"-h"}).options->showHelp);
    for (const char *option : {"--listen HOST:PORT", "--database PATH", "--users FILE", "--hash-password USER"})
        EXPECT_NE(usageText().find(option), std::string::npos) << option;
}

TEST(CommandLine, BadArgumentsAreRefusedInOneLine)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>> {{"--listen"},
             {"--listen", "8080"}, {"--listen", "host:port"}, {"--listen", "host:70000"}, {"--listen", "host:-1"},
             {"--listen", ":80"}, {"--listen", "[::1]80"}, {"--listen", "a:1:2"}, {"--database"}, {"--database="},
             {"--users", ""}, {"--hash-password", ""}, {"--verbose"}, {"::1:80"}}) {
        const auto parsed = parseCommandLine(arguments);
        EXPECT_FALSE(parsed.options) << arguments.back();
        EXPECT_FALSE(parsed.error.empty() || parsed.error.find('\n') != std::string::npos) << parsed.error;
    }
    EXPECT_NE(parseCommandLine({"--listen", "8080"}).error.find("HOST:PORT"), std::string::npos);
}

TEST(CommandLine, OnlyLoopbackAddressesCountAsLocal)
{
    for (const char *host : {"127.0.0.1", "127.1.2.3", "localhost", "::1", "::ffff:127.0.0.1"})
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    for (const char *host : {"0.0.0.0", "::", "192.168.1.10", "example.org", "128.0.0.1", "::ffff:10.0.0.1"})
        EXPECT_FALSE(isLoopbackHost(host)) << host;
}
