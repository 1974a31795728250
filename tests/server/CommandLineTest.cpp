#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace vendorcenter::server;

TEST(CommandLine, DefaultsAndGivenValues)
{
    const auto options = [](const std::vector<std::string> &arguments) {
        const auto parsed = parseCommandLine(arguments);
        EXPECT_TRUE(parsed.options) << parsed.error;
        const ServerOptions o = parsed.options.value_or(ServerOptions {});
        return std::tuple(serverAddress(o.host, o.port), o.database, o.usersFile, o.hashPasswordUser.value_or("-"),
            o.showHelp, o.showVersion, o.allowedHosts, o.trustedProxies, o.maxConnections, o.maxConnectionsPerAddress,
            o.idleTimeout.count());
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(options({}),
        std::tuple("http://127.0.0.1:8080", "vendorcenter.sqlite", "", "-", false, false, Names {}, Names {}, 1024u,
            256u, 30LL));
    // The last --listen counts; names and proxies add up.
    EXPECT_EQ(options({"--listen", "0.0.0.0:0", "--database=/tmp/x.sqlite", "--users", "u.txt", "--listen=[::1]:9000",
                  "--version", "--hash-password", "clerk", "--allowed-host", "a.example", "--allowed-host=b.example",
                  "--trusted-proxy", "10.0.0.5", "--trusted-proxy", "fd00::5", "--max-connections", "50",
                  "--max-connections-per-address", "5", "--idle-timeout", "7", "-h"}),
        std::tuple("http://[::1]:9000", "/tmp/x.sqlite", "u.txt", "clerk", true, true, Names {"a.example", "b.example"},
            Names {"10.0.0.5", "fd00::5"}, 50u, 5u, 7LL));
    for (const char *option : {"--listen HOST:PORT", "--database PATH", "--users FILE", "--hash-password USER"})
        EXPECT_NE(usageText().find(option), std::string::npos) << option;
}

TEST(CommandLine, BadArgumentsAreRefusedInOneLine)
{
    for (const std::vector<std::string> &arguments :
        std::vector<std::vector<std::string>> {{"--listen"}, {"--listen", "8080"}, {"--listen", "host:port"},
            {"--listen", "host:70000"}, {"--listen", "host:-1"}, {"--listen", ":80"}, {"--listen", "[::1]80"},
            {"--listen", "a:1:2"}, {"--database"}, {"--database="}, {"--users", ""}, {"--hash-password", ""},
            {"--verbose"}, {"::1:80"}, {"--allowed-host", ""}, {"--trusted-proxy", "balancer.example"},
            {"--trusted-proxy", "10.0.0"}, {"--max-connections", "0"}, {"--max-connections-per-address", "x"},
            {"--max-connections-per-address", "0"}, {"--idle-timeout", "0"}, {"--idle-timeout", "3601"}}) {
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
