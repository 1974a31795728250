#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vendorcenter::server {

struct ServerOptions
{
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string database = "vendorcenter.sqlite";
    std::string usersFile; // empty: no credentials asked
    std::optional<std::string> hashPasswordUser; // --hash-password USER
    std::vector<std::string> allowedHosts; // --allowed-host NAME, any number
    std::vector<std::string> trustedProxies; // --trusted-proxy ADDR, any number
    unsigned maxConnections = 1024;
    unsigned maxConnectionsPerAddress = 256;
    std::chrono::seconds idleTimeout {30};
    bool showHelp = false;
    bool showVersion = false;
};

struct ParsedCommandLine
{
    std::optional<ServerOptions> options;
    std::string error; // one line, when options is empty
};

ParsedCommandLine parseCommandLine(const std::vector<std::string> &arguments);

std::string usageText();

// True for "localhost", 127.0.0.0/8 and ::1: addresses other machines cannot reach.
bool isLoopbackHost(const std::string &host);

// "http://HOST:PORT", with IPv6 hosts in brackets.
std::string serverAddress(const std::string &host, int port);

} // namespace vendorcenter::server
