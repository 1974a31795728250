#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>

#include <charconv>

namespace vendorcenter::server {
namespace {

std::optional<int> parsePort(const std::string &text)
{
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// "HOST:PORT" or "[IPv6]:PORT".
bool parseListen(const std::string &text, ServerOptions &options)
{
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon)
            return false;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const auto portNumber = parsePort(port);
    if (host.empty() || !portNumber)
        return false;
    options.host = host;
    options.port = *portNumber;
    return true;
}

// The command line, described once for parsing and for --help.
struct CommandLine
{
    CLI::App app {"Serves /VendorCenter.asp for the Vendor_Center control.", "vendorcenter-server"};
    ServerOptions options;

    CommandLine()
    {
        // Given twice, the last one counts, so that a service's extra
        // arguments can override its defaults.
        app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        const CLI::Validator notEmpty(
            [](const std::string &value) { return value.empty() ? "must not be empty" : ""; }, "", "not empty");
        app.add_option_function<std::string>(
               "--listen",
               [this](const std::string &value) {
                   if (!parseListen(value, options))
                       throw CLI::ValidationError("--listen", "needs HOST:PORT, for example 127.0.0.1:8080");
               },
               "address to listen on (default 127.0.0.1:8080; port 0 picks a free port)")
            ->type_name("HOST:PORT");
        app.add_option("--database", options.database,
               "SQLite file (default vendorcenter.sqlite; a new file gets the schema and demo data), "
               "or a postgresql:// URI")
            ->type_name("PATH")
            ->check(notEmpty);
        app.add_option("--users", options.usersFile,
               "answer only requests with HTTP Basic credentials of a user listed in FILE, one "
               "\"user:hash\" line each (yescrypt, bcrypt as htpasswd -B makes it, or mkpasswd); "
               "everything else gets 401")
            ->type_name("FILE")
            ->check(notEmpty);
        app.add_option("--hash-password", options.hashPasswordUser,
               "read a password from standard input and print the FILE line for USER (yescrypt)")
            ->type_name("USER")
            ->check(notEmpty);
        app.add_option("--allowed-host", options.allowedHosts,
               "a host name requests may be addressed to, as a balancer in front passes it on (any number; "
               "localhost, the listen host and the address a request came in on always are); others get 421")
            ->type_name("NAME")
            ->check(notEmpty)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        app.add_option("--trusted-proxy", options.trustedProxies,
               "the address of a balancer in front: for its requests the client is the last address of "
               "X-Forwarded-For (any number)")
            ->type_name("ADDR")
            ->check(CLI::ValidIPV4
                | CLI::Validator(
                    [](const std::string &value) {
                        in6_addr v6 {};
                        return inet_pton(AF_INET6, value.c_str(), &v6) == 1 ? "" : "must be an IP address";
                    },
                    "", "IPv6"));
        app.add_option("--max-connections", options.maxConnections, "open connections served at once (default 1024)")
            ->type_name("N")
            ->check(CLI::Range(1u, 65536u));
        app.add_option("--max-connections-per-address", options.maxConnectionsPerAddress,
               "open connections from one client address (default 256)")
            ->type_name("N")
            ->check(CLI::Range(1u, 65536u));
        app.add_option_function<unsigned>(
               "--idle-timeout", [this](unsigned seconds) { options.idleTimeout = std::chrono::seconds(seconds); },
               "seconds a connection may send and take nothing before it is closed (default 30)")
            ->type_name("SECONDS")
            ->check(CLI::Range(1u, 3600u));
        app.add_flag("--version", options.showVersion, "print the version and end");
    }
};

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine commandLine;
    // CLI11 takes the arguments from the back.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        commandLine.app.parse(reversed);
    } catch (const CLI::CallForHelp &) {
        commandLine.options.showHelp = true;
    } catch (const CLI::ParseError &error) {
        return {std::nullopt, error.what()};
    }
    return {commandLine.options, {}};
}

std::string usageText()
{
    return CommandLine().app.help();
}

bool isLoopbackHost(const std::string &host)
{
    if (host == "localhost")
        return true;
    in_addr v4 {};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6 {};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6))
            return true;
        if (IN6_IS_ADDR_V4MAPPED(&v6))
            return v6.s6_addr[12] == 127;
    }
    return false;
}

std::string serverAddress(const std::string &host, int port)
{
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

} // namespace vendorcenter::server
