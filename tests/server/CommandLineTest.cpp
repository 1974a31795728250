#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;

TEST(CommandLine, DefaultsAndGivenValues)
{
    const auto options = [](const std::vector<std::string> &arguments) {
        const auto parsed = parseCommandLine(arguments);
        EXPECT_TRUE(parsed.options) << parsed.error;
        return parsed.options.value_or(ServerOptions {});
    };
    const ServerOptions defaults = options({});
    EXPECT_EQ(serverAddress(defaults.host, defaults.port), "http://127.0.0.1:8080");
    EXPECT_EQ(std::tuple(defaults.database + defaults.usersFile, defaults.maxConnections,
                  defaults.maxConnectionsPerAddress, defaults.idleTimeout.count(), defaults.allowedHosts.size()),
        std::tuple("vendorcenter.sqlite", 1024u, 256u, 30LL, 0u));
    EXPECT_FALSE(defaults.hashPasswordUser || defaults.showHelp || defaults.showVersion);
    const ServerOptions given = options({"--listen", "0.0.0.0:0", "--database=/tmp/x.sqlite", "--users", "u.txt",
        "--listen=[::1]:9000", "--version", "--hash-password", "clerk", "--allowed-host", "a.example",
        "--allowed-host=b.example", "--trusted-proxy", "10.0.0.5", "--trusted-proxy", "fd00::5", "--max-connections",
        "50", "--max-connections-per-address", "5", "--idle-timeout", "7"});
    EXPECT_EQ(serverAddress(given.host, given.port), "http://[::1]:9000"); // the last --listen
    EXPECT_EQ(std::tuple(given.database, given.usersFile, given.hashPasswordUser.value_or(""), given.showVersion),
        std::tuple("/tmp/x.sqlite", "u.txt", "clerk", true));
    EXPECT_EQ(given.allowedHosts, (std::vector<std::string> {"a.example", "b.example"}));
    EXPECT_EQ(given.trustedProxies, (std::vector<std::string> {"10.0.0.5", "fd00::5"}));
    EXPECT_EQ(std::tuple(given.maxConnections, given.maxConnectionsPerAddress, given.idleTimeout.count()),
        std::tuple(50u, 5u, 7LL));
    EXPECT_TRUE(options({"-h"}).showHelp);
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
