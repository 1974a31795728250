#include "BasicAuth.h"
#include "CommandLine.h"
#include "HttpServer.h"
#include "storage/OpenStorage.h"

#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace vendorcenter::server;

int main(int argc, char** argv) {
    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "vendorcenter-server: " << parsed.error << "\n\n" << usageText();
        return 2;
    }
    const ServerOptions& options = *parsed.options;
    if (options.showHelp) {
        std::cout << usageText();
        return 0;
    }
    if (options.hashPasswordUser) return printUserLine(*options.hashPasswordUser, std::cin, std::cout, std::cerr);
    std::optional<UserTable> users;
    if (!options.usersFile.empty()) {
        UserTable::Parsed loaded = loadUsersFile(options.usersFile);
        if (!loaded.users) {
            std::cerr << "vendorcenter-server: --users: " << loaded.error << "\n";
            return 1;
        }
        users = std::move(loaded.users);
    }

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
    } catch (const std::exception& error) {
        std::cerr << "vendorcenter-server: " << error.what() << "\n";
        return 1;
    }

    HttpServer server(*storage);
    if (users) server.requireCredentials(std::move(*users));
    const int port = server.bind(options.host, options.port);
    if (port < 0) {
        std::cerr << "vendorcenter-server: cannot listen on " << options.host << ":" << options.port << "\n";
        return 1;
    }
    if (!isLoopbackHost(options.host)) {
        std::cerr << "vendorcenter-server: warning: listening on " << options.host << ", reachable from other machines; "
                  << (options.usersFile.empty() ? "anyone who reaches it can change cross-references\n"
                                                : "credentials travel in clear text unless TLS is put in front\n");
    }

    if (!server.start()) {
        std::cerr << "vendorcenter-server: serving could not start\n";
        return 1;
    }
    std::cout << "listening on " << serverAddress(options.host, port) << std::endl;

    // Wait for SIGINT/SIGTERM; look now and then whether serving ended on its own.
    bool servingEnded = false;
    const timespec pollInterval{1, 0};
    while (true) {
        if (sigtimedwait(&endSignals, nullptr, &pollInterval) > 0) break;
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
