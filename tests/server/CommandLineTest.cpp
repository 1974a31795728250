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
    const auto limits = parseCommandLine(
        {"--allowed-host", "a.example", "--allowed-host=b.example", "--trusted-proxy", "10.0.0.5", "--trusted-proxy",
            "fd00::5", "--max-connections", "50", "--max-connections-per-address", "5", "--idle-timeout", "7"});
    ASSERT_TRUE(limits.options) << limits.error;
    EXPECT_EQ(limits.options->allowedHosts, (std::vector<std::string> {"a.example", "b.example"}));
    EXPECT_EQ(limits.options->trustedProxies, (std::vector<std::string> {"10.0.0.5", "fd00::5"}));
    EXPECT_EQ(std::tuple(limits.options->maxConnections, limits.options->maxConnectionsPerAddress,
                  limits.options->idleTimeout.count()),
        std::tuple(50u, 5u, 7LL));
    EXPECT_EQ(std::tuple(defaults.options->maxConnections, defaults.options->maxConnectionsPerAddress,
                  defaults.options->idleTimeout.count(), defaults.options->allowedHosts.size()),
        std::tuple(1024u, 256u, 30LL, 0u));
    EXPECT_TRUE(parseCommandLine({"-h"}).options->showHelp);
    for (const char *option : {"--listen HOST:PORT", "--database PATH", "--users FILE", "--hash-password USER"})
        EXPECT_NE(usageText().find(option), std::string::npos) << option;
}

TEST(CommandLine, BadArgumentsAreRefusedInOneLine)
{
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>> {{"--listen"},
             {"--listen", "8080"}, {"--listen", "host:port"}, {"--listen", "host:70000"}, {"--listen", "host:-1"},
             {"--listen", ":80"}, {"--listen", "[::1]80"}, {"--listen", "a:1:2"}, {"--database"}, {"--database="},
             {"--users", ""}, {"--hash-password", ""}, {"--verbose"}, {"::1:80"}, {"--allowed-host", ""},
             {"--trusted-proxy", "balancer.example"}, {"--trusted-proxy", "10.0.0"}, {"--max-connections", "0"},
             {"--max-connections-per-address", "x"}, {"--idle-timeout", "0"}, {"--idle-timeout", "3601"}}) {
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
