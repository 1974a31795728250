#include "CommandLine.h"
#include "HttpServer.h"
#include "UserTable.h"
#include "storage/OpenStorage.h"

#include <vendorcenter/Version.h>

#include <malloc.h>
#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace vendorcenter::server;

namespace {

// A list reply is built in one buffer of several MiB. glibc's malloc maps a
// buffer that large afresh, and after the first one is freed it raises its
// threshold to it, so that from then on such buffers come and go at the top
// of the heap; both ways every request faults in megabytes of new pages, and
// a 32,000-row reply took four times as long as two of 16,000. A fixed
// threshold and trim keep the pages between requests.
void keepReplyBuffersInTheHeap()
{
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

} // namespace

int main(int argc, char **argv)
{
    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "vendorcenter-server: " << parsed.error << " (see --help)\n";
        return 2;
    }
    const ServerOptions &options = *parsed.options;
    if (options.showHelp) {
        std::cout << usageText();
        return 0;
    }
    if (options.showVersion) {
        std::cout << "vendorcenter-server " VENDORCENTER_VERSION_STRING "\n";
        return 0;
    }
    if (options.hashPasswordUser)
        return printUserLine(*options.hashPasswordUser, std::cin, std::cout, std::cerr);
    std::optional<UserTable> users;
    if (!options.usersFile.empty()) {
        UserTable::Parsed loaded = loadUsersFile(options.usersFile);
        if (!loaded.users) {
            std::cerr << "vendorcenter-server: --users: " << loaded.error << "\n";
            return 1;
        }
        users = std::move(loaded.users);
        if (const auto names = users->usersToRehash(); !names.empty()) {
            std::string list;
            for (const std::string &name : names)
                list += (list.empty() ? "" : ", ") + name;
            std::cerr << "vendorcenter-server: warning: " << options.usersFile
                      << " holds SHA-256 lines; give these users new lines made with --hash-password: " << list << "\n";
        }
    }
    // A client that hangs up mid-reply must not end the process.
    signal(SIGPIPE, SIG_IGN);
    keepReplyBuffersInTheHeap();

    // Signals are taken by sigtimedwait below, so every thread started from here
    // on must have them blocked.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    std::unique_ptr<Storage> storage;
    try {
        storage = openStorage(options.database);
    } catch (const std::exception &error) {
        std::cerr << "vendorcenter-server: " << error.what() << "\n";
        return 1;
    }

    HttpServer server(*storage);
    if (users)
        server.requireCredentials(std::move(*users));
    for (const std::string &name : options.allowedHosts)
        server.allowHost(name);
    for (const std::string &address : options.trustedProxies)
        server.trustProxy(address);
    HttpLimits limits;
    limits.maxConnections = options.maxConnections;
    limits.maxConnectionsPerAddress = options.maxConnectionsPerAddress;
    limits.idleTimeout = options.idleTimeout;
    server.setLimits(limits);
    const int port = server.bind(options.host, options.port);
    if (port < 0) {
        std::cerr << "vendorcenter-server: cannot listen on " << options.host << ":" << options.port << "\n";
        return 1;
    }
    if (!isLoopbackHost(options.host)) {
        std::cerr << "vendorcenter-server: warning: listening on " << options.host
                  << ", reachable from other machines; "
                  << (options.usersFile.empty() ? "anyone who reaches it can change cross-references\n"
                                                : "credentials travel in clear text unless TLS is put in front\n");
    }

    if (databaseForDisplay(options.database) != options.database) {
        std::cerr << "vendorcenter-server: warning: the database password is on the command line, where any user "
                     "sees it (ps); give it in a passfile instead (PGPASSFILE, mode 0600, or LoadCredential=)\n";
    }
    if (!server.start()) {
        std::cerr << "vendorcenter-server: serving could not start\n";
        return 1;
    }
    std::cout << "listening on " << serverAddress(options.host, port) << std::endl;

    // Wait for SIGINT/SIGTERM; look now and then whether serving ended on its own.
    bool servingEnded = false;
    const timespec pollInterval {1, 0};
    while (true) {
        if (sigtimedwait(&endSignals, nullptr, &pollInterval) > 0)
            break;
        if (!server.isRunning()) {
            servingEnded = true;
            break;
        }
    }
    server.stop();
    storage.reset();
    if (servingEnded) {
        std::cerr << "vendorcenter-server: serving stopped unexpectedly\n";
        return 1;
    }
    return 0;
}
