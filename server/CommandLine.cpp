#include "CommandLine.h"

#include <arpa/inet.h>

#include <charconv>

namespace vendorcenter::server {
namespace {

std::optional<int> parsePort(const std::string& text) {
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// "HOST:PORT" or "[IPv6]:PORT".
bool parseListen(const std::string& text, ServerOptions& options) {
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) return false;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const auto portNumber = parsePort(port);
    if (host.empty() || !portNumber) return false;
    options.host = host;
    options.port = *portNumber;
    return true;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    ServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto valueOf = [&](const std::string& name) -> std::optional<std::string> {
            const std::string prefix = name + "=";
            if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
            if (argument == name && i + 1 < arguments.size()) return arguments[++i];
            return std::nullopt;
        };
        if (argument == "--help" || argument == "-h") {
            options.showHelp = true;
        } else if (argument == "--listen" || argument.rfind("--listen=", 0) == 0) {
            const auto value = valueOf("--listen");
            if (!value || !parseListen(*value, options)) {
                parsed.error = "--listen needs HOST:PORT, for example 127.0.0.1:8080";
                return parsed;
            }
        } else if (argument == "--database" || argument.rfind("--database=", 0) == 0) {
            const auto value = valueOf("--database");
            if (!value || value->empty()) {
                parsed.error = "--database needs a path";
                return parsed;
            }
            options.database = *value;
        } else if (argument == "--users" || argument.rfind("--users=", 0) == 0) {
            const auto value = valueOf("--users");
            if (!value || value->empty()) {
                parsed.error = "--users needs the path of a users file";
                return parsed;
            }
            options.usersFile = *value;
        } else if (argument == "--hash-password" || argument.rfind("--hash-password=", 0) == 0) {
            const auto value = valueOf("--hash-password");
            if (!value || value->empty()) {
                parsed.error = "--hash-password needs a user name";
                return parsed;
            }
            options.hashPasswordUser = *value;
        } else {
            parsed.error = "unknown argument \"" + argument + "\"";
            return parsed;
        }
    }
    parsed.options = options;
    return parsed;
}

std::string usageText() {
    return "Usage: vendorcenter-server [--listen HOST:PORT] [--database PATH] [--users FILE]\n"
           "       vendorcenter-server --hash-password USER < password\n"
           "\n"
           "Serves /VendorCenter.asp for the Vendor_Center control.\n"
           "\n"
           "  --listen HOST:PORT  address to listen on (default 127.0.0.1:8080; port 0 picks a free port)\n"
           "  --database PATH     SQLite file (default vendorcenter.sqlite); a new file gets the\n"
           "                      schema and demo data\n"
           "  --users FILE        answer only requests with HTTP Basic credentials of a user listed\n"
           "                      in FILE, one \"user:salt:hash\" line each (hash: hex SHA-256 of\n"
           "                      the salt followed by the password); everything else gets 401\n"
           "  --hash-password USER  read a password from standard input and print the FILE line\n"
           "                      for USER, with a fresh salt\n"
           "  --help              show this text\n";
}

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
        if (IN6_IS_ADDR_V4MAPPED(&v6)) return v6.s6_addr[12] == 127;
    }
    return false;
}

std::string serverAddress(const std::string& host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace vendorcenter::server
